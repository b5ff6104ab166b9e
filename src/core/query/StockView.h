#pragma once
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

// What the stock view shows: the stock rows of one goods class in one warehouse.

extern const char* const kAllWarehouses; // "全部": every warehouse

// The six column headers of the stock list, and the cells of one row under them.
const std::vector<std::string>& StockViewHeaders();
std::vector<std::string> StockViewCells(const StockRecord& row);

// The stock rows of the class's goods in the warehouse, in the order the window lists them:
// the last goods item's rows first. Nothing, after the store's message, when the data file
// cannot be opened or a read failed before any row (the window then keeps what it shows);
// after a later failure, the rows read before it.
std::optional<std::vector<StockRecord>> LoadStockView(const std::string& warehouse,
                                                      const std::string& className);

// The warehouse drop-down list: "全部" and the configured warehouses, in text order.
std::vector<std::string> StockViewWarehouses();
