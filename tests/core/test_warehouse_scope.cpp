#include "BillTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "bills/PaletteLists.h"
#include "bills/StockCount.h"
#include "bills/TransferStore.h"
#include "cost/ProfitStore.h"
#include "query/StockView.h"
#include "query/StockWarnings.h"
#include "store/Session.h"

namespace {
const std::string kFrom = "2000-01-01", kTo = "2099-12-31";

class WarehouseScopeTest : public BillTest {
protected:
    void TearDown() override {
        Session().rights = CRoleRights(); // the next test starts as a fresh process would
        BillTest::TearDown();
    }
    void Post(CBill bill) {
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted) << ::testing::PrintToString(m_port.Texts());
    }
    CBill Trade(BillKind kind, const std::string& number, const std::string& warehouse,
                const std::string& employee, const std::string& paid) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_warehouse = warehouse;
        bill.m_employee = employee;
        bill.m_paid = paid;
        return bill;
    }
    CBill Transfer(const std::string& number, const std::string& from, const std::string& to,
                   const GoodsRecord& goods, const std::string& quantity) {
        CBill bill(BillKind::Transfer);
        bill.GiveNumber(number);
        bill.m_department = "仓储部";
        bill.m_employee = "李四";
        bill.m_warehouse = from;
        bill.m_toWarehouse = to;
        AddLine(bill, goods, quantity);
        return bill;
    }
    // The refusal alone was said, and the main data file holds what it held before.
    void ExpectRefusedUnchanged(const std::string& before, const std::string& warehouse) {
        EXPECT_EQ(m_port.Texts(),
                  std::vector<std::string>{"您没有仓库“" + warehouse + "”的权限！"});
        EXPECT_EQ(Snapshot(), before);
        m_port.Clear();
    }
};

std::vector<std::string> StockLines(const std::vector<StockRecord>& rows) {
    std::vector<std::string> lines;
    for (const auto& r : rows)
        lines.push_back(r.StoreHouse + " " + r.ProductCode + " " + r.Number + " " +
                        StockValueText(r));
    return lines;
}

// Two warehouses with stock, sales and transfers in each; an operator whose role sees
// 一号仓库 alone reads that warehouse's rows and figures only, is refused the other when he
// names it, and cannot post into or out of it.
TEST_F(WarehouseScopeTest, ARoleLimitedToOneWarehouseReadsAndPostsThereAlone) {
    {
        CBill p1 = Trade(BillKind::Purchase, "JH-1", "一号仓库", "张三", "100.00");
        AddLine(p1, m_pen, "10", "20.00");
        Post(p1);
        CBill p2 = Trade(BillKind::Purchase, "JH-2", "二号仓库", "张三", "100.00");
        AddLine(p2, m_pen, "5", "30.00");
        AddLine(p2, m_ink, "7", "3.00");
        Post(p2);
        CBill s1 = Trade(BillKind::Sale, "XS-1", "一号仓库", "张三", "100.00");
        AddLine(s1, m_pen, "4", "25.00");
        Post(s1);
        CBill s2 = Trade(BillKind::Sale, "XS-2", "二号仓库", "李四", "80.00");
        AddLine(s2, m_pen, "2", "40.00");
        Post(s2);
        Post(Transfer("YK-1", "二号仓库", "一号仓库", m_ink, "3"));
        Post(Transfer("YK-2", "二号仓库", "三号仓库", m_pen, "1"));
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(
            store.ExecuteSql("update ferix_product set InventoryLow = '5' where Code = 'G2'"));
    }
    // 管理员 sees every warehouse: Ink 3 + 4 = 7 is not below 5.
    EXPECT_EQ(CountBelowLowerLimit(LoadStockWarnings(kAllWarehouses)), 0);
    ASSERT_EQ(AddRole("一号仓管", "店长"), AdminResult::Done);
    ASSERT_EQ(SetRoleWarehouses("一号仓管", {"一号仓库"}), AdminResult::Done);
    ASSERT_EQ(AddOperator("wang", "", ""), AdminResult::Done);
    ASSERT_EQ(SetOperatorRole("wang", "一号仓管"), AdminResult::Done);
    {
        CDataStore other;
        ASSERT_TRUE(other.ConnectOther());
        ASSERT_TRUE(other.CheckLogin("wang", ""));
    }
    m_port.Clear();

    // Stock: Pen 10 − 4 at 20.00, Ink 3 moved in at 3.00; 合计 9 and 120.00 + 9.00.
    auto view = LoadStockView(kAllWarehouses, kAllGoods);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(StockLines(*view),
              (std::vector<std::string>{"一号仓库 G2 3 9.00", "一号仓库 G1 6 120.00"}));
    EXPECT_EQ(StockViewTotalCells(*view),
              (std::vector<std::string>{"合计", "", "9", "", "", "", "", "129.00"}));
    std::vector<StockRecord> listed;
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.ListStock("", "", "", listed));
    }
    EXPECT_EQ(StockLines(listed),
              (std::vector<std::string>{"一号仓库 G1 6 120.00", "一号仓库 G2 3 9.00"}));
    // Warnings: Ink's 3 in 一号仓库 is below 5, two short.
    const StockWarnings warnings = LoadStockWarnings(kAllWarehouses);
    ASSERT_TRUE(warnings.ok);
    ASSERT_EQ(warnings.rows.size(), 1u);
    EXPECT_EQ(warnings.rows[0].code + " " + std::to_string(warnings.rows[0].quantity) + " " +
                  warnings.rows[0].suggested,
              "G2 3 2");
    EXPECT_EQ(CountBelowLowerLimit(warnings), 1);

    // Drop-downs and the warehouse picker offer the scope alone.
    EXPECT_EQ(StockViewWarehouses(), (std::vector<std::string>{"全部", "一号仓库"}));
    const PaletteKindInfo* picker = FindPaletteKind("palette_cangku");
    ASSERT_NE(picker, nullptr);
    const auto picked = PaletteRows(*picker, std::nullopt);
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0][0], "一号仓库");

    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        // Statistics and profit over the sale lines of 一号仓库: Pen 4 for 100.00 costing 4 × 20.
        std::vector<GoodsGroupRecord> goods;
        ASSERT_TRUE(store.SumSaleByGoods(kFrom, kTo, goods));
        ASSERT_EQ(goods.size(), 1u);
        EXPECT_EQ(goods[0].Product_ID + " " + goods[0].Product_Number, "G1 4");
        std::vector<KeyGroupRecord> employees;
        ASSERT_TRUE(store.SumSaleByEmployee(kFrom, kTo, employees));
        ASSERT_EQ(employees.size(), 1u);
        EXPECT_EQ(employees[0].Key + " " + employees[0].Quantity, "张三 4");
        std::vector<GoodsGroupRecord> bought;
        ASSERT_TRUE(store.SumPurchaseByGoods(kFrom, kTo, bought));
        ASSERT_EQ(bought.size(), 1u);
        EXPECT_EQ(bought[0].Product_ID + " " + bought[0].Product_Number, "G1 10");
        std::vector<ProfitGroupRecord> profit;
        ASSERT_TRUE(SumProfit(store, ProfitKey::Goods, kFrom, kTo, profit));
        ASSERT_EQ(profit.size(), 1u);
        EXPECT_EQ(profit[0].Key + " " + std::to_string(profit[0].Quantity) + " " +
                      profit[0].Amount.Format2() + " " + profit[0].Cost.Format2(),
                  "G1 4 100.00 80.00");

        // Bill lists and browsing: the sale and purchase of 一号仓库, the transfer into it.
        auto numbers = [](const auto& bills) {
            std::vector<std::string> ids;
            for (const auto& b : bills)
                ids.push_back(b.Bill_ID);
            return ids;
        };
        EXPECT_EQ(numbers(store.ListBillsByDate("run_sale", kFrom, kTo)),
                  std::vector<std::string>{"XS-1"});
        EXPECT_EQ(numbers(store.ListBillsByDate("run_caigou", kFrom, kTo)),
                  std::vector<std::string>{"JH-1"});
        EXPECT_EQ(numbers(ListTransfersByDate(store, kFrom, kTo)),
                  std::vector<std::string>{"YK-1"});
        EXPECT_EQ(AdjacentBillId(store, "run_sale", "", false), "XS-1");
        EXPECT_EQ(AdjacentBillId(store, "run_sale", "XS-1", true), std::nullopt);
        EXPECT_EQ(AdjacentBillId(store, "run_yiku", "", false), "YK-1");
        // Opened by number, a bill of 二号仓库 alone reads as no bill.
        EXPECT_EQ(store.ListBillDetails("run_sale", "XS-1").size(), 1u);
        EXPECT_TRUE(store.ListBillDetails("run_sale", "XS-2").empty());
        EXPECT_EQ(ListTransferLines(store, "YK-1").size(), 1u);
        EXPECT_TRUE(ListTransferLines(store, "YK-2").empty());
        EXPECT_EQ(CBill::LoadStored("run_sale", "XS-2"), std::nullopt);
        EXPECT_TRUE(m_port.Texts().empty());
    }

    // 二号仓库 named explicitly: refused, nothing read.
    const std::string before = Snapshot();
    EXPECT_EQ(LoadStockView("二号仓库", kAllGoods), std::nullopt);
    ExpectRefusedUnchanged(before, "二号仓库");
    EXPECT_FALSE(LoadStockWarnings("二号仓库").ok);
    ExpectRefusedUnchanged(before, "二号仓库");
    EXPECT_EQ(CheckCountChoice("二号仓库", kAllGoods), CountChoice::Refused);
    ExpectRefusedUnchanged(before, "二号仓库");

    // Posting into or out of it, a transfer towards it, and reversing its bills: refused,
    // nothing written.
    CBill sale = Trade(BillKind::Sale, "XS-3", "二号仓库", "张三", "0.00");
    AddLine(sale, m_pen, "1", "40.00");
    EXPECT_EQ(sale.Save(), PostOutcome::Invalid);
    ExpectRefusedUnchanged(before, "二号仓库");
    CBill purchase = Trade(BillKind::Purchase, "JH-3", "三号仓库", "张三", "0.00");
    AddLine(purchase, m_ink, "1", "3.00");
    EXPECT_EQ(purchase.Save(), PostOutcome::Invalid);
    ExpectRefusedUnchanged(before, "三号仓库");
    EXPECT_EQ(Transfer("YK-3", "一号仓库", "二号仓库", m_pen, "1").Save(), PostOutcome::Invalid);
    ExpectRefusedUnchanged(before, "二号仓库");
    ReverseOutcome outcome = ReverseOutcome::Reversed;
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-2", &outcome), std::nullopt);
    EXPECT_EQ(outcome, ReverseOutcome::Refused);
    ExpectRefusedUnchanged(before, "二号仓库");
    EXPECT_EQ(ReverseBill(BillKind::Transfer, "YK-1", &outcome), std::nullopt);
    ExpectRefusedUnchanged(before, "二号仓库");

    // Within the scope posting goes on: one more Pen out of 一号仓库 leaves 5.
    CBill own = Trade(BillKind::Sale, "XS-4", "一号仓库", "张三", "25.00");
    AddLine(own, m_pen, "1", "25.00");
    Post(own);
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "5");
}
} // namespace
