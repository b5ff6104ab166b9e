// Stock view list, bill history with its total row, and the six statistics reports.
#include "TestSupport.h"

#include "config/ConfigLists.h"
#include "query/History.h"
#include "query/Reports.h"
#include "query/StockView.h"
#include "store/CDataStore.h"

namespace {
using Rows = std::vector<std::vector<std::string>>;

void Sql(const std::string& sql, const SqlValues& values) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.ExecuteSql(sql, values)) << sql;
}

void AddGoods(const std::string& code, const std::string& name, const std::string& className) {
    Sql("insert into ferix_product(Code, ProductName, ClassName) values(?, ?, ?)",
        {code, name, className});
}

void AddStock(const std::string& house, const std::string& code, const std::string& name,
              const std::string& number) {
    Sql("insert into StockPile(StoreHouse, ProductCode, ProductName, FirstEnterTime, Number, Price)"
        " values(?, ?, ?, '26-12-01', ?, '2.5')",
        {house, code, name, number});
}

void AddBill(const std::string& table, const std::string& id, const std::string& date,
             const std::string& number, const std::string& total) {
    Sql("insert into " + table +
            "(Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee, Introduction, Number,"
            " Total, Bank, Pay) values(?, ?, 'C', 'D', 'W', 'E', 'I', ?, ?, 'B', '0')",
        {id, date, number, total});
}

struct Line {
    std::string date, code, name, number, price, employee, department;
};

void AddLines(const std::string& table, const std::vector<Line>& lines) {
    for (const auto& l : lines)
        Sql("insert into " + table +
                "(Bill_ID, Bill_Date, Employee, Department, Product_ID, Product_Name,"
                " Product_Number, Product_Unit, Product_atch, Product_Date, Product_Price,"
                " Product_BarCode, Product_Note) values('X', ?, ?, ?, ?, ?, ?, ?, 'b', 'd', ?,"
                " 'bc', 'n')",
            {l.date, l.employee, l.department, l.code, l.name, l.number, "个" + l.price, l.price});
}

std::vector<std::string> Codes(const std::vector<StockRecord>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(r.StoreHouse + "/" + r.ProductCode);
    return out;
}

Rows Report(const char* word, const std::string& from, const std::string& to) {
    const ReportKind* kind = FindReportKind(word);
    EXPECT_NE(kind, nullptr) << word;
    return kind ? RunReport(*kind, from, to).rows : Rows{};
}
} // namespace

using QueryTest = ProgramFolderTest;

TEST_F(QueryTest, StockViewListsEachStockRowOnceNewestGoodsFirst) {
    InitFolder();
    AddGoods("G1", "可乐", "饮料");
    AddGoods("G2", "雪碧", "饮料");
    AddGoods("G10", "可乐大瓶", "零食"); // code and name contain G1's
    AddGoods("Q'%_", "引号", "50%_'类");
    AddStock("一号仓库", "G1", "可乐", "5");
    AddStock("二号仓库", "G1", "可乐", "7");
    AddStock("一号仓库", "G10", "可乐大瓶", "1");
    AddStock("二号仓库", "Q'%_", "引号", "2");
    AddStock("一号仓库", "ORPHAN", "没有商品资料", "9");

    auto all = LoadStockView("全部", "所有商品");
    ASSERT_TRUE(all);
    EXPECT_EQ(Codes(*all), (std::vector<std::string>{"二号仓库/Q'%_", "一号仓库/G10", "二号仓库/G1",
                                                     "一号仓库/G1"}));
    EXPECT_EQ(StockViewCells((*all)[3]),
              (std::vector<std::string>{"G1", "可乐", "5", "2.5", "26-12-01", "一号仓库", "2.5000",
                                        "12.50"}));

    // Only goods whose class is exactly the selected one; only the chosen warehouse.
    EXPECT_EQ(Codes(*LoadStockView("全部", "饮料")),
              (std::vector<std::string>{"二号仓库/G1", "一号仓库/G1"}));
    EXPECT_EQ(Codes(*LoadStockView("一号仓库", "所有商品")),
              (std::vector<std::string>{"一号仓库/G10", "一号仓库/G1"}));
    EXPECT_EQ(Codes(*LoadStockView("二号仓库", "50%_'类")),
              (std::vector<std::string>{"二号仓库/Q'%_"}));
    EXPECT_TRUE(LoadStockView("二号", "所有商品")->empty()); // whole names, not parts
    EXPECT_TRUE(LoadStockView("全部", "50%")->empty());
    EXPECT_TRUE(m_port.Texts().empty());

    // A failing read shows the store's message and gives nothing to show.
    CDataStore::FailStatementForTest(1);
    auto failed = LoadStockView("全部", "所有商品");
    CDataStore::FailStatementForTest(0);
    EXPECT_FALSE(failed);
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("数据库失败！\r\n错误信息：", 0), 0u);
}

TEST_F(QueryTest, StockViewWithoutDataAndItsWarehouseList) {
    // No program folder: the connect message, and the window keeps its list.
    EXPECT_FALSE(LoadStockView("全部", "所有商品"));
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("连接数据库失败！\r\n错误信息：", 0), 0u);
    // Without a configuration file only "全部" is offered.
    EXPECT_EQ(StockViewWarehouses(), std::vector<std::string>{"全部"});

    InitFolder();
    for (const char* name : {"一号仓库", "Annex", "北库"})
        ASSERT_TRUE(AddConfigListEntry("warehouse", name, ""));
    // In text order: ASCII first, then Chinese in pinyin order (bei, quan, yi).
    EXPECT_EQ(StockViewWarehouses(),
              (std::vector<std::string>{"Annex", "北库", "全部", "一号仓库"}));
}

TEST_F(QueryTest, HistoryListsTheRangeWithBothEndsAndExactTotals) {
    InitFolder();
    AddBill("EnterStock", "JH-1", "2026-11-30", "1", "1.00");
    AddBill("EnterStock", "JH-2", "2026-12-01", "3", "19.99");
    AddBill("EnterStock", "JH-3", "2026-12-05", "4 件", "0.01");
    AddBill("EnterStock", "JH-4", "2026-12-07", "", "abc");
    AddBill("EnterStock", "JH-5", "2026-12-08", "100", "100.00");
    AddBill("EnterSale", "XS-1", "2026-12-02", "9", "9.00");

    auto bills = QueryHistory("run_caigou", "2026-12-01", "2026-12-07");
    std::vector<std::string> ids;
    for (const auto& b : bills)
        ids.push_back(b.Bill_ID);
    EXPECT_EQ(ids, (std::vector<std::string>{"JH-2", "JH-3", "JH-4"}));
    EXPECT_EQ(HistoryCells("run_caigou", bills[0]),
              (std::vector<std::string>{"JH-2", "2026-12-01", "C", "D", "E", "W", "3", "19.99", "B",
                                        "0", "I"}));
    EXPECT_EQ(HistoryTotalCells("run_caigou", bills),
              (std::vector<std::string>{"统计汇总", "", "", "", "", "", "7", "20.00", "", "", ""}));
    EXPECT_EQ(HistoryStatusText("run_caigou", bills.size()), "总共查询出3条采购记录");
    // Each kind speaks of its own records under its own headings.
    EXPECT_EQ(HistoryStatusText("run_sale", 2), "总共查询出2条销售记录");
    EXPECT_EQ(HistoryStatusText("run_sale_tuihuo", 1), "总共查询出1条销售退货记录");
    EXPECT_EQ(HistoryStatusText("run_caigou_tuihuo", 0), "总共查询出0条采购退货记录");
    EXPECT_EQ(HistoryHeaders("run_sale")[0], "销售单号");
    EXPECT_EQ(HistoryHeaders("run_sale")[2], "客户");
    EXPECT_EQ(HistoryHeaders("run_sale")[5], "出货仓库");
    EXPECT_EQ(HistoryHeaders("run_sale")[9], "实际收款金额");
    EXPECT_EQ(HistoryHeaders("run_caigou")[8], "付款账户");
    EXPECT_EQ(HistoryHeaders("run_caigou_tuihuo")[9], "实际收款金额");
    EXPECT_EQ(HistoryHeaders("run_sale_tuihuo")[9], "实际付款金额");

    // Each kind reads its own table; a reversed range finds nothing.
    ASSERT_EQ(QueryHistory("run_sale", "2026-12-01", "2026-12-07").size(), 1u);
    EXPECT_TRUE(QueryHistory("run_sale_tuihuo", "2026-01-01", "2026-12-31").empty());
    auto none = QueryHistory("run_caigou", "2026-12-07", "2026-12-01");
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(HistoryTotalCells("run_caigou", none),
              (std::vector<std::string>{"统计汇总", "", "", "", "", "", "0", "0.00", "", "", ""}));
    EXPECT_TRUE(m_port.Texts().empty());

    EXPECT_STREQ(FindHistoryKind("run_caigou_tuihuo")->caption, "采购退货报表");
    EXPECT_STREQ(FindHistoryKind("run_sale")->label, "准备查看历史销售记录");
    EXPECT_EQ(FindHistoryKind("run_sale_product"), nullptr);
}

TEST_F(QueryTest, HistoryTotalIsExactOverManyAmounts) {
    // Ten thousand bills of 0.10 sum to exactly 1000.00 (a single-precision sum drifts).
    std::vector<BillHeaderRecord> bills(10000);
    for (auto& b : bills) {
        b.Number = "1";
        b.Total = "0.10";
    }
    bills[0].Total = "123456789.125";
    auto total = HistoryTotalCells("run_caigou", bills);
    EXPECT_EQ(total[kHistoryNumberColumn], "10000");
    EXPECT_EQ(total[kHistoryTotalColumn], "123457789.03"); // ...789.025 rounds half up
}

TEST_F(QueryTest, ReportsGroupSumAndOrderTheirKeys) {
    InitFolder();
    const std::string from = "2026-12-01", to = "2026-12-07";
    AddLines("EnterStock_Detail", {{"2026-12-01", "张", "张牌", "3", "5.00", "王五", "采购部"},
                                   {"2026-12-03", "B1", "乙", "2.5", "1.00", "李四", "采购部"},
                                   {"2026-12-04", "张", "张牌新名", "4", "6.00", "王五", "销售部"},
                                   {"2026-12-05", "a1", "甲", "x", "2.00", "", ""},
                                   {"2026-12-07", "", "无编码", "1", "3.00", "Zed", "采购部"},
                                   {"2026-12-08", "B1", "乙", "100", "1.00", "李四", "采购部"},
                                   {"2026-11-30", "B1", "乙", "100", "1.00", "李四", "采购部"},
                                   {"2026-12-02", "李", "李牌", "5", "9.00", "张三", "仓储部"}});
    AddLines("EnterSale_Detail", {{"2026-12-02", "S1", "售", "6", "8.00", "王五", "销售部"}});
    AddLines("BackStock_Detail", {{"2026-12-02", "B1", "乙", "50", "1.00", "李四", "采购部"}});

    // Goods: keys in text order (empty first, ASCII, then pinyin: li before zhang); the fields
    // of each group's first line; whole-number sums ("2.5" counts 2, "x" counts 0).
    EXPECT_EQ(Report("run_caigou_product", from, to),
              (Rows{{"", "", "无编码", "个3.00", "b", "d", "1", "3.00", "bc", "n"},
                    {"", "B1", "乙", "个1.00", "b", "d", "2", "1.00", "bc", "n"},
                    {"", "a1", "甲", "个2.00", "b", "d", "0", "2.00", "bc", "n"},
                    {"", "李", "李牌", "个9.00", "b", "d", "5", "9.00", "bc", "n"},
                    {"", "张", "张牌", "个5.00", "b", "d", "7", "5.00", "bc", "n"},
                    {"统计汇总", "统计汇总", "", "", "", "", "15", "", "", ""}}));
    EXPECT_EQ(Report("run_caigou_employees", from, to), (Rows{{"", "", "0"},
                                                              {"", "Zed", "1"},
                                                              {"", "李四", "2"},
                                                              {"", "王五", "7"},
                                                              {"", "张三", "5"},
                                                              {"统计汇总", "统计汇总", "15"}}));
    EXPECT_EQ(Report("run_caigou_department", from, to),
              (Rows{{"", "", "0"},
                    {"", "采购部", "6"}, // cai before cang
                    {"", "仓储部", "5"},
                    {"", "销售部", "4"},
                    {"统计汇总", "统计汇总", "15"}}));
    EXPECT_EQ(Report("run_sale_product", from, to),
              (Rows{{"", "S1", "售", "个8.00", "b", "d", "6", "8.00", "bc", "n"},
                    {"统计汇总", "统计汇总", "", "", "", "", "6", "", "", ""}}));
    EXPECT_EQ(Report("run_sale_employees", from, to),
              (Rows{{"", "王五", "6"}, {"统计汇总", "统计汇总", "6"}}));
    EXPECT_EQ(Report("run_sale_department", "2026-12-03", "2026-12-07"),
              (Rows{{"统计汇总", "统计汇总", "0"}}));
    EXPECT_TRUE(m_port.Texts().empty());

    // A failed read: the message, then only the total row.
    CDataStore::FailStatementForTest(1);
    auto failed = RunReport(*FindReportKind("run_caigou_employees"), from, to);
    CDataStore::FailStatementForTest(0);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.rows, (Rows{{"统计汇总", "统计汇总", "0"}}));
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"SQL 语句执行失败！"});
}

TEST_F(QueryTest, GoodsReportKeepsFirstLinesAndSaturatingSumsOnEitherEngine) {
    InitFolder();
    const std::string from = "2026-12-01", to = "2026-12-07";
    // Whole numbers only: a red line counts back; a missing code groups with the empty one.
    AddLines("EnterStock_Detail", {{"2026-12-01", "G1", "一号", "4", "2.00", "", ""},
                                   {"2026-12-02", "G1", "一号新名", "-1", "3.00", "", ""},
                                   {"2026-12-03", "G2", "二号", "10", "1.00", "", ""},
                                   {"2026-12-03", "", "空编码", "2", "1.00", "", ""}});
    Sql("insert into EnterStock_Detail(Bill_ID, Bill_Date, Product_Name, Product_Number)"
        " values('X', '2026-12-04', '无编码', '5')",
        {});
    EXPECT_EQ(Report("run_caigou_product", from, to),
              (Rows{{"", "", "空编码", "个1.00", "b", "d", "7", "1.00", "bc", "n"},
                    {"", "G1", "一号", "个2.00", "b", "d", "3", "2.00", "bc", "n"},
                    {"", "G2", "二号", "个1.00", "b", "d", "10", "1.00", "bc", "n"},
                    {"统计汇总", "统计汇总", "", "", "", "", "20", "", "", ""}}));

    // Ten lines of 999999999999999999 then one taking it back: the sum stops at the largest
    // number on the tenth line, in line order, so the last line leaves
    // 9223372036854775807 - 999999999999999999.
    std::vector<Line> lines(10, {"2026-12-05", "S9", "九", "999999999999999999", "1.00", "", ""});
    lines.push_back({"2026-12-06", "S9", "九", "-999999999999999999", "1.00", "", ""});
    AddLines("EnterSale_Detail", lines);
    EXPECT_EQ(Report("run_sale_product", from, to),
              (Rows{{"", "S9", "九", "个1.00", "b", "d", "8223372036854775808", "1.00", "bc", "n"},
                    {"统计汇总", "统计汇总", "", "", "", "", "8223372036854775808", "", "", ""}}));

    // Texts that are not plain whole numbers count by their leading digits: "-" 0, "1-2" 1.
    AddLines("EnterStock_Detail", {{"2026-12-06", "G2", "二号", "-", "1.00", "", ""},
                                   {"2026-12-06", "G2", "二号", "1-2", "1.00", "", ""}});
    EXPECT_EQ(
        Report("run_caigou_product", from, to)[2],
        (std::vector<std::string>{"", "G2", "二号", "个1.00", "b", "d", "11", "1.00", "bc", "n"}));
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(QueryTest, ReportKindsAndTheirColumns) {
    std::vector<std::string> captions;
    for (const auto& k : ReportKinds())
        captions.push_back(std::string(k.word) + "|" + k.radio + "|" + k.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "run_caigou_product|进货报表-按商品|进货报表-按商品统计",
                            "run_caigou_employees|进货报表-按经手人|进货报表-按经手人统计",
                            "run_caigou_department|进货报表-按部门|进货报表-按部门统计",
                            "run_sale_product|销售报表-按商品|销售报表-按商品统计",
                            "run_sale_employees|销售报表-按经手人|销售报表-按经手人统计",
                            "run_sale_department|销售报表-按部门|销售报表-按部门统计"}));
    auto headers = [](const char* word) {
        std::string out;
        for (const auto& c : ReportColumns(*FindReportKind(word)))
            out += c.header + ":" + std::to_string(c.width) + " ";
        return out;
    };
    EXPECT_EQ(headers("run_sale_product"),
              "是否有记录:0 商品编码:70 商品名称:130 单位:70 批号:0 "
              "生产日期:70 销售数量:70 单价:70 商品条码:150 备注:200 ");
    EXPECT_EQ(headers("run_caigou_employees"), "是否有记录:0 经手人:150 进货数量:130 ");
    EXPECT_EQ(headers("run_caigou_department"), "是否有记录:0 进货单位:150 进货数量:130 ");
    EXPECT_EQ(headers("run_sale_department"), "是否有记录:0 销售单位:150 销售数量:130 ");
    EXPECT_EQ(FindReportKindByCliName("sale-employee"), FindReportKind("run_sale_employees"));
    EXPECT_EQ(FindReportKind("run_sale"), nullptr);
}
