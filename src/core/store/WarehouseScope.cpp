#include "WarehouseScope.h"

#include "AllEntries.h"
#include "Session.h"
#include "port/MessagePort.h"

namespace {
bool g_refused = false;

// "(column = ? or column = ?…)": a role names a few warehouses, and plain comparisons cost a
// row far less than the look-up table SQLite builds for "in (…)".
std::string InList(std::string_view column, SqlValues& values) {
    const auto& scope = Session().rights.AllowedWarehouses();
    std::string sql = "(";
    for (size_t i = 0; i < scope.size(); ++i) {
        if (i)
            sql += " or ";
        sql += column;
        sql += " = ?";
        values.push_back(scope[i]);
    }
    return sql + ")";
}
} // namespace

std::string WarehouseScopeCondition(std::string_view column, SqlValues& values) {
    if (Session().rights.AllowedWarehouses().empty())
        return {};
    return InList(column, values);
}

std::string WarehousePairScopeCondition(std::string_view column, std::string_view otherColumn,
                                        SqlValues& values) {
    if (Session().rights.AllowedWarehouses().empty())
        return {};
    std::string sql = "(" + InList(column, values);
    return sql + " or " + InList(otherColumn, values) + ")";
}

void AddWarehouseScope(std::string& sql, SqlValues& values, std::string_view column,
                       bool hasWhere) {
    const std::string condition = WarehouseScopeCondition(column, values);
    if (!condition.empty())
        sql += (hasWhere ? " and " : " where ") + condition;
}

void AddWarehousePairScope(std::string& sql, SqlValues& values, std::string_view column,
                           std::string_view otherColumn, bool hasWhere) {
    const std::string condition = WarehousePairScopeCondition(column, otherColumn, values);
    if (!condition.empty())
        sql += (hasWhere ? " and " : " where ") + condition;
}

bool AddWarehouseChoice(std::string& sql, SqlValues& values, std::string_view column,
                        const std::string& warehouse, bool hasWhere) {
    if (!CheckWarehouseScope(warehouse))
        return false;
    if (warehouse.empty() || warehouse == kAllWarehouses) {
        AddWarehouseScope(sql, values, column, hasWhere);
    } else {
        // One chosen warehouse is looked up by its index, whatever the scope's column says.
        if (column.starts_with('+'))
            column.remove_prefix(1);
        sql += (hasWhere ? " and " : " where ") + std::string(column) + " = ?";
        values.push_back(warehouse);
    }
    return true;
}

std::string WarehouseScopeRefusalText(const std::string& warehouse) {
    return "您没有仓库“" + warehouse + "”的权限！";
}

bool CheckWarehouseScope(const std::string& warehouse) {
    if (warehouse.empty() || warehouse == kAllWarehouses ||
        Session().rights.SeesWarehouse(warehouse))
        return true;
    g_refused = true;
    Messages().Inform(WarehouseScopeRefusalText(warehouse));
    return false;
}

bool WarehouseScopeRefused() {
    return g_refused;
}
