// Stock transfers between warehouses: the checks, the stock moves, the reversal, browsing and
// the schema step.
#include "BillTestSupport.h"

#include "bills/BillBrowse.h"
#include "bills/BillReversal.h"
#include "bills/TransferStore.h"
#include "query/Reports.h"
#include "store/Schema.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

namespace {
using Strings = std::vector<std::string>;

class TransferTest : public BillTest {
protected:
    CBill Transfer(const std::string& number) {
        CBill bill(BillKind::Transfer);
        bill.GiveNumber(number);
        bill.m_date = "2026-12-02";
        bill.m_warehouse = "一号仓库";
        bill.m_toWarehouse = "二号仓库";
        bill.m_department = "仓储部";
        bill.m_employee = "李四";
        bill.m_introduction = "补货";
        return bill;
    }

    void Post(CBill bill) {
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted)
            << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
    }

    // "quantity@price" of the goods in the warehouse, "none" without a row.
    std::string At(const std::string& warehouse, const std::string& code) {
        auto row = Stock(warehouse, code);
        return row ? row->Number + "@" + row->Price : "none";
    }

    // Each goods item's quantity summed over every warehouse.
    std::map<std::string, int64_t> Totals() {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        std::vector<StockRecord> rows;
        EXPECT_TRUE(store.ListStock("", "", "", rows));
        std::map<std::string, int64_t> totals;
        for (const auto& r : rows)
            totals[r.ProductCode] += std::stoll(r.Number);
        return totals;
    }

    static Strings Rows(const std::string& number) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings rows;
        for (const auto& r : ListTransferLines(store, number))
            rows.push_back(r.Canceled + " " + r.Bill_ID + " " + r.Bill_Date + " " + r.Warehouse +
                           ">" + r.ToWarehouse + " " + r.Number + " " + r.Introduction + " " +
                           r.Product_ID + " " + r.Product_Number + " " + r.Product_Note);
        return rows;
    }
};
} // namespace

TEST_F(TransferTest, ChecksComeInOrderAndLinesOfOneGoodsCountTogether) {
    PutStock("一号仓库", "G1", "Pen", 10);
    PutStock("二号仓库", "G1", "Pen", 50);
    CBill bill = Transfer("YK-1");
    bill.m_warehouse.clear();
    bill.m_toWarehouse.clear();
    bill.m_employee.clear();
    ExpectRefused(bill, "请选择调出仓库！");
    bill.m_warehouse = "一号仓库";
    ExpectRefused(bill, "请选择调入仓库！");
    bill.m_toWarehouse = "一号仓库";
    ExpectRefused(bill, "调出仓库和调入仓库不能相同！");
    bill.m_toWarehouse = "二号仓库";
    ExpectRefused(bill, "请输入 经手人名称！");
    bill.m_employee = "李四";
    ExpectRefused(bill, "请选择要移库的商品！");

    AddLine(bill, m_pen, "0");
    ExpectRefused(bill, "请录入商品“Pen”数量！");
    for (const char* q : {"1.5", "-2", "x"}) {
        bill.m_lines[0].quantity = q;
        ExpectRefused(bill, "商品“Pen”的数量必须是不小于零的整数！");
    }
    // Each line alone fits in the source's 10; together they do not.
    bill.m_lines[0].quantity = "6";
    AddLine(bill, m_pen, "5");
    ExpectRefused(bill, "库存不足！\r\n商品（Pen）在仓库（一号仓库）的库存为：10");
    // Every line's quantity is checked before any stock: the shortage on line 1 does not
    // hide line 2's fraction.
    bill.m_lines[0].quantity = "11";
    bill.m_lines[1].quantity = "1.5";
    ExpectRefused(bill, "商品“Pen”的数量必须是不小于零的整数！");
    bill.m_lines[0].quantity = "6";
    bill.m_lines[1].quantity = "4";
    // Both warehouses must be in the warehouse list, as named.
    bill.m_toWarehouse = "不存在";
    ExpectRefused(bill, "仓库“不存在”不在仓库列表中！");
    bill.m_toWarehouse = "二号仓库 ";
    ExpectRefused(bill, "仓库“二号仓库 ”不在仓库列表中！");
    bill.m_warehouse = "一号 仓库";
    ExpectRefused(bill, "仓库“一号 仓库”不在仓库列表中！");
    bill.m_warehouse = "一号仓库";
    bill.m_toWarehouse = "二号仓库";
    m_port.Clear();
    EXPECT_TRUE(bill.Validate());
    EXPECT_TRUE(m_port.Texts().empty());

    // Saving a refused bill writes nothing.
    const std::string data = Snapshot();
    bill.m_toWarehouse = "一号仓库";
    m_port.Clear();
    EXPECT_EQ(bill.Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"调出仓库和调入仓库不能相同！"});
    EXPECT_EQ(Snapshot(), data);
}

TEST_F(TransferTest, PostingMovesStockAndCreatesTheTargetRowAtTheSourcePrice) {
    PutStock("一号仓库", "G1", "Pen", 10, "12.5");
    PutStock("二号仓库", "G1", "Pen", 3, "20");
    PutStock("一号仓库", "G2", "Ink", 8, "3.25");
    // A purchase and a sale, so the statistics have something a transfer could disturb.
    CBill purchase = FullBill(BillKind::Purchase);
    purchase.m_date = "2026-12-01";
    AddLine(purchase, m_pen, "5", "12.5");
    Post(purchase);
    CBill sale = FullBill(BillKind::Sale);
    sale.m_date = "2026-12-01";
    AddLine(sale, m_pen, "5", "30");
    Post(sale);
    auto report = [](const char* name) {
        ReportResult r = RunReport(*FindReportKindByCliName(name), "2026-12-01", "2026-12-31");
        EXPECT_TRUE(r.ok);
        return r.rows;
    };
    const auto purchases = report("purchase-goods");
    const auto sales = report("sale-goods");
    const auto totals = Totals();
    EXPECT_EQ(totals, (std::map<std::string, int64_t>{{"G1", 13}, {"G2", 8}}));

    CBill bill = Transfer("YK-1");
    AddLine(bill, m_pen, "4");
    AddLine(bill, m_ink, "5");
    AddLine(bill, m_pen, "2");
    bill.m_lines[1].note = "易碎";
    Post(bill);

    EXPECT_EQ((Strings{At("一号仓库", "G1"), At("二号仓库", "G1"), At("一号仓库", "G2"),
                       At("二号仓库", "G2")}),
              (Strings{"4@12.5", "9@20", "3@3.25", "5@3.25"}));
    EXPECT_EQ(Totals(), totals);
    EXPECT_EQ(report("purchase-goods"), purchases);
    EXPECT_EQ(report("sale-goods"), sales);
    EXPECT_EQ(Rows("YK-1"),
              (Strings{"0 YK-1 2026-12-02 一号仓库>二号仓库 11 补货 G1 4 note of G1",
                       "0 YK-1 2026-12-02 一号仓库>二号仓库 11 补货 G2 5 易碎",
                       "0 YK-1 2026-12-02 一号仓库>二号仓库 11 补货 G1 2 note of G1"}));
    const auto log = Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const LogRecord& r) { return r.Event == "移库操作"; }),
              3);

    // One row per bill in the date range; a taken number typed in is refused.
    CBill again = Transfer("YK-1");
    AddLine(again, m_pen, "1");
    m_port.Clear();
    EXPECT_EQ(again.Save(), PostOutcome::NumberRefused);
    EXPECT_EQ(m_port.Texts(), Strings{"单据编号“YK-1”已经存在，请修改编号后再保存！"});
    again.GiveNumber("YK-2");
    again.m_date = "2026-12-05";
    Post(again);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    bool ok = false;
    Strings listed;
    for (const auto& t : ListTransfersByDate(store, "2026-12-01", "2026-12-04", &ok))
        listed.push_back(t.Bill_ID + " " + t.Number + " " + t.Employee);
    EXPECT_TRUE(ok);
    EXPECT_EQ(listed, Strings{"YK-1 11 李四"});
    EXPECT_EQ(ListTransfersByDate(store, "2026-12-01", "2026-12-31").size(), 2u);

    auto stored = CBill::LoadStored("run_yiku", "YK-1");
    ASSERT_TRUE(stored);
    EXPECT_EQ((Strings{stored->m_warehouse, stored->m_toWarehouse, stored->m_introduction,
                       stored->m_quantityTotal, std::to_string(stored->m_lines.size()),
                       stored->m_lines[1].note}),
              (Strings{"一号仓库", "二号仓库", "补货", "11", "3", "易碎"}));
}

TEST_F(TransferTest, AReversalMovesTheGoodsBackUnlessTheTargetNoLongerHoldsThem) {
    PutStock("一号仓库", "G1", "Pen", 10, "12.5");
    PutStock("一号仓库", "G2", "Ink", 8, "3.25");
    CBill bill = Transfer("YK-1");
    AddLine(bill, m_pen, "4");
    AddLine(bill, m_ink, "5");
    Post(bill);

    m_port.Clear();
    ReverseOutcome outcome = ReverseOutcome::Failed;
    EXPECT_EQ(ReverseBill(BillKind::Transfer, "YK-1", &outcome), "YK-1-H");
    EXPECT_EQ(outcome, ReverseOutcome::Reversed);
    EXPECT_TRUE(m_port.Texts().empty());
    EXPECT_EQ((Strings{At("一号仓库", "G1"), At("二号仓库", "G1"), At("一号仓库", "G2"),
                       At("二号仓库", "G2")}),
              (Strings{"10@12.5", "0@12.5", "8@3.25", "0@3.25"}));
    EXPECT_EQ(Rows("YK-1"),
              (Strings{"1 YK-1 2026-12-02 一号仓库>二号仓库 9 补货 G1 4 note of G1",
                       "1 YK-1 2026-12-02 一号仓库>二号仓库 9 补货 G2 5 note of G2"}));
    EXPECT_EQ(Rows("YK-1-H"),
              (Strings{"2 YK-1-H 2026-12-07 一号仓库>二号仓库 -9 红冲单据 YK-1 G1 -4 note of G1",
                       "2 YK-1-H 2026-12-07 一号仓库>二号仓库 -9 红冲单据 YK-1 G2 -5 note of G2"}));
    EXPECT_EQ(Log().back().Event, "红冲单据 YK-1");
    EXPECT_EQ(BillCanceledState(BillKind::Transfer, "YK-1"), "1");
    EXPECT_EQ(BillCanceledState(BillKind::Transfer, "YK-1-H"), "2");

    auto refused = [&](const std::string& number, const std::string& message) {
        const std::string data = Snapshot();
        const size_t log = Log().size();
        m_port.Clear();
        ReverseOutcome o = ReverseOutcome::Reversed;
        EXPECT_EQ(ReverseBill(BillKind::Transfer, number, &o), std::nullopt) << number;
        EXPECT_EQ(o, ReverseOutcome::Refused) << number;
        EXPECT_EQ(m_port.Texts(), Strings{message});
        EXPECT_EQ(Snapshot(), data) << number;
        EXPECT_EQ(Log().size(), log) << number;
    };
    refused("YK-1", "单据“YK-1”已经红冲，不能重复红冲！");
    refused("YK-1-H", "红字单据不能红冲！");
    refused("YK-9", "单据“YK-9”不存在！");

    // The target has sold part of what it received: the second line cannot go back.
    CBill second = Transfer("YK-2");
    AddLine(second, m_pen, "6");
    AddLine(second, m_ink, "3");
    Post(second);
    CBill loss(BillKind::Loss);
    loss.m_department = "仓储部";
    loss.m_employee = "李四";
    loss.m_warehouse = "二号仓库";
    AddLine(loss, m_ink, "1");
    Post(loss);
    refused("YK-2", "商品“Ink”库存不足，不能红冲！");
    EXPECT_EQ(BillCanceledState(BillKind::Transfer, "YK-2"), "0");
}

TEST_F(TransferTest, AFileOfTheEarlierSchemaGainsTheTransferTable) {
    // The file as the schema before transfers made it: no YiKuDan, version 1.
    RollBackMainSchemaTo(1);
    PutStock("一号仓库", "G1", "Pen", 10, "12.5");
    CBill bill = Transfer("YK-1");
    AddLine(bill, m_pen, "4");
    Post(bill);
    EXPECT_EQ((Strings{At("一号仓库", "G1"), At("二号仓库", "G1")}), (Strings{"6@12.5", "4@12.5"}));
    EXPECT_EQ(MainSchemaVersion(), kMainSchemaVersion);
}

TEST_F(TransferTest, BrowsingWalksTransfersOneBillAtATime) {
    PutStock("一号仓库", "G1", "Pen", 10, "12.5");
    PutStock("一号仓库", "G2", "Ink", 8, "3.25");
    CBill first = Transfer("YK-1");
    AddLine(first, m_pen, "1");
    AddLine(first, m_ink, "1");
    AddLine(first, m_pen, "1");
    Post(first);
    CBill second = Transfer("YK-2");
    AddLine(second, m_ink, "2");
    AddLine(second, m_pen, "2");
    Post(second);

    auto step = [](std::optional<std::string> shown, BrowseDirection direction) {
        BrowseTarget t = BrowseStep(BillKind::Transfer, shown, direction, true);
        switch (t.where) {
        case BrowseTarget::Where::StoredBill:
            return t.number;
        case BrowseTarget::Where::NewEntry:
            return std::string("new");
        default:
            return std::string("nowhere");
        }
    };
    using D = BrowseDirection;
    EXPECT_EQ((Strings{step(std::nullopt, D::Previous), step("YK-2", D::Previous),
                       step("YK-1", D::Previous), step("YK-1", D::Next), step("YK-2", D::Next)}),
              (Strings{"YK-2", "YK-1", "nowhere", "YK-2", "new"}));
}
