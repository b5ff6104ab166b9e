// A statement failing at any point of a posting, a transfer, a reversal, a stock count or an
// import leaves both data files exactly as they were, byte for byte.
#include "BillTestSupport.h"

#include "basic/MasterDataImport.h"
#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "bills/StockCount.h"
#include "config/ConfigLists.h"
#include "finance/Balances.h"

#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace {
const BillKind kAllKinds[] = {BillKind::Purchase,   BillKind::PurchaseReturn, BillKind::Sale,
                              BillKind::SaleReturn, BillKind::Loss,           BillKind::Gain,
                              BillKind::Price};

std::string Bytes(const std::filesystem::path& file) {
    std::ifstream f(file, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

struct FilesState {
    std::string main, other;
    bool operator==(const FilesState&) const = default;
};

FilesState Files() {
    return {Bytes("Data/main_data.tdb"), Bytes("Data/other_data.tdb")};
}

std::string IntegrityCheck(const char* file) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                result += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

class FaultTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        m_paper = AddGoods("G3", "Paper", "5");
    }

    // A bill of every sort of line: goods with a stock row, the same goods again, and goods
    // without a row (created by purchases, sale returns and gains).
    CBill VariedBill(BillKind kind) {
        CBill bill = FullBill(kind);
        bill.m_number = std::string(KindInfo(kind).prefix) + "FAULT";
        AddLine(bill, m_pen, "2", "19.99");
        AddLine(bill, m_ink, "3", "3.5");
        AddLine(bill, m_pen, "1", "20.01");
        const bool createsRows =
            kind == BillKind::Purchase || kind == BillKind::SaleReturn || kind == BillKind::Gain;
        if (createsRows)
            AddLine(bill, m_paper, "4", "5");
        return bill;
    }

    GoodsRecord m_paper;
};
} // namespace

TEST_F(FaultTest, AFailedStatementAnywhereInAPostingLeavesBothFilesUnchanged) {
    for (BillKind kind : kAllKinds) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        PutStock("一号仓库", "G1", "Pen", 40, "19.99");
        PutStock("一号仓库", "G2", "Ink", 40, "3");
        CBill bill = VariedBill(kind);
        const FilesState before = Files();
        int k = 1;
        PostOutcome outcome = PostOutcome::Failed;
        for (; k < 200; ++k) {
            CBill attempt = bill;
            CDataStore::FailStatementForTest(k);
            outcome = attempt.Save();
            const int statements = CDataStore::StatementCountForTest();
            CDataStore::FailStatementForTest(0);
            if (outcome == PostOutcome::Posted)
                break;
            ASSERT_GE(statements, k) << "the fault was not reached, yet nothing was posted";
            EXPECT_TRUE(Files() == before) << "statement " << k << " changed a data file";
            EXPECT_FALSE(std::filesystem::exists("Data/main_data.tdb-journal")) << k;
            EXPECT_FALSE(m_port.Texts().empty()) << "statement " << k << " failed silently";
            m_port.Clear();
        }
        ASSERT_EQ(outcome, PostOutcome::Posted);
        // Every statement up to the commit was failed once; the last ones hit the log entries,
        // written after the commit, and the bill stayed whole.
        EXPECT_GT(k, static_cast<int>(bill.m_lines.size()) * 2);
        EXPECT_EQ(IntegrityCheck("Data/main_data.tdb"), "ok");
        EXPECT_EQ(IntegrityCheck("Data/other_data.tdb"), "ok");
        const BillKindInfo& info = KindInfo(kind);
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        auto rows = IsTradeKind(kind) ? store.ListBillDetails(info.historyWord, bill.m_number)
                                      : ListStockBillLines(store, info.table, bill.m_number);
        EXPECT_EQ(rows.size(), bill.m_lines.size());
        // The sweep went through the summaries' upkeep too: the sale's Pen and Ink, once each in
        // its warehouse's month and in the month, quarter and year of every warehouse.
        if (kind == BillKind::Sale) {
            EXPECT_EQ(Count("Summary_Goods where Kind = 'EnterSale_Detail'"), 8);
        }
        ASSERT_TRUE(store.Run("delete from StockPile", {}));
        m_port.Clear();
    }
}

TEST_F(FaultTest, AFailedStatementAnywhereInAReversalLeavesBothFilesUnchanged) {
    for (BillKind kind :
         {BillKind::Purchase, BillKind::PurchaseReturn, BillKind::Sale, BillKind::SaleReturn}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        PutStock("一号仓库", "G1", "Pen", 40, "19.99");
        PutStock("一号仓库", "G2", "Ink", 40, "3");
        CBill bill = VariedBill(kind);
        ASSERT_EQ(bill.Save(), PostOutcome::Posted);
        const FilesState before = Files();
        int k = 1;
        std::optional<std::string> red;
        for (; k < 200; ++k) {
            CDataStore::FailStatementForTest(k);
            red = ReverseBill(kind, bill.m_number);
            const int statements = CDataStore::StatementCountForTest();
            CDataStore::FailStatementForTest(0);
            if (red)
                break;
            ASSERT_GE(statements, k) << "the fault was not reached, yet nothing was reversed";
            EXPECT_TRUE(Files() == before) << "statement " << k << " changed a data file";
            EXPECT_FALSE(std::filesystem::exists("Data/main_data.tdb-journal")) << k;
            EXPECT_FALSE(m_port.Texts().empty()) << "statement " << k << " failed silently";
            m_port.Clear();
        }
        ASSERT_EQ(red, bill.m_number + "-H");
        // Header checks, one insert and two stock statements per line, the marks, the commit.
        EXPECT_GT(k, static_cast<int>(bill.m_lines.size()) * 3 + 6);
        EXPECT_EQ(IntegrityCheck("Data/main_data.tdb"), "ok");
        EXPECT_EQ(IntegrityCheck("Data/other_data.tdb"), "ok");
        EXPECT_EQ(BillCanceledState(kind, bill.m_number), "1");
        EXPECT_EQ(Stock("一号仓库", "G1")->Number, "40");
        EXPECT_EQ(Stock("一号仓库", "G2")->Number, "40");
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        EXPECT_EQ(store.ListBillDetails(KindInfo(kind).historyWord, *red).size(),
                  bill.m_lines.size());
        ASSERT_TRUE(store.Run("delete from StockPile", {}));
        m_port.Clear();
    }
}

TEST_F(FaultTest, AFailedStatementAnywhereInATransferOrItsReversalLeavesBothFilesUnchanged) {
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    PutStock("一号仓库", "G2", "Ink", 40, "3");
    PutStock("二号仓库", "G1", "Pen", 5, "21");
    // Pen goes to a row that exists, ink to one that is created.
    CBill bill(BillKind::Transfer);
    bill.GiveNumber("YK-FAULT");
    bill.m_warehouse = "一号仓库";
    bill.m_toWarehouse = "二号仓库";
    bill.m_employee = "张三";
    AddLine(bill, m_pen, "2");
    AddLine(bill, m_ink, "3");
    AddLine(bill, m_pen, "1");

    // Each attempt fails statement k; the loop ends with the first attempt that succeeds.
    auto everyStatement = [&](const std::function<bool()>& attempt, int atLeast) {
        const FilesState before = Files();
        int k = 1;
        bool done = false;
        for (; k < 200 && !done; ++k) {
            CDataStore::FailStatementForTest(k);
            done = attempt();
            const int statements = CDataStore::StatementCountForTest();
            CDataStore::FailStatementForTest(0);
            if (done)
                break;
            ASSERT_GE(statements, k) << "the fault was not reached, yet nothing was done";
            EXPECT_TRUE(Files() == before) << "statement " << k << " changed a data file";
            EXPECT_FALSE(std::filesystem::exists("Data/main_data.tdb-journal")) << k;
            EXPECT_FALSE(m_port.Texts().empty()) << "statement " << k << " failed silently";
            m_port.Clear();
        }
        ASSERT_TRUE(done);
        EXPECT_GT(k, atLeast);
        EXPECT_EQ(IntegrityCheck("Data/main_data.tdb"), "ok");
        EXPECT_EQ(IntegrityCheck("Data/other_data.tdb"), "ok");
    };
    const int lines = static_cast<int>(bill.m_lines.size());
    // Per line an insert and four stock statements, before the commit.
    everyStatement([&] { return CBill(bill).Save() == PostOutcome::Posted; }, lines * 5);
    EXPECT_EQ(
        (std::vector<std::string>{Stock("一号仓库", "G1")->Number, Stock("二号仓库", "G1")->Number,
                                  Stock("一号仓库", "G2")->Number, Stock("二号仓库", "G2")->Price}),
        (std::vector<std::string>{"37", "8", "37", "3"}));
    everyStatement([&] { return ReverseBill(BillKind::Transfer, "YK-FAULT").has_value(); },
                   lines * 5);
    EXPECT_EQ(BillCanceledState(BillKind::Transfer, "YK-FAULT"), "1");
    EXPECT_EQ((std::vector<std::string>{
                  Stock("一号仓库", "G1")->Number, Stock("二号仓库", "G1")->Number,
                  Stock("一号仓库", "G2")->Number, Stock("二号仓库", "G2")->Number}),
              (std::vector<std::string>{"40", "5", "40", "0"}));
}

TEST_F(FaultTest, AFailedStatementAnywhereInAStockCountLeavesBothFilesUnchanged) {
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    PutStock("一号仓库", "G2", "Ink", 12, "3");
    PutStock("一号仓库", "G3", "Paper", 5, "5");
    auto count = LoadStockCount("一号仓库", "");
    ASSERT_TRUE(count);
    ASSERT_EQ(count->lines.size(), 3u);
    count->lines[0].counted = "43"; // gain 3
    count->lines[1].counted = "10"; // loss 2
    count->lines[2].counted = "0";  // loss 5
    const FilesState before = Files();
    int k = 1;
    CountOutcome outcome = CountOutcome::Failed;
    CountPosted posted;
    for (; k < 100; ++k) {
        CDataStore::FailStatementForTest(k);
        outcome = CountStock(*count, posted);
        const int statements = CDataStore::StatementCountForTest();
        CDataStore::FailStatementForTest(0);
        if (outcome == CountOutcome::Posted)
            break;
        ASSERT_EQ(outcome, CountOutcome::Failed) << k;
        ASSERT_GE(statements, k) << "the fault was not reached, yet nothing was posted";
        EXPECT_TRUE(Files() == before) << "statement " << k << " changed a data file";
        EXPECT_FALSE(std::filesystem::exists("Data/main_data.tdb-journal")) << k;
        EXPECT_FALSE(m_port.Texts().empty()) << "statement " << k << " failed silently";
        m_port.Clear();
    }
    ASSERT_EQ(outcome, CountOutcome::Posted);
    // The re-read, both bills' numbers, three lines of two or three statements, the commit.
    EXPECT_GT(k, 12);
    EXPECT_EQ(IntegrityCheck("Data/main_data.tdb"), "ok");
    EXPECT_EQ(IntegrityCheck("Data/other_data.tdb"), "ok");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "43");
    EXPECT_EQ(Stock("一号仓库", "G2")->Number, "10");
    EXPECT_EQ(Stock("一号仓库", "G3")->Number, "0");
    EXPECT_EQ(Count("BaoYiDan"), 1);
    EXPECT_EQ(Count("BaoSunDan"), 2);
}

TEST_F(FaultTest, AFailedStatementAnywhereInAnImportAddsNoGoods) {
    const std::string csv = "Code,ProductName,ClassName,Unit,PriceIn\r\n"
                            "N1,Nib,电子,个,1.5\r\nN2,Nut,电子,个,0.2\r\nN3,Nail,电子,盒,3\r\n";
    const FilesState before = Files();
    ImportOutcome outcome = ImportOutcome::Refused;
    int k = 1;
    for (; k < 100; ++k) {
        CDataStore::FailStatementForTest(k);
        size_t added = 99;
        outcome = ImportGoodsCsv(csv, &added);
        CDataStore::FailStatementForTest(0);
        if (outcome == ImportOutcome::Imported) {
            EXPECT_EQ(added, 3u);
            break;
        }
        EXPECT_EQ(added, 0u) << k;
        EXPECT_TRUE(Files() == before) << "statement " << k << " changed a data file";
        EXPECT_FALSE(m_port.Texts().empty()) << "statement " << k << " failed silently";
        m_port.Clear();
    }
    ASSERT_EQ(outcome, ImportOutcome::Imported);
    EXPECT_GT(k, 3);
    EXPECT_EQ(Count("ferix_product"), 6);
}

TEST_F(FaultTest, AFailedStatementAnywhereInAReceiptOrItsReversalLeavesBothFilesUnchanged) {
    BusinessUnitRecord unit;
    unit.CustomerCode = "KH001";
    unit.CustomerName = "华东电子";
    unit.CustomerType = "客户";
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.AddBusinessUnit(unit));
    }
    ASSERT_TRUE(AddConfigListEntry("bank", "现金", ""));
    CBill receipt(BillKind::Receipt);
    receipt.GiveNumber("SK-FAULT");
    receipt.m_customer = "华东电子";
    receipt.m_employee = "马丽";
    receipt.m_account = "现金";
    receipt.m_paid = "50";
    m_port.SetDefaultAnswer(true); // more than is owed: go ahead
    const FilesState before = Files();
    int k = 1;
    PostOutcome outcome = PostOutcome::Failed;
    for (; k < 100; ++k) {
        CBill attempt = receipt;
        CDataStore::FailStatementForTest(k);
        outcome = attempt.Save();
        const int statements = CDataStore::StatementCountForTest();
        CDataStore::FailStatementForTest(0);
        if (outcome == PostOutcome::Posted)
            break;
        ASSERT_GE(statements, k) << "the fault was not reached, yet nothing was posted";
        EXPECT_TRUE(Files() == before) << "statement " << k << " changed a data file";
        EXPECT_FALSE(m_port.Texts().empty()) << "statement " << k << " failed silently";
        m_port.Clear();
    }
    ASSERT_EQ(outcome, PostOutcome::Posted);
    EXPECT_GT(k, 5); // the checks' reads, the number, the row, the commit
    EXPECT_EQ(IntegrityCheck("Data/main_data.tdb"), "ok");

    const FilesState posted = Files();
    std::optional<std::string> red;
    for (k = 1; k < 100 && !red; ++k) {
        CDataStore::FailStatementForTest(k);
        red = ReverseBill(BillKind::Receipt, "SK-FAULT");
        CDataStore::FailStatementForTest(0);
        if (!red) {
            EXPECT_TRUE(Files() == posted) << "statement " << k << " changed a data file";
            m_port.Clear();
        }
    }
    EXPECT_EQ(red, "SK-FAULT-H");
    EXPECT_GT(k, 5);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    EXPECT_EQ(ReceivableOf(store, "华东电子")->Format2(), "0.00");
}
