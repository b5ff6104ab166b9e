// Receipts and payments: what each unit owes and is owed through sales, returns, receipts and
// their reversal, the statement, the accounts, the checks and the schema upgrade.
#include "BillTestSupport.h"

#include "basic/MasterDataImport.h"
#include "basic/UnitStore.h"
#include "bills/BillReversal.h"
#include "bills/FundBill.h"
#include "bills/PaletteLists.h"
#include "config/ConfigLists.h"
#include "cost/ProfitReport.h"
#include "finance/Balances.h"
#include "finance/Finance.h"
#include "query/BillHistory.h"
#include "query/History.h"
#include "query/StockView.h"
#include "query/TemplatePrint.h"
#include "store/Schema.h"

#include <sqlite3.h>

#include <fstream>

namespace {
using Strings = std::vector<std::string>;

class FinanceTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        AddUnit("GYS001", "恒通商贸", "供应商");
        for (const char* bank : {"工商银行", "现金", "建设银行"})
            ASSERT_TRUE(AddConfigListEntry("bank", bank, ""));
    }

    // A trade bill of one Pen line, `quantity` at `price`, with `paid` paid at once.
    void Trade(BillKind kind, const std::string& number, const std::string& date,
               const std::string& unit, const std::string& quantity, const std::string& price,
               const std::string& paid) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_date = date;
        bill.m_customer = unit;
        bill.m_paid = paid;
        AddLine(bill, m_pen, quantity, price);
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted) << Said();
    }

    CBill Money(BillKind kind, const std::string& number, const std::string& unit,
                const std::string& account, const std::string& amount) {
        CBill bill(kind);
        bill.GiveNumber(number);
        bill.m_date = "2026-11-10";
        bill.m_customer = unit;
        bill.m_department = "财务部";
        bill.m_employee = "马丽";
        bill.m_account = account;
        bill.m_paid = amount;
        return bill;
    }

    void PostMoney(CBill bill) {
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted) << Said();
    }

    std::string Said() const { return m_port.Texts().empty() ? "" : m_port.Texts().back(); }

    static std::string Receivable(const std::string& unit) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        auto r = ReceivableOf(store, unit);
        return r ? r->Format2() : "none";
    }
    static std::string Payable(const std::string& unit) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        auto p = PayableOf(store, unit);
        return p ? p->Format2() : "none";
    }
    static std::vector<Strings> Balances(const std::string& type = "") {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        std::vector<UnitBalanceRecord> list;
        EXPECT_TRUE(ListUnitBalances(store, type, list));
        std::vector<Strings> rows;
        for (const auto& b : list)
            rows.push_back({b.Customer, b.Type, b.Receivable, b.Payable});
        return rows;
    }
    static std::vector<Strings> Accounts() {
        std::vector<Strings> rows;
        for (const auto& a : ReadAccountBalances().value_or(std::vector<AccountBalanceRecord>{}))
            rows.push_back({a.Bank, a.In, a.Out, a.Balance});
        return rows;
    }
    static std::vector<Strings> Statement(const std::string& unit, const std::string& from,
                                          const std::string& to) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        auto s = StatementOf(store, unit, from, to);
        std::vector<Strings> rows;
        if (s) {
            for (const auto& l : StatementListRows(*s))
                rows.push_back({l.Bill_Date, l.Bill_ID, l.Kind, l.Increase, l.Decrease, l.Balance});
        }
        return rows;
    }
};
} // namespace

TEST_F(FinanceTest, SalesReturnsReceiptsAndTheirReversalMoveWhatACustomerOwesExactly) {
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    // A sale of 100.00 with 30.00 received leaves 70.00.
    Trade(BillKind::Sale, "XS-1", "2026-11-03", "华东电子", "4", "25", "30.00");
    EXPECT_EQ(Receivable("华东电子"), "70.00");
    // A receipt of 50.00 leaves 20.00; its log entry is written once.
    const size_t log = Log().size();
    PostMoney(Money(BillKind::Receipt, "SK-1", "华东电子", "现金", "50"));
    EXPECT_EQ(Receivable("华东电子"), "20.00");
    ASSERT_EQ(Log().size(), log + 1);
    EXPECT_EQ(Log().back().Event, "收款操作");
    // A sale return of 10.00 with 10.00 refunded leaves 20.00.
    Trade(BillKind::SaleReturn, "XSTH-1", "2026-11-20", "华东电子", "1", "10", "10.00");
    EXPECT_EQ(Receivable("华东电子"), "20.00");
    EXPECT_EQ(Payable("华东电子"), "0.00");

    // The same for a supplier: 100.00 bought, 40.00 paid; 50.00 paid later; 10.00 returned and
    // refunded.
    Trade(BillKind::Purchase, "JH-1", "2026-11-02", "恒通商贸", "10", "10", "40.00");
    EXPECT_EQ(Payable("恒通商贸"), "60.00");
    PostMoney(Money(BillKind::Payment, "FK-1", "恒通商贸", "建设银行", "50.00"));
    EXPECT_EQ(Payable("恒通商贸"), "10.00");
    Trade(BillKind::PurchaseReturn, "JHTH-1", "2026-11-21", "恒通商贸", "1", "10", "10");
    EXPECT_EQ(Payable("恒通商贸"), "10.00");

    EXPECT_EQ(Balances(), (std::vector<Strings>{{"华东电子", "客户", "20.00", "0.00"},
                                                {"恒通商贸", "供应商", "0.00", "10.00"}}));
    EXPECT_EQ(Balances("供应商"), (std::vector<Strings>{{"恒通商贸", "供应商", "0.00", "10.00"}}));
    // Every account's money in minus out: sale and purchase-return Pay and receipts in,
    // purchase and sale-return Pay and payments out.
    EXPECT_EQ(Accounts(), (std::vector<Strings>{{"工商银行", "40.00", "50.00", "-10.00"},
                                                {"现金", "50.00", "0.00", "50.00"},
                                                {"建设银行", "0.00", "50.00", "-50.00"}}));

    // Reversing the receipt and the payment brings both back.
    EXPECT_EQ(ReverseBill(BillKind::Receipt, "SK-1"), "SK-1-H");
    EXPECT_EQ(ReverseBill(BillKind::Payment, "FK-1"), "FK-1-H");
    EXPECT_EQ(Receivable("华东电子"), "70.00");
    EXPECT_EQ(Payable("恒通商贸"), "60.00");
    EXPECT_EQ(BillCanceledState(BillKind::Receipt, "SK-1"), "1");
    EXPECT_EQ(BillCanceledState(BillKind::Receipt, "SK-1-H"), "2");
    auto red = CBill::LoadStored("run_shoukuan", "SK-1-H");
    ASSERT_TRUE(red);
    EXPECT_EQ(
        (Strings{red->m_date, red->m_customer, red->m_account, red->m_paid, red->m_introduction}),
        (Strings{"2026-12-07", "华东电子", "现金", "-50.00", "红冲单据 SK-1"}));
    EXPECT_EQ(Accounts()[1], (Strings{"现金", "0.00", "0.00", "0.00"}));
    // A return not refunded yet takes its whole total off what is owed.
    Trade(BillKind::SaleReturn, "XSTH-2", "2026-11-22", "华东电子", "1", "25", "0");
    Trade(BillKind::PurchaseReturn, "JHTH-2", "2026-11-22", "恒通商贸", "1", "10", "");
    EXPECT_EQ(Receivable("华东电子"), "45.00");
    EXPECT_EQ(Payable("恒通商贸"), "50.00");
    // A payment is not reversed as a receipt; a reversed or red bill not again.
    m_port.Clear();
    EXPECT_EQ(ReverseBill(BillKind::Receipt, "FK-1"), std::nullopt);
    EXPECT_EQ(ReverseBill(BillKind::Receipt, "SK-1"), std::nullopt);
    EXPECT_EQ(ReverseBill(BillKind::Receipt, "SK-1-H"), std::nullopt);
    EXPECT_EQ(m_port.Texts(), (Strings{"单据“FK-1”不存在！", "单据“SK-1”已经红冲，不能重复红冲！",
                                       "红字单据不能红冲！"}));
}

// Balances are kept by the name the bills carry: a unit's other fields change freely, its name
// only while no trade bill, receipt or payment names it.
TEST_F(FinanceTest, AUnitIsChangedByCodeAndKeepsItsNameOnceABillNamesIt) {
    AddUnit("KH002", "新客户", "客户");
    Trade(BillKind::Purchase, "JH-1", "2026-11-01", "恒通商贸", "5", "10", "50");
    Trade(BillKind::Sale, "XS-1", "2026-11-01", "华东电子", "2", "30", "10");
    m_port.Clear();
    auto stored = [](const std::string& code) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        auto u = FindBusinessUnit(store, code);
        return u ? u->CustomerName + "/" + u->CustomerTel + "/" + u->CustomerType : "none";
    };

    EXPECT_EQ(UpdateBusinessUnitFields("KH000", {{"CustomerTel", "021-5888"}}),
              UpdateOutcome::Updated);
    EXPECT_EQ(stored("KH000"), "华东电子/021-5888/客户");
    const std::string before = Snapshot();
    const std::vector<std::pair<FieldValues, std::string>> refused = {
        {{{"CustomerName", "华东新电子"}}, "往来单位“华东电子”已有单据，不能修改单位名称！"},
        {{{"CustomerName", ""}}, "单位名称不能为空！"},
        {{{"CustomerType", "其他"}}, "单位类型只能是“供应商”或“客户”！"},
        {{{"CustomerCode", "KH009"}}, "字段“CustomerCode”不能修改！"},
    };
    for (const auto& [fields, message] : refused) {
        m_port.Clear();
        EXPECT_EQ(UpdateBusinessUnitFields("KH000", fields), UpdateOutcome::Refused) << message;
        EXPECT_EQ(Said(), message);
    }
    m_port.Clear();
    EXPECT_EQ(UpdateBusinessUnitFields("KH404", {{"CustomerTel", "1"}}), UpdateOutcome::NotFound);
    EXPECT_EQ(Said(), "没有单位编码为“KH404”的往来单位！");
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(Receivable("华东电子"), "50.00");

    // A unit no bill names yet is renamed; later bills carry the new name, and from its first
    // receipt on the name stays.
    BusinessUnitRecord renamed;
    renamed.CustomerCode = "KH002";
    renamed.CustomerName = "新客户商行";
    renamed.CustomerType = "客户";
    EXPECT_TRUE(StoreChangedBusinessUnit(renamed));
    EXPECT_EQ(stored("KH002"), "新客户商行//客户");
    PostMoney(Money(BillKind::Receipt, "SK-1", "新客户商行", "现金", "5"));
    renamed.CustomerName = "新客户";
    m_port.Clear();
    EXPECT_FALSE(StoreChangedBusinessUnit(renamed));
    EXPECT_EQ(Said(), "往来单位“新客户商行”已有单据，不能修改单位名称！");
    EXPECT_EQ(stored("KH002"), "新客户商行//客户");
    EXPECT_EQ(Receivable("新客户商行"), "-5.00");
}

TEST_F(FinanceTest, AStatementRunsFromItsOpeningToItsClosingBalanceWhichEqualsTheBalance) {
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    Trade(BillKind::Sale, "XS-1", "2026-11-03", "华东电子", "4", "25", "30.00");
    PostMoney(Money(BillKind::Receipt, "SK-1", "华东电子", "现金", "50"));
    Trade(BillKind::SaleReturn, "XSTH-1", "2026-11-20", "华东电子", "1", "10", "10.00");
    Trade(BillKind::Sale, "XS-2", "2026-12-02", "华东电子", "2", "12.345", "0");
    // Opening 70.00 + increases 10.00 - decreases 60.00 = closing 20.00.
    const std::vector<Strings> november = {
        {"2026-11-05", "", "期初余额", "", "", "70.00"},
        {"2026-11-10", "SK-1", "收款单", "", "50.00", "20.00"},
        {"2026-11-20", "XSTH-1", "销售退货单", "10.00", "10.00", "20.00"},
        {"2026-11-30", "", "期末余额", "10.00", "60.00", "20.00"}};
    EXPECT_EQ(Statement("华东电子", "2026-11-05", "2026-11-30"), november);
    // Up to the last bill the closing balance is what `balances` says; the red bill of today
    // is read with its negated amount.
    ASSERT_TRUE(ReverseBill(BillKind::Receipt, "SK-1"));
    const std::vector<Strings> all = {
        {"2026-01-01", "", "期初余额", "", "", "0.00"},
        {"2026-11-03", "XS-1", "销售单", "100.00", "30.00", "70.00"},
        {"2026-11-10", "SK-1", "收款单", "", "50.00", "20.00"},
        {"2026-11-20", "XSTH-1", "销售退货单", "10.00", "10.00", "20.00"},
        {"2026-12-02", "XS-2", "销售单", "24.69", "", "44.69"},
        {"2026-12-07", "SK-1-H", "收款单", "", "-50.00", "94.69"},
        {"2026-12-31", "", "期末余额", "134.69", "40.00", "94.69"}};
    EXPECT_EQ(Statement("华东电子", "2026-01-01", "2026-12-31"), all);
    EXPECT_EQ(Receivable("华东电子"), "94.69");

    // A supplier's statement follows what is owed to it.
    Trade(BillKind::Purchase, "JH-1", "2026-11-02", "恒通商贸", "10", "10", "40.00");
    PostMoney(Money(BillKind::Payment, "FK-1", "恒通商贸", "建设银行", "50.00"));
    EXPECT_EQ(Statement("恒通商贸", "2026-11-01", "2026-11-30"),
              (std::vector<Strings>{{"2026-11-01", "", "期初余额", "", "", "0.00"},
                                    {"2026-11-02", "JH-1", "进货单", "100.00", "40.00", "60.00"},
                                    {"2026-11-10", "FK-1", "付款单", "", "50.00", "10.00"},
                                    {"2026-11-30", "", "期末余额", "100.00", "90.00", "10.00"}}));
    EXPECT_EQ(Payable("恒通商贸"), "10.00");

    // Printed through the statement template: rows in order, values escaped.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto statement = StatementOf(store, "华东电子", "2026-11-05", "2026-11-30");
    ASSERT_TRUE(statement);
    statement->Customer = "A&B";
    EXPECT_EQ(
        FillStatementTemplate("<h1>{temp:Customer} {temp:From}</h1>\n{Data:start}<tr>[Data:id]"
                              "|[Data:bill_id]|[Data:kind]|[Data:balance]</tr>{Data:end}\n"
                              "<p>{temp:Opening}/{temp:Closing}</p>",
                              *statement, "公司", "26-12-07"),
        "<h1>A&amp;B 2026-11-05</h1>\r\n<tr>1|SK-1|收款单|20.00</tr><tr>2|XSTH-1|销售退货单|"
        "20.00</tr>\r\n<p>70.00/20.00</p>\r\n");

    // A folder made before statements were printed has no template: it gets the program's own.
    std::filesystem::remove(Dir() / kStatementTemplateFile);
    m_port.Clear();
    auto page = PrepareStatementPrint(*statement);
    ASSERT_TRUE(page) << Said();
    EXPECT_EQ(ReadFile(kStatementTemplateFile), std::string(kDefaultStatementTemplate));
    const std::string printed = ReadFile(kStatementPrintFile);
    EXPECT_NE(printed.find("往来单位：A&amp;B</td>"), std::string::npos);
    EXPECT_NE(printed.find("<td>XSTH-1</td><td>销售退货单</td>"), std::string::npos);
}

TEST_F(FinanceTest, AReceiptIsCheckedInTheWindowsOrderAndARefusalWritesNothing) {
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    Trade(BillKind::Sale, "XS-1", "2026-11-03", "华东电子", "4", "25", "30.00");
    const std::string before = Snapshot();
    CBill r = Money(BillKind::Receipt, "SK-9", "华东电子", "现金", "50");
    auto refused = [&](CBill bill, const std::string& message) {
        ExpectRefused(bill, message);
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::Invalid) << message;
        EXPECT_EQ(Snapshot(), before) << message;
    };
    CBill b = r;
    b.m_customer.clear();
    refused(b, "请输入 往来单位 ！");
    b = r;
    b.m_account.clear();
    refused(b, "请输入 收款账户 ！");
    b = r;
    b.m_employee.clear();
    refused(b, "请输入 经手人名称！");
    for (const auto& [amount, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "请输入 金额 ！"},
             {"5O", "金额“5O”不是有效的数字！"},
             {"10.005", "金额“10.005”最多只能有两位小数！"},
             {"5.00001", "金额“5.00001”最多只能有两位小数！"},
             {"5.000", "金额“5.000”最多只能有两位小数！"},
             {"0", "金额必须大于零！"},
             {"-3", "金额必须大于零！"}}) {
        b = r;
        b.m_paid = amount;
        refused(b, message);
    }
    // A name not in the unit list is refused by name, quotes and % as typed.
    b = r;
    b.m_customer = "无名'%_公司";
    refused(b, "往来单位“无名'%_公司”不在往来单位列表中！");
    b = r;
    b.m_account = "农业银行";
    refused(b, "账户“农业银行”不在银行账户列表中！");
    // Receipts take customers, payments suppliers; a name kept as both is taken by either.
    b = r;
    b.m_customer = "恒通商贸";
    refused(b, "往来单位“恒通商贸”不是客户！");
    CBill wrongPayment = Money(BillKind::Payment, "FK-8", "华东电子", "建设银行", "1.00");
    refused(wrongPayment, "往来单位“华东电子”不是供应商！");
    AddUnit("GYS002", "华东电子", "供应商");
    m_port.Clear();
    m_port.QueueAnswer(false); // nothing is owed to it: asked, and not posted
    EXPECT_FALSE(wrongPayment.Validate());
    EXPECT_EQ(m_port.Texts(), Strings{"金额大于当前应付，确定要继续吗？"});
    // The pickers offer the same units: a receipt's every unit but the suppliers.
    auto names = [](const char* kind) {
        Strings shown;
        for (const auto& row : PaletteRows(*FindPaletteKind(kind), std::nullopt))
            shown.push_back(row[0] + " " + row[1] + " " + row[9]);
        return shown;
    };
    EXPECT_EQ(names(UnitPaletteKind(BillKind::Receipt)), Strings{"KH000 华东电子 客户"});
    EXPECT_EQ(names(UnitPaletteKind(BillKind::Payment)),
              (Strings{"GYS001 恒通商贸 供应商", "GYS002 华东电子 供应商"}));
    EXPECT_EQ(names(UnitPaletteKind(BillKind::Sale)).size(), 3u);
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.DeleteBusinessUnit("GYS002"));
    }

    // More than is owed: asked; No keeps everything as it was, Yes posts.
    b = r;
    b.m_paid = "70.01";
    b.m_department = "财务'部%";
    b.m_introduction = "引号'\"%_<b>" + std::string(10000, 'x');
    m_port.Clear();
    m_port.QueueAnswer(false);
    EXPECT_EQ(b.Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"金额大于当前应收，确定要继续吗？"});
    EXPECT_EQ(Snapshot(), before);
    m_port.Clear();
    m_port.QueueAnswer(true);
    EXPECT_EQ(b.Save(), PostOutcome::Posted);
    EXPECT_EQ(Receivable("华东电子"), "-0.01");
    auto stored = CBill::LoadStored("run_shoukuan", "SK-9");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->m_introduction, b.m_introduction);
    EXPECT_EQ(stored->m_department, "财务'部%");
    EXPECT_EQ(stored->m_paid, "70.01");
    // Exactly what is owed asks nothing; a payment asks about what is owed to the supplier.
    CBill p = Money(BillKind::Payment, "FK-9", "恒通商贸", "建设银行", "0.01");
    m_port.Clear();
    m_port.QueueAnswer(false);
    EXPECT_EQ(p.Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"金额大于当前应付，确定要继续吗？"});
    EXPECT_EQ(CurrentOwed(BillKind::Payment, "恒通商贸")->Format2(), "0.00");
    EXPECT_EQ(CurrentOwed(BillKind::Receipt, "华东电子")->Format2(), "-0.01");
}

TEST_F(FinanceTest, AFileOfSchemaVersionTwoUpgradesAndTakesReceipts) {
    if (OnServer())
        GTEST_SKIP() << "the schema-2 sample is an SQLite data file: file folders only";
    // A data file at schema version 2 (before receipts): a purchase of 100.00 with 40.00 paid
    // to 恒通商贸 and a sale of 100.00 with 30.00 received from 华东电子, schema version 2.
    const auto data = Dir() / "Data" / "main_data.tdb";
    std::filesystem::copy_file(std::filesystem::path(FERIX_SOURCE_DIR) /
                                   "tests/core/data/main_data_v2.tdb",
                               data, std::filesystem::copy_options::overwrite_existing);
    auto version = [&] {
        sqlite3* db = nullptr;
        int v = -1;
        if (sqlite3_open_v2(data.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
            sqlite3_exec(
                db, "PRAGMA user_version",
                [](void* out, int, char** values, char**) {
                    *static_cast<int*>(out) = std::atoi(values[0]);
                    return 0;
                },
                &v, nullptr);
        sqlite3_close(db);
        return v;
    };
    ASSERT_EQ(version(), 2);
    EXPECT_EQ(Balances(), (std::vector<Strings>{{"华东电子", "客户", "70.00", "0.00"},
                                                {"恒通商贸", "供应商", "0.00", "60.00"}}));
    EXPECT_EQ(version(), kMainSchemaVersion);
    PostMoney(Money(BillKind::Receipt, "SK-1", "华东电子", "现金", "50"));
    EXPECT_EQ(Receivable("华东电子"), "20.00");
    EXPECT_EQ(ReverseBill(BillKind::Receipt, "SK-1"), "SK-1-H");
    EXPECT_EQ(Receivable("华东电子"), "70.00");
}

TEST_F(FinanceTest, SumsOfMoneyBeyondOneAmountStayExactInReportsAccountsStockAndFundChecks) {
    // Each figure fits one amount (at most 922337203685477.5807); their sums do not.
    auto post = [&](BillKind kind, const std::string& number, const std::string& unit,
                    const GoodsRecord& goods, const std::string& price, const std::string& paid) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_date = "2026-12-01";
        bill.m_customer = unit;
        bill.m_paid = paid;
        AddLine(bill, goods, "1", price);
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted) << Said();
    };
    post(BillKind::Purchase, "JH-1", "恒通商贸", m_pen, "470000000000000", "0");
    post(BillKind::Purchase, "JH-2", "恒通商贸", m_ink, "470000000000000", "0");
    // The stock total of two rows of 470000000000000.00.
    const auto stock = LoadStockView("全部", "所有商品");
    ASSERT_TRUE(stock);
    EXPECT_EQ(StockViewTotalCells(*stock).back(), "940000000000000.00");

    // A payment weighs its amount against a payable of 940000000000000.00 and posts.
    PostMoney(Money(BillKind::Payment, "FK-1", "恒通商贸", "建设银行", "100.00"));
    EXPECT_EQ(Payable("恒通商贸"), "939999999999900.00");

    post(BillKind::Sale, "XS-1", "华东电子", m_pen, "500000000000000", "500000000000000");
    post(BillKind::Sale, "XS-2", "华东电子", m_ink, "500000000000000", "500000000000000");
    // Sales of 1000000000000000.00 over a cost of 940000000000000.00.
    const Strings goods{"2", "1000000000000000.00", "940000000000000.00", "60000000000000.00",
                        "6.00%"};
    auto withKey = [](Strings key, const Strings& figures) {
        key.insert(key.end(), figures.begin(), figures.end());
        return key;
    };
    const auto profit = [](ProfitKey key) {
        return RunProfitReport(key, "2026-01-01", "2026-12-31").rows;
    };
    EXPECT_EQ(profit(ProfitKey::Customer),
              (std::vector<Strings>{withKey({"华东电子"}, goods), withKey({"统计汇总"}, goods)}));
    EXPECT_EQ(profit(ProfitKey::Goods).back(), withKey({"统计汇总", "", ""}, goods));
    EXPECT_EQ(HistoryTotalRow(QueryHistory("run_sale", "2026-01-01", "2026-12-31")).Total,
              "1000000000000000.00");
    // Both sales paid in full into 工商银行; the payment out of 建设银行.
    const auto accounts = ReadAccountBalances();
    ASSERT_TRUE(accounts);
    const AccountBalanceRecord total = AccountTotalRow(*accounts);
    EXPECT_EQ((Strings{total.Bank, total.In, total.Out, total.Balance}),
              (Strings{"合计", "1000000000000000.00", "100.00", "999999999999900.00"}));
}

TEST_F(FinanceTest, APaidAmountIsMoneyAskedAboutPastTheTotalAndAStoredTextIsNamedNotCounted) {
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    // A sale of 2 × 25.00 = 50.00.
    CBill bill = FullBill(BillKind::Sale);
    AddLine(bill, m_pen, "2", "25");
    for (const char* text : {"abc", "1e3", "1,000"}) {
        bill.m_paid = text;
        ExpectRefused(bill, std::string("付款金额“") + text + "”不是有效的数字！");
    }
    bill.m_paid = "10.005";
    ExpectRefused(bill, "付款金额“10.005”最多只能有两位小数！");
    bill.m_paid = "-5";
    ExpectRefused(bill, "付款金额不能小于零！");
    // Empty, nothing and the whole total pass without a question.
    for (const char* text : {"", "0", "50"}) {
        bill.m_paid = text;
        m_port.Clear();
        EXPECT_TRUE(bill.Validate()) << text;
        EXPECT_TRUE(m_port.Texts().empty()) << text;
    }
    // More than the total asks; "否" keeps the bill from posting.
    bill.m_paid = "50.01";
    EXPECT_TRUE(bill.PaidOverTotal());
    m_port.Clear();
    m_port.QueueAnswer(false);
    EXPECT_EQ(bill.Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{kOverpayQuestion});
    EXPECT_EQ(Count("EnterSale"), 0);
    // A paid amount is kept as money, the way a receipt's amount is, whatever way it was typed.
    Trade(BillKind::Sale, "XS-P1", "2026-11-01", "华东电子", "2", "25", " 5");
    Trade(BillKind::Sale, "XS-P2", "2026-11-01", "华东电子", "2", "25", "+.5");
    Trade(BillKind::Sale, "XS-P3", "2026-11-01", "华东电子", "2", "25", "-0");
    Trade(BillKind::Sale, "XS-P4", "2026-11-01", "华东电子", "2", "25", "7.");
    Trade(BillKind::Sale, "XS-P5", "2026-11-01", "华东电子", "2", "25", "");
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        Strings pays;
        ASSERT_TRUE(store.Run("select EnterSale.Bill_ID || ' [' || EnterSale.Pay || '] [' || "
                              "EnterSale_Detail.Pay || ']' from EnterSale join EnterSale_Detail "
                              "using (Bill_ID) order by EnterSale.Bill_ID",
                              {}, [&](const CStatement& st) { pays.push_back(st.Text(0)); }));
        EXPECT_EQ(pays, (Strings{"XS-P1 [5.00] [5.00]", "XS-P2 [0.50] [0.50]",
                                 "XS-P3 [0.00] [0.00]", "XS-P4 [7.00] [7.00]", "XS-P5 [] []"}));
        ASSERT_TRUE(store.ExecuteSql("delete from EnterSale", {}));
        ASSERT_TRUE(store.ExecuteSql("delete from EnterSale_Detail", {}));
    }

    // Files of before these checks hold paid amounts as typed: they count as nothing and the
    // statement and the balances name them.
    Trade(BillKind::Sale, "XS-1", "2026-11-03", "华东电子", "4", "25", "30.00");
    Trade(BillKind::Sale, "XS-2", "2026-11-04", "华东电子", "1", "20", "");
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(
            store.ExecuteSql("update EnterSale set Pay = ? where Bill_ID = ?", {"1,000", "XS-2"}));
    }
    const Strings note{"销售单 XS-2 的付款金额“1,000”不是金额，未计入。"};
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    const auto statement = StatementOf(store, "华东电子", "2026-11-01", "2026-11-30");
    ASSERT_TRUE(statement);
    EXPECT_EQ(statement->Closing, "90.00"); // 100.00 - 30.00 + 20.00
    EXPECT_EQ(statement->Notes, note);
    std::vector<UnitBalanceRecord> balances;
    ASSERT_TRUE(ListUnitBalances(store, "客户", balances));
    ASSERT_EQ(balances.size(), 1u);
    EXPECT_EQ((Strings{balances[0].Receivable}), Strings{"90.00"});
    EXPECT_EQ(balances[0].Notes, note);
    // The accounts too: XS-1's 30.00 came in, XS-2's text is named, not taken as 0.00 unseen.
    m_port.Clear();
    const auto accounts = ReadAccountBalances();
    ASSERT_TRUE(accounts);
    EXPECT_EQ(AccountTotalRow(*accounts).In, "30.00");
    EXPECT_EQ(m_port.Texts(), note);
}

TEST_F(FinanceTest, BillsOfFractionsOfACentAddUpToTheShownLinesInEveryFigureOfEveryTradeKind) {
    PutStock("一号仓库", "G1", "Pen", 10, "0.25");
    PutStock("一号仓库", "G2", "Ink", 10, "1");
    // 3 × 0.333 = 0.999 shows 1.00 and 7 × 1.005 = 7.035 shows 7.04: each bill is 8.04 (the
    // exact 8.034 would show 8.03).
    const std::pair<BillKind, const char*> kinds[] = {{BillKind::Sale, "XS-1"},
                                                      {BillKind::SaleReturn, "XSTH-1"},
                                                      {BillKind::Purchase, "JH-1"},
                                                      {BillKind::PurchaseReturn, "JHTH-1"}};
    for (const auto& [kind, number] : kinds) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_date = "2026-11-05";
        bill.m_paid = "";
        AddLine(bill, m_pen, "3", "0.333");
        AddLine(bill, m_ink, "7", "1.005");
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted) << Said();
        EXPECT_EQ(bill.m_amountTotal, "8.04") << number;
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        Strings stored;
        for (const auto& d : store.ListBillDetails(KindInfo(kind).historyWord, number))
            stored.push_back(d.Product_Total + "/" + d.Total);
        EXPECT_EQ(stored, (Strings{"1.00/8.04", "7.04/8.04"})) << number;
        EXPECT_EQ(
            HistoryTotalRow(QueryHistory(KindInfo(kind).historyWord, "2026-11-01", "2026-11-30"))
                .Total,
            "8.04")
            << number;
        if (kind == BillKind::Sale) {
            // Cost 3 × 0.25 + 7 × 1 = 7.75; 0.29 / 8.04 = 3.607 %.
            EXPECT_EQ(RunProfitReport(ProfitKey::Customer, "2026-11-01", "2026-11-30").rows,
                      (std::vector<Strings>{{"华东电子", "10", "8.04", "7.75", "0.29", "3.61%"},
                                            {"统计汇总", "10", "8.04", "7.75", "0.29", "3.61%"}}));
        }
    }
    // The customer's statement moves by 8.04 at each bill: a sale and a purchase return raise
    // what it owes, a sale return and a purchase lower it.
    EXPECT_EQ(Statement("华东电子", "2026-11-01", "2026-11-30"),
              (std::vector<Strings>{{"2026-11-01", "", "期初余额", "", "", "0.00"},
                                    {"2026-11-05", "XS-1", "销售单", "8.04", "", "8.04"},
                                    {"2026-11-05", "XSTH-1", "销售退货单", "", "8.04", "0.00"},
                                    {"2026-11-05", "JH-1", "进货单", "", "8.04", "-8.04"},
                                    {"2026-11-05", "JHTH-1", "进货退货单", "8.04", "", "0.00"},
                                    {"2026-11-30", "", "期末余额", "16.08", "16.08", "0.00"}}));
}

// Every unit's balance over more money rows than a server fetches at once: the sums exact, and
// a statement failing anywhere in the read fails it with one message and leaves the connection
// fit for the next read.
TEST_F(FinanceTest, EveryUnitsBalanceOverManyFetchesIsExactAndAFailedFetchLeavesNothingOpen) {
    const Strings units = {"客户甲", "客户乙", "客户丙"};
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Begin());
        for (int i = 0; i < 10001; ++i)
            ASSERT_TRUE(store.Run("insert into EnterSale(Canceled, Bill_ID, Bill_Date, Customer,"
                                  " Number, Total, Pay) values('0', ?, '2026-11-05', ?, '1',"
                                  " '1.01', '0.00')",
                                  {"XS-B" + std::to_string(i), units[static_cast<size_t>(i % 3)]}));
        ASSERT_TRUE(store.Commit());
    }
    // 3,334 × 1.01, 3,334 × 1.01 and 3,333 × 1.01.
    const std::vector<Strings> expected = {{"客户甲", "", "3367.34", "0.00"},
                                           {"客户乙", "", "3367.34", "0.00"},
                                           {"客户丙", "", "3366.33", "0.00"}};
    auto ofUnits = [&](const std::vector<Strings>& rows) {
        std::vector<Strings> out;
        for (const std::string& unit : units)
            for (const Strings& r : rows)
                if (r[0] == unit)
                    out.push_back(r);
        return out;
    };
    EXPECT_EQ(ofUnits(Balances()), expected);
    for (int k = 1;; ++k) {
        m_port.Clear();
        std::vector<UnitBalanceRecord> list;
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        CDataStore::FailStatementForTest(k);
        const bool ok = ListUnitBalances(store, "", list);
        const int run = CDataStore::StatementCountForTest();
        CDataStore::FailStatementForTest(0);
        if (run < k) {
            EXPECT_TRUE(ok);
            break;
        }
        EXPECT_FALSE(ok) << k;
        EXPECT_EQ(m_port.Texts().size(), 1u) << k;
        // The same connection reads again at once, the whole of it.
        list.clear();
        EXPECT_TRUE(ListUnitBalances(store, "", list)) << k;
        EXPECT_EQ(list.size(), Balances().size()) << k;
    }
    EXPECT_EQ(ofUnits(Balances()), expected);
}
