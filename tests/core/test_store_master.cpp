#include "BillTestSupport.h"

#include "app/Cferix_razazApp.h"
#include "basic/GoodsStore.h"
#include "basic/GoodsUnits.h"
#include "basic/MasterDataImport.h"

#include <array>

namespace {
std::vector<std::string> Codes(const std::vector<GoodsRecord>& goods) {
    std::vector<std::string> codes;
    for (const auto& g : goods)
        codes.push_back(g.Code);
    return codes;
}

BusinessUnitRecord Unit(const std::string& code, const std::string& type) {
    BusinessUnitRecord u;
    u.CustomerCode = code;
    u.CustomerName = "name " + code;
    u.CustomerType = type;
    return u;
}

using Strings = std::vector<std::string>;
} // namespace

using MasterDataTest = StoreTest;

TEST_F(MasterDataTest, GoodsAreListedByExactClassAndDeletedByWholeCode) {
    AddGoods("A", "plain", "1", "C%");
    AddGoods("A%", "percent", "1", "CX");
    AddGoods("A_", "underscore", "1", "C%");
    AddGoods("AB", "other", "1", "C_");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());

    std::vector<GoodsRecord> list;
    ASSERT_TRUE(store.ListGoods("C%", list));
    EXPECT_EQ(Codes(list), (Strings{"A", "A_"}));
    // List operations append to what the caller holds.
    ASSERT_TRUE(store.ListGoods("C_", list));
    EXPECT_EQ(Codes(list), (Strings{"A", "A_", "AB"}));
    list.clear();
    ASSERT_TRUE(store.ListGoods("所有商品", list));
    EXPECT_EQ(Codes(list), (Strings{"A", "A%", "A_", "AB"}));
    EXPECT_EQ(list[1].ProductName, "percent");
    EXPECT_EQ(list[1].ClassName, "CX");
    EXPECT_EQ(list[1].Id, "2");

    ASSERT_TRUE(store.DeleteGoods("A%"));
    ASSERT_TRUE(store.DeleteGoods("A_"));
    ASSERT_TRUE(store.DeleteGoods("%"));
    list.clear();
    ASSERT_TRUE(store.ListGoods("所有商品", list));
    EXPECT_EQ(Codes(list), (Strings{"A", "AB"}));
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(MasterDataTest, TakenCodesAndNamesAreRefusedInTheProgramsWords) {
    AddGoods("G1", "first");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.AddBusinessUnit(Unit("U1", "客户")));
    m_port.Clear();
    const std::string before = Snapshot();

    EXPECT_FALSE(store.AddGoods(Goods("G1", "second")));
    EXPECT_FALSE(store.AddGoodsClass("电子", "x"));
    EXPECT_FALSE(store.AddBusinessUnit(Unit("U1", "供应商")));
    EXPECT_EQ(m_port.Texts(), (Strings{"商品编码“G1”已经存在，请换一个编码！",
                                       "商品分类“电子”已经存在，请换一个名称！",
                                       "单位编码“U1”已经存在，请换一个编码！"}));
    EXPECT_EQ(Snapshot(), before);

    // Another program adds the same key between the look and the insert: these triggers do it
    // on the same connection. The unique key refuses the row, and the words are the same.
    // (A server's triggers are functions; the depth check stops them firing for their own row.)
    auto serverTrigger = [](const std::string& name, const std::string& table,
                            const std::string& body) {
        return std::vector<std::string>{"create function " + name +
                                            "() returns trigger language plpgsql as $$ begin " +
                                            body + " return new; end $$",
                                        "create trigger " + name + " before insert on " + table +
                                            " for each row execute function " + name + "()"};
    };
    std::vector<std::string> triggers;
    if (OnServer()) {
        for (const auto& [name, table, body] : std::vector<std::array<std::string, 3>>{
                 {"other_goods", "ferix_product",
                  "if pg_trigger_depth() = 1 then insert into ferix_product(Code, ProductName)"
                  " values(new.Code, 'other'); end if;"},
                 {"other_class", "ferix_product_class",
                  "if pg_trigger_depth() = 1 then insert into ferix_product_class(class_name)"
                  " values(new.class_name); end if;"},
                 {"other_unit", "ferix_customer",
                  "if pg_trigger_depth() = 1 then insert into ferix_customer(CustomerCode)"
                  " values(new.CustomerCode); end if;"}})
            for (auto& sql : serverTrigger(name, table, body))
                triggers.push_back(sql);
    } else {
        triggers = {"create temp trigger other_goods before insert on ferix_product begin"
                    " insert into ferix_product(Code, ProductName) values(new.Code, 'other'); end",
                    "create temp trigger other_class before insert on ferix_product_class begin"
                    " insert into ferix_product_class(class_name) values(new.class_name); end",
                    "create temp trigger other_unit before insert on ferix_customer begin"
                    " insert into ferix_customer(CustomerCode) values(new.CustomerCode); end"};
    }
    for (const auto& sql : triggers)
        ASSERT_TRUE(store.Run(sql, {})) << store.LastError();
    m_port.Clear();
    EXPECT_FALSE(store.AddGoods(Goods("G2", "second")));
    EXPECT_FALSE(store.AddGoodsClass("文具", ""));
    EXPECT_FALSE(store.AddBusinessUnit(Unit("U2", "客户")));
    EXPECT_EQ(m_port.Texts(), (Strings{"商品编码“G2”已经存在，请换一个编码！",
                                       "商品分类“文具”已经存在，请换一个名称！",
                                       "单位编码“U2”已经存在，请换一个编码！"}));
    EXPECT_EQ(Snapshot(), before);

    // Other constraints keep the operation's own message with the engine's text.
    m_port.Clear();
    if (OnServer()) {
        ASSERT_TRUE(store.Run("drop trigger other_goods on ferix_product", {}));
        for (auto& sql :
             serverTrigger("refuse", "ferix_product", "raise exception 'refused by a check';"))
            ASSERT_TRUE(store.Run(sql, {})) << store.LastError();
    } else {
        ASSERT_TRUE(store.Run("drop trigger other_goods", {}));
        ASSERT_TRUE(store.Run("create temp trigger refuse before insert on ferix_product begin"
                              " select raise(abort, 'refused by a check'); end",
                              {}));
    }
    EXPECT_FALSE(store.AddGoods(Goods("G3", "third")));
    EXPECT_EQ(m_port.Texts(),
              Strings{"添加产品失败。\r\n数据库失败！\r\n错误信息：refused by a check"});
}

TEST_F(MasterDataTest, QuotesPercentAndLongTextsAreStoredAsTyped) {
    const std::string longText = std::string(10000, 'x') + "'\"%_";
    GoodsRecord g;
    for (const auto& c : GoodsColumns())
        g.*c.field = std::string(c.name) + "'\"%_" + longText;
    BusinessUnitRecord u;
    for (const auto& c : BusinessUnitColumns())
        u.*c.field = std::string(c.name) + "';--" + longText;
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.AddGoodsClass(g.ClassName, "parent'%"));
    ASSERT_TRUE(store.AddGoods(g));
    ASSERT_TRUE(store.AddBusinessUnit(u));

    std::vector<GoodsRecord> goods;
    ASSERT_TRUE(store.ListGoods(g.ClassName, goods));
    ASSERT_EQ(goods.size(), 1u);
    for (const auto& c : GoodsColumns())
        EXPECT_EQ(goods[0].*c.field, g.*c.field) << c.name;
    std::vector<BusinessUnitRecord> units;
    ASSERT_TRUE(store.ListBusinessUnits(u.CustomerType, units));
    ASSERT_EQ(units.size(), 1u);
    for (const auto& c : BusinessUnitColumns())
        EXPECT_EQ(units[0].*c.field, u.*c.field) << c.name;
    std::vector<GoodsClassRecord> classes;
    ASSERT_TRUE(store.ListGoodsClasses(classes));
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0].parent_name, "parent'%");
    EXPECT_EQ(classes[0].class_note, "");

    ASSERT_TRUE(store.DeleteGoods(g.Code));
    ASSERT_TRUE(store.DeleteBusinessUnit(u.CustomerCode));
    ASSERT_TRUE(store.DeleteGoodsClass(g.ClassName));
    EXPECT_EQ(Count("ferix_product") + Count("ferix_customer") + Count("ferix_product_class"), 0);
}

TEST_F(MasterDataTest, BusinessUnitsAndClassesMatchWholeTexts) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    for (const auto& [code, type] : std::vector<std::pair<std::string, std::string>>{
             {"S1", "供应商"}, {"C1", "客户"}, {"S_", "供应商"}, {"C%", "客户%"}})
        ASSERT_TRUE(store.AddBusinessUnit(Unit(code, type)));
    std::vector<BusinessUnitRecord> units;
    ASSERT_TRUE(store.ListBusinessUnits("客户", units));
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].CustomerCode, "C1");
    units.clear();
    ASSERT_TRUE(store.ListBusinessUnits("所有类型", units));
    EXPECT_EQ(units.size(), 4u);
    ASSERT_TRUE(store.DeleteBusinessUnit("S_"));
    EXPECT_EQ(store.Changes(), 1);
    ASSERT_TRUE(store.DeleteBusinessUnit("_1"));
    EXPECT_EQ(store.Changes(), 0);

    for (const char* name : {"食品", "食_", "食品%"})
        ASSERT_TRUE(store.AddGoodsClass(name, ""));
    ASSERT_TRUE(store.DeleteGoodsClass("食_"));
    std::vector<GoodsClassRecord> classes;
    ASSERT_TRUE(store.ListGoodsClasses(classes));
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].class_name, "食品");
    EXPECT_EQ(classes[1].class_name, "食品%");
}

TEST_F(MasterDataTest, ApplicationListsAreRefilledNotAppended) {
    AddGoods("G1", "one", "1", "电子");
    AddGoods("G2", "two", "1", "食品");
    App().m_goods.push_back(Goods("stale", "stale"));
    App().m_goodsClasses.push_back({"9", "", "stale", ""});
    ASSERT_TRUE(App().ReloadGoods());
    ASSERT_TRUE(App().ReloadGoodsClasses());
    EXPECT_EQ(Codes(App().m_goods), (Strings{"G1", "G2"}));
    ASSERT_EQ(App().m_goodsClasses.size(), 2u);
    EXPECT_EQ(App().m_goodsClasses[1].class_name, "食品");

    // Without a data file the lists end up empty after the connect's message.
    std::filesystem::remove(Dir() / "Data" / (OnServer() ? "server.conf" : "main_data.tdb"));
    EXPECT_FALSE(App().ReloadGoods());
    EXPECT_TRUE(App().m_goods.empty());
}

TEST_F(MasterDataTest, GoodsInStockAnywhereCannotBeDeleted) {
    AddGoods("G1", "one");
    AddGoods("G10", "ten");
    PutStock("二号仓库", "G10", "ten", 0);
    m_port.Clear();
    // A row of G10 does not make G1 used; G10's own row does, even at quantity 0.
    EXPECT_FALSE(DeleteGoodsIfUnused("G10"));
    EXPECT_EQ(m_port.Texts(), Strings{"此商品正在使用中，不能删除！"});
    EXPECT_TRUE(DeleteGoodsIfUnused("G1"));
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    std::vector<GoodsRecord> goods;
    ASSERT_TRUE(store.ListGoods("所有商品", goods));
    EXPECT_EQ(Codes(goods), Strings{"G10"});
}

TEST_F(MasterDataTest, GoodsImportStoresAllRowsOrNone) {
    AddGoods("OLD", "old", "1", "电子");
    const std::string good = "\xEF\xBB\xBF"
                             "Code,ProductName,ClassName,Unit,PriceIn,Note\r\n"
                             "G1,\"Pen, blue\",电子,支,1.5,\"two\r\nlines, \"\"quoted\"\"\"\r\n"
                             "\r\n"
                             "G%_,Percent,电子,个,,\r\n";
    size_t added = 0;
    EXPECT_EQ(ImportGoodsCsv(good, &added), ImportOutcome::Imported);
    EXPECT_EQ(added, 2u);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto g1 = FindGoods(store, "G1");
    ASSERT_TRUE(g1);
    EXPECT_EQ(g1->ProductName, "Pen, blue");
    EXPECT_EQ(g1->Note, "two\r\nlines, \"quoted\"");
    EXPECT_EQ(g1->Available, "否");
    EXPECT_EQ(g1->PriceIn, "1.5");
    ASSERT_TRUE(FindGoods(store, "G%_"));
    ASSERT_TRUE(AddGoodsUnit(store, {"OLD", "箱", 12, "6900", "", ""}));

    struct Case {
        std::string csv, message;
    };
    const std::vector<Case> refused = {
        {"Code,ProductName,ClassName\nN1,n,电子\nN2,,电子\n", "第3行：商品名称不能为空！"},
        {"Code,ProductName,ClassName\nN1,n,电子\n,n,电子\n", "第3行：商品编码不能为空！"},
        {"Code,ProductName\nN1,n\n", "第2行：商品分类不能为空！"},
        {"Code,ProductName,ClassName\nN1,n,电子\nG1,n,电子\n",
         "第3行：商品编码“G1”已经存在，请换一个编码！"},
        {"Code,ProductName,ClassName\nN1,n,电子\nN2,n,电子\n\nN1,n,电子\n",
         "第5行：商品编码“N1”与第2行重复，请换一个编码！"},
        {"Code,ProductName,ClassName\nN1,n,电子\n6900,n,电子\n",
         "第3行：编码“6900”已是商品“OLD”的单位“箱”的条码！"},
        {"Code,ProductName,ClassName\nN1,n,没有\n", "第2行：商品类别“没有”不存在！"},
        {"Code,ProductName,ClassName,PriceIn\nN1,n,电子,abc\n",
         "第2行：预设进价“abc”不是有效的价格！"},
        {"Code,ProductName,ClassName,RetailPrice\nN1,n,电子,-1\n",
         "第2行：零售价“-1”不是有效的价格！"},
        {"Code,ProductName,ClassName,Available\nN1,n,电子,yes\n",
         "第2行：商品是否可用只能是“是”或“否”！"},
        {"Code,ProductName,ClassName\nN1,n\n", "第2行：字段数（2）与标题行（3）不一致！"},
        {"Code,Code\nN1,N2\n", "标题行中的列名“Code”重复！"},
        {"Code,a\"b\nN1,x\n", "CSV 格式错误（第 1 行）：不带引号的字段中出现了引号"},
        {"Code,ProductName,ClassName\nN1,\"n,电子\n", "CSV 格式错误（第 2 行）：引号没有闭合"},
        {"Code,ProductName,ClassName\nN1,n\xff,电子\n",
         "CSV 格式错误（第 2 行）：不是有效的 UTF-8 文本"},
        {"", "文件中没有标题行！"},
    };
    for (const auto& c : refused) {
        std::string before = Snapshot();
        m_port.Clear();
        EXPECT_EQ(ImportGoodsCsv(c.csv), ImportOutcome::Refused) << c.csv;
        EXPECT_EQ(m_port.Texts(), Strings{c.message}) << c.csv;
        EXPECT_EQ(Snapshot(), before) << c.csv;
    }
    m_port.Clear();
    EXPECT_EQ(ImportGoodsCsv("Id,Code\n1,X\n"), ImportOutcome::Refused);
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("标题行中有未知的列名“Id”！", 0), 0u);
}

TEST_F(MasterDataTest, BusinessUnitImportChecksTheAddWindowsRules) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.AddBusinessUnit(Unit("U0", "客户")));
    EXPECT_EQ(ImportBusinessUnitsCsv("CustomerCode,CustomerName,CustomerType,CustomerQq\n"
                                     "U1,华东电子,供应商,123\nU2,\"O'Neil, Ltd\",客户,\n"),
              ImportOutcome::Imported);
    std::vector<BusinessUnitRecord> units;
    ASSERT_TRUE(store.ListBusinessUnits("所有类型", units));
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[2].CustomerName, "O'Neil, Ltd");
    EXPECT_EQ(units[1].CustomerQq, "123");

    struct Case {
        std::string csv, message;
    };
    const std::vector<Case> refused = {
        {"CustomerCode,CustomerName,CustomerType\nU9,n,客户\n,n,客户\n",
         "第3行：单位编码不能为空！"},
        {"CustomerCode,CustomerName,CustomerType\nU9,,客户\n", "第2行：单位名称不能为空！"},
        {"CustomerCode,CustomerName,CustomerType\nU9,n,\n", "第2行：单位类型不能为空！"},
        {"CustomerCode,CustomerName,CustomerType\nU9,n,伙伴\n",
         "第2行：单位类型只能是“供应商”或“客户”！"},
        {"CustomerCode,CustomerName,CustomerType\nU0,n,客户\n",
         "第2行：单位编码“U0”已经存在，请换一个编码！"},
        {"CustomerCode,CustomerName,CustomerType\nU8,n,客户\nU8,n,供应商\n",
         "第3行：单位编码“U8”与第2行重复，请换一个编码！"},
    };
    for (const auto& c : refused) {
        std::string before = Snapshot();
        m_port.Clear();
        EXPECT_EQ(ImportBusinessUnitsCsv(c.csv), ImportOutcome::Refused) << c.csv;
        EXPECT_EQ(m_port.Texts(), Strings{c.message}) << c.csv;
        EXPECT_EQ(Snapshot(), before) << c.csv;
    }
}

// A goods item is changed by its code: every other column may change, the checks of the goods
// form and the import refuse what they refuse, and posted bills keep what they were posted with.
TEST_F(BillTest, AGoodsItemIsChangedByCodeAndBillsKeepTheirOwnTexts) {
    CBill purchase = FullBill(BillKind::Purchase);
    AddLine(purchase, m_pen, "1");
    ASSERT_EQ(purchase.Save(), PostOutcome::Posted);
    m_port.Clear();

    EXPECT_EQ(UpdateGoodsFields("G1", {{"ProductName", "Fountain pen"}, {"RetailPrice", "25.5"}}),
              UpdateOutcome::Updated);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto pen = FindGoods(store, "G1");
    ASSERT_TRUE(pen);
    EXPECT_EQ(pen->ProductName + "/" + pen->RetailPrice + "/" + pen->PriceIn + "/" + pen->BarCode,
              "Fountain pen/25.5/19.99/BC-G1");
    std::string posted;
    ASSERT_TRUE(store.Run("select Product_Name, Product_Price from EnterStock_Detail", {},
                          [&](const CStatement& st) { posted = st.Text(0) + "/" + st.Text(1); }));
    EXPECT_EQ(posted, "Pen/19.99");
    CBill next(BillKind::Sale);
    next.AppendGoods(*pen);
    EXPECT_EQ(next.m_lines[0].name + "/" + next.m_lines[0].price, "Fountain pen/25.5");

    const std::string before = Snapshot();
    const std::vector<std::pair<FieldValues, std::string>> refused = {
        {{{"ProductName", ""}}, "商品名称不能为空！"},
        {{{"ClassName", "文具"}}, "商品类别“文具”不存在！"},
        {{{"PriceIn", "-1"}}, "预设进价“-1”不是有效的价格！"},
        {{{"Available", "可以"}}, "商品是否可用只能是“是”或“否”！"},
        {{{"Code", "G9"}}, "字段“Code”不能修改！"},
        {{{"Colour", "red"}}, "字段“Colour”不能修改！"},
    };
    for (const auto& [fields, message] : refused) {
        m_port.Clear();
        EXPECT_EQ(UpdateGoodsFields("G1", fields), UpdateOutcome::Refused) << message;
        EXPECT_EQ(m_port.Texts(), Strings{message});
    }
    m_port.Clear();
    EXPECT_EQ(UpdateGoodsFields("G404", {{"Note", "x"}}), UpdateOutcome::NotFound);
    EXPECT_EQ(m_port.Texts(), Strings{"没有商品编码为“G404”的商品！"});
    EXPECT_EQ(Snapshot(), before);
}
