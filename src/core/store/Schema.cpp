#include "Schema.h"

#include "LineSummary.h"
#include "ServerConnection.h"
#include "WorkRights.h"
#include "rights/Functions.h"

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace {

// Every value column is TEXT; the integer ids only give rows their order.
constexpr const char* kMainV1 = R"SQL(
CREATE TABLE ferix_product (
  Id INTEGER PRIMARY KEY, Code TEXT NOT NULL UNIQUE, ProductName TEXT, ClassId TEXT,
  ClassName TEXT, SmartName TEXT, Unit TEXT, PartNumber TEXT, Specifications TEXT,
  ProductingArea TEXT, PricePre1 TEXT, PricePre2 TEXT, PricePre3 TEXT, RetailPrice TEXT,
  PriceLow TEXT, PriceHigh TEXT, PriceIn TEXT, BarCode TEXT, ShelfLife TEXT, InventoryLow TEXT,
  InventoryHigh TEXT, Available TEXT, UserDefined1 TEXT, UserDefined2 TEXT, UserDefined3 TEXT,
  UserDefined4 TEXT, Note TEXT);
CREATE INDEX ix_product_class ON ferix_product(ClassName);
CREATE TABLE ferix_product_class (
  id INTEGER PRIMARY KEY, parent_name TEXT, class_name TEXT NOT NULL UNIQUE, class_note TEXT);
CREATE INDEX ix_class_parent ON ferix_product_class(parent_name);
CREATE TABLE ferix_customer (
  Id INTEGER PRIMARY KEY, CustomerCode TEXT NOT NULL UNIQUE, CustomerName TEXT,
  CustomerContact TEXT, CustomerMobile TEXT, CustomerTel TEXT, CustomerFax TEXT,
  CustomerZip TEXT, CustomerAddr TEXT, CustomerArea TEXT, CustomerType TEXT,
  CustomerWebsite TEXT, CustomerEmail TEXT, CustomerMsn TEXT, CustomerQq TEXT, CustomerNote TEXT);
CREATE INDEX ix_customer_type ON ferix_customer(CustomerType);
CREATE TABLE StockPile (
  Id INTEGER PRIMARY KEY, StoreHouse TEXT NOT NULL, ProductCode TEXT NOT NULL, ProductName TEXT,
  FirstEnterTime TEXT, LastLeaveTime TEXT, Number TEXT, Price TEXT,
  UNIQUE (StoreHouse, ProductCode));
CREATE INDEX ix_stock_code ON StockPile(ProductCode);
CREATE TABLE BaoSunDan (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT, Bill_Date TEXT, Department TEXT, Employee TEXT,
  Warehouse TEXT, Introduction TEXT, Number TEXT, Total TEXT, Product_ID TEXT,
  Product_Name TEXT, Product_Number TEXT, Product_Unit TEXT, Product_atch TEXT,
  Product_Date TEXT, Product_Price TEXT, Product_Total TEXT, Product_Note TEXT,
  Product_BarCode TEXT);
CREATE INDEX ix_baosun_bill ON BaoSunDan(Bill_ID);
CREATE INDEX ix_baosun_date ON BaoSunDan(Bill_Date);
CREATE TABLE BaoYiDan (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT, Bill_Date TEXT, Department TEXT, Employee TEXT,
  Warehouse TEXT, Introduction TEXT, Number TEXT, Total TEXT, Product_ID TEXT,
  Product_Name TEXT, Product_Number TEXT, Product_Unit TEXT, Product_atch TEXT,
  Product_Date TEXT, Product_Price TEXT, Product_Total TEXT, Product_Note TEXT,
  Product_BarCode TEXT);
CREATE INDEX ix_baoyi_bill ON BaoYiDan(Bill_ID);
CREATE INDEX ix_baoyi_date ON BaoYiDan(Bill_Date);
CREATE TABLE TiaoJiaDan (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT, Bill_Date TEXT, Department TEXT, Employee TEXT,
  Warehouse TEXT, Introduction TEXT, Product_ID TEXT, Product_Name TEXT, Product_Unit TEXT,
  Product_Price TEXT, Product_Note TEXT, Product_BarCode TEXT);
CREATE INDEX ix_tiaojia_bill ON TiaoJiaDan(Bill_ID);
CREATE INDEX ix_tiaojia_date ON TiaoJiaDan(Bill_Date);
)SQL";

constexpr const char* kOtherV1 = R"SQL(
CREATE TABLE Manage (
  id INTEGER PRIMARY KEY, UserName TEXT NOT NULL UNIQUE COLLATE NOCASE, PassWord TEXT,
  CreateTime TEXT, LastLogin TEXT, Note TEXT);
CREATE TABLE Log (id INTEGER PRIMARY KEY, Event TEXT, User TEXT, Time TEXT);
CREATE TABLE Setting (
  id INTEGER PRIMARY KEY, CompanyName TEXT, CompanyTel TEXT, CompanyFax TEXT, CompanyZip TEXT,
  Chengben TEXT, CompanyAddr TEXT);
)SQL";

// The four trade kinds share one header and one line layout.
std::string TradeTables() {
    std::string sql;
    for (const char* t : {"EnterStock", "BackStock", "EnterSale", "BackSale"}) {
        std::string n = t;
        sql += "CREATE TABLE " + n +
               " (Id INTEGER PRIMARY KEY, Canceled TEXT DEFAULT '0', Bill_ID TEXT NOT NULL UNIQUE,"
               " Bill_Date TEXT, Customer TEXT, Department TEXT, Warehouse TEXT, Employee TEXT,"
               " Introduction TEXT, Number TEXT, Total TEXT, Bank TEXT, Pay TEXT);\n";
        sql += "CREATE INDEX ix_" + n + "_date ON " + n + "(Bill_Date);\n";
        sql += "CREATE TABLE " + n +
               "_Detail (Id INTEGER PRIMARY KEY, Canceled TEXT DEFAULT '0', Bill_ID TEXT,"
               " Bill_Date TEXT, Customer TEXT, Department TEXT, Employee TEXT, Warehouse TEXT,"
               " Introduction TEXT, Number TEXT, Total TEXT, Bank TEXT, Pay TEXT,"
               " Product_ID TEXT, Product_Name TEXT, Product_Number TEXT, Product_Unit TEXT,"
               " Product_atch TEXT, Product_Date TEXT, Product_Price TEXT, Product_Total TEXT,"
               " Product_Note TEXT, Product_BarCode TEXT);\n";
        sql += "CREATE INDEX ix_" + n + "_Detail_bill ON " + n + "_Detail(Bill_ID);\n";
        sql += "CREATE INDEX ix_" + n + "_Detail_date ON " + n + "_Detail(Bill_Date);\n";
    }
    return sql;
}

bool Exec(sqlite3* db, const std::string& sql, std::string* error) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) == SQLITE_OK)
        return true;
    if (error)
        *error = msg ? msg : sqlite3_errmsg(db);
    sqlite3_free(msg);
    return false;
}

int UserVersion(sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    int v = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return v;
}

bool CreateWithVersion(sqlite3* db, const std::string& sql, int version, std::string* error) {
    std::string all =
        "BEGIN;\n" + sql + "PRAGMA user_version = " + std::to_string(version) + ";\nCOMMIT;";
    if (Exec(db, all, error))
        return true;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

// Version 2: stock transfers between warehouses, one row per goods line.
constexpr const char* kMainV2 = R"SQL(
CREATE TABLE YiKuDan (
  Id INTEGER PRIMARY KEY, Canceled TEXT DEFAULT '0', Bill_ID TEXT, Bill_Date TEXT,
  Department TEXT, Employee TEXT, Warehouse TEXT, ToWarehouse TEXT, Introduction TEXT,
  Number TEXT, Product_ID TEXT, Product_Name TEXT, Product_Number TEXT, Product_Unit TEXT,
  Product_Note TEXT, Product_BarCode TEXT);
CREATE INDEX ix_yiku_bill ON YiKuDan(Bill_ID);
CREATE INDEX ix_yiku_date ON YiKuDan(Bill_Date);
)SQL";

// Version 3: the moving-average cost of each stock row, starting from its unit price, and the
// cost of each sale and sale-return line (lines posted before stay empty: their cost is unknown).
constexpr const char* kMainV3 = R"SQL(
ALTER TABLE StockPile ADD COLUMN CostPrice TEXT;
UPDATE StockPile SET CostPrice = Price;
ALTER TABLE EnterSale_Detail ADD COLUMN Product_Cost TEXT;
ALTER TABLE BackSale_Detail ADD COLUMN Product_Cost TEXT;
)SQL";

// Receipts and payments (one row per bill), and the indexes the balance and statement queries
// read by: a unit's bills, an account's money, a date range.
constexpr const char* kMainFundBills = R"SQL(
CREATE TABLE IF NOT EXISTS FundBill (
  Id INTEGER PRIMARY KEY, Canceled TEXT DEFAULT '0', Bill_ID TEXT NOT NULL UNIQUE, Bill_Date TEXT,
  Kind TEXT, Customer TEXT, Department TEXT, Employee TEXT, Bank TEXT, Amount TEXT,
  Introduction TEXT);
CREATE INDEX IF NOT EXISTS ix_fund_customer ON FundBill(Customer);
CREATE INDEX IF NOT EXISTS ix_fund_bank ON FundBill(Bank);
CREATE INDEX IF NOT EXISTS ix_fund_date ON FundBill(Bill_Date);
CREATE INDEX IF NOT EXISTS ix_EnterStock_customer ON EnterStock(Customer);
CREATE INDEX IF NOT EXISTS ix_BackStock_customer ON BackStock(Customer);
CREATE INDEX IF NOT EXISTS ix_EnterSale_customer ON EnterSale(Customer);
CREATE INDEX IF NOT EXISTS ix_BackSale_customer ON BackSale(Customer);
)SQL";

// The exact cost price a sale or sale-return line's units left or came in at, so that undoing
// the bill puts them back at it (older lines stay empty and fall back to the line's cost).
constexpr const char* kMainLineUnitCost = R"SQL(
ALTER TABLE EnterSale_Detail ADD COLUMN Product_UnitCost TEXT;
ALTER TABLE BackSale_Detail ADD COLUMN Product_UnitCost TEXT;
)SQL";

// What makes a shared database trustworthy: the token of each write action (a retry after a lost
// reply finds its action stored), and the journal of posted documents with its chain head (one
// row holding the last digest, locked by each writer so the chain never forks).
constexpr const char* kMainTrust = R"SQL(
CREATE TABLE IF NOT EXISTS WriteToken (
  Id INTEGER PRIMARY KEY, Token TEXT NOT NULL UNIQUE, Kind TEXT, Bill_ID TEXT, At TEXT);
CREATE TABLE IF NOT EXISTS BillJournal (
  Seq INTEGER PRIMARY KEY, Kind TEXT NOT NULL, Bill_ID TEXT NOT NULL, Version INTEGER NOT NULL,
  Digest TEXT NOT NULL, PrevDigest TEXT NOT NULL, At TEXT);
CREATE INDEX IF NOT EXISTS ix_journal_bill ON BillJournal(Kind, Bill_ID);
CREATE TABLE IF NOT EXISTS JournalHead (
  Id INTEGER PRIMARY KEY, Seq INTEGER NOT NULL, Digest TEXT NOT NULL);
INSERT INTO JournalHead(Id, Seq, Digest) SELECT 1, -1, '' WHERE NOT EXISTS (SELECT 1 FROM JournalHead);
)SQL";

// Several units per goods item: a unit of `Factor` base units with its own barcode and prices,
// and on every line that moves stock its quantity in base units (lines entered before units
// existed were entered in the base unit).
constexpr const char* kMainUnits = R"SQL(
CREATE TABLE IF NOT EXISTS GoodsUnit (
  Id INTEGER PRIMARY KEY, Product_ID TEXT NOT NULL, Unit TEXT NOT NULL, Factor TEXT NOT NULL,
  BarCode TEXT, PriceIn TEXT, PriceOut TEXT, UNIQUE (Product_ID, Unit));
CREATE UNIQUE INDEX IF NOT EXISTS ux_goodsunit_barcode ON GoodsUnit(BarCode);
ALTER TABLE EnterStock_Detail ADD COLUMN Base_Number TEXT;
ALTER TABLE BackStock_Detail ADD COLUMN Base_Number TEXT;
ALTER TABLE EnterSale_Detail ADD COLUMN Base_Number TEXT;
ALTER TABLE BackSale_Detail ADD COLUMN Base_Number TEXT;
ALTER TABLE BaoSunDan ADD COLUMN Base_Number TEXT;
ALTER TABLE BaoYiDan ADD COLUMN Base_Number TEXT;
ALTER TABLE YiKuDan ADD COLUMN Base_Number TEXT;
UPDATE EnterStock_Detail SET Base_Number = Product_Number WHERE Base_Number IS NULL;
UPDATE BackStock_Detail SET Base_Number = Product_Number WHERE Base_Number IS NULL;
UPDATE EnterSale_Detail SET Base_Number = Product_Number WHERE Base_Number IS NULL;
UPDATE BackSale_Detail SET Base_Number = Product_Number WHERE Base_Number IS NULL;
UPDATE BaoSunDan SET Base_Number = Product_Number WHERE Base_Number IS NULL;
UPDATE BaoYiDan SET Base_Number = Product_Number WHERE Base_Number IS NULL;
UPDATE YiKuDan SET Base_Number = Product_Number WHERE Base_Number IS NULL;
)SQL";

// Opening stock: a goods item's quantity in a warehouse at its cost when the shop starts with
// the program, one row per line like a gain (Product_Price is the cost price).
constexpr const char* kMainOpening = R"SQL(
CREATE TABLE IF NOT EXISTS QiChuKuCun (
  Id INTEGER PRIMARY KEY, Canceled TEXT DEFAULT '0', Bill_ID TEXT, Bill_Date TEXT,
  Department TEXT, Employee TEXT, Warehouse TEXT, Introduction TEXT, Number TEXT, Total TEXT,
  Product_ID TEXT, Product_Name TEXT, Product_Number TEXT, Product_Unit TEXT, Product_atch TEXT,
  Product_Date TEXT, Product_Price TEXT, Product_Total TEXT, Product_Note TEXT,
  Product_BarCode TEXT, Base_Number TEXT);
CREATE INDEX IF NOT EXISTS ix_qichu_bill ON QiChuKuCun(Bill_ID);
CREATE INDEX IF NOT EXISTS ix_qichu_date ON QiChuKuCun(Bill_Date);
)SQL";

// Purchase and sales orders: headers as the trade bills' plus the delivery date and the hand
// marks (closed, voided); lines with a stable Id, their quantity in base units and what has been
// delivered of it (kept by the postings that deliver and reverse). A purchase or sale line made
// from an order names the order line it delivers.
constexpr const char* kMainOrders = R"SQL(
CREATE TABLE IF NOT EXISTS PurchaseOrder (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT NOT NULL UNIQUE, Bill_Date TEXT, Customer TEXT,
  Department TEXT, Warehouse TEXT, Employee TEXT, Introduction TEXT, Delivery_Date TEXT,
  Number TEXT, Total TEXT, Closed TEXT NOT NULL DEFAULT '0', Voided TEXT NOT NULL DEFAULT '0');
CREATE TABLE IF NOT EXISTS PurchaseOrder_Detail (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT NOT NULL, Product_ID TEXT, Product_Name TEXT,
  Product_Number TEXT, Product_Unit TEXT, Base_Number INTEGER NOT NULL, Product_Price TEXT,
  Product_Total TEXT, Product_Note TEXT, Product_BarCode TEXT,
  Delivered INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS ix_purchaseorder_date ON PurchaseOrder(Bill_Date);
CREATE INDEX IF NOT EXISTS ix_purchaseorder_detail_bill ON PurchaseOrder_Detail(Bill_ID);
CREATE TABLE IF NOT EXISTS SaleOrder (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT NOT NULL UNIQUE, Bill_Date TEXT, Customer TEXT,
  Department TEXT, Warehouse TEXT, Employee TEXT, Introduction TEXT, Delivery_Date TEXT,
  Number TEXT, Total TEXT, Closed TEXT NOT NULL DEFAULT '0', Voided TEXT NOT NULL DEFAULT '0');
CREATE TABLE IF NOT EXISTS SaleOrder_Detail (
  Id INTEGER PRIMARY KEY, Bill_ID TEXT NOT NULL, Product_ID TEXT, Product_Name TEXT,
  Product_Number TEXT, Product_Unit TEXT, Base_Number INTEGER NOT NULL, Product_Price TEXT,
  Product_Total TEXT, Product_Note TEXT, Product_BarCode TEXT,
  Delivered INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS ix_saleorder_date ON SaleOrder(Bill_Date);
CREATE INDEX IF NOT EXISTS ix_saleorder_detail_bill ON SaleOrder_Detail(Bill_ID);
ALTER TABLE EnterStock_Detail ADD COLUMN Order_Line_ID INTEGER;
ALTER TABLE EnterSale_Detail ADD COLUMN Order_Line_ID INTEGER;
)SQL";

// Monthly summaries of the trade lines; then their warehouse-less months, quarters and years,
// every level built over the lines already stored.
const std::string kMainSummaries = LineSummaryStepSql();
const std::string kMainSummaryLevels = SummaryLevelsStepSql();
const std::string kMainSummaryDays = SummaryDaysStepSql();

// Each order keeps how many of its lines are not fully delivered and how many have deliveries,
// so the order list tells every status from the headers alone; the postings keep them. On a
// server the order lines' base quantities hold 64 bits, as they do in a file.
constexpr const char* kMainOrderCounts = R"SQL(
ALTER TABLE PurchaseOrder ADD COLUMN Open_Lines INTEGER NOT NULL DEFAULT 0;
ALTER TABLE PurchaseOrder ADD COLUMN Started_Lines INTEGER NOT NULL DEFAULT 0;
ALTER TABLE SaleOrder ADD COLUMN Open_Lines INTEGER NOT NULL DEFAULT 0;
ALTER TABLE SaleOrder ADD COLUMN Started_Lines INTEGER NOT NULL DEFAULT 0;
/*server:
ALTER TABLE PurchaseOrder_Detail ALTER COLUMN Base_Number TYPE BIGINT,
  ALTER COLUMN Delivered TYPE BIGINT;
ALTER TABLE SaleOrder_Detail ALTER COLUMN Base_Number TYPE BIGINT,
  ALTER COLUMN Delivered TYPE BIGINT;
ALTER TABLE EnterStock_Detail ALTER COLUMN Order_Line_ID TYPE BIGINT;
ALTER TABLE EnterSale_Detail ALTER COLUMN Order_Line_ID TYPE BIGINT;
:server*/
UPDATE PurchaseOrder SET
  Open_Lines = (SELECT count(*) FROM PurchaseOrder_Detail d
                WHERE d.Bill_ID = PurchaseOrder.Bill_ID AND d.Delivered < d.Base_Number),
  Started_Lines = (SELECT count(*) FROM PurchaseOrder_Detail d
                   WHERE d.Bill_ID = PurchaseOrder.Bill_ID AND d.Delivered > 0);
UPDATE SaleOrder SET
  Open_Lines = (SELECT count(*) FROM SaleOrder_Detail d
                WHERE d.Bill_ID = SaleOrder.Bill_ID AND d.Delivered < d.Base_Number),
  Started_Lines = (SELECT count(*) FROM SaleOrder_Detail d
                   WHERE d.Bill_ID = SaleOrder.Bill_ID AND d.Delivered > 0);
)SQL";

// On a server the summaries' pages keep a fifth free: a posting's upsert then writes a row's new
// version beside the old one without touching the indexes (a heap-only update), a third of the
// cost of one that moves. Pages already full get the room as their rows move once. A file
// updates in place and needs none.
constexpr const char* kMainSummaryRoom = R"SQL(
/*server:
ALTER TABLE Summary_Goods SET (fillfactor = 80);
ALTER TABLE Summary_Key SET (fillfactor = 80);
:server*/
)SQL";

// Upgrade steps: element i takes a file from version i+1 to i+2.
const std::vector<const char*> kMainSteps = {kMainV2,
                                             kMainV3,
                                             kMainFundBills,
                                             kMainLineUnitCost,
                                             kMainTrust,
                                             kMainUnits,
                                             kMainOpening,
                                             kMainOrders,
                                             kMainSummaries.c_str(),
                                             kMainOrderCounts,
                                             kMainSummaryLevels.c_str(),
                                             kMainSummaryRoom,
                                             kMainSummaryDays.c_str()};
// Roles and their rights beside the operators: each operator has one role, 管理员 (the first
// role made) unless told otherwise, so the operators of an upgraded file keep every right.
constexpr const char* kOtherRoles = R"SQL(
CREATE TABLE IF NOT EXISTS Role (Id INTEGER PRIMARY KEY, Name TEXT NOT NULL UNIQUE, Note TEXT);
CREATE TABLE IF NOT EXISTS RoleRight (
  Id INTEGER PRIMARY KEY, Role_ID INTEGER NOT NULL, Function TEXT NOT NULL, Actions TEXT,
  UNIQUE (Role_ID, Function));
CREATE TABLE IF NOT EXISTS RoleWarehouse (
  Id INTEGER PRIMARY KEY, Role_ID INTEGER NOT NULL, Warehouse TEXT NOT NULL,
  UNIQUE (Role_ID, Warehouse));
CREATE TABLE IF NOT EXISTS RolePrice (
  Id INTEGER PRIMARY KEY, Role_ID INTEGER NOT NULL, Hide TEXT NOT NULL, UNIQUE (Role_ID, Hide));
ALTER TABLE Manage ADD COLUMN Role_ID INTEGER DEFAULT 1;
)SQL";
// The upgrade makes the preset roles with the tables; new data gets them from its set-up.
const std::string kOtherRolesStep = std::string(kOtherRoles) + PresetRolesSql();
// Preset roles of an older folder gain the rights their presets gained since.
const std::string kOtherPresetsGainedStep = PresetRightsGainedSql();
const std::vector<const char*> kOtherSteps = {kOtherRolesStep.c_str(),
                                              kOtherPresetsGainedStep.c_str()};

// The upgrade step that adds the journal leaves a head of Seq -1: the chain is still to be built
// over the bills already stored, which the store has done before its first statement (in a
// transaction of its own, so a build cut short is done again). New data starts with no head:
// an empty chain, which the first posting begins. A head removed from outside is no reason to
// build anything: the check reports it.
constexpr const char* kJournalUnbuilt = "SELECT count(*) FROM JournalHead WHERE Seq < 0";
constexpr const char* kNoJournalHead = "DELETE FROM JournalHead;\n";
// The version whose step adds the journal.
constexpr int kJournalSchemaVersion = 6;

} // namespace

bool JournalUnbuilt(sqlite3* db, bool* unbuilt, std::string* error) {
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_prepare_v2(db, kJournalUnbuilt, -1, &st, nullptr) == SQLITE_OK &&
              sqlite3_step(st) == SQLITE_ROW;
    if (ok)
        *unbuilt = sqlite3_column_int(st, 0) != 0;
    else if (error)
        *error = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    return ok;
}

namespace {
// The main tables' DDL at `version`: the first one and the steps up to it, at once. Tables made
// whole have no bills to build a journal over: no head to say it is still to be built.
std::string MainSchemaSql(int version) {
    std::string sql = std::string(kMainV1) + TradeTables();
    for (int v = 1; v < version && v <= static_cast<int>(kMainSteps.size()); ++v)
        sql += std::string(kMainSteps[static_cast<size_t>(v - 1)]) + "\n";
    if (version >= kJournalSchemaVersion)
        sql += kNoJournalHead;
    return sql;
}
} // namespace

bool CreateMainSchema(sqlite3* db, std::string* error) {
    return CreateMainSchemaAt(db, kMainSchemaVersion, error);
}

bool CreateMainSchemaAt(sqlite3* db, int version, std::string* error) {
    return CreateWithVersion(db, MainSchemaSql(version), version, error);
}

namespace {
// The other tables' DDL at `version`, without rows.
std::string OtherSchemaSql(int version) {
    std::string sql = kOtherV1;
    if (version >= 2)
        sql += kOtherRoles;
    return sql;
}
} // namespace

bool CreateOtherSchema(sqlite3* db, std::string* error) {
    return CreateWithVersion(db, OtherSchemaSql(kOtherSchemaVersion) + PresetRolesSql(),
                             kOtherSchemaVersion, error);
}

bool CreateOtherSchemaAt(sqlite3* db, int version, std::string* error) {
    return CreateWithVersion(db, OtherSchemaSql(version), version, error);
}

bool UpgradeSchema(sqlite3* db, const std::string& relativePath, std::string* error) {
    int version = UserVersion(db);
    if (version < 0) {
        if (error)
            *error = sqlite3_errmsg(db);
        return false;
    }
    if (version == 0)
        return true; // not stamped by this program: left for the first statement to judge
    bool main = relativePath.find("main_data") != std::string::npos;
    const auto& steps = main ? kMainSteps : kOtherSteps;
    int current = main ? kMainSchemaVersion : kOtherSchemaVersion;
    if (version > current) {
        if (error)
            *error = "数据文件由更新版本的程序创建 (version " + std::to_string(version) + ")";
        return false;
    }
    for (int v = version; v < current; ++v) {
        std::string sql = std::string(steps[static_cast<size_t>(v - 1)]) + "\n";
        if (!CreateWithVersion(db, sql, v + 1, error))
            return false;
    }
    return true;
}

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The DDL of the files, in the server's words: identity ids, the operator names' case-blind
// uniqueness as a unique index on lower(), and the column User quoted (a reserved word there).
std::string ServerDdl(std::string sql) {
    ReplaceAll(sql, "INTEGER PRIMARY KEY", "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    ReplaceAll(sql, "UserName TEXT NOT NULL UNIQUE COLLATE NOCASE", "UserName TEXT NOT NULL");
    ReplaceAll(sql, " User TEXT", " \"User\" TEXT");
    // A step run again (tables restored under an older version row) finds its columns there.
    ReplaceAll(sql, "ADD COLUMN ", "ADD COLUMN IF NOT EXISTS ");
    // Statements for the server alone stand in a comment the files' engine skips; those for
    // the files alone between two comments the server's words leave out (a step run again on
    // the server must find its work done, as a rename's is).
    ReplaceAll(sql, "/*server:", "");
    ReplaceAll(sql, ":server*/", "");
    for (size_t at = sql.find("/*file:*/"); at != std::string::npos;
         at = sql.find("/*file:*/", at)) {
        const size_t end = sql.find("/*:file*/", at);
        sql.erase(at, end == std::string::npos ? std::string::npos : end + 9 - at);
    }
    if (sql.find("CREATE TABLE Manage") != std::string::npos)
        sql += "CREATE UNIQUE INDEX ux_manage_username ON Manage (lower(UserName));\n";
    return sql;
}

using Result = PgResult;

// The configuration lists' document, kept on a server as the bytes of its file (one row named
// after the file), so a document in any encoding comes back exactly as it went in.
constexpr const char* kServerConfigTable =
    "CREATE TABLE ferix_config (name TEXT PRIMARY KEY, content BYTEA NOT NULL);\n";

} // namespace

const char* SchemaName(bool mainTables) {
    return mainTables ? "main_data" : "other_data";
}

bool ServerJournalUnbuilt(PGconn* conn, bool* unbuilt, std::string* error) {
    Result r(PQexec(conn, kJournalUnbuilt));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1) {
        if (error)
            *error = PQerrorMessage(conn);
        return false;
    }
    *unbuilt = std::string_view(PQgetvalue(r.get(), 0, 0)) != "0";
    return true;
}

bool CreateServerSchema(PGconn* conn, bool mainTables, std::string* error) {
    std::string sql = "CREATE TABLE IF NOT EXISTS ferix_schema (name TEXT PRIMARY KEY,"
                      " version INTEGER NOT NULL);\n";
    if (mainTables) {
        sql += ServerDdl(MainSchemaSql(kMainSchemaVersion));
    } else {
        // Without the preset roles: the set-up adds them, a copy brings the file's.
        sql += ServerDdl(OtherSchemaSql(kOtherSchemaVersion)) + kServerConfigTable;
    }
    sql += std::string("INSERT INTO ferix_schema(name, version) VALUES ('") +
           SchemaName(mainTables) + "', " +
           std::to_string(mainTables ? kMainSchemaVersion : kOtherSchemaVersion) + ");";
    return ServerExec(conn, sql, error);
}

namespace {
// The version row of one set of tables. A database without them is refused with its message.
bool ReadServerVersion(PGconn* conn, bool mainTables, int* version, std::string* error) {
    const std::string sql = std::string("SELECT version FROM ferix_schema WHERE name = '") +
                            SchemaName(mainTables) + "'";
    Result r(PQexec(conn, sql.c_str()));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1) {
        const char* state = r ? PQresultErrorField(r.get(), PG_DIAG_SQLSTATE) : nullptr;
        // No version table (42P01) or no row for these tables: not this program's database.
        const bool foreign = (r && PQresultStatus(r.get()) == PGRES_TUPLES_OK) ||
                             (state && std::string_view(state) == "42P01");
        if (error) {
            const char* primary =
                r ? PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
            *error = foreign ? kNoServerDataText : primary ? primary : PQerrorMessage(conn);
        }
        return false;
    }
    *version = std::atoi(PQgetvalue(r.get(), 0, 0));
    return true;
}
} // namespace

bool ServerSchemaBehind(PGconn* conn, bool* behind, std::string* error) {
    *behind = false;
    for (bool mainTables : {true, false}) {
        int version = 0;
        if (!ReadServerVersion(conn, mainTables, &version, error))
            return false;
        *behind = *behind || version < (mainTables ? kMainSchemaVersion : kOtherSchemaVersion);
    }
    return true;
}

bool UpgradeServerSchema(PGconn* conn, bool mainTables, std::string* error) {
    const int current = mainTables ? kMainSchemaVersion : kOtherSchemaVersion;
    int version = 0;
    if (!ReadServerVersion(conn, mainTables, &version, error))
        return false;
    if (version > current) {
        if (error)
            *error = "数据库由更新版本的程序创建 (version " + std::to_string(version) + ")";
        return false;
    }
    if (version == current)
        return true;
    // A workstation on the work role cannot change tables; it says so rather than fail half-way.
    bool owns = false;
    if (!OwnsProgramTables(conn, &owns, error))
        return false;
    if (!owns) {
        if (error)
            *error = kUpgradeNeedsOwnerText;
        return false;
    }
    // Read again under the lock: another workstation may have upgraded meanwhile.
    bool ok = ServerExec(conn, "BEGIN; LOCK TABLE ferix_schema IN EXCLUSIVE MODE;", error) &&
              ReadServerVersion(conn, mainTables, &version, error);
    if (ok && version < current)
        ok = UpgradeServerTablesFrom(conn, mainTables, version, error);
    if (ok)
        ok = ServerExec(conn, "COMMIT", error);
    if (!ok)
        ServerExec(conn, "ROLLBACK", nullptr);
    return ok;
}

bool CreateServerMainTablesAt(PGconn* conn, int version, std::string* error) {
    return ServerExec(conn, ServerDdl(MainSchemaSql(version)), error);
}

bool UpgradeServerTablesFrom(PGconn* conn, bool mainTables, int version, std::string* error) {
    const int current = mainTables ? kMainSchemaVersion : kOtherSchemaVersion;
    const auto& steps = mainTables ? kMainSteps : kOtherSteps;
    for (int v = version; v < current; ++v)
        if (!ServerExec(conn, ServerDdl(steps[static_cast<size_t>(v - 1)]), error))
            return false;
    // The work roles get their rights on what the steps made (a restore makes tables anew too).
    return ServerExec(conn,
                      "UPDATE ferix_schema SET version = " + std::to_string(current) +
                          " WHERE name = '" + SchemaName(mainTables) + "'",
                      error) &&
           GrantRememberedWorkRoles(conn, error);
}
