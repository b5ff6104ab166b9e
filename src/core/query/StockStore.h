#pragma once
#include "store/Records.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CDataStore;

// The stock view's list and the stock warnings' figures, read from the main data file.

// Stock rows of the goods of one class ("所有商品": all goods) in one warehouse ("全部" or
// empty: all), joined on the goods code, in goods order and then stock-row order. Each stock
// row comes once. Appends to `list`; false after a message, with the rows read so far.
bool ListStockOfClass(CDataStore& store, const std::string& warehouse, const std::string& className,
                      std::vector<StockRecord>& list);
// The same rows, each made into the list's cells by `cells` as it is read (so the rows are never
// held twice); the row given has no Id and no LastLeaveTime. `baseUnits`, when given, gets the
// code and base unit of each goods item of the class, read with their codes.
using StockCellsMaker = std::vector<std::string> (*)(StockRecord&& row);
using GoodsBaseUnits = std::vector<std::pair<std::string, std::string>>;
bool ListStockCellsOfClass(CDataStore& store, const std::string& warehouse,
                           const std::string& className, StockCellsMaker cells,
                           std::vector<std::vector<std::string>>& list, GoodsBaseUnits* baseUnits);

// Goods whose InventoryLow or InventoryHigh is not blank, in goods-list order; and the
// stock quantity of each of `codes` summed over one warehouse ("全部" or empty: all), in the
// codes' order (a code listed twice is summed at its first place). False after a message.
bool ListGoodsWithLimits(CDataStore& store, std::vector<GoodsLimitRecord>& list);
bool SumStockOfCodes(CDataStore& store, const std::string& warehouse,
                     const std::vector<std::string>& codes, std::vector<int64_t>& quantities);
