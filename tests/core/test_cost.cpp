// Moving-average cost through every kind of stock change, the profit report and stock warnings.
#include "BillTestSupport.h"

#include "bills/BillReversal.h"
#include "cost/ProfitReport.h"
#include "query/StockView.h"
#include "query/StockWarnings.h"
#include "query/TemplatePrint.h"

#include <sqlite3.h>

#include <fstream>

namespace {
using Strings = std::vector<std::string>;
using Rows = std::vector<Strings>;

class CostTest : public BillTest {
protected:
    // Posts a bill dated 2026-12-01 in 一号仓库 with (goods, quantity, price) lines.
    std::string Post(BillKind kind,
                     const std::vector<std::tuple<GoodsRecord, std::string, std::string>>& lines,
                     const std::string& warehouse = "一号仓库",
                     const std::string& customer = "华东电子") {
        CBill bill = FullBill(kind);
        bill.m_date = "2026-12-01";
        bill.m_warehouse = warehouse;
        bill.m_customer = customer;
        for (const auto& [goods, quantity, price] : lines)
            AddLine(bill, goods, quantity, price);
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::Posted)
            << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
        return bill.m_number;
    }

    // "quantity@cost" of a stock row.
    std::string At(const std::string& warehouse, const std::string& code) {
        auto row = Stock(warehouse, code);
        return row ? row->Number + "@" + row->CostPrice : "none";
    }

    static Strings Costs(BillKind kind, const std::string& number) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings out;
        for (const auto& l : store.ListBillDetails(KindInfo(kind).historyWord, number))
            out.push_back(l.Product_Cost);
        return out;
    }

    static Rows Profit(ProfitKey key) {
        return RunProfitReport(key, "2026-01-01", "2026-12-31").rows;
    }
};
} // namespace

TEST_F(CostTest, PurchasesAverageSalesCostAtTheAverageAndReversalTakesThePurchaseBackOut) {
    const std::string second = [&] {
        Post(BillKind::Purchase, {{m_pen, "10", "10.00"}});
        return Post(BillKind::Purchase, {{m_pen, "10", "20.00"}});
    }();
    EXPECT_EQ(At("一号仓库", "G1"), "20@15.0000");

    const std::string sale = Post(BillKind::Sale, {{m_pen, "5", "30.00"}});
    EXPECT_EQ(Costs(BillKind::Sale, sale), Strings{"75.00"});
    EXPECT_EQ(At("一号仓库", "G1"), "15@15.0000");
    EXPECT_EQ(Profit(ProfitKey::Goods),
              (Rows{{"G1", "Pen", "个", "5", "150.00", "75.00", "75.00", "50.00%"},
                    {"统计汇总", "", "", "5", "150.00", "75.00", "75.00", "50.00%"}}));

    // 15 left at 15.0000, 10 bought at 20.00 go back: (225 − 200) / 5.
    ASSERT_TRUE(ReverseBill(BillKind::Purchase, second));
    EXPECT_EQ(At("一号仓库", "G1"), "5@5.0000");

    // A sale return comes back at the cost price the row has, which it leaves as it is.
    Post(BillKind::Purchase, {{m_ink, "4", "15.00"}});
    const std::string back = Post(BillKind::SaleReturn, {{m_ink, "1", "18.00"}});
    EXPECT_EQ(Costs(BillKind::SaleReturn, back), Strings{"15.00"});
    EXPECT_EQ(At("一号仓库", "G2"), "5@15.0000");
    // The return takes its amount and its cost off the customer's sales.
    EXPECT_EQ(Profit(ProfitKey::Customer),
              (Rows{{"华东电子", "4", "132.00", "60.00", "72.00", "54.55%"},
                    {"统计汇总", "4", "132.00", "60.00", "72.00", "54.55%"}}));
}

TEST_F(CostTest, FractionsOfACentAreExactAndRoundHalfUp) {
    Post(BillKind::Purchase, {{m_pen, "1", "0.01"}});
    Post(BillKind::Purchase, {{m_pen, "1", "0.02"}});
    EXPECT_EQ(At("一号仓库", "G1"), "2@0.0150");
    Post(BillKind::Purchase, {{m_pen, "1", "0.02"}});
    EXPECT_EQ(At("一号仓库", "G1"), "3@0.0167"); // 0.05 / 3 = 0.01666…
    const std::string sale = Post(BillKind::Sale, {{m_pen, "3", "1"}});
    EXPECT_EQ(Costs(BillKind::Sale, sale), Strings{"0.05"}); // 3 × 0.0167 = 0.0501
}

TEST_F(CostTest, TransfersCarryTheirCostGainsLossesAndPriceChangesKeepItAndStockHasAValue) {
    Post(BillKind::Purchase, {{m_pen, "10", "15"}});
    Post(BillKind::Purchase, {{m_pen, "10", "5"}}, "二号仓库");
    auto transfer = [&](const std::string& to, const std::string& quantity) {
        CBill bill = FullBill(BillKind::Transfer);
        bill.m_toWarehouse = to;
        AddLine(bill, m_pen, quantity);
        EXPECT_EQ(bill.Save(), PostOutcome::Posted);
        return bill.m_number;
    };
    const std::string first = transfer("二号仓库", "6");
    // (10 × 5 + 6 × 15) / 16; the source keeps its own cost.
    EXPECT_EQ(At("一号仓库", "G1"), "4@15.0000");
    EXPECT_EQ(At("二号仓库", "G1"), "16@8.7500");
    transfer("三号仓库", "1"); // a new row takes the source's cost
    EXPECT_EQ(At("三号仓库", "G1"), "1@15.0000");
    // Reversed, the six come back at the target's cost: (3 × 15 + 6 × 8.75) / 9.
    ASSERT_TRUE(ReverseBill(BillKind::Transfer, first));
    EXPECT_EQ(At("一号仓库", "G1"), "9@10.8333");
    EXPECT_EQ(At("二号仓库", "G1"), "10@8.7500");

    CBill loss = FullBill(BillKind::Loss);
    AddLine(loss, m_pen, "1");
    ASSERT_EQ(loss.Save(), PostOutcome::Posted);
    CBill gain = FullBill(BillKind::Gain);
    AddLine(gain, m_pen, "2");
    ASSERT_EQ(gain.Save(), PostOutcome::Posted);
    EXPECT_EQ(At("一号仓库", "G1"), "10@10.8333");
    gain.GiveNumber("BY-2");
    gain.m_warehouse = "四号仓库"; // never held pens: the preset purchase price
    ASSERT_EQ(gain.Save(), PostOutcome::Posted);
    EXPECT_EQ(At("四号仓库", "G1"), "2@19.9900");
    CBill price = FullBill(BillKind::Price);
    AddLine(price, m_pen, "", "99");
    ASSERT_EQ(price.Save(), PostOutcome::Posted);
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "99");
    EXPECT_EQ(At("一号仓库", "G1"), "10@10.8333");

    // Quantity × cost, exact, and the total over the rows shown.
    auto rows = LoadStockView("全部", "所有商品");
    ASSERT_TRUE(rows);
    Rows cells;
    for (const auto& r : *rows)
        cells.push_back(StockViewCells(r));
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ((Strings{cells[0][5], cells[0][6], cells[0][7]}),
              (Strings{"四号仓库", "19.9900", "39.98"}));
    EXPECT_EQ((Strings{cells[3][5], cells[3][6], cells[3][7]}),
              (Strings{"一号仓库", "10.8333", "108.33"}));
    // 108.333 + 87.50 + 15.00 + 39.98
    EXPECT_EQ(StockViewTotalCells(*rows), (Strings{"合计", "", "23", "", "", "", "", "250.81"}));
}

TEST_F(CostTest, AReversedSaleAndItsRedBillCancelOutAndItsUnitsComeBackAtTheirCost) {
    Post(BillKind::Purchase, {{m_pen, "10", "10"}});
    const std::string sale = Post(BillKind::Sale, {{m_pen, "4", "25"}});
    Post(BillKind::Purchase, {{m_pen, "6", "20"}}); // (6 × 10 + 6 × 20) / 12 = 15
    ASSERT_TRUE(ReverseBill(BillKind::Sale, sale));
    EXPECT_EQ(Costs(BillKind::Sale, sale + "-H"), Strings{"-40.00"});
    EXPECT_EQ(At("一号仓库", "G1"), "16@13.7500"); // (12 × 15 + 40) / 16
    EXPECT_EQ(RunProfitReport(ProfitKey::Goods, "2026-01-01", "2099-12-31").rows,
              (Rows{{"G1", "Pen", "个", "0", "0.00", "0.00", "0.00", ""},
                    {"统计汇总", "", "", "0", "0.00", "0.00", "0.00", ""}}));
}

TEST_F(CostTest, AReversedSaleOrSaleReturnLeavesTheCostPriceExactlyAsItWas) {
    // A sale posted before unit costs were kept knows only its cost to the cent: 0.13.
    Post(BillKind::Purchase, {{m_pen, "1", "0.125"}}, "二号仓库");
    const std::string old = Post(BillKind::Sale, {{m_pen, "1", "1"}}, "二号仓库");
    RollBackMainSchemaTo(4);
    ASSERT_TRUE(ReverseBill(BillKind::Sale, old));
    EXPECT_EQ(At("二号仓库", "G1"), "1@0.1300");

    // Since, the units go back at the cost price they left at, exactly.
    Post(BillKind::Purchase, {{m_pen, "1", "0.125"}});
    const std::string sale = Post(BillKind::Sale, {{m_pen, "1", "1"}});
    EXPECT_EQ(Costs(BillKind::Sale, sale), Strings{"0.13"});
    ASSERT_TRUE(ReverseBill(BillKind::Sale, sale));
    EXPECT_EQ(At("一号仓库", "G1"), "1@0.1250");
    EXPECT_EQ(Costs(BillKind::Sale, sale + "-H"), Strings{"-0.13"});

    Post(BillKind::Purchase, {{m_ink, "1", "10.00"}});
    Post(BillKind::Purchase, {{m_ink, "2", "10.01"}});
    EXPECT_EQ(At("一号仓库", "G2"), "3@10.0067"); // 30.02 / 3
    const std::string ink = Post(BillKind::Sale, {{m_ink, "1", "12"}});
    EXPECT_EQ(Costs(BillKind::Sale, ink), Strings{"10.01"});
    EXPECT_EQ(At("一号仓库", "G2"), "2@10.0067");
    ASSERT_TRUE(ReverseBill(BillKind::Sale, ink));
    EXPECT_EQ(At("一号仓库", "G2"), "3@10.0067");

    // Bought again in between: the sold unit joins the average at what it cost, 10.0067.
    const std::string again = Post(BillKind::Sale, {{m_ink, "2", "12"}});
    Post(BillKind::Purchase, {{m_ink, "1", "11"}});
    ASSERT_TRUE(ReverseBill(BillKind::Sale, again));
    EXPECT_EQ(At("一号仓库", "G2"), "4@10.2551"); // (2 × 10.5034 + 2 × 10.0067) / 4

    // A sale return and its reversal leave the cost price as they found it.
    const std::string back = Post(BillKind::SaleReturn, {{m_ink, "2", "12"}});
    EXPECT_EQ(Costs(BillKind::SaleReturn, back), Strings{"20.51"});
    EXPECT_EQ(At("一号仓库", "G2"), "6@10.2551");
    ASSERT_TRUE(ReverseBill(BillKind::SaleReturn, back));
    EXPECT_EQ(At("一号仓库", "G2"), "4@10.2551");
}

TEST_F(CostTest, AFileOfTheEarlierSchemaGainsCostsAndReportsItsOldSalesAsUnknown) {
    Post(BillKind::Purchase, {{m_pen, "10", "12.5"}});
    AddUnit("KH009", "老客户", "客户");
    Post(BillKind::Sale, {{m_pen, "2", "20"}}, "一号仓库", "老客户");
    RollBackMainSchemaTo(2); // as the program before costs made it, with the same bills
    // The upgrade starts each row's cost at its unit price.
    EXPECT_EQ(At("一号仓库", "G1"), "8@12.5");
    const std::string sale = Post(BillKind::Sale, {{m_pen, "3", "20"}});
    EXPECT_EQ(Costs(BillKind::Sale, sale), Strings{"37.50"});
    ProfitReportResult report = RunProfitReport(ProfitKey::Customer, "2026-01-01", "2026-12-31");
    EXPECT_TRUE(report.ok);
    // The old sale counts in the amount but not in the profit: 60.00 − 37.50 over 60.00.
    EXPECT_EQ(report.rows, (Rows{{"华东电子", "3", "60.00", "37.50", "22.50", "37.50%"},
                                 {"老客户", "2", "40.00", "0.00", "0.00", ""},
                                 {"统计汇总", "5", "100.00", "37.50", "22.50", "37.50%"}}));
    EXPECT_EQ(report.unknownCostLines, 1);
    EXPECT_EQ(UnknownCostNote(report.unknownCostLines), "1 行销售缺少成本，未计入毛利");
    EXPECT_EQ(Profit(ProfitKey::Month).front(),
              (Strings{"2026-12", "5", "100.00", "37.50", "22.50", "37.50%"}));
}

TEST_F(CostTest, WarningsListGoodsOutsideTheirWholeNumberLimitsOverTheChosenWarehouses) {
    auto add = [&](const std::string& code, const std::string& name, const std::string& low,
                   const std::string& high) {
        GoodsRecord g = Goods(code, name);
        g.InventoryLow = low;
        g.InventoryHigh = high;
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.AddGoods(g));
    };
    add("A1", "Low", "20", "");
    add("A2", "High", "", "10");
    add("A3", "Bad", "abc", "2.5");
    add("A4", "Never", " 3 ", ""); // never stocked: 0 on hand
    add("A5", "Fine", "1", "100");
    PutStock("一号仓库", "A1", "Low", 15);
    PutStock("二号仓库", "A1", "Low", 10);
    PutStock("一号仓库", "A2", "High", 12);
    PutStock("一号仓库", "A5", "Fine", 50);
    PutStock("一号仓库", "G1", "Pen", 0); // no limits: never listed

    auto rows = [](const std::string& warehouse) {
        StockWarnings w = LoadStockWarnings(warehouse);
        EXPECT_TRUE(w.ok);
        EXPECT_EQ(w.badLimits, Strings{"Bad"});
        Rows out;
        for (const auto& r : w.rows)
            out.push_back(StockWarningCells(r));
        return out;
    };
    EXPECT_EQ(rows("全部"), (Rows{{"A2", "High", "个", "12", "", "10", "高于上限", ""},
                                  {"A4", "Never", "个", "0", "3", "", "低于下限", "3"}}));
    EXPECT_EQ(rows("一号仓库"), (Rows{{"A1", "Low", "个", "15", "20", "", "低于下限", "5"},
                                      {"A2", "High", "个", "12", "", "10", "高于上限", ""},
                                      {"A4", "Never", "个", "0", "3", "", "低于下限", "3"}}));
    EXPECT_EQ(CountBelowLowerLimit(LoadStockWarnings("一号仓库")), 2);
    // The count alone (the home page, the status bar): the same goods, no rows made.
    for (const auto& [warehouse, below] : {std::pair{"一号仓库", 2}, std::pair{"全部", 1}}) {
        const StockWarnings counted = LoadStockWarnings(warehouse, false);
        EXPECT_TRUE(counted.ok && counted.rows.empty());
        EXPECT_EQ(CountBelowLowerLimit(counted), below) << warehouse;
        EXPECT_EQ(counted.badLimits, Strings{"Bad"});
    }
    EXPECT_EQ(StockWarningNotice(2), "库存预警：2 种商品低于下限");
    EXPECT_EQ(BadLimitsNote({"Bad", "Odd"}), "以下商品的库存上下限不是整数，未参与预警：Bad、Odd");
}

TEST_F(CostTest, TheStockTotalIsTheSumOfTheValuesShownOnScreenAndInPrint) {
    // Two rows worth 0.005 each: each shows 0.01, so the total shows 0.02.
    PutStock("一号仓库", "G1", "Pen", 1, "0.005");
    PutStock("一号仓库", "G2", "Ink", 1, "0.005");
    auto rows = LoadStockView("全部", "所有商品");
    ASSERT_TRUE(rows);
    Rows cells;
    for (const auto& r : *rows)
        cells.push_back(StockViewCells(r));
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ((Strings{cells[0][7], cells[1][7]}), (Strings{"0.01", "0.01"}));
    EXPECT_EQ(StockViewTotalCells(*rows), (Strings{"合计", "", "2", "", "", "", "", "0.02"}));
    // The printed list totals the same.
    const auto page = PrepareStockPrint("全部", "所有商品", *rows);
    ASSERT_TRUE(page);
    std::ifstream in(*page, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("0.02"), std::string::npos);
}
