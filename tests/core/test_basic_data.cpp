// What the basic-data windows hold, the order they show it in, and what their buttons do.
#include "ServerDocumentSupport.h"
#include "TestSupport.h"

#include "basic/BusinessUnits.h"
#include "basic/Employees.h"
#include "basic/GoodsClasses.h"
#include "basic/GoodsList.h"
#include "basic/SimpleList.h"
#include "config/ConfigLists.h"
#include "store/CDataStore.h"
#include "store/ServerConfig.h"

#include <filesystem>

namespace {
using Texts = std::vector<std::string>;

Texts Names(const CSimpleListState& s) {
    Texts out;
    for (const auto& r : s.Rows())
        out.push_back(r.name);
    return out;
}

Texts StoredNames(const std::string& key) {
    Texts out;
    for (const auto& e : ReadConfigList(key))
        out.push_back(e.name);
    return out;
}

std::string Dump(const std::vector<ClassTreeNode>& nodes) {
    std::string out;
    for (const auto& n : nodes) {
        out += n.name;
        if (!n.children.empty())
            out += "(" + Dump(n.children) + ")";
        out += ";";
    }
    return out;
}

GoodsRecord Goods(const std::string& code, const std::string& name, const std::string& cls) {
    GoodsRecord g;
    g.Code = code;
    g.ProductName = name;
    g.ClassName = cls;
    g.Available = "否";
    return g;
}

BusinessUnitRecord Unit(const std::string& code, const std::string& name, const std::string& type) {
    BusinessUnitRecord u;
    u.CustomerCode = code;
    u.CustomerName = name;
    u.CustomerType = type;
    return u;
}

class BasicDataTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        InitFolder();
    }
    Texts GoodsCodes(const CGoodsListState& s) {
        Texts out;
        for (size_t i = 0; i < s.RowCount(); ++i)
            out.push_back(s.Cell(i, 0));
        return out;
    }
    Texts UnitCodes(const CBusinessUnitsState& s) {
        Texts out;
        for (size_t i = 0; i < s.RowCount(); ++i)
            out.push_back(s.Cell(i, 0));
        return out;
    }
    void AddStockRow(const std::string& warehouse, const std::string& code, const char* number) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.ExecuteSql("insert into StockPile(StoreHouse, ProductCode, ProductName,"
                                     " Number, Price) values(?, ?, ?, ?, ?)",
                                     {warehouse, code, "x", number, "1"}));
    }
};
} // namespace

// ---- simple lists

TEST_F(BasicDataTest, EachSimpleListKeepsItsOwnEntriesNewestFirst) {
    // Every kind writes to its own list and shows it in reverse file order.
    for (const auto& info : SimpleListInfos()) {
        CSimpleListState s(info.kind);
        s.Fill();
        EXPECT_TRUE(s.Rows().empty()) << info.windowClass;
        s.Add("a-" + std::string(info.listKey), "n1");
        s.Add("b", "");
        ASSERT_EQ(Names(s), (Texts{"b", "a-" + std::string(info.listKey)})) << info.windowClass;
        EXPECT_EQ(s.Cell(1, 1), "n1");
    }
    EXPECT_EQ(StoredNames("area"), (Texts{"a-area", "b"}));
    EXPECT_EQ(StoredNames("spending"), (Texts{"a-spending", "b"}));
    Texts departments;
    for (const auto& d : ReadDepartments())
        departments.push_back(d.name);
    EXPECT_EQ(departments, (Texts{"a-employees", "b"}));
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(BasicDataTest, EmptyNamesAreRefusedExceptForIncomeAndSpending) {
    const std::pair<SimpleListKind, const char*> refused[] = {
        {SimpleListKind::Area, "地区名称不能为空！"},
        {SimpleListKind::Bank, "银行名称不能为空！"},
        {SimpleListKind::Bumen, "部门名称不能为空！"},
        {SimpleListKind::Unit, "单位名称不能为空！"},
        {SimpleListKind::Warehouse, "仓库名称不能为空！"},
    };
    for (const auto& [kind, message] : refused) {
        m_port.Clear();
        EXPECT_FALSE(CheckSimpleListName(SimpleListInfoOf(kind), ""));
        EXPECT_EQ(m_port.Texts(), Texts{message});
        // One blank is a name.
        EXPECT_TRUE(CheckSimpleListName(SimpleListInfoOf(kind), " "));
        EXPECT_EQ(m_port.Texts().size(), 1u);
    }
    m_port.Clear();
    EXPECT_TRUE(CheckSimpleListName(SimpleListInfoOf(SimpleListKind::Shouru), ""));
    EXPECT_TRUE(CheckSimpleListName(SimpleListInfoOf(SimpleListKind::Zhichu), ""));
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(BasicDataTest, DeleteRemovesEveryEntryOfTheSelectedNameAndKeepsTheName) {
    CSimpleListState s(SimpleListKind::Area);
    s.Fill();
    s.Delete(); // nothing selected: nothing happens
    s.Add("华东", "");
    s.Add("华南", "");
    s.Add("华东", "again");
    s.Add("50%_'\"&<", "");
    s.Select("华东");
    s.Delete();
    EXPECT_EQ(Names(s), (Texts{"50%_'\"&<", "华南"}));
    EXPECT_EQ(s.SelectedName(), "华东");
    s.Delete(); // the same name again finds nothing
    EXPECT_EQ(Names(s), (Texts{"50%_'\"&<", "华南"}));
    s.Select("50%_'\"&<");
    s.Delete();
    EXPECT_EQ(StoredNames("area"), Texts{"华南"});
}

TEST_F(BasicDataTest, IncomeDeleteWithoutSelectionRemovesEmptyNames) {
    CSimpleListState s(SimpleListKind::Shouru);
    s.Fill();
    s.Add("", "blank");
    s.Add("利息", "");
    s.Delete();
    EXPECT_EQ(Names(s), Texts{"利息"});
}

TEST_F(BasicDataTest, DeletingADepartmentTakesItsEmployees) {
    CSimpleListState departments(SimpleListKind::Bumen);
    departments.Fill();
    departments.Add("销售部", "");
    departments.Add("财务部", "");
    AddEmployee("销售部", "张三", "", "", "", "");
    AddEmployee("财务部", "李四", "", "", "", "");
    departments.Select("销售部");
    departments.Delete();
    EXPECT_EQ(Names(departments), Texts{"财务部"});
    CEmployeesState e;
    e.FullFill();
    ASSERT_EQ(e.EmployeeRows().size(), 1u);
    EXPECT_EQ(e.EmployeeRows()[0].name, "李四");
}

TEST_F(BasicDataTest, MissingConfigurationFileLeavesListsEmptyWithoutMessages) {
    // On a server the document is its row there.
    const std::string conninfo = ReadServerConfig(Dir()).conninfo;
    if (OnServer()) {
        ASSERT_EQ(DeleteServerDocument(conninfo), "");
    }
    std::filesystem::remove(Dir() / "Data" / "ferix_config.data");
    CSimpleListState s(SimpleListKind::Warehouse);
    s.Fill();
    s.Add("主仓", "");
    EXPECT_TRUE(s.Rows().empty());
    CEmployeesState e;
    e.FullFill();
    EXPECT_EQ(e.DepartmentRows(), Texts{"所有员工"});
    EXPECT_TRUE(SortedConfigNames("unit").empty());
    EXPECT_FALSE(std::filesystem::exists(Dir() / "Data" / "ferix_config.data"));
    if (OnServer()) {
        EXPECT_FALSE(ServerDocument(conninfo)) << "no document is made where there is none";
    }
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(BasicDataTest, ChoicesAreSortedInTheProgramsTextOrder) {
    for (const char* name : {"销售部", "Admin", "财务部"})
        AddDepartment(name, "");
    EXPECT_EQ(DepartmentChoices(), (Texts{"Admin", "财务部", "销售部"}));
    for (const char* name : {"箱", "个", "kg"})
        AddConfigListEntry("unit", name, "");
    EXPECT_EQ(SortedConfigNames("unit"), (Texts{"kg", "个", "箱"}));
    EXPECT_EQ(UnitTypeChoices(), (Texts{"供应商", "客户"}));
}

// ---- employees

TEST_F(BasicDataTest, EmployeeListsShowNewestFirstAndFilterByDepartment) {
    AddDepartment("销售部", "");
    AddDepartment("财务部", "");
    AddDepartment("销售部", "second of that name");
    AddEmployee("销售部", "张三", "138", "上海", "1990/1/2", "n");
    AddEmployee("销售部", "王五", "", "", "", "");
    AddEmployee("财务部", "李四", "", "", "", "");
    CEmployeesState s;
    s.FullFill();
    EXPECT_EQ(s.DepartmentRows(), (Texts{"所有员工", "销售部", "财务部", "销售部"}));
    auto names = [&] {
        Texts out;
        for (size_t i = 0; i < s.EmployeeRows().size(); ++i)
            out.push_back(s.EmployeeCell(i, 0));
        return out;
    };
    EXPECT_EQ(names(), (Texts{"李四", "王五", "张三"}));
    EXPECT_EQ(s.EmployeeCell(2, 1), "138");
    EXPECT_EQ(s.EmployeeCell(2, 2), "上海");
    EXPECT_EQ(s.EmployeeCell(2, 3), "1990/1/2");
    EXPECT_EQ(s.EmployeeCell(2, 4), "n");

    s.SelectDepartment("销售部");
    EXPECT_EQ(names(), (Texts{"王五", "张三"}));
    s.SelectDepartment(""); // nothing more happens
    EXPECT_EQ(names(), (Texts{"王五", "张三"}));
    s.SelectDepartment("所有员工");
    EXPECT_EQ(names(), (Texts{"李四", "王五", "张三"}));
}

TEST_F(BasicDataTest, EmployeesAreAddedToTheFirstDepartmentAndDeletedEverywhere) {
    AddDepartment("销售部", "");
    AddDepartment("财务部", "");
    CEmployeesState s;
    s.FullFill();
    s.SelectDepartment("财务部");
    s.Add({"张三", "销售部", "1", "1990/1/2", "上海", "a"});
    s.Add({"张三", "财务部", "2", "", "", ""});
    s.Add({"幽灵", "不存在", "", "", "", ""}); // no such department: nothing written
    ASSERT_EQ(s.EmployeeRows().size(), 2u);    // back to all employees
    EXPECT_EQ(s.EmployeeCell(1, 3), "1990/1/2");
    EXPECT_EQ(ReadEmployees("销售部").size(), 1u);

    s.Delete(); // nothing selected
    EXPECT_EQ(s.EmployeeRows().size(), 2u);
    s.SelectEmployee("张三");
    s.Delete();
    EXPECT_TRUE(s.EmployeeRows().empty());
    EXPECT_EQ(s.SelectedEmployee(), "张三");

    m_port.Clear();
    EXPECT_FALSE(CheckEmployeeForm({"", "销售部", "", "", "", ""}));
    EXPECT_FALSE(CheckEmployeeForm({"张三", "", "", "", "", ""}));
    EXPECT_TRUE(CheckEmployeeForm({" ", " ", "", "", "", ""}));
    EXPECT_EQ(m_port.Texts(), (Texts{"员工姓名或部门不能为空！", "员工姓名或部门不能为空！"}));
}

// ---- goods classes

TEST_F(BasicDataTest, ClassWindowAddsSubClassesAndRefusesWhatItMust) {
    CGoodsClassState s;
    EXPECT_EQ(Dump(s.Fill()), "所有商品;");
    EXPECT_FALSE(s.SubClassParent());
    EXPECT_EQ(m_port.Texts(), Texts{"请选中要添加小类的商品类目！"});
    s.Select("所有商品");
    EXPECT_EQ(s.SubClassParent(), std::string()); // a top-level class
    EXPECT_TRUE(s.AddClass("食品", ""));
    s.Select("食品");
    ASSERT_EQ(s.SubClassParent(), std::string("食品"));
    EXPECT_TRUE(s.AddClass("水果", "食品"));
    EXPECT_TRUE(s.AddClass("It's 100%", ""));
    EXPECT_EQ(Dump(s.Fill()), "所有商品;食品(水果;);It's 100%;");

    // A name that exists is refused, in the program's words.
    m_port.Clear();
    EXPECT_FALSE(s.AddClass("水果", ""));
    EXPECT_EQ(m_port.Texts(), Texts{"商品分类“水果”已经存在，请换一个名称！"});
    EXPECT_EQ(Dump(s.Fill()), "所有商品;食品(水果;);It's 100%;");

    m_port.Clear();
    EXPECT_FALSE(CheckClassName(""));
    EXPECT_TRUE(CheckClassName(" "));
    EXPECT_EQ(m_port.Texts(), Texts{"请正确填写类名！"});
}

TEST_F(BasicDataTest, ClassDeleteAsksAndMovesSubClassesToTheRoot) {
    CGoodsClassState s;
    ASSERT_TRUE(s.AddClass("食品", ""));
    ASSERT_TRUE(s.AddClass("水果", "食品"));
    ASSERT_TRUE(s.AddClass("食品2", ""));
    EXPECT_FALSE(s.DeleteSelected());
    s.Select("所有商品");
    EXPECT_FALSE(s.DeleteSelected());
    EXPECT_EQ(m_port.Texts(), (Texts{"请选中要删除的类目！", "请选中要删除的类目！"}));

    m_port.Clear();
    s.Select("食品");
    m_port.QueueAnswer(false);
    EXPECT_FALSE(s.DeleteSelected());
    ASSERT_EQ(m_port.Entries().size(), 1u);
    EXPECT_EQ(m_port.Entries()[0].kind, CScriptedMessagePort::Entry::OkCancel);
    EXPECT_EQ(m_port.Texts()[0], "要删除类目“食品”吗？");
    EXPECT_EQ(Dump(s.Fill()), "所有商品;食品(水果;);食品2;");

    m_port.QueueAnswer(true);
    EXPECT_TRUE(s.DeleteSelected());
    // Only the named class goes; its sub-class stands at the root.
    EXPECT_EQ(Dump(s.Fill()), "所有商品;水果;食品2;");
}

TEST_F(BasicDataTest, ChoosingNeedsATextAndAllGoodsCanBeChosen) {
    CGoodsClassState s;
    EXPECT_FALSE(s.Choose(""));
    EXPECT_TRUE(s.Choose("所有商品"));
    EXPECT_EQ(s.SelectedClass(), "所有商品");
}

// ---- goods

TEST_F(BasicDataTest, GoodsListShowsNewestFirstAndFiltersByExactClass) {
    ASSERT_TRUE(StoreNewGoods(Goods("G1", "苹果", "水果")));
    ASSERT_TRUE(StoreNewGoods(Goods("G2", "牛奶", "食品")));
    ASSERT_TRUE(StoreNewGoods(Goods("G3", "梨", "水果")));
    ASSERT_TRUE(StoreNewGoods(Goods("G4", "百分", "水%")));
    CGoodsListState s;
    EXPECT_FALSE(s.ShowClass("")); // an empty class changes nothing
    EXPECT_TRUE(s.ShowAll());
    EXPECT_EQ(GoodsCodes(s), (Texts{"G4", "G3", "G2", "G1"}));
    EXPECT_EQ(s.Cell(3, 1), "苹果");
    EXPECT_EQ(s.Cell(3, 3), "水果");
    EXPECT_EQ(s.Cell(3, 19), "否");
    EXPECT_TRUE(s.ShowClass("水果"));
    EXPECT_EQ(GoodsCodes(s), (Texts{"G3", "G1"}));
    EXPECT_TRUE(s.ShowClass("水%")); // "%" is a plain character
    EXPECT_EQ(GoodsCodes(s), Texts{"G4"});
    EXPECT_TRUE(s.ShowClass("食"));
    EXPECT_TRUE(GoodsCodes(s).empty());
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(BasicDataTest, GoodsListFailsQuietlyWithoutItsDataFile) {
    ASSERT_TRUE(StoreNewGoods(Goods("G1", "苹果", "水果")));
    CGoodsListState s;
    ASSERT_TRUE(s.ShowAll());
    std::filesystem::remove(Dir() / "Data" / (OnServer() ? "server.conf" : "main_data.tdb"));
    EXPECT_FALSE(s.ShowClass("水果"));
    EXPECT_EQ(GoodsCodes(s), Texts{"G1"}); // the list keeps what it had
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("连接数据库失败！\r\n错误信息：", 0), 0u);
}

TEST_F(BasicDataTest, GoodsFormChecksInOrderAndPricesAreDecimals) {
    auto check = [&](GoodsRecord g) {
        m_port.Clear();
        bool ok = CheckGoodsForm(g);
        return ok ? std::string("ok") : m_port.Texts().at(0);
    };
    EXPECT_EQ(check(Goods("", "", "")), "商品编码不能为空！");
    EXPECT_EQ(check(Goods("G1", "", "")), "商品名称不能为空！");
    EXPECT_EQ(check(Goods("G1", "苹果", "")), "商品分类不能为空！");
    GoodsRecord g = Goods("G1", "苹果", "水果");
    EXPECT_EQ(check(g), "ok");
    for (const char* good : {"12", "12.5", "0.0001", ".25", "7.", "0"}) {
        g.RetailPrice = good;
        g.PriceIn = good;
        EXPECT_EQ(check(g), "ok") << good;
    }
    for (const char* bad : {"-1", "1.2.3", ".", "1e3", " 5", "五"}) {
        g.RetailPrice = bad;
        g.PriceIn = "";
        EXPECT_EQ(check(g), "预设零售价必须是不小于零的数字！") << bad;
        g.RetailPrice = "";
        g.PriceIn = bad;
        EXPECT_EQ(check(g), "预设进价必须是不小于零的数字！") << bad;
    }
}

TEST_F(BasicDataTest, DuplicateGoodsCodeIsRefusedByTheStore) {
    ASSERT_TRUE(StoreNewGoods(Goods("G1", "苹果", "水果")));
    EXPECT_FALSE(StoreNewGoods(Goods("G1", "别的", "水果")));
    EXPECT_EQ(m_port.Texts(), Texts{"商品编码“G1”已经存在，请换一个编码！"});
    CGoodsListState s;
    s.ShowAll();
    ASSERT_EQ(s.RowCount(), 1u);
    EXPECT_EQ(s.Cell(0, 1), "苹果"); // name
}

TEST_F(BasicDataTest, GoodsDeleteAsksChecksStockAndDropsTheRow) {
    for (const char* code : {"G1", "G10", "G2", "G3"})
        ASSERT_TRUE(StoreNewGoods(Goods(code, "x", "c")));
    AddStockRow("主仓", "G2", "0"); // bought in once, none left: still in use
    AddStockRow("主仓", "G10", "5");
    CGoodsListState s;
    s.ShowAll(); // G3, G2, G10, G1

    EXPECT_FALSE(s.Delete(std::nullopt));
    EXPECT_EQ(m_port.Texts(), Texts{"请选择要删除的商品！"});

    m_port.Clear();
    m_port.QueueAnswer(false);
    EXPECT_FALSE(s.Delete(0));
    ASSERT_EQ(m_port.Entries().size(), 1u);
    EXPECT_EQ(m_port.Entries()[0].kind, CScriptedMessagePort::Entry::OkCancel);
    EXPECT_EQ(m_port.Texts()[0], "是否要删除商品编码为\" G3 \"的商品？\r\n"
                                 "删除商品之前请确定此商品没有使用过。");

    m_port.Clear();
    EXPECT_FALSE(s.Delete(1));
    EXPECT_EQ(m_port.Texts().back(), "此商品正在使用中，不能删除！");
    EXPECT_EQ(s.RowCount(), 4u);

    // G1 is not in use although G10, whose code contains it, is.
    m_port.Clear();
    EXPECT_TRUE(s.Delete(3));
    EXPECT_EQ(m_port.Texts().size(), 1u); // only the question
    EXPECT_EQ(GoodsCodes(s), (Texts{"G3", "G2", "G10"}));
    CGoodsListState reread;
    reread.ShowAll();
    EXPECT_EQ(GoodsCodes(reread), (Texts{"G3", "G2", "G10"}));
}

// ---- business units

TEST_F(BasicDataTest, UnitListFiltersByTypeWithNoWayBack) {
    CBusinessUnitsState s;
    ASSERT_TRUE(s.Add(Unit("S1", "甲", "供应商")));
    ASSERT_TRUE(s.Add(Unit("C1", "乙", "客户")));
    ASSERT_TRUE(s.Add(Unit("S2", "丙", "供应商")));
    CBusinessUnitsState w;
    w.Open();
    EXPECT_EQ(w.TypeFilter(), "所有类型");
    EXPECT_EQ(UnitCodes(w), (Texts{"S2", "C1", "S1"}));
    EXPECT_EQ(w.Cell(1, 1), "乙");
    EXPECT_EQ(w.Cell(1, 9), "客户");
    w.SelectType("供应商");
    EXPECT_EQ(UnitCodes(w), (Texts{"S2", "S1"}));
    // A unit of the other type is added but not shown.
    ASSERT_TRUE(w.Add(Unit("C2", "丁", "客户")));
    EXPECT_EQ(UnitCodes(w), (Texts{"S2", "S1"}));
    w.SelectType("");
    EXPECT_EQ(UnitCodes(w), (Texts{"S2", "S1"})); // the list stays
    w.SelectType("客户");
    EXPECT_EQ(UnitCodes(w), (Texts{"C2", "C1"}));
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(BasicDataTest, UnitDeleteAsksAboutACustomerEvenForSuppliers) {
    CBusinessUnitsState s;
    ASSERT_TRUE(s.Add(Unit("S1", "甲", "供应商")));
    ASSERT_TRUE(s.Add(Unit("S%", "乙", "供应商")));
    EXPECT_FALSE(s.Delete());
    EXPECT_EQ(m_port.Texts(), Texts{"请点击选择要删除的项目！"});

    m_port.Clear();
    s.SelectUnit("S%");
    m_port.QueueAnswer(false);
    EXPECT_FALSE(s.Delete());
    EXPECT_EQ(m_port.Entries().at(0).kind, CScriptedMessagePort::Entry::YesNo);
    EXPECT_EQ(m_port.Texts().at(0), "删除单位编码为 S% 的客户吗？");
    EXPECT_EQ(s.RowCount(), 2u);

    m_port.QueueAnswer(true);
    EXPECT_TRUE(s.Delete()); // only the unit of exactly that code
    EXPECT_EQ(UnitCodes(s), Texts{"S1"});
    EXPECT_EQ(s.SelectedCode(), "S%");
}

TEST_F(BasicDataTest, UnitFormChecksInOrderAndDuplicateCodesAreRefused) {
    auto check = [&](const BusinessUnitRecord& u) {
        m_port.Clear();
        return CheckBusinessUnitForm(u) ? std::string("ok") : m_port.Texts().at(0);
    };
    EXPECT_EQ(check(Unit("", "", "")), "单位编码不能为空！");
    EXPECT_EQ(check(Unit("C1", "", "")), "单位名称不能为空！");
    EXPECT_EQ(check(Unit("C1", "乙", "")), "单位类型不能为空！");
    EXPECT_EQ(check(Unit("C1", "乙", "客户")), "ok");

    CBusinessUnitsState s;
    ASSERT_TRUE(s.Add(Unit("C1", "乙", "客户")));
    m_port.Clear();
    EXPECT_FALSE(s.Add(Unit("C1", "别的", "供应商")));
    EXPECT_EQ(m_port.Texts(), Texts{"单位编码“C1”已经存在，请换一个编码！"});
    s.Open();
    ASSERT_EQ(s.RowCount(), 1u);
    EXPECT_EQ(s.Row(0).CustomerName, "乙");
}
