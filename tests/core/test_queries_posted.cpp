// The query windows' data after bills went through the normal posting path.
#include "BillTestSupport.h"

#include "basic/GoodsStore.h"
#include "bills/PaletteLists.h"
#include "cost/ProfitReport.h"
#include "finance/Finance.h"
#include "query/History.h"
#include "query/Reports.h"
#include "query/StockView.h"
#include "query/TemplatePrint.h"
#include "rights/PriceVisibility.h"
#include "store/Session.h"

#include <fstream>
#include <iterator>

namespace {
class PostedQueryTest : public BillTest {
protected:
    // Posts a bill of the kind dated `date` into `warehouse` with (goods, quantity, price) lines.
    std::string Post(BillKind kind, const std::string& date, const std::string& warehouse,
                     const std::string& employee,
                     const std::vector<std::tuple<GoodsRecord, std::string, std::string>>& lines) {
        CBill bill = FullBill(kind);
        bill.m_date = date;
        bill.m_warehouse = warehouse;
        bill.m_employee = employee;
        bill.m_number += "-" + std::to_string(++m_bills);
        for (const auto& [goods, quantity, price] : lines)
            AddLine(bill, goods, quantity, price);
        EXPECT_EQ(bill.Save(), PostOutcome::Posted)
            << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
        return bill.m_number;
    }
    int m_bills = 0;
};

std::vector<std::string> Rows(const std::vector<StockRecord>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(r.StoreHouse + " " + r.ProductCode + " " + r.Number + " " + r.Price);
    return out;
}
} // namespace

TEST_F(PostedQueryTest, StockViewHistoryAndReportsFollowPostedBills) {
    GoodsRecord cap = AddGoods("G10", "Pen cap", "1", "配件");
    std::string first = Post(BillKind::Purchase, "2026-12-01", "一号仓库", "张三",
                             {{m_pen, "10", "19.99"}, {m_ink, "5", "3"}});
    std::string second = Post(BillKind::Purchase, "2026-12-03", "二号仓库", "李四",
                              {{m_pen, "4", "20.01"}, {cap, "7", "1"}});
    Post(BillKind::Sale, "2026-12-05", "一号仓库", "张三", {{m_pen, "3", "25"}});
    Post(BillKind::PurchaseReturn, "2026-12-06", "二号仓库", "李四", {{cap, "2", "1"}});

    // Each stock row once, the last goods item's rows first; G1 does not bring G10's rows.
    EXPECT_EQ(Rows(*LoadStockView("全部", "所有商品")),
              (std::vector<std::string>{"二号仓库 G10 5 1", "一号仓库 G2 5 3",
                                        "二号仓库 G1 4 20.01", "一号仓库 G1 7 19.99"}));
    EXPECT_EQ(Rows(*LoadStockView("一号仓库", "电子")),
              (std::vector<std::string>{"一号仓库 G2 5 3", "一号仓库 G1 7 19.99"}));
    EXPECT_EQ(Rows(*LoadStockView("全部", "配件")), (std::vector<std::string>{"二号仓库 G10 5 1"}));

    // The purchase history of the range, and its exact total.
    auto bills = QueryHistory("run_caigou", "2026-12-01", "2026-12-03");
    ASSERT_EQ(bills.size(), 2u);
    EXPECT_EQ(bills[0].Bill_ID, first);
    EXPECT_EQ(bills[1].Bill_ID, second);
    auto total = HistoryTotalCells("run_caigou", bills);
    EXPECT_EQ(total[kHistoryNumberColumn], "26");
    EXPECT_EQ(total[kHistoryTotalColumn], "301.94"); // 199.90 + 15 + 80.04 + 7
    EXPECT_EQ(QueryHistory("run_caigou_tuihuo", "2026-12-01", "2026-12-31").size(), 1u);

    // Reports read the posted lines: purchases only, grouped and ordered.
    auto byGoods = RunReport(*FindReportKind("run_caigou_product"), "2026-12-01", "2026-12-31");
    ASSERT_TRUE(byGoods.ok);
    ASSERT_EQ(byGoods.rows.size(), 4u);
    EXPECT_EQ(byGoods.rows[0][1] + " " + byGoods.rows[0][6] + " " + byGoods.rows[0][7],
              "G1 14 19.99");
    EXPECT_EQ(byGoods.rows[1][1] + " " + byGoods.rows[1][6], "G10 7");
    EXPECT_EQ(byGoods.rows[2][1] + " " + byGoods.rows[2][6], "G2 5");
    EXPECT_EQ(byGoods.rows[3][6], "26");
    auto bySeller = RunReport(*FindReportKind("run_sale_employees"), "2026-12-01", "2026-12-31");
    EXPECT_EQ(bySeller.rows, (std::vector<std::vector<std::string>>{
                                 {"", "张三", "3"}, {"统计汇总", "统计汇总", "3"}}));
}

TEST_F(PostedQueryTest, ARoleHidingPurchasePricesAndCostSeesStarsOnEverySurface) {
    // Pen: 3 × 7.3131 = 21.94, Ink: 2 × 6.1717 = 12.34 (the bill 34.28); one pen sold at 25
    // leaves 2 × 7.3131 = 14.63, the stock worth 14.63 + 12.34 = 26.97.
    const std::string bought = Post(BillKind::Purchase, "2026-12-01", "一号仓库", "张三",
                                    {{m_pen, "3", "7.3131"}, {m_ink, "2", "6.1717"}});
    const std::string sale =
        Post(BillKind::Sale, "2026-12-02", "一号仓库", "张三", {{m_pen, "1", "25"}});
    const auto shopRows = *LoadStockView("全部", "所有商品");
    EXPECT_EQ(StockViewTotalCells(shopRows)[7], "26.97"); // the shop itself sees the figure
    EXPECT_EQ(StockViewTotalCells(*LoadStockViewCells("全部", "所有商品", nullptr))[7], "26.97");

    // It may print the stock list, as the printed page is one more surface.
    Session().rights = CRoleRights(
        "营业员", {{"stock_view", Bit(Action::View) | Bit(Action::Print)}}, {}, {"进价", "成本"});
    const auto stock = *LoadStockView("全部", "所有商品");
    ASSERT_EQ(stock.size(), 2u);
    std::vector<std::string> seen;
    for (const auto& row : stock) {
        const auto cells = StockViewCells(row);
        seen.push_back(cells[0] + " " + cells[2] + " " + cells[3] + " " + cells[6] + " " +
                       cells[7]);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"G2 2 *** *** ***", "G1 2 *** *** ***"}));
    EXPECT_EQ(StockViewTotalCells(stock),
              (std::vector<std::string>{"合计", "", "4", "", "", "", "", "***"}));
    // The window's cells and their total hide the same figures.
    const auto listed = *LoadStockViewCells("全部", "所有商品", nullptr);
    EXPECT_EQ(listed[0], StockViewCells(stock[0]));
    EXPECT_EQ(StockViewTotalCells(listed), StockViewTotalCells(stock));

    // History: a purchase's money is hidden, its total row too; a sale's is not.
    const auto purchases = QueryHistory("run_caigou", "2026-12-01", "2026-12-31");
    ASSERT_EQ(purchases.size(), 1u);
    const auto cells = HistoryCells("run_caigou", purchases[0]);
    EXPECT_EQ(cells[6] + " " + cells[7] + " " + cells[9], "5 *** ***");
    EXPECT_EQ(HistoryTotalCells("run_caigou", purchases)[kHistoryTotalColumn], "***");
    EXPECT_EQ(HistoryTotalCells("run_sale", QueryHistory("run_sale", "2026-12-01",
                                                         "2026-12-31"))[kHistoryTotalColumn],
              "25.00");

    // Statistics: the purchase price hidden, the sale price shown.
    auto byGoods = RunReport(*FindReportKind("run_caigou_product"), "2026-12-01", "2026-12-31");
    EXPECT_EQ(byGoods.rows[0][1] + " " + byGoods.rows[0][6] + " " + byGoods.rows[0][7], "G1 3 ***");
    auto sold = RunReport(*FindReportKind("run_sale_product"), "2026-12-01", "2026-12-31");
    EXPECT_EQ(sold.rows[0][1] + " " + sold.rows[0][6] + " " + sold.rows[0][7], "G1 1 25");

    // The profit report is all cost: refused outright, nothing read.
    m_port.Clear();
    const auto profit = RunProfitReport(ProfitKey::Goods, "2026-12-01", "2026-12-31");
    EXPECT_TRUE(profit.refused);
    EXPECT_TRUE(profit.rows.empty());
    EXPECT_EQ(m_port.Texts(), (std::vector<std::string>{"您没有“销售利润报表”的“查看”权限！"}));

    // The stored purchase as its window shows it: prices, amounts and total hidden.
    const auto stored = CBill::LoadStored("run_caigou", bought);
    ASSERT_TRUE(stored);
    const auto& columns = GridColumns(BillKind::Purchase);
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].field == &BillLine::price || columns[c].field == &BillLine::amount) {
            EXPECT_EQ(stored->ShownCell(0, c), "***");
            EXPECT_EQ(stored->Cell(0, c).substr(0, 4),
                      columns[c].field == &BillLine::price ? "7.31" : "21.9");
        }
    }
    EXPECT_EQ(stored->ShownMoney(stored->m_amountTotal), "***");

    // The goods as lists and pickers show them, and the price a new line starts at.
    EXPECT_EQ(ShownGoods(m_pen, Session().rights).PriceIn, "***");
    EXPECT_EQ(ShownGoods(m_pen, Session().rights).ProductName, "Pen");
    EXPECT_EQ(StartingPrice(BillKind::Sale, m_ink), "");
    EXPECT_EQ(StartingPrice(BillKind::Purchase, m_pen), "");
    CBill adjustment(BillKind::Price); // a price adjustment's line starts at no hidden price either
    adjustment.AppendGoods(m_pen);
    EXPECT_EQ(adjustment.m_lines.back().price, "");

    // The unit's statement: the purchase's amounts and every balance from it on hidden, the
    // sale's own amounts (25.00 sold, 100.00 received) shown.
    const auto statement = LoadStatement("华东电子", "2026-12-01", "2026-12-31");
    ASSERT_TRUE(statement);
    std::vector<std::string> lines;
    for (const auto& l : StatementListRows(*statement))
        lines.push_back(l.Bill_ID + " " + l.Increase + " " + l.Decrease + " " + l.Balance);
    EXPECT_EQ(lines, (std::vector<std::string>{"   0.00", bought + " *** *** ***",
                                               sale + " 25.00 100.00 ***", " *** *** ***"}));

    // The printed stock list, whichever rows it is given.
    const auto page = PrepareStockPrint("全部", "所有商品", shopRows);
    ASSERT_TRUE(page);
    std::ifstream in(*page, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* leak : {"7.31", "6.17", "26.97", "14.63", "12.34"})
        EXPECT_EQ(text.find(leak), std::string::npos) << leak;
    EXPECT_NE(text.find("***"), std::string::npos);

    // Hiding 售价 alone: the profit report keeps the cost and hides the amount and what would
    // give it back beside the cost, 毛利 and 毛利率.
    Session().rights = CRoleRights("收银", {}, {}, {"售价"});
    const auto bySaleHidden = RunProfitReport(ProfitKey::Goods, "2026-12-01", "2026-12-31");
    ASSERT_FALSE(bySaleHidden.refused);
    ASSERT_EQ(bySaleHidden.rows.size(), 2u);
    for (const auto& row : bySaleHidden.rows)
        EXPECT_EQ(row[row.size() - 4] + " " + row[row.size() - 3] + " " + row[row.size() - 2] +
                      " " + row[row.size() - 1],
                  "*** 7.31 *** ***");
}
