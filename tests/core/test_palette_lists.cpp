// What each picker kind lists, and which goods record a click chooses.
#include "TestSupport.h"

#include "bills/PaletteLists.h"
#include "config/ConfigLists.h"
#include "store/CDataStore.h"

namespace {
using Rows = std::vector<std::vector<std::string>>;

std::vector<std::string> FirstColumn(const Rows& rows) {
    std::vector<std::string> texts;
    for (const auto& r : rows)
        texts.push_back(r.at(0));
    return texts;
}

class PaletteListsTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        InitFolder();
    }
};
} // namespace

TEST_F(PaletteListsTest, KindsAndTheirColumns) {
    for (const char* kind : {"", "palette_hetong", "Palette_cangku", "palette_cangku "})
        EXPECT_EQ(FindPaletteKind(kind), nullptr) << kind;
    const auto* units = FindPaletteKind("palette_wanglaidanwei");
    ASSERT_TRUE(units);
    EXPECT_EQ(units->columns.size(), 15u);
    EXPECT_EQ(units->chosenColumn, 1);
    EXPECT_FALSE(units->gridLines);
    const auto* goods = FindPaletteKind("palette_product");
    ASSERT_TRUE(goods);
    EXPECT_EQ(goods->columns.size(), 25u);
    EXPECT_TRUE(goods->goods);
    EXPECT_TRUE(goods->gridLines);
    EXPECT_STREQ(goods->columns[14].header, "预设进价");
    const auto* employees = FindPaletteKind("palette_employees");
    ASSERT_TRUE(employees);
    EXPECT_EQ(employees->columns.back().width, 134);
    EXPECT_EQ(FindPaletteKind("palette_account")->columns[0].width, 200);
}

TEST_F(PaletteListsTest, ConfigurationListsAndTheirFilters) {
    ASSERT_TRUE(AddConfigListEntry("warehouse", "库 \"甲\" & '乙'", ""));
    ASSERT_TRUE(AddConfigListEntry("bank", "工行", ""));
    ASSERT_TRUE(AddDepartment("采购部", "") && AddDepartment("销售部", ""));
    ASSERT_TRUE(AddEmployee("销售部", "李四", "138", "上海", "1990-01-01", "组长"));
    ASSERT_TRUE(AddEmployee("采购部", "张三", "", "", "", ""));

    EXPECT_EQ(FirstColumn(PaletteRows(*FindPaletteKind("palette_cangku"), std::nullopt)),
              std::vector<std::string>{"库 \"甲\" & '乙'"});
    EXPECT_EQ(FirstColumn(PaletteRows(*FindPaletteKind("palette_account"), std::nullopt)),
              std::vector<std::string>{"工行"});
    EXPECT_EQ(FirstColumn(PaletteRows(*FindPaletteKind("palette_department"), std::nullopt)),
              (std::vector<std::string>{"采购部", "销售部"}));

    const auto& employees = *FindPaletteKind("palette_employees");
    // All departments in file order, department by department.
    EXPECT_EQ(FirstColumn(PaletteRows(employees, std::nullopt)),
              (std::vector<std::string>{"张三", "李四"}));
    const Rows sales = PaletteRows(employees, std::string("销售部"));
    ASSERT_EQ(sales.size(), 1u);
    EXPECT_EQ(sales[0], (std::vector<std::string>{"李四", "138", "上海", "1990-01-01", "组长"}));
    EXPECT_TRUE(PaletteRows(employees, std::string("没有")).empty());
    ASSERT_EQ(PaletteTreeItems(employees).size(), 2u);
    EXPECT_EQ(PaletteTreeItems(employees)[1].name, "销售部");
}

TEST_F(PaletteListsTest, BusinessUnitsAndGoodsFromTheStore) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    BusinessUnitRecord u;
    u.CustomerCode = "S%";
    u.CustomerName = "甲";
    u.CustomerType = "供应商";
    u.CustomerNote = "备注";
    ASSERT_TRUE(store.AddBusinessUnit(u));
    u.CustomerCode = "C1";
    u.CustomerName = "乙";
    u.CustomerType = "客户";
    ASSERT_TRUE(store.AddBusinessUnit(u));
    const auto& units = *FindPaletteKind("palette_wanglaidanwei");
    const Rows all = PaletteRows(units, std::nullopt);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].size(), 15u);
    EXPECT_EQ(all[0][9], "供应商");
    EXPECT_EQ(all[0][14], "备注");
    EXPECT_EQ(FirstColumn(PaletteRows(units, std::string("客户"))), std::vector<std::string>{"C1"});
    ASSERT_EQ(PaletteTreeItems(units).size(), 2u);
    EXPECT_EQ(PaletteTreeItems(units)[0].name, "供应商");

    ASSERT_TRUE(store.AddGoodsClass("饮料", ""));
    GoodsRecord g;
    g.Code = "G_1";
    g.ProductName = "可乐";
    g.ClassName = "饮料";
    g.PriceIn = "19.99";
    g.Note = "n";
    ASSERT_TRUE(store.AddGoods(g));
    g.Code = "G%1";
    g.ClassName = "其他";
    ASSERT_TRUE(store.AddGoods(g));
    const auto& goods = *FindPaletteKind("palette_product");
    const Rows rows = PaletteRows(goods, std::nullopt);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size(), 25u);
    EXPECT_EQ(rows[0][14], "19.99");
    EXPECT_EQ(rows[0][24], "n");
    EXPECT_EQ(FirstColumn(PaletteRows(goods, std::string("饮料"))),
              std::vector<std::string>{"G_1"});
    EXPECT_EQ(PaletteRows(goods, std::string(kAllGoods)).size(), 2u);
    const auto tree = PaletteTreeItems(goods);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].name, kAllGoods);

    // A code is taken whole: "G%1" is not "G_1".
    auto chosen = ChooseGoodsByCode("G%1");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->ClassName, "其他");
    EXPECT_FALSE(ChooseGoodsByCode("G"));
}
