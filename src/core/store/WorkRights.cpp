#include "WorkRights.h"

#include "ServerConnection.h"

#include <vector>

namespace {

// Every table of the program. A schema step that adds a table adds it here, with the rights
// below that daily work needs on it.
const std::vector<const char*> kProgramTables = {"ferix_product",
                                                 "ferix_product_class",
                                                 "GoodsUnit",
                                                 "ferix_customer",
                                                 "StockPile",
                                                 "BaoSunDan",
                                                 "BaoYiDan",
                                                 "TiaoJiaDan",
                                                 "EnterStock",
                                                 "EnterStock_Detail",
                                                 "BackStock",
                                                 "BackStock_Detail",
                                                 "EnterSale",
                                                 "EnterSale_Detail",
                                                 "BackSale",
                                                 "BackSale_Detail",
                                                 "YiKuDan",
                                                 "FundBill",
                                                 "QiChuKuCun",
                                                 "PurchaseOrder",
                                                 "PurchaseOrder_Detail",
                                                 "SaleOrder",
                                                 "SaleOrder_Detail",
                                                 "Summary_Goods",
                                                 "Summary_Key",
                                                 "WriteToken",
                                                 "BillJournal",
                                                 "JournalHead",
                                                 "Manage",
                                                 "Role",
                                                 "RoleRight",
                                                 "RoleWarehouse",
                                                 "RolePrice",
                                                 "Log",
                                                 "Setting",
                                                 "ferix_config",
                                                 "ferix_schema",
                                                 "ferix_work_role"};

// Read by every workstation, changed only by the owner.
const std::vector<const char*> kReadOnly = {"ferix_schema", "ferix_work_role"};
// Rows daily work changes: stock, master data, the lists' document, operators, settings, the
// journal's chain head, the orders' marks and delivered quantities, the monthly summaries.
const std::vector<const char*> kUpdated = {
    "StockPile",    "ferix_product",    "GoodsUnit",     "ferix_customer",
    "ferix_config", "Manage",           "Setting",       "JournalHead",
    "Role",         "RoleRight",        "PurchaseOrder", "PurchaseOrder_Detail",
    "SaleOrder",    "SaleOrder_Detail", "Summary_Goods", "Summary_Key"};
// Bills are never changed but for the mark a reversal sets.
const std::vector<const char*> kCanceledOnly = {
    "EnterStock", "EnterStock_Detail", "BackStock", "BackStock_Detail",
    "EnterSale",  "EnterSale_Detail",  "BackSale",  "BackSale_Detail",
    "YiKuDan",    "FundBill",          "QiChuKuCun"};
// Rows daily work deletes: goods, classes, business units, operators, the log's clearing.
const std::vector<const char*> kDeleted = {
    "ferix_product", "GoodsUnit", "ferix_product_class", "ferix_customer", "Manage",
    "Log",           "Role",      "RoleRight",           "RoleWarehouse",  "RolePrice"};

bool Contains(const std::vector<const char*>& list, const std::string& name) {
    for (const char* n : list)
        if (name == n)
            return true;
    return false;
}

// One text value of a one-row query with the given parameters.
bool QueryText(PGconn* conn, const char* sql, const std::vector<std::string>& params,
               std::string* value, std::string* error) {
    std::vector<const char*> values;
    for (const auto& p : params)
        values.push_back(p.c_str());
    PgResult r(PQexecParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(),
                            nullptr, nullptr, 0));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
        const char* primary = r ? PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        if (error)
            *error = primary ? primary : ServerErrorText(conn);
        return false;
    }
    *value = PQntuples(r.get()) > 0 && !PQgetisnull(r.get(), 0, 0) ? PQgetvalue(r.get(), 0, 0)
                                                                   : std::string();
    return true;
}

} // namespace

bool OwnsProgramTables(PGconn* conn, bool* owns, std::string* error) {
    std::string value;
    if (!QueryText(conn,
                   "SELECT pg_has_role(current_user, relowner, 'USAGE') FROM pg_class"
                   " WHERE oid = to_regclass('ferix_schema')",
                   {}, &value, error))
        return false;
    *owns = value == "t";
    return true;
}

bool GrantWorkRights(PGconn* conn, const std::string& role, std::string* error) {
    std::string quotedRole, schema;
    if (!QueryText(conn, "SELECT quote_ident($1::text)", {role}, &quotedRole, error) ||
        !QueryText(conn, "SELECT quote_ident(current_schema())", {}, &schema, error))
        return false;
    std::string sql = "GRANT USAGE ON SCHEMA " + schema + " TO " + quotedRole + ";\n";
    for (const char* table : kProgramTables) {
        std::string exists;
        if (!QueryText(conn, "SELECT to_regclass($1::text) IS NOT NULL", {table}, &exists, error))
            return false;
        if (exists != "t")
            continue; // made by a later step, which grants it then
        const std::string name = table;
        sql += "REVOKE ALL ON " + name + " FROM " + quotedRole + ";\n";
        sql += "GRANT SELECT" + std::string(Contains(kReadOnly, name) ? "" : ", INSERT") +
               (Contains(kUpdated, name) ? ", UPDATE" : "") +
               (Contains(kDeleted, name) ? ", DELETE" : "") + " ON " + name + " TO " + quotedRole +
               ";\n";
        if (Contains(kCanceledOnly, name))
            sql += "GRANT UPDATE (Canceled) ON " + name + " TO " + quotedRole + ";\n";
    }
    // SELECT as well: a backup (pg_dump) reads each sequence's value.
    sql += "GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA " + schema + " TO " + quotedRole + ";\n";
    return ServerExec(conn, sql, error);
}

bool RememberWorkRole(PGconn* conn, const std::string& role, std::string* error) {
    if (!ServerExec(conn, "CREATE TABLE IF NOT EXISTS ferix_work_role (name TEXT PRIMARY KEY)",
                    error))
        return false;
    const char* values[] = {role.c_str()};
    PgResult r(PQexecParams(conn,
                            "INSERT INTO ferix_work_role(name) VALUES ($1) ON CONFLICT DO NOTHING",
                            1, nullptr, values, nullptr, nullptr, 0));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        if (error)
            *error = ServerErrorText(conn);
        return false;
    }
    return GrantWorkRights(conn, role, error);
}

bool GrantRememberedWorkRoles(PGconn* conn, std::string* error) {
    std::string exists;
    if (!QueryText(conn, "SELECT to_regclass('ferix_work_role') IS NOT NULL", {}, &exists, error))
        return false;
    if (exists != "t")
        return true;
    PgResult r(PQexec(conn, "SELECT name FROM ferix_work_role ORDER BY name"));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
        if (error)
            *error = ServerErrorText(conn);
        return false;
    }
    for (int i = 0; i < PQntuples(r.get()); ++i)
        if (!GrantWorkRights(conn, PQgetvalue(r.get(), i, 0), error))
            return false;
    return true;
}
