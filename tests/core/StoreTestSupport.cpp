#include "StoreTestSupport.h"

#include "app/Cferix_razazApp.h"
#include "store/Schema.h"

#include "store/ServerConfig.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

int64_t StoreTest::MainSchemaVersion() {
    CDataStore store;
    EXPECT_TRUE(store.ConnectMain());
    int64_t version = -1;
    EXPECT_TRUE(store.Run(OnServer() ? "select version from ferix_schema where name = 'main_data'"
                                     : "PRAGMA user_version",
                          {}, [&](const CStatement& st) { version = st.Int(0); }));
    return version;
}

void StoreTest::SetUp() {
    ProgramFolderTest::SetUp();
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.CheckLogin("admin", ""));
    CDataStore::FailStatementForTest(0);
}

void StoreTest::TearDown() {
    CDataStore::FailStatementForTest(0);
    ProgramFolderTest::TearDown();
}

GoodsRecord StoreTest::Goods(const std::string& code, const std::string& name,
                             const std::string& priceIn, const std::string& className) {
    GoodsRecord g;
    g.Code = code;
    g.ProductName = name;
    g.ClassName = className;
    g.Unit = "个";
    g.PriceIn = priceIn;
    g.BarCode = "BC-" + code;
    g.Note = "note of " + code;
    g.Available = "是";
    return g;
}

GoodsRecord StoreTest::AddGoods(const std::string& code, const std::string& name,
                                const std::string& priceIn, const std::string& className) {
    CDataStore store;
    EXPECT_TRUE(store.ConnectMain());
    std::vector<GoodsClassRecord> classes;
    store.ListGoodsClasses(classes);
    bool known = false;
    for (const auto& c : classes)
        known = known || c.class_name == className;
    if (!known) {
        EXPECT_TRUE(store.AddGoodsClass(className, ""));
    }
    GoodsRecord g = Goods(code, name, priceIn, className);
    EXPECT_TRUE(store.AddGoods(g));
    return g;
}

void StoreTest::PutStock(const std::string& warehouse, const std::string& code,
                         const std::string& name, int64_t quantity, const std::string& price) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.IncreaseStock(warehouse, code, name, quantity, price));
}

std::optional<StockRecord> StoreTest::Stock(const std::string& warehouse, const std::string& code) {
    CDataStore store;
    EXPECT_TRUE(store.ConnectMain());
    std::vector<StockRecord> rows;
    EXPECT_TRUE(store.ListStock(warehouse, code, "", rows));
    EXPECT_LE(rows.size(), 1u);
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

int64_t StoreTest::Count(const std::string& table) {
    CDataStore store;
    EXPECT_TRUE(store.ConnectMain());
    int64_t n = -1;
    EXPECT_TRUE(store.Run("select count(*) from " + table, {},
                          [&](const CStatement& st) { n = st.Int(0); }));
    return n;
}

std::string StoreTest::Snapshot() {
    CDataStore store;
    EXPECT_TRUE(store.ConnectMain());
    std::string out;
    for (const char* table :
         {"ferix_product", "ferix_product_class", "ferix_customer", "StockPile", "EnterStock",
          "EnterStock_Detail", "BackStock", "BackStock_Detail", "EnterSale", "EnterSale_Detail",
          "BackSale", "BackSale_Detail", "BaoSunDan", "BaoYiDan", "TiaoJiaDan"}) {
        out += std::string("[") + table + "]\n";
        EXPECT_TRUE(store.Run(std::string("select * from ") + table + " order by 1", {},
                              [&](const CStatement& st) {
                                  for (int i = 0; i < st.ColumnCount(); ++i)
                                      out += st.Text(i) + "|";
                                  out += "\n";
                              }));
    }
    return out;
}

std::vector<LogRecord> StoreTest::Log() {
    CDataStore store;
    EXPECT_TRUE(store.ConnectOther());
    return store.ListLog();
}

namespace {
// Runs the undo steps of one data set, newest first, down to `version`, and stamps it so: on the
// server through the folder's connection, on files in its data file `file`.
void UndoSteps(const std::filesystem::path& dir, bool onServer,
               const std::vector<std::string>& undo, int current, int version,
               const std::string& schemaName, const char* file) {
    std::string sql;
    for (int v = current; v > version; --v)
        sql += undo[static_cast<size_t>(v - 2)];
    if (onServer) {
        sql += " UPDATE ferix_schema SET version = " + std::to_string(version) + " WHERE name = '" +
               schemaName + "';";
        PGconn* conn = PQconnectdb(ReadServerConfig(dir).conninfo.c_str());
        PGresult* r = PQexec(conn, sql.c_str());
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(conn);
        PQclear(r);
        PQfinish(conn);
        return;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "Data" / file).c_str(), &db), SQLITE_OK);
    sql += " PRAGMA user_version = " + std::to_string(version) + ";";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}
} // namespace

void StoreTest::RollBackOtherSchemaTo(int version) {
    // Each step undone, newest first.
    const std::vector<std::string> undo = {
        "DROP TABLE Role; DROP TABLE RoleRight; DROP TABLE RoleWarehouse; DROP TABLE RolePrice;"
        " ALTER TABLE Manage DROP COLUMN Role_ID;",
        "DELETE FROM RoleRight WHERE Function IN ('purchase_order', 'sale_order', 'opening');"
        " UPDATE RoleRight SET Actions = '查看,录入,删除,导出' WHERE Function = 'goods'"
        " AND Actions = '查看,录入,删除,打印,导出';"
        " UPDATE Role SET Note = '销售、销售退货、收款；商品和往来单位只读；看库存不看成本'"
        " WHERE Name = '营业员';",
    };
    ASSERT_EQ(undo.size() + 1, static_cast<size_t>(kOtherSchemaVersion));
    UndoSteps(Dir(), OnServer(), undo, kOtherSchemaVersion, version, "other_data",
              "other_data.tdb");
}

void StoreTest::RollBackMainSchemaTo(int version) {
    // Each step undone, newest first.
    const std::vector<std::string> undo = {
        "DROP TABLE YiKuDan;",
        "ALTER TABLE StockPile DROP COLUMN CostPrice;"
        " ALTER TABLE EnterSale_Detail DROP COLUMN Product_Cost;"
        " ALTER TABLE BackSale_Detail DROP COLUMN Product_Cost;",
        "DROP TABLE FundBill; DROP INDEX ix_EnterStock_customer; DROP INDEX ix_BackStock_customer;"
        " DROP INDEX ix_EnterSale_customer; DROP INDEX ix_BackSale_customer;",
        "ALTER TABLE EnterSale_Detail DROP COLUMN Product_UnitCost;"
        " ALTER TABLE BackSale_Detail DROP COLUMN Product_UnitCost;",
        "DROP TABLE WriteToken; DROP TABLE BillJournal; DROP TABLE JournalHead;",
        "DROP TABLE GoodsUnit; ALTER TABLE EnterStock_Detail DROP COLUMN Base_Number;"
        " ALTER TABLE BackStock_Detail DROP COLUMN Base_Number;"
        " ALTER TABLE EnterSale_Detail DROP COLUMN Base_Number;"
        " ALTER TABLE BackSale_Detail DROP COLUMN Base_Number;"
        " ALTER TABLE BaoSunDan DROP COLUMN Base_Number; ALTER TABLE BaoYiDan DROP COLUMN "
        "Base_Number;"
        " ALTER TABLE YiKuDan DROP COLUMN Base_Number;",
        "DROP TABLE QiChuKuCun;",
        "DROP TABLE PurchaseOrder; DROP TABLE PurchaseOrder_Detail; DROP TABLE SaleOrder;"
        " DROP TABLE SaleOrder_Detail; ALTER TABLE EnterStock_Detail DROP COLUMN Order_Line_ID;"
        " ALTER TABLE EnterSale_Detail DROP COLUMN Order_Line_ID;",
        "DROP TABLE Summary_Goods; DROP TABLE Summary_Key;",
        "ALTER TABLE PurchaseOrder DROP COLUMN Open_Lines;"
        " ALTER TABLE PurchaseOrder DROP COLUMN Started_Lines;"
        " ALTER TABLE SaleOrder DROP COLUMN Open_Lines;"
        " ALTER TABLE SaleOrder DROP COLUMN Started_Lines;",
        "DELETE FROM Summary_Goods WHERE Warehouse = '' AND Period >= 'A';"
        " DELETE FROM Summary_Key WHERE Warehouse = '' AND Period >= 'A';"
        " ALTER TABLE Summary_Goods RENAME COLUMN Period TO Month;"
        " ALTER TABLE Summary_Key RENAME COLUMN Period TO Month;",
        OnServer() ? "ALTER TABLE Summary_Goods RESET (fillfactor);"
                     " ALTER TABLE Summary_Key RESET (fillfactor);"
                   : "",
        "DELETE FROM Summary_Key WHERE KeyName = 'Day';",
    };
    ASSERT_EQ(undo.size() + 1, static_cast<size_t>(kMainSchemaVersion));
    UndoSteps(Dir(), OnServer(), undo, kMainSchemaVersion, version, "main_data", "main_data.tdb");
}
