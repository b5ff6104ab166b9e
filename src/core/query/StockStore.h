#pragma once
#include "store/Records.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CDataStore;

// The stock view's list and the stock warnings' figures, read from the main data file.

// Stock rows of the goods of one class ("所有商品": all goods) in one warehouse ("全部" or
// empty: all), joined on the goods code, in goods order and then stock-row order. Each stock
// row comes once. Appends to `list`; false after a message, with the rows read so far.
bool ListStockOfClass(CDataStore& store, const std::string& warehouse, const std::string& className,
                      std::vector<StockRecord>& list);

// Goods whose InventoryLow or InventoryHigh is not blank, in goods-list order; and the
// stock quantity of every goods code summed over one warehouse ("全部" or empty: all).
// False after a message.
bool ListGoodsWithLimits(CDataStore& store, std::vector<GoodsLimitRecord>& list);
bool SumStockByCode(CDataStore& store, const std::string& warehouse,
                    std::unordered_map<std::string, int64_t>& quantities);
