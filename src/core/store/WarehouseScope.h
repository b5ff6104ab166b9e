#pragma once
#include "CStatement.h"

#include <string>
#include <string_view>

// The logged-in operator's warehouse scope, applied by the store's own queries and by posting.
// A role with no warehouse listed sees every warehouse: then nothing is added to a query, so
// 管理员 reads exactly as before.

// "column in (?, ?)" with the scope's names appended to `values` (placeholders, never names
// pasted into the text); empty when the role sees every warehouse.
std::string WarehouseScopeCondition(std::string_view column, SqlValues& values);
// The condition for a row that belongs to two warehouses (a transfer's source and target): in
// scope when either is. Empty when the role sees every warehouse.
std::string WarehousePairScopeCondition(std::string_view column, std::string_view otherColumn,
                                        SqlValues& values);
// Append the condition to `sql` after " where " (when `hasWhere` is false) or " and ".
void AddWarehouseScope(std::string& sql, SqlValues& values, std::string_view column, bool hasWhere);
void AddWarehousePairScope(std::string& sql, SqlValues& values, std::string_view column,
                           std::string_view otherColumn, bool hasWhere);
// The warehouse a caller chose ("全部" or empty: all): "column = ?" for one named in the scope,
// the scope's condition for all; false after the refusal (nothing added) for one outside it.
// A column written "+Column" (SQLite's way of keeping an index out of a plan) has the scope read
// along the table while one chosen warehouse is still looked up by its index.
bool AddWarehouseChoice(std::string& sql, SqlValues& values, std::string_view column,
                        const std::string& warehouse, bool hasWhere);

// "您没有仓库“X”的权限！"
std::string WarehouseScopeRefusalText(const std::string& warehouse);
// A warehouse a caller names (a drop-down, `--warehouse`, a bill's warehouses): true when the
// role sees it; otherwise false after the refusal. Empty and "全部" stand for the whole scope.
bool CheckWarehouseScope(const std::string& warehouse);
// Whether this process has refused a warehouse (ferix-cli exits for it as for a rights refusal).
bool WarehouseScopeRefused();
