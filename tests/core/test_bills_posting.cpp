#include "BillTestSupport.h"

#include "config/ConfigLists.h"

#include "admin/MainDataBackup.h"
#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "bills/StockCount.h"
#include "server/ServerBackup.h"
#include "store/WriteToken.h"
#include "text/Clock.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

namespace {
using Strings = std::vector<std::string>;

const BillKind kAllKinds[] = {BillKind::Purchase,   BillKind::PurchaseReturn, BillKind::Sale,
                              BillKind::SaleReturn, BillKind::Loss,           BillKind::Gain,
                              BillKind::Price};

std::vector<BillDetailRecord> StoredLines(BillKind kind, const std::string& number) {
    CDataStore store;
    EXPECT_TRUE(store.ConnectMain());
    const BillKindInfo& info = KindInfo(kind);
    return IsTradeKind(kind) ? store.ListBillDetails(info.historyWord, number)
                             : ListStockBillLines(store, info.table, number);
}

Strings LogEvents(const std::vector<LogRecord>& log) {
    Strings events;
    for (const auto& e : log)
        events.push_back(e.Event);
    return events;
}

bool SameBill(const CBill& a, const CBill& b) {
    auto key = [](const CBill& x) {
        std::string s =
            x.m_number + "|" + x.m_date + "|" + x.m_quantityTotal + "|" + x.m_amountTotal;
        for (const auto& l : x.m_lines)
            s += "|" + l.code + "," + l.quantity + "," + l.price + "," + l.amount;
        return s;
    };
    return key(a) == key(b);
}
} // namespace

using BillPostingTest = BillTest;

TEST_F(BillPostingTest, APurchaseStoresHeaderLinesStockAndLogWithExactMoney) {
    CBill bill = FullBill(BillKind::Purchase);
    EXPECT_EQ(bill.m_number, "JH-261207-093015");
    EXPECT_EQ(bill.m_date, "2026-12-07");
    AddLine(bill, m_pen, "3");
    AddLine(bill, m_ink, "1000000", "123456.78");
    bill.m_lines[1].batch = "B-7";
    bill.m_lines[1].productionDate = "26-01-02";
    ASSERT_EQ(bill.Save(), PostOutcome::Posted);
    EXPECT_TRUE(m_port.Texts().empty());
    EXPECT_EQ(bill.m_quantityTotal, "1000003");
    EXPECT_EQ(bill.m_amountTotal, "123456780059.97");

    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto headers = store.ListBillsByDate("run_caigou", "2026-12-07", "2026-12-07");
    ASSERT_EQ(headers.size(), 1u);
    const BillHeaderRecord& h = headers[0];
    EXPECT_EQ(h.Canceled, "0");
    EXPECT_EQ(h.Bill_ID, "JH-261207-093015");
    EXPECT_EQ(h.Bill_Date, "2026-12-07");
    EXPECT_EQ(h.Customer, "华东电子");
    EXPECT_EQ(h.Department, "采购部");
    EXPECT_EQ(h.Warehouse, "一号仓库");
    EXPECT_EQ(h.Employee, "张三");
    EXPECT_EQ(h.Introduction, "bill remark");
    EXPECT_EQ(h.Number, "1000003");
    EXPECT_EQ(h.Total, "123456780059.97");
    EXPECT_EQ(h.Bank, "工商银行");
    EXPECT_EQ(h.Pay, "100.00");

    auto lines = store.ListBillDetails("run_caigou", "JH-261207-093015");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Product_ID, "G1");
    EXPECT_EQ(lines[0].Product_Name, "Pen");
    EXPECT_EQ(lines[0].Product_Number, "3");
    EXPECT_EQ(lines[0].Product_Unit, "个");
    EXPECT_EQ(lines[0].Product_Price, "19.99");
    EXPECT_EQ(lines[0].Product_Total, "59.97");
    EXPECT_EQ(lines[0].Product_BarCode, "BC-G1");
    EXPECT_EQ(lines[0].Product_Note, "note of G1");
    EXPECT_EQ(lines[0].Introduction, "note of G1"); // a detail row carries its line's remark
    EXPECT_EQ(lines[0].Number, "1000003");
    EXPECT_EQ(lines[0].Total, "123456780059.97");
    EXPECT_EQ(lines[0].Customer, "华东电子");
    EXPECT_EQ(lines[1].Product_Total, "123456780000.00");
    EXPECT_EQ(lines[1].Product_atch, "B-7");
    EXPECT_EQ(lines[1].Product_Date, "26-01-02");

    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "3");
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "19.99");
    EXPECT_EQ(Stock("一号仓库", "G2")->Number, "1000000");
    EXPECT_EQ(Stock("一号仓库", "G2")->Price, "123456.78");
    auto log = Log();
    EXPECT_EQ(LogEvents(log), (Strings{"进货操作", "进货操作"}));
    EXPECT_EQ(log[0].User, "admin");
    EXPECT_EQ(log[0].Time, "26-12-07 09:30:15");

    auto stored = CBill::LoadStored("run_caigou", "JH-261207-093015");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->m_introduction, "bill remark");
    EXPECT_EQ(stored->m_account, "工商银行");
    ASSERT_EQ(stored->m_lines.size(), 2u);
    EXPECT_EQ(stored->Cell(1, 8), "123456780000.00");
    EXPECT_EQ(stored->Cell(0, 11), "note of G1");
    EXPECT_FALSE(CBill::LoadStored("run_sale", "JH-261207-093015"));
}

TEST_F(BillPostingTest, EveryKindChangesTheStockItsWay) {
    auto post = [&](BillKind kind, const std::string& warehouse, const GoodsRecord& goods,
                    const std::string& quantity, const std::string& price = "") {
        SetClockForTest([t = ClockNow()] { return t + 1; }); // a new number for every bill
        CBill bill = FullBill(kind);
        bill.m_warehouse = warehouse;
        bill.m_paid = ""; // nothing paid: no question about paying more than the total
        AddLine(bill, goods, quantity, price);
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::Posted) << KindInfo(kind).cliName;
        EXPECT_TRUE(m_port.Texts().empty());
        return bill.m_number;
    };
    post(BillKind::Purchase, "一号仓库", m_pen, "10", "2.50");
    SetClockForTest([t = ClockNow()] { return t + 24 * 60 * 60; });
    post(BillKind::PurchaseReturn, "一号仓库", m_pen, "2");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "8");
    EXPECT_EQ(Stock("一号仓库", "G1")->LastLeaveTime, "26-12-08");
    post(BillKind::Sale, "一号仓库", m_pen, "3");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "5");
    post(BillKind::SaleReturn, "一号仓库", m_pen, "1", "30");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "6");
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "2.50"); // as typed, not "2.5"
    std::string loss = post(BillKind::Loss, "一号仓库", m_pen, "6");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "0");
    std::string gain = post(BillKind::Gain, "二号仓库", m_pen, "4");
    EXPECT_EQ(Stock("二号仓库", "G1")->Number, "4");
    EXPECT_EQ(Stock("二号仓库", "G1")->Price, "19.99");
    std::string price = post(BillKind::Price, "二号仓库", m_pen, "", "25.50");
    EXPECT_EQ(Stock("二号仓库", "G1")->Price, "25.50");
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "2.50");

    EXPECT_EQ(Count("EnterStock") + Count("BackStock") + Count("EnterSale") + Count("BackSale"), 4);
    auto lossRows = StoredLines(BillKind::Loss, loss);
    ASSERT_EQ(lossRows.size(), 1u);
    EXPECT_EQ(lossRows[0].Product_Number, "6");
    EXPECT_EQ(lossRows[0].Introduction, "note of G1");
    EXPECT_EQ(lossRows[0].Department, "采购部");
    EXPECT_EQ(lossRows[0].Product_Price, "");
    EXPECT_EQ(lossRows[0].Total, "");
    ASSERT_EQ(StoredLines(BillKind::Gain, gain).size(), 1u);
    auto priceRows = StoredLines(BillKind::Price, price);
    ASSERT_EQ(priceRows.size(), 1u);
    EXPECT_EQ(priceRows[0].Product_Price, "25.50");
    EXPECT_EQ(LogEvents(Log()), (Strings{"进货操作", "退货操作", "销售操作", "退货操作",
                                         "填写报损单操作", "报溢操作", "仓库中的商品已成功调价."}));
}

TEST_F(BillPostingTest, ARefusedSecondLineLeavesNothingOfTheBill) {
    PutStock("一号仓库", "G1", "Pen", 5, "19.99");
    CBill bill = FullBill(BillKind::Price);
    AddLine(bill, m_pen, "", "21");
    AddLine(bill, m_ink, "", "4"); // Ink was never in this warehouse
    const CBill before = bill;
    const std::string data = Snapshot();
    const size_t logSize = Log().size();
    m_port.Clear();
    EXPECT_EQ(bill.Save(), PostOutcome::Failed);
    EXPECT_EQ(m_port.Texts(),
              (Strings{"商品（Ink）在仓库（一号仓库）中没有库存，不能调价。不能完成当前操作！",
                       "调价单操作失败（库存表）！\r\n "}));
    EXPECT_EQ(Snapshot(), data);
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "19.99");
    EXPECT_EQ(Log().size(), logSize);
    EXPECT_TRUE(SameBill(bill, before)) << "the bill stays as it was, ready to be corrected";

    bill.RemoveLine(1);
    m_port.Clear();
    EXPECT_EQ(bill.Save(), PostOutcome::Posted);
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "21");
}

TEST_F(BillPostingTest, AFailureAtAnyStatementLeavesNothingAndIsReportedOnce) {
    for (BillKind kind : kAllKinds) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        PutStock("一号仓库", "G1", "Pen", 50, "19.99");
        PutStock("一号仓库", "G2", "Ink", 50, "3");
        CBill bill = FullBill(kind);
        bill.m_paid = "";
        AddLine(bill, m_pen, "2", "19.99");
        AddLine(bill, m_ink, "3", "3");
        AddLine(bill, m_pen, "1", "19.99");
        const BillKindInfo& info = KindInfo(kind);
        const Strings windowMessages = {info.connectFailure, info.headerFailure, info.lineFailure,
                                        info.stockFailure};
        const std::string data = Snapshot();
        const size_t logSize = Log().size();
        PostOutcome outcome = PostOutcome::Failed;
        int k = 1;
        for (; k < 60; ++k) {
            m_port.Clear();
            CDataStore::FailStatementForTest(k);
            outcome = bill.Save();
            CDataStore::FailStatementForTest(0);
            if (outcome == PostOutcome::Posted)
                break;
            EXPECT_TRUE(outcome == PostOutcome::Failed || outcome == PostOutcome::Invalid) << k;
            EXPECT_EQ(Snapshot(), data) << "statement " << k;
            EXPECT_EQ(Log().size(), logSize) << "statement " << k;
            auto texts = m_port.Texts();
            auto shown = std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
                return std::find(windowMessages.begin(), windowMessages.end(), t) !=
                       windowMessages.end();
            });
            EXPECT_EQ(shown, outcome == PostOutcome::Failed ? 1 : 0) << "statement " << k;
        }
        ASSERT_EQ(outcome, PostOutcome::Posted);
        EXPECT_GT(k, 6) << "every statement of the posting was failed once";
        // The fault hit the log's own transaction, after the commit: the bill is stored and
        // its entries are still written, one per line.
        EXPECT_EQ(StoredLines(kind, bill.m_number).size(), 3u);
        EXPECT_TRUE(m_port.Texts().empty());
        EXPECT_EQ(Log().size(), logSize + 3);

        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("delete from StockPile", {}));
    }
}

TEST_F(BillPostingTest, AMadeNumberMovesToTheNextFreeOneAGivenNumberIsRefusedWhenTaken) {
    PutStock("一号仓库", "G1", "Pen", 500);
    for (BillKind kind : kAllKinds) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        const std::string made = NewBillNumber(kind); // the clock stands still
        // A given number in the made number's form takes "-3" before any bill is made.
        CBill given = FullBill(kind);
        given.m_paid = "";
        AddLine(given, m_pen, "1", "5");
        given.GiveNumber(made + "-3");
        ASSERT_EQ(given.Save(), PostOutcome::Posted);
        EXPECT_EQ(given.m_number, made + "-3");

        // Bills made in the same second (twenty purchases; a few of each other kind): the
        // first keeps its number, the others take the free ones after it, passing over "-3".
        const int count = kind == BillKind::Purchase ? 20 : 3;
        Strings numbers, expected = {made}; // made, made-2, made-4, made-5, …
        for (int i = 0; i < count; ++i) {
            CBill bill = FullBill(kind);
            bill.m_paid = "";
            AddLine(bill, m_pen, "1", "5");
            ASSERT_EQ(bill.m_number, made);
            m_port.Clear();
            ASSERT_EQ(bill.Save(), PostOutcome::Posted) << i;
            EXPECT_TRUE(m_port.Texts().empty());
            numbers.push_back(bill.m_number);
            if (i > 0)
                expected.push_back(made + "-" + std::to_string(i < 2 ? i + 1 : i + 2));
        }
        EXPECT_EQ(numbers, expected);
        for (const std::string& number : numbers)
            EXPECT_EQ(StoredLines(kind, number).size(), 1u) << number;
        EXPECT_EQ(StoredLines(kind, made + "-3").size(), 1u);

        // A taken number typed over the made one, or given, is refused; nothing is written.
        const std::string data = Snapshot();
        CBill typed = FullBill(kind);
        typed.m_paid = "";
        AddLine(typed, m_pen, "1", "5");
        typed.m_number = made + "-2";
        m_port.Clear();
        EXPECT_EQ(typed.Save(), PostOutcome::NumberRefused);
        EXPECT_EQ(m_port.Texts(),
                  Strings{"单据编号“" + made + "-2”已经存在，请修改编号后再保存！"});
        EXPECT_EQ(typed.m_number, made + "-2");
        CBill file = FullBill(kind);
        file.m_paid = "";
        AddLine(file, m_pen, "1", "5");
        file.GiveNumber(made);
        m_port.Clear();
        EXPECT_EQ(file.Save(), PostOutcome::NumberRefused);
        EXPECT_EQ(m_port.Texts(), Strings{"单据编号“" + made + "”已经存在，请修改编号后再保存！"});
        file.GiveNumber("");
        m_port.Clear();
        EXPECT_EQ(file.Save(), PostOutcome::NumberRefused);
        EXPECT_EQ(m_port.Texts(), Strings{"单据编号不能为空！"});
        EXPECT_EQ(Snapshot(), data);
    }
}

TEST_F(BillPostingTest, LossOrGainWithoutLinesPostsNothingAndSaysNothing) {
    for (BillKind kind : {BillKind::Loss, BillKind::Gain}) {
        CBill bill = FullBill(kind);
        const std::string data = Snapshot();
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::NothingToPost);
        EXPECT_TRUE(m_port.Texts().empty());
        EXPECT_EQ(Snapshot(), data);
    }
    EXPECT_TRUE(Log().empty());
}

TEST_F(BillPostingTest, QuotesPercentAndLongTextsArePostedAsTyped) {
    const std::string odd = "O'Brien \"%_\" " + std::string(10000, 'x');
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    GoodsRecord g = Goods("G'%_" + odd, "N'%_" + odd, "1.5");
    ASSERT_TRUE(store.AddGoods(g));
    CBill bill = FullBill(BillKind::SaleReturn);
    bill.m_number = "XSTH'%_" + odd;
    bill.m_customer = bill.m_department = bill.m_warehouse = bill.m_employee = bill.m_account =
        bill.m_introduction = odd;
    bill.m_paid = "3"; // money, not text
    ASSERT_TRUE(AddConfigListEntry("warehouse", odd, ""));
    AddUnit("KH'%_", odd, "客户");
    AddLine(bill, g, "2");
    BillLine& l = bill.m_lines[0];
    l.unit = l.batch = l.productionDate = l.barcode = l.note = odd;
    ASSERT_EQ(bill.Save(), PostOutcome::Posted);
    EXPECT_TRUE(m_port.Texts().empty());
    auto lines = store.ListBillDetails("run_sale_tuihuo", bill.m_number);
    ASSERT_EQ(lines.size(), 1u);
    for (const std::string* f :
         {&lines[0].Customer, &lines[0].Department, &lines[0].Warehouse, &lines[0].Employee,
          &lines[0].Bank, &lines[0].Product_Unit, &lines[0].Product_atch, &lines[0].Product_Date,
          &lines[0].Product_BarCode, &lines[0].Product_Note})
        EXPECT_EQ(*f, odd);
    EXPECT_EQ(lines[0].Product_ID, g.Code);
    EXPECT_EQ(lines[0].Product_Total, "3.00");
    EXPECT_EQ(Stock(odd, g.Code)->Number, "2");
    // Whole-text lookups: a pattern finds nothing.
    EXPECT_TRUE(store.ListBillDetails("run_sale_tuihuo", "XSTH%").empty());
    EXPECT_TRUE(store.ListBillDetails("run_sale_tuihuo", "_").empty());
}

TEST_F(BillPostingTest, HistoryIncludesBothEndsOfTheRange) {
    for (const char* date : {"2026-11-30", "2026-12-01", "2026-12-07", "2026-12-31"}) {
        CBill bill = FullBill(BillKind::Purchase);
        bill.m_date = date;
        bill.m_number = std::string("JH-") + date;
        AddLine(bill, m_pen, "1");
        ASSERT_EQ(bill.Save(), PostOutcome::Posted);
    }
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto ids = [&](const std::string& from, const std::string& to) {
        Strings out;
        for (const auto& b : store.ListBillsByDate("run_caigou", from, to))
            out.push_back(b.Bill_ID);
        return out;
    };
    EXPECT_EQ(ids("2026-12-01", "2026-12-31"),
              (Strings{"JH-2026-12-01", "JH-2026-12-07", "JH-2026-12-31"}));
    EXPECT_EQ(ids("2026-12-07", "2026-12-07"), Strings{"JH-2026-12-07"});
    EXPECT_EQ(ids("2026-12-31", "2026-12-01"), Strings{});
    EXPECT_EQ(store.ListBillsByDate("run_sale", "2000-01-01", "2100-01-01").size(), 0u);
    m_port.Clear();
    EXPECT_TRUE(store.ListBillsByDate("run_nothing", "2000-01-01", "2100-01-01").empty());
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("获取历史进货信息失败。\r\n数据库失败！\r\n错误信息：", 0),
              0u);
}

namespace {
// The sale numbers a main data backup holds: a data file, or a server archive read by pg_restore.
std::set<std::string> SalesInBackup(const std::filesystem::path& backup, bool archive) {
    std::set<std::string> numbers;
    if (!archive) {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(backup.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, "select Bill_ID from EnterSale", -1, &st, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW)
            numbers.insert(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return numbers;
    }
    const char* path = std::getenv("PATH");
    const auto program = FindServerClient("pg_restore", path ? path : "", "/usr/lib/postgresql");
    EXPECT_TRUE(program.has_value());
    if (!program)
        return numbers;
    const std::string command =
        program->string() + " --data-only --table=entersale --file=- '" + backup.string() + "'";
    std::FILE* out = ::popen(command.c_str(), "r");
    char line[4096];
    bool rows = false;
    while (out && std::fgets(line, sizeof line, out)) {
        const std::string text(line);
        if (text.starts_with("COPY ")) {
            rows = true;
        } else if (text.starts_with("\\.")) {
            rows = false;
        } else if (rows) { // Id, Canceled, Bill_ID, ...
            const size_t first = text.find('\t'), second = text.find('\t', first + 1);
            numbers.insert(text.substr(second + 1, text.find('\t', second + 1) - second - 1));
        }
    }
    if (out)
        ::pclose(out);
    return numbers;
}
} // namespace

TEST_F(BillPostingTest, ASalePostedWhileTheDataIsRestoredIsInTheRestoredDataOrInItsSafetyBackup) {
    namespace fs = std::filesystem;
    PutStock("一号仓库", "G1", "Pen", 100000, "1");
    fs::create_directories(Dir() / "Backup");
    const fs::path base = Dir() / "Backup" / "base.bak";
    {
        CDataStore store;
        ASSERT_TRUE(BackupMainDataTo(store, base)) << store.LastError();
    }
    // A second workstation posts 200 sales of one pen at 5.00, one after the other.
    constexpr int kSales = 200;
    std::atomic<int> done = 0;
    std::vector<std::string> stored;
    std::thread poster([&] {
        for (int i = 1; i <= kSales; ++i) {
            CBill sale = FullBill(BillKind::Sale);
            AddLine(sale, m_pen, "1", "5");
            sale.GiveNumber("XS-P" + std::to_string(i));
            if (sale.Save() == PostOutcome::Posted)
                stored.push_back(sale.m_number);
            ++done;
        }
    });
    // This one restores the base backup four times while it does, each time after some more
    // sales, each time with its safety backup first.
    std::vector<fs::path> safety;
    for (int k = 1; k <= 4; ++k) {
        while (done < 40 * k)
            std::this_thread::yield();
        safety.push_back(Dir() / "Backup" / ("safety-" + std::to_string(k) + ".bak"));
        CDataStore store;
        EXPECT_TRUE(RestoreMainDataFrom(store, base, [&](std::string& error) {
            CDataStore copier;
            const bool made = BackupMainDataTo(copier, safety.back());
            error = copier.LastError();
            return made;
        })) << store.LastError();
    }
    poster.join();

    // Every sale was stored, each told in the log once, and each is in the data or in the
    // safety backup of the restore that followed it: nothing stored was lost in between.
    ASSERT_EQ(stored.size(), static_cast<size_t>(kSales));
    const Strings events = LogEvents(Log());
    EXPECT_EQ(std::count(events.begin(), events.end(), "销售操作"), kSales);
    std::set<std::string> kept;
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("select Bill_ID from EnterSale", {},
                              [&](const CStatement& row) { kept.insert(row.Text(0)); }));
    }
    const size_t inData = kept.size();
    for (const auto& file : safety) {
        const auto saved = SalesInBackup(file, OnServer());
        kept.insert(saved.begin(), saved.end());
    }
    for (const auto& number : stored)
        EXPECT_TRUE(kept.count(number)) << number << " was lost";
    // The last sales went into the restored data, and the stock counts them from the backup's
    // 100000 on.
    EXPECT_TRUE(inData > 0 && inData <= 40u + 1);
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, std::to_string(100000 - inData));
}

// Every action that stores a document writes its token in its own transaction. A COMMIT whose
// reply is lost (a file never loses one: the seam lets the path run here) is looked up by the
// token and answered "stored"; a retry under the same token stores nothing more.
TEST_F(BillPostingTest, EveryStoringActionWritesItsTokenAndARetryUnderItStoresNothingMore) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    ASSERT_TRUE(AddConfigListEntry("bank", "建设银行", ""));
    auto tokens = [] {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings rows;
        EXPECT_TRUE(store.Run("select Token, Kind, Bill_ID from WriteToken order by Id", {},
                              [&](const CStatement& row) {
                                  EXPECT_TRUE(IsWriteToken(row.Text(0))) << row.Text(0);
                                  rows.push_back(row.Text(1) + "|" + row.Text(2));
                              }));
        return rows;
    };
    auto lastToken = [] {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        std::string token;
        EXPECT_TRUE(store.Run("select Token from WriteToken order by Id desc limit 1", {},
                              [&](const CStatement& row) { token = row.Text(0); }));
        return token;
    };
    // A payment takes the receipt's path.
    for (BillKind kind : {BillKind::Purchase, BillKind::Sale, BillKind::Transfer, BillKind::Loss,
                          BillKind::Receipt}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        CBill bill = FullBill(kind);
        bill.m_paid = IsFundKind(kind) ? "5.00" : ""; // the receivable of the sale
        if (IsFundKind(kind))
            bill.m_account = "建设银行";
        bill.m_toWarehouse = "二号仓库";
        if (!IsFundKind(kind))
            AddLine(bill, m_pen, "1", "5");
        const std::string number = std::string(KindInfo(kind).prefix) + "T";
        bill.GiveNumber(number);
        const CBill retry = bill;
        m_port.Clear();
        CDataStore::LoseCommitReplyForTest();
        EXPECT_EQ(bill.Save(), PostOutcome::Posted);
        EXPECT_EQ(m_port.Texts(), Strings{LostReplyStoredText(number)});
        EXPECT_EQ(bill.m_number, number);
        EXPECT_EQ(bill.WriteToken(), "") << "stored: the window's next bill is another action";

        CBill again = retry;
        again.SetWriteToken(lastToken());
        m_port.Clear();
        EXPECT_EQ(again.Save(), PostOutcome::Posted);
        // Answered before the checks: the receipt's amount, now more than what is owed, is
        // not questioned.
        EXPECT_EQ(m_port.Texts(), Strings{TokenStoredText(number)});
        EXPECT_EQ(again.m_number, number);
    }
    // 10, bought 1, sold 1, moved 1 away, lost 1; each bill once, its log entry once.
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "8");
    EXPECT_EQ(Stock("二号仓库", "G1")->Number, "1");
    EXPECT_EQ(Count("EnterStock") + Count("EnterSale") + Count("YiKuDan") + Count("BaoSunDan") +
                  Count("FundBill"),
              5);
    EXPECT_EQ(LogEvents(Log()).size(), 5u);

    // A reversal and a stock count, their replies lost too, then retried under their tokens.
    const std::string reversal = NewWriteToken();
    m_port.Clear();
    CDataStore::LoseCommitReplyForTest();
    EXPECT_EQ(ReverseBill(BillKind::Purchase, "JH-T", nullptr, reversal), "JH-T-H");
    EXPECT_EQ(ReverseBill(BillKind::Purchase, "JH-T", nullptr, reversal), "JH-T-H");
    EXPECT_EQ(m_port.Texts(), (Strings{LostReplyStoredText("JH-T-H"), TokenStoredText("JH-T-H")}));
    auto count = LoadStockCount("一号仓库", "");
    ASSERT_TRUE(count);
    ASSERT_EQ(count->lines.size(), 1u);
    count->lines[0].counted = "5";
    CountPosted posted, repeated;
    m_port.Clear();
    CDataStore::LoseCommitReplyForTest();
    EXPECT_EQ(CountStock(*count, posted), CountOutcome::Posted);
    EXPECT_EQ(CountStock(*count, repeated), CountOutcome::Posted);
    EXPECT_EQ(repeated.lossNumber, posted.lossNumber);
    EXPECT_EQ(repeated.gainNumber, "");
    EXPECT_EQ(m_port.Texts(), (Strings{LostReplyStoredText(posted.lossNumber),
                                       TokenStoredText(posted.lossNumber)}));
    // 8, the purchase's unit sent back, counted 5 of the 7 left.
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "5");
    EXPECT_EQ(tokens(),
              (Strings{"purchase|JH-T", "sale|XS-T", "transfer|YK-T", "loss|BS-T", "receipt|SK-T",
                       "reverse purchase|JH-T-H", "count|" + posted.lossNumber}));

    // The unique index is the last guard, should a token ever reach a second insert.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    EXPECT_FALSE(AddWriteToken(store, lastToken(), "loss", "BS-X"));
}

// A retry is answered by its token before the action is checked: the checks would see what the
// stored try took. Each bill takes the last units; its retry is told it is stored, not that the
// stock is short, and the stock stays as the one posting left it.
TEST_F(BillPostingTest, ARetryTakingTheLastUnitsIsAnsweredByItsTokenBeforeTheStockCheck) {
    for (BillKind kind : {BillKind::Sale, BillKind::Loss, BillKind::Transfer}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        PutStock("一号仓库", "G1", "Pen", 2, "19.99");
        CBill bill = FullBill(kind);
        bill.m_paid = "";
        bill.m_toWarehouse = "二号仓库";
        AddLine(bill, m_pen, "2", "5");
        const std::string number = std::string(KindInfo(kind).prefix) + "LAST";
        bill.GiveNumber(number);
        bill.SetWriteToken(NewWriteToken());
        CBill retry = bill;
        m_port.Clear();
        CDataStore::LoseCommitReplyForTest();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted);
        EXPECT_EQ(Stock("一号仓库", "G1")->Number, "0");

        m_port.Clear();
        EXPECT_EQ(retry.Save(), PostOutcome::Posted);
        EXPECT_EQ(m_port.Texts(), Strings{TokenStoredText(number)});
        EXPECT_EQ(retry.m_number, number);
        EXPECT_EQ(Stock("一号仓库", "G1")->Number, "0");
    }
    EXPECT_EQ(Stock("二号仓库", "G1")->Number, "2");
    EXPECT_EQ(Count("EnterSale") + Count("BaoSunDan") + Count("YiKuDan"), 3);
    // One log entry per line, written by the try that stored it.
    EXPECT_EQ(LogEvents(Log()).size(), 3u);
}

// A token belongs to the action that stored it: given to another kind, to a count, or to a
// reversal of another bill, it is refused with one message and nothing is stored, before the
// action's checks and again inside its transaction.
TEST_F(BillPostingTest, ATokenGivenToAnotherActionIsRefusedAndStoresNothing) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    const std::string token = NewWriteToken();
    CBill sale = FullBill(BillKind::Sale);
    sale.m_paid = "";
    AddLine(sale, m_pen, "3", "5");
    sale.GiveNumber("XS-K");
    sale.SetWriteToken(token);
    ASSERT_EQ(sale.Save(), PostOutcome::Posted);
    const Strings refused{TokenOtherActionText("XS-K")};

    for (BillKind kind : {BillKind::Purchase, BillKind::SaleReturn, BillKind::Receipt}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        CBill other = FullBill(kind);
        other.m_paid = IsFundKind(kind) ? "5.00" : "";
        if (!IsFundKind(kind))
            AddLine(other, m_pen, "1", "5");
        other.SetWriteToken(token);
        CBill bulk = other;
        m_port.Clear();
        EXPECT_EQ(other.Save(), PostOutcome::Invalid);
        EXPECT_EQ(m_port.Texts(), refused);
        EXPECT_EQ(other.WriteToken(), token) << "the bill is left as it was";
        // Posting without the window's checks meets the same refusal inside its transaction.
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        m_port.Clear();
        EXPECT_EQ(bulk.SaveOn(store), PostOutcome::Invalid);
        EXPECT_EQ(m_port.Texts(), refused);
    }

    ReverseOutcome outcome = ReverseOutcome::Reversed;
    m_port.Clear();
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-K", &outcome, token), std::nullopt);
    EXPECT_EQ(outcome, ReverseOutcome::Refused);
    EXPECT_EQ(m_port.Texts(), refused);

    auto count = LoadStockCount("一号仓库", "");
    ASSERT_TRUE(count);
    ASSERT_EQ(count->lines.size(), 1u);
    count->lines[0].counted = "5";
    count->token = token;
    CountPosted posted;
    m_port.Clear();
    EXPECT_EQ(CountStock(*count, posted), CountOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), refused);
    EXPECT_EQ(posted.lossNumber, "");

    // A reversal's token names its red bill: reversing a second bill under it is refused.
    CBill second = FullBill(BillKind::Sale);
    second.m_paid = "";
    AddLine(second, m_pen, "1", "5");
    second.GiveNumber("XS-K2");
    ASSERT_EQ(second.Save(), PostOutcome::Posted);
    const std::string reversal = NewWriteToken();
    ASSERT_EQ(ReverseBill(BillKind::Sale, "XS-K", nullptr, reversal), "XS-K-H");
    m_port.Clear();
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-K2", &outcome, reversal), std::nullopt);
    EXPECT_EQ(outcome, ReverseOutcome::Refused);
    EXPECT_EQ(m_port.Texts(), Strings{TokenOtherActionText("XS-K-H")});

    // 10, sold 3 and 1, the 3 back: nothing of the refused actions.
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "9");
    EXPECT_EQ(Count("EnterStock") + Count("BackSale") + Count("FundBill") + Count("BaoSunDan"), 0);
    EXPECT_EQ(Count("EnterSale"), 3);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    Strings rows;
    EXPECT_TRUE(
        store.Run("select Kind, Bill_ID from WriteToken order by Id", {},
                  [&](const CStatement& row) { rows.push_back(row.Text(0) + "|" + row.Text(1)); }));
    EXPECT_EQ(rows, (Strings{"sale|XS-K", "sale|XS-K2", "reverse sale|XS-K-H"}));
}
