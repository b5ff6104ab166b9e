#include "HomeFigures.h"

#include "cost/ProfitReport.h"
#include "cost/ProfitStore.h"
#include "finance/Balances.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "query/StockWarnings.h"
#include "rights/PriceVisibility.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "store/LineSummary.h"
#include "store/ReadBeside.h"
#include "store/ServerConfig.h"
#include "store/Session.h"
#include "text/Clock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numeric>
#include <optional>

namespace {
using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr int kDays = 30;
constexpr int kMonths = 12;
constexpr size_t kBestSellers = 10;
constexpr size_t kDebtors = 5;

year_month_day ParseDay(const std::string& iso) {
    int y = 0;
    unsigned m = 0, d = 0;
    std::sscanf(iso.c_str(), "%d-%u-%u", &y, &m, &d);
    return year_month_day{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
}

std::string DayText(year_month_day day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

std::string MonthText(std::chrono::year_month month) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u", static_cast<int>(month.year()),
                  static_cast<unsigned>(month.month()));
    return text;
}

CMoneySum ProfitOf(const ProfitGroupRecord& g) {
    return g.CostedAmount - g.Cost;
}

// Sales less returns per day of [from, to] read from the lines, each table once. The sums are
// exact in any order, so the lines come unsorted.
bool SumDailySalesOfLines(CDataStore& store, const std::string& from, const std::string& to,
                          std::map<std::string, CMoneySum>& byDay) {
    for (const char* table : {"EnterSale_Detail", "BackSale_Detail"}) {
        const bool back = table[0] == 'B';
        SqlValues values;
        std::string day;
        if (!store.Run(LinesStatement(table, "Bill_Date, Product_Total", from, to, values, false),
                       values, [&](const CStatement& st) {
                           st.TextInto(0, day);
                           const CMoney amount = CMoney::ParseOrZero(st.Text(1));
                           byDay[day.substr(0, 10)] += back ? -amount : amount;
                       }))
            return false;
    }
    return true;
}

// The same from the summaries' day rows, a few dozen of them. Rows holding a line out of the
// plain form, or on the last day a date text longer than the day (which the range leaves out),
// send the whole range to the lines: false in `summarized`.
bool SumDailySalesOfSummaries(CDataStore& store, const std::string& from, const std::string& to,
                              std::map<std::string, CMoneySum>& byDay, bool& summarized) {
    const year_month_day first = ParseDay(from), last = ParseDay(to);
    SqlValues scope;
    const bool everyWarehouse = WarehouseScopeCondition("Warehouse", scope).empty();
    // A role that sees every warehouse reads the months without one ("M…"), another its
    // warehouses' months.
    SqlValues values{"EnterSale_Detail", "BackSale_Detail"};
    std::string periods;
    for (std::chrono::year_month m{first.year(), first.month()};
         m <= std::chrono::year_month{last.year(), last.month()}; m += std::chrono::months{1}) {
        periods += periods.empty() ? "?" : ", ?";
        values.push_back((everyWarehouse ? "M" : "") + MonthText(m));
    }
    summarized = true;
    if (periods.empty()) // an empty range: no lines either
        return true;
    values.push_back(from);
    values.push_back(to);
    std::string sql = "select Kind, KeyValue, Amount, Odd, MinDate, MaxDate from Summary_Key"
                      " where Kind in (?, ?) and KeyName = 'Day' and Period in (" +
                      periods + ") and KeyValue >= ? and KeyValue <= ?";
    if (everyWarehouse)
        sql += " and Warehouse = ''";
    else
        AddWarehouseScope(sql, values, "Warehouse", true);
    std::map<std::string, CMoneySum> summed;
    std::string day;
    if (!store.Run(sql, values, [&](const CStatement& st) {
            st.TextInto(1, day);
            CMoneySum amount;
            summarized = summarized && st.Int(3) == 0 && AddSummaryCents(st.TextView(2), amount) &&
                         (day != to || (st.TextView(4) == to && st.TextView(5) == to));
            summed[day] += st.TextView(0)[0] == 'B' ? -amount : amount;
        }))
        return false;
    if (summarized)
        for (const auto& [d, amount] : summed)
            byDay[d] += amount;
    return true;
}
} // namespace

bool SumDailySales(CDataStore& store, const std::string& from, const std::string& to,
                   std::map<std::string, CMoneySum>& byDay) {
    bool summarized = false, ok = true;
    if (LineSummariesUsed())
        ok = SumDailySalesOfSummaries(store, from, to, byDay, summarized);
    if (ok && !summarized)
        ok = SumDailySalesOfLines(store, from, to, byDay);
    if (!ok)
        Messages().Inform(kLinesReadFailure);
    return ok;
}

std::vector<size_t> HomeBestSellers(const std::vector<ProfitGroupRecord>& groups) {
    std::vector<size_t> order(groups.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const ProfitGroupRecord &x = groups[a], &y = groups[b];
        return x.Quantity != y.Quantity ? x.Quantity > y.Quantity : x.Amount > y.Amount;
    });
    size_t shown = 0;
    while (shown < order.size() && shown < kBestSellers && groups[order[shown]].Quantity > 0)
        ++shown;
    order.resize(shown);
    return order;
}

namespace {
void ReadSales(CDataStore& store, year_month_day today, HomeFigures& f) {
    const std::chrono::year_month month{today.year(), today.month()};
    const std::chrono::year_month first = month - std::chrono::months{kMonths - 1};
    const std::string todayText = DayText(today);
    const std::string monthStart = MonthText(month) + "-01";

    // The profit report by month gives the twelve months, this one and the last among them.
    std::vector<ProfitGroupRecord> months;
    f.ok = SumProfit(store, ProfitKey::Month, MonthText(first) + "-01", todayText, months) && f.ok;
    std::map<std::string, const ProfitGroupRecord*> byMonth;
    for (const auto& g : months)
        byMonth[g.Key] = &g;
    for (int i = 0; i < kMonths; ++i) {
        const std::string key = MonthText(first + std::chrono::months{i});
        const auto it = byMonth.find(key);
        f.monthly.push_back({key, it == byMonth.end() ? CMoneySum{} : it->second->Amount});
    }
    auto monthFigures = [&](const std::string& key, CMoneySum& sales, CMoneySum& profit) {
        if (const auto it = byMonth.find(key); it != byMonth.end()) {
            sales = it->second->Amount;
            profit = ProfitOf(*it->second);
        }
    };
    monthFigures(MonthText(month), f.monthSales, f.monthProfit);
    monthFigures(MonthText(month - std::chrono::months{1}), f.lastMonthSales, f.lastMonthProfit);

    std::vector<ProfitGroupRecord> day;
    f.ok = SumProfit(store, ProfitKey::Month, todayText, todayText, day) && f.ok;
    for (const auto& g : day) {
        f.todaySales += g.Amount;
        f.todayProfit += ProfitOf(g);
    }

    // The pick SumProfit asks for names is the page's; from the lines it does not ask.
    std::vector<ProfitGroupRecord> goods;
    std::optional<std::vector<size_t>> picked;
    const bool read = SumProfit(store, ProfitKey::Goods, monthStart, todayText, goods,
                                [&](const std::vector<ProfitGroupRecord>& sums) {
                                    return *(picked = HomeBestSellers(sums));
                                });
    f.ok = read && f.ok;
    for (size_t i : read ? (picked ? *picked : HomeBestSellers(goods)) : std::vector<size_t>{}) {
        const ProfitGroupRecord& g = goods[i];
        f.bestSellers.push_back({g.Key, g.Name, g.Unit, g.Quantity, g.Amount});
    }

    const sys_days firstDay = sys_days{today} - days{kDays - 1};
    std::map<std::string, CMoneySum> byDay;
    f.ok = SumDailySales(store, DayText(year_month_day{firstDay}), todayText, byDay) && f.ok;
    for (int i = 0; i < kDays; ++i) {
        const std::string key = DayText(year_month_day{firstDay + days{i}});
        const auto it = byDay.find(key);
        f.daily.push_back({key, it == byDay.end() ? CMoneySum{} : it->second});
    }
}

// The receivables into `f` from `balances` as ListUnitBalances read them, in place of those `f`
// held (the page keeps the last read's drawn while it reads again).
void TakeReceivables(const std::vector<UnitBalanceRecord>& balances, HomeFigures& f) {
    std::vector<HomeDebtor> owing;
    CMoneySum total;
    for (const auto& b : balances) {
        const CMoneySum owed = CMoneySum::Parse(b.Receivable).value_or(CMoneySum{});
        total += owed;
        if (owed > CMoneySum{})
            owing.push_back({b.Customer, owed});
    }
    std::stable_sort(owing.begin(), owing.end(),
                     [](const auto& a, const auto& b) { return a.receivable > b.receivable; });
    if (owing.size() > kDebtors)
        owing.resize(kDebtors);
    f.receivableTotal = total;
    f.debtors = std::move(owing);
}

} // namespace

HomeFigures HomeFiguresOf(const std::string& today) {
    HomeFigures f;
    f.today = today.empty() ? TodayIso() : today;
    const CRoleRights& rights = Session().rights;
    f.showsSales = rights.Allows(kHomeFunction, Action::View);
    f.showsProfit = rights.Allows("profit", Action::View) && !HidesPrice(rights, PriceKind::Cost);
    f.showsWarnings = rights.Allows("stock_warnings", Action::View);
    f.showsReceivables = rights.Allows("statement", Action::View);
    f.hidesAmounts = HidesPrice(rights, PriceKind::Sale);
    f.listsRead = !f.showsWarnings && !f.showsReceivables;
    // From the folder, not from a connection: a role that sees only the warnings (read through
    // a store of their own) is on a server all the same.
    try {
        f.onServer = ReadServerConfig(ProgramFolder()).present;
    } catch (const std::filesystem::filesystem_error&) { // no folder: the connect will say so
    }
    return f;
}

void LoadHomeSales(HomeFigures& f) {
    if (!f.showsSales && !f.showsProfit)
        return;
    CDataStore store;
    if (!store.ConnectMain()) {
        f.ok = false;
        return;
    }
    ReadSales(store, ParseDay(f.today), f);
}

void LoadHomeLists(HomeFigures& f) {
    CDataStore store;
    // Every unit's balance is read beside the warnings: on years of bills each takes a few
    // hundred milliseconds, and they share nothing.
    std::vector<UnitBalanceRecord> balances;
    std::optional<CReadBeside> receivables; // after `store` and `balances`: ends before them
    if (f.showsReceivables) {
        if (!store.ConnectMain()) {
            f.ok = false;
        } else {
            receivables.emplace(
                store, [&balances](CDataStore& s) { return ListUnitBalances(s, "", balances); });
        }
    }
    if (f.showsWarnings) {
        const StockWarnings warnings = LoadStockWarnings(kAllWarehouses, false);
        f.ok = warnings.ok && f.ok;
        f.belowLowerLimit = CountBelowLowerLimit(warnings);
    }
    if (receivables) {
        if (receivables->Wait())
            TakeReceivables(balances, f);
        else
            f.ok = false;
    }
    f.listsRead = true;
}

HomeFigures LoadHomeFigures(const std::string& today) {
    HomeFigures f = HomeFiguresOf(today);
    LoadHomeSales(f);
    LoadHomeLists(f);
    return f;
}

std::string HomeAmountText(const HomeFigures& figures, CMoneySum amount) {
    return figures.hidesAmounts ? std::string(kHiddenFigure) : amount.Format2();
}

std::string HomeChangeText(CMoneySum now, CMoneySum before) {
    if (before.Units() == 0)
        return {};
    // The profit report's margin is a share to two decimals: the same rounding here.
    const std::string share = MarginText(now - before, before < CMoneySum{} ? -before : before);
    return share.empty() || share[0] == '-' ? share : "+" + share;
}

std::vector<std::pair<std::string, std::string>> HomeFigureRows(const HomeFigures& f) {
    std::vector<std::pair<std::string, std::string>> rows;
    auto add = [&](std::string figure, std::string value) {
        rows.emplace_back(std::move(figure), std::move(value));
    };
    auto amount = [&](CMoneySum a) { return HomeAmountText(f, a); };
    auto change = [&](CMoneySum now, CMoneySum before) {
        return f.hidesAmounts ? std::string(kHiddenFigure) : HomeChangeText(now, before);
    };
    // Profit is 成本 as much as 售价: hidden whenever the role may not see it.
    auto profit = [&](const std::string& text) {
        return f.showsProfit ? text : std::string(kHiddenFigure);
    };
    add("Date", f.today);
    if (f.showsSales || f.showsProfit) {
        if (f.showsSales)
            add("Today_Sales", amount(f.todaySales));
        add("Today_Profit", profit(amount(f.todayProfit)));
        if (f.showsSales) {
            add("Month_Sales", amount(f.monthSales));
            add("Last_Month_Sales", amount(f.lastMonthSales));
            add("Month_Sales_Change", change(f.monthSales, f.lastMonthSales));
        }
        add("Month_Profit", profit(amount(f.monthProfit)));
        add("Last_Month_Profit", profit(amount(f.lastMonthProfit)));
        add("Month_Profit_Change", profit(change(f.monthProfit, f.lastMonthProfit)));
    }
    if (f.showsWarnings)
        add("Below_Lower_Limit", std::to_string(f.belowLowerLimit));
    if (f.showsReceivables) {
        add("Receivable_Total", amount(f.receivableTotal));
        for (size_t i = 0; i < f.debtors.size(); ++i) {
            const std::string n = "Debtor_" + std::to_string(i + 1);
            add(n + "_Name", f.debtors[i].name);
            add(n + "_Receivable", amount(f.debtors[i].receivable));
        }
    }
    if (f.showsSales) {
        for (size_t i = 0; i < f.bestSellers.size(); ++i) {
            const HomeGoodsSales& g = f.bestSellers[i];
            const std::string n = "Best_Seller_" + std::to_string(i + 1);
            add(n + "_Code", g.code);
            add(n + "_Name", g.name);
            add(n + "_Quantity", std::to_string(g.quantity));
            add(n + "_Amount", amount(g.amount));
        }
        for (const auto& p : f.daily)
            add("Daily_Sales_" + p.period, amount(p.amount));
        for (const auto& p : f.monthly)
            add("Monthly_Sales_" + p.period, amount(p.amount));
    }
    return rows;
}
