#include "StockWarnings.h"

#include "StockStore.h"
#include "basic/GoodsUnits.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "text/Money.h"
#include "text/TextOrder.h"

#include <algorithm>
#include <optional>

const char* const kBelowLowerLimit = "低于下限";
const char* const kAboveUpperLimit = "高于上限";

namespace {
bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}
} // namespace

StockWarnings LoadStockWarnings(const std::string& warehouse) {
    StockWarnings result;
    CDataStore store;
    std::vector<GoodsLimitRecord> goods;
    if (!store.ConnectMain() || !ListGoodsWithLimits(store, goods))
        return result;
    std::vector<std::string> codes;
    codes.reserve(goods.size());
    for (const GoodsLimitRecord& g : goods)
        codes.push_back(g.Code);
    std::vector<int64_t> quantities;
    if (!SumStockOfCodes(store, warehouse, codes, quantities))
        return result;
    // The units of the goods with limits alone, their base units as just read: a shop of
    // 100,000 goods reads no goods twice.
    CGoodsPacking packing;
    std::vector<std::pair<std::string, std::string>> baseUnits;
    baseUnits.reserve(goods.size());
    for (const GoodsLimitRecord& g : goods)
        baseUnits.emplace_back(g.Code, g.Unit);
    if (!packing.Load(store, std::move(baseUnits))) {
        Messages().Inform(DatabaseFailureText("", store.LastError()));
        return result;
    }
    std::vector<std::string> keys;
    for (size_t i = 0; i < goods.size(); ++i) {
        const GoodsLimitRecord& g = goods[i];
        const std::optional<int64_t> low = ParseWholeNumber(g.InventoryLow);
        const std::optional<int64_t> high = ParseWholeNumber(g.InventoryHigh);
        if ((!low && !Blank(g.InventoryLow)) || (!high && !Blank(g.InventoryHigh)))
            result.badLimits.push_back(g.ProductName.empty() ? g.Code : g.ProductName);
        const int64_t quantity = quantities[i];
        std::string state, suggested;
        int64_t shortfall = 0;
        if (low && quantity < *low && !__builtin_sub_overflow(*low, quantity, &shortfall)) {
            state = kBelowLowerLimit;
            suggested = std::to_string(shortfall);
        } else if (high && quantity > *high) {
            state = kAboveUpperLimit;
        } else {
            continue;
        }
        result.rows.push_back({g.Code, g.ProductName, g.Unit, quantity,
                               low ? std::to_string(*low) : "", high ? std::to_string(*high) : "",
                               std::move(state), std::move(suggested),
                               packing.Packed(g.Code, quantity)});
        keys.push_back(TextOrderKey(g.Code));
    }
    // In the codes' text order; the rows move once.
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<StockWarningRow> sorted;
    sorted.reserve(order.size());
    for (size_t i : order)
        sorted.push_back(std::move(result.rows[i]));
    result.rows = std::move(sorted);
    result.ok = true;
    return result;
}

const std::vector<std::string>& StockWarningHeaders() {
    static const std::vector<std::string> headers = {"商品编码", "商品名称", "单位", "当前库存",
                                                     "库存下限", "库存上限", "状态", "建议采购量"};
    return headers;
}

std::vector<std::string> StockWarningCells(const StockWarningRow& row) {
    return {row.code, row.name, row.unit,  std::to_string(row.quantity),
            row.low,  row.high, row.state, row.suggested};
}

std::string BadLimitsNote(const std::vector<std::string>& names) {
    if (names.empty())
        return {};
    std::string note = "以下商品的库存上下限不是整数，未参与预警：";
    for (size_t i = 0; i < names.size(); ++i)
        note += (i ? "、" : "") + names[i];
    return note;
}

std::string StockWarningNotice(int64_t belowLowerLimit) {
    return "库存预警：" + std::to_string(belowLowerLimit) + " 种商品低于下限";
}

int64_t CountBelowLowerLimit(const StockWarnings& warnings) {
    return std::count_if(warnings.rows.begin(), warnings.rows.end(),
                         [](const StockWarningRow& r) { return r.state == kBelowLowerLimit; });
}

std::optional<int64_t> OrderQuantityOf(const StockWarningRow& row) {
    if (row.state != kBelowLowerLimit)
        return std::nullopt;
    std::optional<int64_t> wanted = ParseWholeNumber(row.suggested);
    for (const std::string* limit : {&row.high, &row.low}) {
        const auto bound = ParseWholeNumber(*limit);
        int64_t difference = 0;
        if (!(wanted && *wanted > 0) && bound &&
            !__builtin_sub_overflow(*bound, row.quantity, &difference))
            wanted = difference;
    }
    if (!wanted || *wanted <= 0)
        return std::nullopt;
    return wanted;
}
