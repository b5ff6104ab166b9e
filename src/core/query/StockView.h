#pragma once
#include "basic/GoodsUnits.h"
#include "store/AllEntries.h"
#include "store/Records.h"
#include "text/Money.h"

#include <optional>
#include <string>
#include <vector>

// What the stock view shows: the stock rows of one goods class in one warehouse.

// The column headers of the stock list (the six of every stock row, then 成本单价 and 库存金额),
// and the cells of one row under them.
const std::vector<std::string>& StockViewHeaders();
std::vector<std::string> StockViewCells(const StockRecord& row);
// The same, the row's texts moved into their cells.
std::vector<std::string> StockViewCells(StockRecord&& row);
// What a stock row is worth: quantity × cost price, exact; nothing when it cannot be held or the
// cost price is no number (a row written by hand).
std::optional<CMoney> StockValue(const StockRecord& row);
// A figure that cannot be computed is shown as this, never as 0.00 (the list, print, export).
extern const char* const kUnknownFigure; // "—"
// The cost price as shown, four decimals, or kUnknownFigure.
std::string StockCostText(const StockRecord& row);
// The value as shown, two decimals, or kUnknownFigure.
std::string StockValueText(const StockRecord& row);
// The total value of the rows: the sum of the values each row shows (two rows of 0.005 show
// 0.01 each and total 0.02), or kUnknownFigure when a row's value is beyond what money holds.
std::string StockTotalValueText(const std::vector<StockRecord>& rows);
// The 合计 row under the list: the total quantity and the total value of the rows.
std::vector<std::string> StockViewTotalCells(const std::vector<StockRecord>& rows);
// The same from the rows' cells as StockViewCells made them: their 商品数量 and 库存金额 (a
// hidden value leaves the total hidden).
std::vector<std::string> StockViewTotalCells(const std::vector<std::vector<std::string>>& shown);
extern const char* const kStockTotalText; // "合计"

// The stock rows of the class's goods in the warehouse, in the order the window lists them:
// the last goods item's rows first. Nothing, after the store's message, when the data file
// cannot be opened or a read failed before any row (the window then keeps what it shows);
// after a later failure, the rows read before it.
std::optional<std::vector<StockRecord>> LoadStockView(const std::string& warehouse,
                                                      const std::string& className);
// The same, with the goods' units for 折合 read on the same connection into `packing` (left
// empty, after the store's message, when they cannot be read; the rows are still given).
std::optional<std::vector<StockRecord>> LoadStockView(const std::string& warehouse,
                                                      const std::string& className,
                                                      std::optional<CGoodsPacking>* packing);
// The rows as the window shows them, their cells made as each row is read: the list holds
// 60,000 rows once, not as rows and cells both.
std::optional<std::vector<std::vector<std::string>>>
LoadStockViewCells(const std::string& warehouse, const std::string& className,
                   std::optional<CGoodsPacking>* packing);

// 折合: the stock row's quantity told in its goods' units ("12箱3个"), the last column of the
// window's list; the units of every goods item are read once for the whole list.
extern const char* const kPackedHeader; // "折合"
std::string StockPackedText(const StockRecord& row, const CGoodsPacking& packing);
// The same from the row's cells as the list shows them (its 商品编码 and 商品数量), so the window
// tells only the rows it draws or exports.
std::string StockPackedText(const std::vector<std::string>& cells, const CGoodsPacking& packing);
// The units of every goods item; nothing after the store's message when they cannot be read.
std::optional<CGoodsPacking> LoadGoodsPacking();

// The warehouse drop-down list: "全部" and the configured warehouses, in text order.
std::vector<std::string> StockViewWarehouses();
