// Opening data: opening stock at its cost (alone and from a file), opening receivables and
// payables, and their reversal.
#include "BillTestSupport.h"

#include "bills/BillJournal.h"
#include "bills/BillReversal.h"
#include "bills/OpeningStock.h"
#include "config/ConfigLists.h"
#include "finance/Balances.h"
#include "finance/Finance.h"
#include "query/History.h"

namespace {
using Strings = std::vector<std::string>;
using Rows = std::vector<Strings>;

class OpeningTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        AddUnit("GYS001", "恒通商贸", kUnitTypeSupplier);
        ASSERT_TRUE(AddConfigListEntry("bank", "现金", ""));
    }

    CBill Opening(const std::string& number, const std::string& warehouse) {
        CBill bill(BillKind::Opening);
        bill.GiveNumber(number);
        bill.m_date = "2026-11-01";
        bill.m_warehouse = warehouse;
        return bill;
    }

    CBill Owed(const std::string& number, const std::string& date, const std::string& unit,
               const std::string& amount) {
        CBill bill(BillKind::OpeningBalance);
        bill.GiveNumber(number);
        bill.m_date = date;
        bill.m_customer = unit;
        bill.m_paid = amount;
        return bill;
    }

    PostOutcome Save(CBill& bill) {
        m_port.Clear();
        return bill.Save();
    }

    std::string Said() const { return m_port.Texts().empty() ? "" : m_port.Texts().back(); }

    // "quantity@cost" of a stock row.
    std::string At(const std::string& warehouse, const std::string& code) {
        auto row = Stock(warehouse, code);
        return row ? row->Number + "@" + row->CostPrice : "none";
    }

    static Rows Listed(BillKind kind) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Rows rows;
        for (const auto& b : ListOtherBillsByDate(store, kind, "2026-01-01", "2027-12-31"))
            rows.push_back({b.Bill_ID, b.Customer, b.Warehouse, b.Number, b.Total, b.Canceled});
        return rows;
    }

    static std::string Side(const std::string& unit, bool receivable) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        auto b = BalanceOf(store, unit);
        return b ? (receivable ? b->Receivable : b->Payable) : "none";
    }

    static Rows Statement(const std::string& unit, const std::string& from) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Rows rows;
        if (auto s = StatementOf(store, unit, from, "2026-11-30"))
            for (const auto& l : StatementListRows(*s))
                rows.push_back({l.Bill_Date, l.Bill_ID, l.Kind, l.Increase, l.Decrease, l.Balance});
        return rows;
    }

    static JournalCheck::Finding Journal() {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        return CheckJournal(store).finding;
    }
};
} // namespace

TEST_F(OpeningTest, OpeningStockComesInAtItsCostLikeAPurchaseAndGoesBackOutAtIt) {
    // 100 Pens at 8.50 on a warehouse without them: nothing asked, 850.00 of stock.
    CBill first = Opening("QC-1", "一号仓库");
    AddLine(first, m_pen, "100", "8.50");
    ASSERT_EQ(Save(first), PostOutcome::Posted) << Said();
    EXPECT_TRUE(m_port.Texts().empty()) << Said();
    EXPECT_EQ(At("一号仓库", "G1"), "100@8.5000");
    // A purchase of 100 at 9.50 averages with it: (850 + 950) / 200.
    CBill purchase = FullBill(BillKind::Purchase);
    AddLine(purchase, m_pen, "100", "9.50");
    ASSERT_EQ(Save(purchase), PostOutcome::Posted) << Said();
    EXPECT_EQ(At("一号仓库", "G1"), "200@9.0000");

    // Opening stock of a goods item that has moved there is asked about; No writes nothing.
    CBill second = Opening("QC-2", "一号仓库");
    AddLine(second, m_ink, "10", "3");
    AddLine(second, m_pen, "10", "12");
    const std::string before = Snapshot();
    m_port.QueueAnswer(false);
    EXPECT_EQ(Save(second), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{OpeningOverMovementsQuestion("Pen", "一号仓库")});
    EXPECT_EQ(Snapshot(), before);
    // A cost below zero is refused, naming the goods.
    second.m_lines[1].price = "-1";
    EXPECT_EQ(Save(second), PostOutcome::Invalid);
    EXPECT_EQ(Said(), "商品“Pen”的成本单价必须是不小于零的数字！");

    // The reversal takes the 100 back out at 8.50: (1800 - 850) / 100; a second one is refused.
    EXPECT_EQ(ReverseBill(BillKind::Opening, "QC-1"), "QC-1-H");
    EXPECT_EQ(At("一号仓库", "G1"), "100@9.5000");
    EXPECT_EQ(BillCanceledState(BillKind::Opening, "QC-1"), "1");
    EXPECT_EQ(BillCanceledState(BillKind::Opening, "QC-1-H"), "2");
    m_port.Clear();
    EXPECT_FALSE(ReverseBill(BillKind::Opening, "QC-1"));
    EXPECT_EQ(Said(), "单据“QC-1”已经红冲，不能重复红冲！");
    EXPECT_EQ(Listed(BillKind::Opening),
              (Rows{{"QC-1", "", "一号仓库", "100", "850.00", "1"},
                    {"QC-1-H", "", "一号仓库", "-100", "-850.00", "2"}}));

    // A file: two warehouses make two bills posted together; a bad row writes nothing.
    auto goods = [&](const std::string& code) -> std::optional<GoodsRecord> {
        if (code == "G1")
            return m_pen;
        if (code == "G2")
            return m_ink;
        return std::nullopt;
    };
    auto post = [&](const std::string& csv) -> std::optional<std::vector<CBill>> {
        m_port.Clear();
        auto rows = ReadOpeningStockCsv(csv);
        auto bills = rows ? MakeOpeningBills(*rows, goods) : std::nullopt;
        if (!bills || PostOpeningBills(*bills) != PostOutcome::Posted)
            return std::nullopt;
        return bills;
    };
    const std::string kept = Snapshot();
    EXPECT_FALSE(post("code,warehouse,quantity,cost\nG2,二号仓库,5,2.00\nG2,三号仓库,abc,1\n"));
    EXPECT_EQ(Said(), "第3行：数量“abc”必须是大于零的整数！");
    EXPECT_FALSE(post("G2,二号仓库,5,2.00\nG9,三号仓库,1,1\n"));
    EXPECT_EQ(Said(), "第2行：商品编码“G9”不存在！");
    EXPECT_FALSE(post("G2,二号仓库,5,2.00\nG1,五号仓库,1,1\n"));
    EXPECT_EQ(m_port.Texts(), Strings{"第2行：仓库“五号仓库”不在仓库列表中！"});
    EXPECT_EQ(Snapshot(), kept);
    const auto bills = post("G2,二号仓库,5,2.00\nG2,三号仓库,4,2.50\nG1,二号仓库,1,7.25\n");
    ASSERT_TRUE(bills) << Said();
    ASSERT_EQ(bills->size(), 2u);
    EXPECT_EQ((*bills)[1].m_number, (*bills)[0].m_number + "-2");
    EXPECT_EQ((Strings{At("二号仓库", "G2"), At("三号仓库", "G2"), At("二号仓库", "G1")}),
              (Strings{"5@2.0000", "4@2.5000", "1@7.2500"}));
    EXPECT_EQ(Listed(BillKind::Opening).size(), 4u);
    EXPECT_EQ(Journal(), JournalCheck::Finding::Complete);
}

TEST_F(OpeningTest, AnOpeningBalanceIsOwedFirstInTheStatementAndReversedExactly) {
    // 500.00 owed at the start, entered after a sale of 300.00 on credit, then 600.00 received.
    PutStock("一号仓库", "G1", "Pen", 10);
    CBill sale = FullBill(BillKind::Sale);
    sale.GiveNumber("XS-1");
    sale.m_date = "2026-11-03";
    sale.m_paid = "";
    AddLine(sale, m_pen, "3", "100");
    ASSERT_EQ(Save(sale), PostOutcome::Posted) << Said();
    CBill owed = Owed("QCYE-1", "2026-11-05", "华东电子", "500.00");
    ASSERT_EQ(Save(owed), PostOutcome::Posted) << Said();
    CBill receipt = FullBill(BillKind::Receipt);
    receipt.GiveNumber("SK-1");
    receipt.m_date = "2026-11-10";
    receipt.m_account = "现金";
    receipt.m_paid = "600.00";
    ASSERT_EQ(Save(receipt), PostOutcome::Posted) << Said();
    EXPECT_EQ(Side("华东电子", true), "200.00");

    // The opening balance is the statement's first document, the running balance follows it.
    EXPECT_EQ(Statement("华东电子", "2026-11-01"),
              (Rows{{"2026-11-01", "", "期初余额", "", "", "0.00"},
                    {"2026-11-05", "QCYE-1", "期初应收", "500.00", "", "500.00"},
                    {"2026-11-03", "XS-1", "销售单", "300.00", "", "800.00"},
                    {"2026-11-10", "SK-1", "收款单", "", "600.00", "200.00"},
                    {"2026-11-30", "", "期末余额", "800.00", "600.00", "200.00"}}));
    // Before the range it is part of the opening row.
    EXPECT_EQ(Statement("华东电子", "2026-11-06"),
              (Rows{{"2026-11-06", "", "期初余额", "", "", "800.00"},
                    {"2026-11-10", "SK-1", "收款单", "", "600.00", "200.00"},
                    {"2026-11-30", "", "期末余额", "0.00", "600.00", "200.00"}}));

    // A supplier's is a payable; neither touches an account, and it needs none.
    CBill payable = Owed("QCYE-2", "2026-11-01", "恒通商贸", "120.50");
    ASSERT_EQ(Save(payable), PostOutcome::Posted) << Said();
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    std::vector<UnitBalanceRecord> list;
    ASSERT_TRUE(ListUnitBalances(store, "", list));
    Rows balances;
    for (const auto& b : list)
        balances.push_back({b.Customer, b.Receivable, b.Payable});
    EXPECT_EQ(balances, (Rows{{"华东电子", "200.00", "0.00"}, {"恒通商贸", "0.00", "120.50"}}));
    std::vector<AccountBalanceRecord> accounts;
    std::vector<std::string> notes;
    ASSERT_TRUE(ListAccountBalances(store, {"现金"}, accounts, notes));
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ((Strings{accounts[0].In, accounts[0].Out}), (Strings{"600.00", "0.00"}));
    EXPECT_EQ(Listed(BillKind::OpeningBalance),
              (Rows{{"QCYE-1", "华东电子", "", "", "500.00", "0"},
                    {"QCYE-2", "恒通商贸", "", "", "120.50", "0"}}));
    ExpectRefused(Owed("QCYE-3", "2026-11-01", "华东电子", "0"), "金额必须大于零！");

    // Reversed, it owes nothing more; a receipt is not reversed as an opening balance.
    EXPECT_EQ(ReverseBill(BillKind::OpeningBalance, "QCYE-1"), "QCYE-1-H");
    EXPECT_EQ(ReverseBill(BillKind::OpeningBalance, "QCYE-2"), "QCYE-2-H");
    EXPECT_EQ(Side("华东电子", true), "-300.00");
    EXPECT_EQ(Side("恒通商贸", false), "0.00");
    m_port.Clear();
    EXPECT_FALSE(ReverseBill(BillKind::OpeningBalance, "SK-1"));
    EXPECT_EQ(Said(), "单据“SK-1”不存在！");
    EXPECT_EQ(Journal(), JournalCheck::Finding::Complete);
}
