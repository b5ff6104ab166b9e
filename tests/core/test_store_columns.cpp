// Every column every insert writes, read back straight from the data file by column name, with
// a different value in each place so that two swapped columns cannot pass.
#include "BillTestSupport.h"

#include "basic/BusinessUnits.h"
#include "config/ConfigLists.h"

#include <sqlite3.h>

#include <map>

namespace {
using Row = std::map<std::string, std::string>;

// Rows of a query on the main data file, each column by its name (NULL as "<null>").
std::vector<Row> ReadRows(const std::filesystem::path& dir, const std::string& sql) {
    std::vector<Row> rows;
    sqlite3* db = nullptr;
    EXPECT_EQ(
        sqlite3_open_v2((dir / "Data/main_data.tdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
        SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        Row row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const unsigned char* text = sqlite3_column_text(st, i);
            row[sqlite3_column_name(st, i)] =
                text ? reinterpret_cast<const char*>(text) : std::string("<null>");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// A bill of the kind with every header field and two lines whose every cell differs.
CBill Filled(BillKind kind, const GoodsRecord& pen, const GoodsRecord& ink) {
    CBill bill(kind);
    bill.m_customer = "客户C";
    bill.m_department = "部门D";
    bill.m_warehouse = "仓库W";
    bill.m_employee = "员工E";
    bill.m_introduction = "说明I";
    bill.m_account = "账户B";
    bill.m_paid = "100.00";
    bill.AppendGoods(pen);
    bill.AppendGoods(ink);
    BillLine& a = bill.m_lines[0];
    a.quantity = "3";
    a.unit = "盒";
    a.batch = "批1";
    a.productionDate = "26-01-02";
    a.price = "4.25";
    a.barcode = "条码1";
    a.note = "备注1";
    BillLine& b = bill.m_lines[1];
    b.quantity = "5";
    b.unit = "箱";
    b.batch = "批2";
    b.productionDate = "26-02-03";
    b.price = "0.50";
    b.barcode = "条码2";
    b.note = "备注2";
    return bill;
}
} // namespace

using StoreColumnsTest = BillTest;

TEST_F(StoreColumnsTest, TradeBillsWriteEveryHeaderAndLineColumnInItsPlace) {
    AddUnit("KH003", "客户C", "客户");
    PutStock("仓库W", "G1", "Pen", 100);
    PutStock("仓库W", "G2", "Ink", 100);
    const BillKind kinds[] = {BillKind::Purchase, BillKind::PurchaseReturn, BillKind::Sale,
                              BillKind::SaleReturn};
    for (BillKind kind : kinds) {
        const BillKindInfo& info = KindInfo(kind);
        SCOPED_TRACE(info.cliName);
        CBill bill = Filled(kind, m_pen, m_ink);
        ASSERT_EQ(bill.Save(), PostOutcome::Posted);
        const std::string table = BillTableName(info.table);
        const std::string number = std::string(info.prefix) + "261207-093015";

        Row header = {{"Id", "1"},
                      {"Canceled", "0"},
                      {"Bill_ID", number},
                      {"Bill_Date", "2026-12-07"},
                      {"Customer", "客户C"},
                      {"Department", "部门D"},
                      {"Warehouse", "仓库W"},
                      {"Employee", "员工E"},
                      {"Introduction", "说明I"},
                      {"Number", "8"},
                      {"Total", "15.25"},
                      {"Bank", "账户B"},
                      {"Pay", "100.00"}};
        EXPECT_EQ(ReadRows(Dir(), "select * from " + table), std::vector<Row>{header});

        // A line repeats the header; its remark is the line's; Canceled comes from the
        // table's default.
        Row first = header;
        first.insert({{"Product_ID", "G1"},
                      {"Product_Name", "Pen"},
                      {"Product_Number", "3"},
                      {"Product_Unit", "盒"},
                      {"Product_atch", "批1"},
                      {"Product_Date", "26-01-02"},
                      {"Product_Price", "4.25"},
                      {"Product_Total", "12.75"},
                      {"Product_Note", "备注1"},
                      {"Product_BarCode", "条码1"},
                      {"Base_Number", "3"}});
        first["Introduction"] = "备注1";
        Row second = header;
        second.insert({{"Product_ID", "G2"},
                       {"Product_Name", "Ink"},
                       {"Product_Number", "5"},
                       {"Product_Unit", "箱"},
                       {"Product_atch", "批2"},
                       {"Product_Date", "26-02-03"},
                       {"Product_Price", "0.50"},
                       {"Product_Total", "2.50"},
                       {"Product_Note", "备注2"},
                       {"Product_BarCode", "条码2"},
                       {"Base_Number", "5"}});
        second["Id"] = "2";
        second["Introduction"] = "备注2";
        if (kind == BillKind::Sale || kind == BillKind::SaleReturn) {
            // 100 at 10 and 3 (5) bought at 4.25 (0.50): 1012.75 / 103 = 9.8325 and
            // 1002.50 / 105 = 9.5476 a unit.
            first["Product_Cost"] = "29.50";
            second["Product_Cost"] = "47.74";
            first["Product_UnitCost"] = "9.8325";
            second["Product_UnitCost"] = "9.5476";
        }
        // Purchases and sales name no order line unless made from an order.
        if (kind == BillKind::Purchase || kind == BillKind::Sale)
            first["Order_Line_ID"] = second["Order_Line_ID"] = "<null>";
        EXPECT_EQ(ReadRows(Dir(), "select * from " + table + "_Detail order by Id"),
                  (std::vector<Row>{first, second}));
    }
}

TEST_F(StoreColumnsTest, LossGainAndPriceRowsWriteEveryColumnInItsPlace) {
    PutStock("仓库W", "G1", "Pen", 100);
    PutStock("仓库W", "G2", "Ink", 100);
    for (BillKind kind : {BillKind::Loss, BillKind::Gain}) {
        const BillKindInfo& info = KindInfo(kind);
        SCOPED_TRACE(info.cliName);
        ASSERT_EQ(Filled(kind, m_pen, m_ink).Save(), PostOutcome::Posted);
        // No bill totals, prices or amounts on these rows; the remark is the line's.
        Row first = {{"Id", "1"},
                     {"Bill_ID", std::string(info.prefix) + "261207-093015"},
                     {"Bill_Date", "2026-12-07"},
                     {"Department", "部门D"},
                     {"Employee", "员工E"},
                     {"Warehouse", "仓库W"},
                     {"Introduction", "备注1"},
                     {"Number", ""},
                     {"Total", ""},
                     {"Product_ID", "G1"},
                     {"Product_Name", "Pen"},
                     {"Product_Number", "3"},
                     {"Product_Unit", "盒"},
                     {"Product_atch", "批1"},
                     {"Product_Date", "26-01-02"},
                     {"Product_Price", ""},
                     {"Product_Total", ""},
                     {"Product_Note", "备注1"},
                     {"Product_BarCode", "条码1"},
                     {"Base_Number", "3"}};
        Row second = first;
        second.insert_or_assign("Id", "2");
        second.insert_or_assign("Introduction", "备注2");
        second.insert_or_assign("Product_ID", "G2");
        second.insert_or_assign("Product_Name", "Ink");
        second.insert_or_assign("Product_Number", "5");
        second.insert_or_assign("Base_Number", "5");
        second.insert_or_assign("Product_Unit", "箱");
        second.insert_or_assign("Product_atch", "批2");
        second.insert_or_assign("Product_Date", "26-02-03");
        second.insert_or_assign("Product_Note", "备注2");
        second.insert_or_assign("Product_BarCode", "条码2");
        EXPECT_EQ(ReadRows(Dir(), std::string("select * from ") + BillTableName(info.table) +
                                      " order by Id"),
                  (std::vector<Row>{first, second}));
    }

    ASSERT_EQ(Filled(BillKind::Price, m_pen, m_ink).Save(), PostOutcome::Posted);
    Row first = {{"Id", "1"},
                 {"Bill_ID", "TJ-261207-093015"},
                 {"Bill_Date", "2026-12-07"},
                 {"Department", "部门D"},
                 {"Employee", "员工E"},
                 {"Warehouse", "仓库W"},
                 {"Introduction", "备注1"},
                 {"Product_ID", "G1"},
                 {"Product_Name", "Pen"},
                 {"Product_Unit", "盒"},
                 {"Product_Price", "4.25"},
                 {"Product_Note", "备注1"},
                 {"Product_BarCode", "条码1"}};
    Row second = {{"Id", "2"},
                  {"Bill_ID", "TJ-261207-093015"},
                  {"Bill_Date", "2026-12-07"},
                  {"Department", "部门D"},
                  {"Employee", "员工E"},
                  {"Warehouse", "仓库W"},
                  {"Introduction", "备注2"},
                  {"Product_ID", "G2"},
                  {"Product_Name", "Ink"},
                  {"Product_Unit", "箱"},
                  {"Product_Price", "0.50"},
                  {"Product_Note", "备注2"},
                  {"Product_BarCode", "条码2"}};
    EXPECT_EQ(ReadRows(Dir(), "select * from TiaoJiaDan order by Id"),
              (std::vector<Row>{first, second}));
    // The stock rows: quantity after the loss (-3, -5) and gain (+3, +5), the new prices.
    EXPECT_EQ(ReadRows(Dir(), "select StoreHouse, ProductCode, ProductName, Number, Price"
                              " from StockPile order by Id"),
              (std::vector<Row>{{{"StoreHouse", "仓库W"},
                                 {"ProductCode", "G1"},
                                 {"ProductName", "Pen"},
                                 {"Number", "100"},
                                 {"Price", "4.25"}},
                                {{"StoreHouse", "仓库W"},
                                 {"ProductCode", "G2"},
                                 {"ProductName", "Ink"},
                                 {"Number", "100"},
                                 {"Price", "0.50"}}}));
}

TEST_F(StoreColumnsTest, BusinessUnitsKeepEveryColumnAndListInTheOrderTheyWereAdded) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto unit = [](const std::string& code, const std::string& type) {
        BusinessUnitRecord u;
        u.CustomerCode = code;
        u.CustomerName = "名称" + code;
        u.CustomerContact = "联系人" + code;
        u.CustomerMobile = "139" + code;
        u.CustomerTel = "021" + code;
        u.CustomerFax = "传真" + code;
        u.CustomerZip = "200" + code;
        u.CustomerAddr = "地址" + code;
        u.CustomerArea = "地区" + code;
        u.CustomerType = type;
        u.CustomerWebsite = "www." + code;
        u.CustomerEmail = code + "@mail";
        u.CustomerMsn = "msn" + code;
        u.CustomerQq = "qq" + code;
        u.CustomerNote = "备注" + code;
        return u;
    };
    // Codes added out of their text order: lists follow the order of adding.
    ASSERT_TRUE(store.AddBusinessUnit(unit("C3", "客户")));
    ASSERT_TRUE(store.AddBusinessUnit(unit("C1", "供应商")));
    ASSERT_TRUE(store.AddBusinessUnit(unit("C2", "客户")));

    EXPECT_EQ(ReadRows(Dir(), "select * from ferix_customer where CustomerCode = 'C1'"),
              // Id 1 is the unit the bills of the fixture name.
              (std::vector<Row>{{{"Id", "3"},
                                 {"CustomerCode", "C1"},
                                 {"CustomerName", "名称C1"},
                                 {"CustomerContact", "联系人C1"},
                                 {"CustomerMobile", "139C1"},
                                 {"CustomerTel", "021C1"},
                                 {"CustomerFax", "传真C1"},
                                 {"CustomerZip", "200C1"},
                                 {"CustomerAddr", "地址C1"},
                                 {"CustomerArea", "地区C1"},
                                 {"CustomerType", "供应商"},
                                 {"CustomerWebsite", "www.C1"},
                                 {"CustomerEmail", "C1@mail"},
                                 {"CustomerMsn", "msnC1"},
                                 {"CustomerQq", "qqC1"},
                                 {"CustomerNote", "备注C1"}}}));

    auto codes = [&](const std::string& type) {
        std::vector<BusinessUnitRecord> list;
        EXPECT_TRUE(store.ListBusinessUnits(type, list));
        std::vector<std::string> out;
        for (const auto& u : list)
            out.push_back(u.CustomerCode + "/" + u.CustomerName + "/" + u.CustomerQq);
        return out;
    };
    EXPECT_EQ(codes(kAllUnitTypes), (std::vector<std::string>{"KH000/华东电子/", "C3/名称C3/qqC3",
                                                              "C1/名称C1/qqC1", "C2/名称C2/qqC2"}));
    EXPECT_EQ(codes("客户"),
              (std::vector<std::string>{"KH000/华东电子/", "C3/名称C3/qqC3", "C2/名称C2/qqC2"}));

    // The window shows the newest first, each cell under its own header.
    CBusinessUnitsState state;
    state.Open();
    ASSERT_EQ(state.RowCount(), 4u);
    std::vector<std::string> shown;
    for (size_t r = 0; r < state.RowCount(); ++r)
        shown.push_back(state.Row(r).CustomerCode);
    EXPECT_EQ(shown, (std::vector<std::string>{"C2", "C1", "C3", "KH000"}));
    const auto& columns = UnitListColumns();
    for (size_t c = 0; c < columns.size(); ++c) {
        SCOPED_TRACE(columns[c].header);
        EXPECT_EQ(state.Cell(1, static_cast<int>(c)), unit("C1", "供应商").*columns[c].field);
    }
}

TEST_F(StoreColumnsTest, DepartmentsOfTheSameNameAreKeptApartWithTheirOwnNotes) {
    ASSERT_TRUE(AddDepartment("销售部", "北区"));
    ASSERT_TRUE(AddDepartment("采购部", "总部"));
    ASSERT_TRUE(AddDepartment("销售部", "南区"));
    auto departments = [] {
        std::vector<std::string> out;
        for (const auto& d : ReadDepartments())
            out.push_back(d.name + "/" + d.note);
        return out;
    };
    EXPECT_EQ(departments(),
              (std::vector<std::string>{"销售部/北区", "采购部/总部", "销售部/南区"}));
    // An employee joins the first department of the name; removing the name removes both.
    ASSERT_TRUE(AddEmployee("销售部", "李四", "021-1", "上海", "1990-01-02", "新人"));
    auto staff = ReadEmployees(std::string("销售部"));
    ASSERT_EQ(staff.size(), 1u);
    EXPECT_EQ(staff[0].name + "|" + staff[0].tel + "|" + staff[0].addr + "|" + staff[0].birthday +
                  "|" + staff[0].note,
              "李四|021-1|上海|1990-01-02|新人");
    // In the file, the employee sits in the first of the two, before the next department.
    const std::string file = ReadFile("Data/ferix_config.data");
    EXPECT_LT(file.find("北区"), file.find("李四"));
    EXPECT_LT(file.find("李四"), file.find("总部"));
    ASSERT_TRUE(RemoveDepartments("销售部"));
    EXPECT_EQ(departments(), std::vector<std::string>{"采购部/总部"});
    EXPECT_TRUE(ReadEmployees(std::string("销售部")).empty());
}
