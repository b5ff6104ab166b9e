#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Stock warnings (库存预警): goods whose stock, summed over the chosen warehouses, is below their
// lower limit or above their upper limit.

extern const char* const kBelowLowerLimit; // "低于下限"
extern const char* const kAboveUpperLimit; // "高于上限"

struct StockWarningRow {
    std::string code, name, unit;
    int64_t quantity = 0;
    std::string low, high; // the limits as whole numbers, empty when not set
    std::string state;     // kBelowLowerLimit or kAboveUpperLimit
    std::string suggested; // below the lower limit: lower − current; otherwise empty
    std::string packed;    // 折合: the quantity told in the goods' units ("12箱3个")
};

struct StockWarnings {
    std::vector<StockWarningRow> rows; // in goods code order
    // Names of the goods whose limits are set but not whole numbers: they take no part.
    std::vector<std::string> badLimits;
    int64_t belowLowerLimit = 0; // goods below their lower limit, rows made or not
    bool ok = false;
};

// The warnings for one warehouse, or every warehouse with "全部". Goods never stocked there
// count as 0. Nothing but `ok` false, after the store's message, when the data cannot be read.
// Without `withRows`, the counts and the bad limits alone (the home page, the status bar).
StockWarnings LoadStockWarnings(const std::string& warehouse, bool withRows = true);

// The list's headers and one row's cells under them (the window adds 折合 after them).
const std::vector<std::string>& StockWarningHeaders();
std::vector<std::string> StockWarningCells(const StockWarningRow& row);
// What "生成采购订单" orders of a row below its lower limit: the warning's suggestion, else up
// to the upper limit, else up to the lower one; nothing for other rows (and for nothing to buy).
std::optional<int64_t> OrderQuantityOf(const StockWarningRow& row);
// The note under the list for goods with limits that are not whole numbers; empty when none.
std::string BadLimitsNote(const std::vector<std::string>& names);
// The status bar's notice after login: "库存预警：N 种商品低于下限".
std::string StockWarningNotice(int64_t belowLowerLimit);
int64_t CountBelowLowerLimit(const StockWarnings& warnings);
