#include "BillTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "bills/StockCount.h"
#include "bills/TransferStore.h"
#include "cost/ProfitStore.h"
#include "query/StockView.h"
#include "query/StockWarnings.h"
#include "store/Session.h"

namespace {
class WarehouseScopeTest : public BillTest {
protected:
    void TearDown() override {
        Session().rights = CRoleRights(); // the next test starts as a fresh process would
        BillTest::TearDown();
    }
    // A bill of 一号仓库 unless told; a transfer when `to` is given.
    CBill Bill(BillKind kind, const std::string& number, const std::string& warehouse,
               const GoodsRecord& goods, const std::string& quantity, const std::string& price,
               const std::string& to = "") {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_warehouse = warehouse;
        bill.m_toWarehouse = to;
        bill.m_paid = "0.00";
        AddLine(bill, goods, quantity, price);
        return bill;
    }
    // Only the refusal was said, and the main data file holds what it held before.
    void ExpectRefused(const std::string& before) {
        EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"您没有仓库“二号仓库”的权限！"});
        EXPECT_EQ(Snapshot(), before);
        m_port.Clear();
    }
};

// Stock, bills and transfers in two warehouses; an operator whose role sees 一号仓库 alone reads
// its rows and figures only, and is refused 二号仓库 when he names it or posts into or out of it.
TEST_F(WarehouseScopeTest, ARoleLimitedToOneWarehouseReadsAndPostsThereAlone) {
    for (CBill bill : {Bill(BillKind::Purchase, "JH-1", "一号仓库", m_pen, "10", "20.00"),
                       Bill(BillKind::Purchase, "JH-2", "二号仓库", m_ink, "7", "3.00"),
                       Bill(BillKind::Sale, "XS-1", "一号仓库", m_pen, "4", "25.00"),
                       Bill(BillKind::Sale, "XS-2", "二号仓库", m_ink, "2", "8.00"),
                       Bill(BillKind::Transfer, "YK-1", "二号仓库", m_ink, "3", "", "一号仓库"),
                       Bill(BillKind::Transfer, "YK-2", "二号仓库", m_ink, "1", "", "三号仓库")})
        ASSERT_EQ(bill.Save(), PostOutcome::Posted) << bill.m_number;
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.ExecuteSql("update ferix_product set InventoryLow = '5' where Code = 'G2'"));
    // 管理员 sees every warehouse: Ink 3 + 1 + 1 is not below 5.
    EXPECT_EQ(CountBelowLowerLimit(LoadStockWarnings(kAllWarehouses)), 0);
    ASSERT_EQ(AddRole("一号仓管", "店长"), AdminResult::Done);
    ASSERT_EQ(SetRoleWarehouses("一号仓管", {"一号仓库"}), AdminResult::Done);
    ASSERT_EQ(AddOperator("wang", "", ""), AdminResult::Done);
    ASSERT_EQ(SetOperatorRole("wang", "一号仓管"), AdminResult::Done);
    CDataStore other;
    ASSERT_TRUE(other.ConnectOther() && other.CheckLogin("wang", ""));
    m_port.Clear();

    // Stock: Pen 10 − 4 at 20.00 and Ink 3 moved in at 3.00; 合计 9 and 120.00 + 9.00.
    auto view = LoadStockView(kAllWarehouses, kAllGoods);
    ASSERT_TRUE(view.has_value());
    std::string lines;
    for (const auto& r : *view)
        lines += r.StoreHouse + " " + r.ProductCode + " " + r.Number + ";";
    EXPECT_EQ(lines, "一号仓库 G2 3;一号仓库 G1 6;");
    EXPECT_EQ(StockViewTotalCells(*view),
              (std::vector<std::string>{"合计", "", "9", "", "", "", "", "129.00"}));
    // Warnings: Ink's 3 in 一号仓库, two short of 5; Ink elsewhere is not counted.
    const StockWarnings warnings = LoadStockWarnings(kAllWarehouses);
    ASSERT_EQ(warnings.rows.size(), 1u);
    EXPECT_EQ(warnings.rows[0].quantity, 3);
    EXPECT_EQ(warnings.rows[0].suggested, "2");
    EXPECT_EQ(StockViewWarehouses(), (std::vector<std::string>{"全部", "一号仓库"}));

    // Statistics and profit: Pen 4 sold for 100.00 at a cost of 4 × 20.00; Ink's sale is not
    // counted.
    std::vector<GoodsGroupRecord> sold;
    ASSERT_TRUE(store.SumSaleByGoods("2000-01-01", "2099-12-31", sold));
    ASSERT_EQ(sold.size(), 1u);
    EXPECT_EQ(sold[0].Product_ID + " " + sold[0].Product_Number, "G1 4");
    std::vector<ProfitGroupRecord> profit;
    ASSERT_TRUE(SumProfit(store, ProfitKey::Goods, "2000-01-01", "2099-12-31", profit));
    ASSERT_EQ(profit.size(), 1u);
    EXPECT_EQ(profit[0].Amount.Format2() + " " + profit[0].Cost.Format2(), "100.00 80.00");

    // Bills: listed, browsed and opened by number, those of 一号仓库 and the transfer into it.
    const auto sales = store.ListBillsByDate("run_sale", "2000-01-01", "2099-12-31");
    ASSERT_EQ(sales.size(), 1u);
    EXPECT_EQ(sales[0].Bill_ID, "XS-1");
    const auto transfers = ListTransfersByDate(store, "2000-01-01", "2099-12-31");
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Bill_ID, "YK-1");
    EXPECT_EQ(AdjacentBillId(store, "run_sale", "", false), "XS-1");
    EXPECT_TRUE(store.ListBillDetails("run_sale", "XS-2").empty());
    EXPECT_TRUE(ListTransferLines(store, "YK-2").empty());
    EXPECT_TRUE(m_port.Texts().empty());

    // 二号仓库 named, posted into or out of, or reversed: refused, nothing read or written.
    const std::string before = Snapshot();
    EXPECT_EQ(LoadStockView("二号仓库", kAllGoods), std::nullopt);
    ExpectRefused(before);
    EXPECT_EQ(CheckCountChoice("二号仓库", kAllGoods), CountChoice::Refused);
    ExpectRefused(before);
    EXPECT_EQ(Bill(BillKind::Sale, "XS-3", "二号仓库", m_ink, "1", "8.00").Save(),
              PostOutcome::Invalid);
    ExpectRefused(before);
    EXPECT_EQ(Bill(BillKind::Transfer, "YK-3", "一号仓库", m_pen, "1", "", "二号仓库").Save(),
              PostOutcome::Invalid);
    ExpectRefused(before);
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-2"), std::nullopt);
    ExpectRefused(before);
    EXPECT_EQ(ReverseBill(BillKind::Transfer, "YK-1"), std::nullopt);
    ExpectRefused(before);
    // In its own warehouse the operator posts as before.
    ASSERT_EQ(Bill(BillKind::Sale, "XS-4", "一号仓库", m_pen, "1", "25.00").Save(),
              PostOutcome::Posted);
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "5");
}
} // namespace
