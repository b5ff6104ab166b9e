// Reads of the goods items' further units.
#include "GoodsUnits.h"

#include "store/CDataStore.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr const char* kUnitSelect =
    "select Product_ID, Unit, Factor, BarCode, PriceIn, PriceOut from GoodsUnit";

GoodsUnit ReadUnit(const CStatement& st) {
    GoodsUnit u;
    u.Product_ID = st.Text(0);
    u.Unit = st.Text(1);
    const std::string factor = st.Text(2);
    std::from_chars(factor.data(), factor.data() + factor.size(), u.Factor);
    u.BarCode = st.Text(3);
    u.PriceIn = st.Text(4);
    u.PriceOut = st.Text(5);
    return u;
}

} // namespace

std::optional<std::vector<GoodsUnit>> ListGoodsUnits(CDataStore& store,
                                                     const std::string& productId) {
    std::vector<GoodsUnit> units;
    if (!store.Run(std::string(kUnitSelect) + " where Product_ID = ?", {productId},
                   [&](const CStatement& st) { units.push_back(ReadUnit(st)); }))
        return std::nullopt;
    std::stable_sort(units.begin(), units.end(),
                     [](const GoodsUnit& a, const GoodsUnit& b) { return a.Factor < b.Factor; });
    return units;
}

std::optional<GoodsUnit> FindGoodsUnitByBarcode(CDataStore& store, const std::string& barcode,
                                                bool* failed) {
    std::optional<GoodsUnit> found;
    if (failed)
        *failed = false;
    if (barcode.empty())
        return found;
    if (!store.Run(std::string(kUnitSelect) + " where BarCode = ?", {barcode},
                   [&](const CStatement& st) { found = ReadUnit(st); })) {
        if (failed)
            *failed = true;
        return std::nullopt;
    }
    return found;
}

std::optional<std::int64_t> UnitFactor(CDataStore& store, const std::string& productId,
                                       const std::string& baseUnit, const std::string& unit,
                                       bool* failed) {
    if (failed)
        *failed = false;
    if (unit.empty() || unit == baseUnit)
        return 1;
    std::optional<std::int64_t> factor;
    if (!store.Run("select Factor from GoodsUnit where Product_ID = ? and Unit = ?",
                   {productId, unit}, [&](const CStatement& st) {
                       std::int64_t f = 0;
                       const std::string text = st.Text(0);
                       std::from_chars(text.data(), text.data() + text.size(), f);
                       factor = f;
                   })) {
        if (failed)
            *failed = true;
        return std::nullopt;
    }
    return factor;
}
