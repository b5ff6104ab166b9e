// The query windows' data after bills went through the normal posting path.
#include "BillTestSupport.h"

#include "query/History.h"
#include "query/Reports.h"
#include "query/StockView.h"

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
    auto total = HistoryTotalCells(bills);
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
