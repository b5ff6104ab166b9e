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

StockWarnings LoadStockWarnings(const std::string& warehouse, bool withRows) {
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
    // Each goods item's state first: the count needs no rows, and the rows, when wanted, are
    // made once in a list of their exact size (most of 100,000 goods may be warned).
    enum State : char { kNone, kBelow, kAbove };
    struct Limits {
        std::optional<int64_t> low, high;
        int64_t shortfall = 0;
    };
    std::vector<State> states(goods.size(), kNone);
    std::vector<Limits> limits(goods.size());
    size_t warned = 0;
    for (size_t i = 0; i < goods.size(); ++i) {
        const GoodsLimitRecord& g = goods[i];
        Limits& l = limits[i];
        l.low = ParseWholeNumber(g.InventoryLow);
        l.high = ParseWholeNumber(g.InventoryHigh);
        const std::optional<int64_t>& low = l.low;
        const std::optional<int64_t>& high = l.high;
        if ((!low && !Blank(g.InventoryLow)) || (!high && !Blank(g.InventoryHigh)))
            result.badLimits.push_back(g.ProductName.empty() ? g.Code : g.ProductName);
        const int64_t quantity = quantities[i];
        if (low && quantity < *low && !__builtin_sub_overflow(*low, quantity, &l.shortfall)) {
            states[i] = kBelow;
            ++result.belowLowerLimit;
        } else if (high && quantity > *high) {
            states[i] = kAbove;
        } else {
            continue;
        }
        ++warned;
    }
    if (!withRows) {
        result.ok = true;
        return result;
    }
    // The units of the warned goods alone, their base units as just read: a shop of 100,000
    // goods reads no goods twice.
    CGoodsPacking packing;
    std::vector<std::pair<std::string, std::string>> baseUnits;
    baseUnits.reserve(warned);
    for (size_t i = 0; i < goods.size(); ++i)
        if (states[i] != kNone)
            baseUnits.emplace_back(goods[i].Code, goods[i].Unit);
    if (!packing.Load(store, std::move(baseUnits))) {
        Messages().Inform(DatabaseFailureText("", store.LastError()));
        return result;
    }
    // In the codes' text order.
    std::vector<std::pair<std::string, size_t>> order;
    order.reserve(warned);
    for (size_t i = 0; i < goods.size(); ++i)
        if (states[i] != kNone)
            order.emplace_back(TextOrderKey(goods[i].Code), i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    result.rows.reserve(warned);
    for (const auto& [key, i] : order) {
        const GoodsLimitRecord& g = goods[i];
        const auto& [low, high, shortfall] = limits[i];
        const bool below = states[i] == kBelow;
        result.rows.push_back(
            {g.Code, g.ProductName, g.Unit, quantities[i], low ? std::to_string(*low) : "",
             high ? std::to_string(*high) : "", below ? kBelowLowerLimit : kAboveUpperLimit,
             below ? std::to_string(shortfall) : "", packing.Packed(g.Code, quantities[i])});
    }
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
    return warnings.belowLowerLimit;
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
