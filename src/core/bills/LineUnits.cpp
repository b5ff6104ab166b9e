// The units of a bill's lines resolved to base-unit factors.
#include "LineUnits.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"

#include <charconv>
#include <map>
#include <set>

namespace {
struct GoodsWithUnits {
    std::string baseUnit;
    std::map<std::string, int64_t> factors;
};

// Enough codes per statement to keep a long bill to a few reads, few enough for every engine's
// limit on bound values.
constexpr size_t kCodesPerRead = 400;
} // namespace

std::optional<std::vector<int64_t>> LineFactors(CDataStore& store,
                                                const std::vector<BillLine>& lines, bool* failed) {
    if (failed)
        *failed = false;
    std::set<std::string> codes;
    for (const BillLine& l : lines) {
        if (!l.code.empty())
            codes.insert(l.code);
    }
    std::map<std::string, GoodsWithUnits> goods;
    auto code = codes.begin();
    while (code != codes.end()) {
        // Every goods row of the bill is read (and on a server held shared to the end of the
        // posting), so that a unit added, changed or removed meanwhile waits for the lines.
        std::string sql = "select u.Product_ID, u.Unit, u.Factor, p.Unit from ferix_product p left"
                          " join GoodsUnit u on u.Product_ID = p.Code where p.Code in (";
        SqlValues values;
        for (; code != codes.end() && values.size() < kCodesPerRead; ++code) {
            sql += values.empty() ? "?" : ", ?";
            values.push_back(*code);
        }
        sql += store.IsServer() ? ") for share of p" : ")";
        if (!store.Run(sql, values, [&](const CStatement& st) {
                if (st.TextView(0).empty())
                    return; // goods without further units
                GoodsWithUnits& g = goods[st.Text(0)];
                g.baseUnit = st.Text(3);
                int64_t factor = 0;
                const std::string text = st.Text(2);
                std::from_chars(text.data(), text.data() + text.size(), factor);
                g.factors[st.Text(1)] = factor;
            })) {
            // A caller that asks tells the failure in its own words.
            if (failed)
                *failed = true;
            else
                Messages().Inform(DatabaseFailureText("", store.ErrorDetail()));
            return std::nullopt;
        }
    }
    std::vector<int64_t> factors;
    factors.reserve(lines.size());
    for (const BillLine& l : lines) {
        const auto g = goods.find(l.code);
        int64_t factor = 1;
        if (g != goods.end() && !l.unit.empty() && l.unit != g->second.baseUnit) {
            const auto unit = g->second.factors.find(l.unit);
            if (unit == g->second.factors.end() || unit->second < 1) {
                Messages().Inform("商品“" + l.name + "”没有单位“" + l.unit + "”！");
                return std::nullopt;
            }
            factor = unit->second;
        }
        factors.push_back(factor);
    }
    return factors;
}

std::optional<int64_t> BaseQuantityOf(const std::string& name, int64_t quantity, int64_t factor) {
    int64_t base;
    if (__builtin_mul_overflow(quantity, factor, &base)) {
        Messages().Inform("商品“" + name + "”的数量超出范围！");
        return std::nullopt;
    }
    return base;
}
