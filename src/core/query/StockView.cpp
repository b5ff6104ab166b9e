#include "StockView.h"

#include "StockStore.h"
#include "bills/ListedNames.h"
#include "config/ConfigLists.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "text/TextOrder.h"

#include <algorithm>

const std::vector<std::string>& StockViewHeaders() {
    static const std::vector<std::string> headers = {"商品编码", "商品名称",     "商品数量",
                                                     "商品单价", "首次入库时间", "所在仓库",
                                                     "成本单价", "库存金额"};
    return headers;
}

const char* const kStockTotalText = "合计";

const char* const kUnknownFigure = "—";

std::optional<CMoney> StockValue(const StockRecord& row) {
    const auto cost = CMoney::Parse(row.CostPrice);
    if (!cost)
        return std::nullopt;
    return cost->TimesQuantity(LeadingInteger(row.Number));
}

std::string StockCostText(const StockRecord& row) {
    const auto cost = CMoney::Parse(row.CostPrice);
    return cost ? cost->Format4() : kUnknownFigure;
}

std::string StockValueText(const StockRecord& row) {
    const auto value = StockValue(row);
    return value ? value->Format2() : kUnknownFigure;
}

std::string StockTotalValueText(const std::vector<StockRecord>& rows) {
    // The sum of the values as each row shows them, so the column adds up to its total.
    CMoneySum total;
    for (const StockRecord& row : rows) {
        const auto value = StockValue(row);
        if (!value)
            return kUnknownFigure;
        total += value->RoundedTo2();
    }
    return total.Format2();
}

namespace {
// 商品单价 is the price the goods came in at; 成本单价 and 库存金额 (and its total) are cost.
const std::vector<PriceKind>& StockViewPriceKinds() {
    using K = PriceKind;
    static const std::vector<K> kinds = {K::None, K::None, K::None, K::Purchase,
                                         K::None, K::None, K::Cost, K::Cost};
    return kinds;
}
} // namespace

std::vector<std::string> StockViewCells(const StockRecord& row) {
    return StockViewCells(StockRecord(row));
}

std::vector<std::string> StockViewCells(StockRecord&& row) {
    // The cost price read once for both its columns, and room left for 折合: the view makes
    // these cells for each of 60,000 rows.
    const auto cost = CMoney::Parse(row.CostPrice);
    const auto value = cost ? cost->TimesQuantity(LeadingInteger(row.Number)) : std::nullopt;
    std::vector<std::string> cells;
    cells.reserve(StockViewHeaders().size() + 1);
    cells.push_back(std::move(row.ProductCode));
    cells.push_back(std::move(row.ProductName));
    cells.push_back(std::move(row.Number));
    cells.push_back(std::move(row.Price));
    cells.push_back(std::move(row.FirstEnterTime));
    cells.push_back(std::move(row.StoreHouse));
    cells.push_back(cost ? cost->Format4() : kUnknownFigure);
    cells.push_back(value ? value->Format2() : kUnknownFigure);
    ShowFigures(Session().rights, StockViewPriceKinds(), cells);
    return cells;
}

namespace {
// The 合计 row of rows told by their quantity text and their value as shown (nothing when it
// cannot be told).
template <class Rows, class Quantity, class Value>
std::vector<std::string> TotalCells(const Rows& rows, Quantity quantityOf, Value valueOf) {
    int64_t quantity = 0;
    bool counted = true;
    CMoneySum total;
    bool valued = true;
    for (const auto& row : rows) {
        counted = counted &&
                  !__builtin_add_overflow(quantity, LeadingInteger(quantityOf(row)), &quantity);
        if (!valued)
            continue;
        const std::optional<CMoney> value = valueOf(row);
        valued = value.has_value();
        if (valued)
            total += *value;
    }
    std::vector<std::string> cells = {kStockTotalText,
                                      "",
                                      counted ? std::to_string(quantity) : kUnknownFigure,
                                      "",
                                      "",
                                      "",
                                      "",
                                      valued ? total.Format2() : kUnknownFigure};
    ShowFigures(Session().rights, StockViewPriceKinds(), cells);
    return cells;
}
} // namespace

std::vector<std::string> StockViewTotalCells(const std::vector<StockRecord>& rows) {
    return TotalCells(
        rows, [](const StockRecord& row) -> const std::string& { return row.Number; },
        [](const StockRecord& row) -> std::optional<CMoney> {
            const auto value = StockValue(row);
            return value ? std::optional(value->RoundedTo2()) : std::nullopt;
        });
}

std::vector<std::string> StockViewTotalCells(const std::vector<std::vector<std::string>>& shown) {
    // 商品数量 and 库存金额 where StockViewCells put them; the value cell holds the row's value
    // rounded as shown, so the total is the same sum.
    return TotalCells(
        shown, [](const std::vector<std::string>& cells) -> const std::string& { return cells[2]; },
        [](const std::vector<std::string>& cells) { return CMoney::Parse(cells[7]); });
}

std::optional<std::vector<StockRecord>> LoadStockView(const std::string& warehouse,
                                                      const std::string& className) {
    return LoadStockView(warehouse, className, nullptr);
}

namespace {
// The rows of the view, read by `list` on one connection with the units for 折合 when asked for,
// in the window's order. `list` fills the goods' base units when it reads them anyway.
template <class Row, class List>
std::optional<std::vector<Row>> LoadStockRows(List list, std::optional<CGoodsPacking>* packing) {
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    std::vector<Row> rows;
    std::optional<GoodsBaseUnits> baseUnits;
    // A failed read has shown its message; the rows read before it are still shown, but a
    // read that gave nothing (the goods list itself) leaves the list as it was.
    if (!list(store, rows, packing ? &baseUnits : nullptr) && rows.empty())
        return std::nullopt;
    if (packing) {
        packing->emplace();
        if (!(baseUnits ? (*packing)->Load(store, std::move(*baseUnits))
                        : (*packing)->Load(store))) {
            Messages().Inform(DatabaseFailureText("", store.LastError()));
            packing->reset();
        }
    }
    // The list has always shown the last goods item's rows first.
    std::reverse(rows.begin(), rows.end());
    return rows;
}
} // namespace

std::optional<std::vector<StockRecord>> LoadStockView(const std::string& warehouse,
                                                      const std::string& className,
                                                      std::optional<CGoodsPacking>* packing) {
    return LoadStockRows<StockRecord>(
        [&](CDataStore& store, std::vector<StockRecord>& rows, std::optional<GoodsBaseUnits>*) {
            return ListStockOfClass(store, warehouse, className, rows);
        },
        packing);
}

std::optional<std::vector<std::vector<std::string>>>
LoadStockViewCells(const std::string& warehouse, const std::string& className,
                   std::optional<CGoodsPacking>* packing) {
    return LoadStockRows<std::vector<std::string>>(
        [&](CDataStore& store, std::vector<std::vector<std::string>>& rows,
            std::optional<GoodsBaseUnits>* baseUnits) {
            if (baseUnits)
                baseUnits->emplace();
            return ListStockCellsOfClass(
                store, warehouse, className,
                [](StockRecord&& row) { return StockViewCells(std::move(row)); }, rows,
                baseUnits ? &**baseUnits : nullptr);
        },
        packing);
}

const char* const kPackedHeader = "折合";

std::string StockPackedText(const StockRecord& row, const CGoodsPacking& packing) {
    return packing.Packed(row.ProductCode, LeadingInteger(row.Number));
}

std::string StockPackedText(const std::vector<std::string>& cells, const CGoodsPacking& packing) {
    // 商品编码 and 商品数量, as StockViewCells puts them; the quantity is never hidden.
    if (cells.size() < 3)
        return std::string();
    return packing.Packed(cells[0], LeadingInteger(cells[2]));
}

std::optional<CGoodsPacking> LoadGoodsPacking() {
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    CGoodsPacking packing;
    if (!packing.Load(store)) {
        Messages().Inform(DatabaseFailureText("", store.LastError()));
        return std::nullopt;
    }
    return packing;
}

std::vector<std::string> StockViewWarehouses() {
    std::vector<std::string> names = {kAllWarehouses};
    for (const auto& entry : ScopedWarehouseList())
        names.push_back(entry.name);
    SortByTextOrder(names);
    return names;
}
