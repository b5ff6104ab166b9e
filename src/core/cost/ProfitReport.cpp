#include "ProfitReport.h"

#include "ProfitStore.h"
#include "port/MessagePort.h"
#include "query/History.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/Session.h"

#include <limits>

const std::vector<ProfitKind>& ProfitKinds() {
    static const std::vector<ProfitKind> kinds = {
        {"按商品", "profit-goods", ProfitKey::Goods},
        {"按客户", "profit-customer", ProfitKey::Customer},
        {"按经手人", "profit-employee", ProfitKey::Employee},
        {"按月份", "profit-month", ProfitKey::Month},
    };
    return kinds;
}

const ProfitKind* FindProfitKindByCliName(const std::string& name) {
    for (const auto& k : ProfitKinds()) {
        if (name == k.cliName)
            return &k;
    }
    return nullptr;
}

namespace {
std::vector<std::string> KeyHeaders(ProfitKey key) {
    switch (key) {
    case ProfitKey::Goods:
        return {"商品编码", "商品名称", "单位"};
    case ProfitKey::Customer:
        return {"客户"};
    case ProfitKey::Employee:
        return {"经手人"};
    case ProfitKey::Month:
        return {"月份"};
    }
    return {};
}

std::vector<std::string> Cells(ProfitKey key, const ProfitGroupRecord& g) {
    std::vector<std::string> row = {g.Key};
    if (key == ProfitKey::Goods) {
        row.push_back(g.Name);
        row.push_back(g.Unit);
    }
    const CMoneySum profit = g.CostedAmount - g.Cost;
    row.push_back(std::to_string(g.Quantity));
    row.push_back(g.Amount.Format2());
    row.push_back(g.Cost.Format2());
    row.push_back(profit.Format2());
    row.push_back(MarginText(profit, g.CostedAmount));
    return row;
}
} // namespace

std::vector<std::string> ProfitHeaders(ProfitKey key) {
    std::vector<std::string> headers = KeyHeaders(key);
    for (const char* h : {"销售数量", "销售金额", "销售成本", "毛利", "毛利率"})
        headers.push_back(h);
    return headers;
}

std::vector<std::string> ProfitFieldNames(ProfitKey key) {
    std::vector<std::string> names;
    if (key == ProfitKey::Goods)
        names = {"Code", "ProductName", "Unit"};
    else
        names = {key == ProfitKey::Customer   ? "Customer"
                 : key == ProfitKey::Employee ? "Employee"
                                              : "Month"};
    for (const char* n : {"Quantity", "Amount", "Cost", "Profit", "Margin"})
        names.push_back(n);
    return names;
}

std::string MarginText(CMoneySum profit, CMoneySum amount) {
    if (amount.Units() == 0)
        return {};
    // profit / amount × 100 to two decimals, half away from zero, in whole ten-thousandths.
    __int128 num = 0;
    if (__builtin_mul_overflow(profit.Units(), 10000, &num))
        return {};
    __int128 den = amount.Units();
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const bool negative = num < 0;
    if (negative)
        num = -num;
    const __int128 hundredths = (2 * num + den) / (2 * den);
    if (hundredths > std::numeric_limits<long long>::max())
        return {};
    std::string text = std::to_string(static_cast<long long>(hundredths / 100)) + "." +
                       std::to_string(static_cast<long long>(hundredths % 100 + 100)).substr(1) +
                       "%";
    return negative && hundredths != 0 ? "-" + text : text;
}

std::string UnknownCostNote(int64_t lines) {
    return std::to_string(lines) + " 行销售缺少成本，未计入毛利";
}

ProfitReportResult RunProfitReport(ProfitKey key, const std::string& from, const std::string& to) {
    ProfitReportResult result;
    // Every figure but the quantity and the amount is cost: without it there is no report.
    const CRoleRights& rights = Session().rights;
    if (HidesPrice(rights, PriceKind::Cost)) {
        Messages().Inform(RefusalText("profit", Action::View));
        result.refused = true;
        return result;
    }
    std::vector<ProfitGroupRecord> groups;
    CDataStore store;
    if (store.ConnectMain())
        result.ok = SumProfit(store, key, from, to, groups);
    ProfitGroupRecord total;
    for (const auto& g : groups) {
        result.rows.push_back(Cells(key, g));
        if (__builtin_add_overflow(total.Quantity, g.Quantity, &total.Quantity))
            total.Quantity = g.Quantity > 0 ? std::numeric_limits<int64_t>::max()
                                            : std::numeric_limits<int64_t>::min();
        total.Amount += g.Amount;
        total.CostedAmount += g.CostedAmount;
        total.Cost += g.Cost;
        total.UnknownCostLines += g.UnknownCostLines;
    }
    total.Key = kTotalRowText;
    result.rows.push_back(Cells(key, total));
    // 销售金额, the fourth column from the end, is sale money; 毛利 and 毛利率, the last two, give
    // it back beside the cost, so they go with it.
    for (auto& row : result.rows)
        for (const size_t back : {4u, 2u, 1u})
            row[row.size() - back] = ShownFigure(rights, PriceKind::Sale, row[row.size() - back]);
    result.unknownCostLines = total.UnknownCostLines;
    return result;
}
