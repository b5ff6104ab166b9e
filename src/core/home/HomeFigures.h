#pragma once
#include "text/Money.h"

class CDataStore;
struct ProfitGroupRecord;

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The home page (首页): the shop's day and month at a glance, read once through the readers of
// the reports behind it (the profit report's sums, the stock warnings, the balances), so each
// figure equals what its window shows. 销售 is the profit report's 销售金额: sales less sale
// returns.

// One point of a chart: a day (yyyy-MM-dd) or a month (yyyy-MM) and its sales.
struct HomeSalesPoint {
    std::string period;
    CMoneySum amount;
};

struct HomeGoodsSales {
    std::string code, name, unit;
    int64_t quantity = 0; // base units, sales less returns
    CMoneySum amount;
};

struct HomeDebtor {
    std::string name;
    CMoneySum receivable;
};

struct HomeFigures {
    // What the role gets, each by the window behind it: sales (统计报表), profit (销售利润报表,
    // and never without 成本), the warnings (库存预警), receivables (往来对账).
    bool showsSales = false;
    bool showsProfit = false;
    bool showsWarnings = false;
    bool showsReceivables = false;
    // 售价 hidden: every sales amount, profit and receivable reads "***" (quantities stay).
    bool hidesAmounts = false;

    std::string today; // yyyy-MM-dd the figures were read for
    CMoneySum todaySales, todayProfit;
    CMoneySum monthSales, lastMonthSales, monthProfit, lastMonthProfit;
    std::vector<HomeSalesPoint> daily;   // the last 30 days, oldest first, every day present
    std::vector<HomeSalesPoint> monthly; // the last 12 months, oldest first, every month present
    std::vector<HomeGoodsSales> bestSellers; // this month, at most ten, most sold first
    int64_t belowLowerLimit = 0;
    CMoneySum receivableTotal;       // the receivables of every business unit
    std::vector<HomeDebtor> debtors; // at most five, largest first, only those who owe
    bool ok = true;                  // false after a reader's message
    bool onServer = false;           // the folder's data is on a server: others post meanwhile
    bool listsRead = false;          // the warnings and the receivables are in (LoadHomeLists)
};

// The function the page and `ferix-cli home` are opened under: its sales are 统计报表's, and a
// role without it is refused the command naming that report.
inline constexpr const char* kHomeFunction = "reports";

// Reads the page for the logged-in operator, as of `today` (yyyy-MM-dd; empty: the clock's).
HomeFigures LoadHomeFigures(const std::string& today = {});
// The same in steps: what the role may see (no read; `listsRead` for a role that sees neither
// list), the sales (a few of the summaries' rows), and the lists (the stock warnings and every
// unit's balance, each a read of years of rows), which the page reads on a thread of its own
// while it reads the sales and draws its charts.
HomeFigures HomeFiguresOf(const std::string& today = {});
void LoadHomeSales(HomeFigures& figures);
void LoadHomeLists(HomeFigures& figures);

// Sales less returns per day of [from, to] (ISO dates) added to `byDay` by the first ten
// characters of the lines' dates. Each calendar day (yyyy-MM-dd) sums as the lines give it: from
// the summaries' day rows unless a line among them is not in the plain form; other date texts
// may be keyed otherwise or left out. False after the message "SQL 语句执行失败！".
bool SumDailySales(CDataStore& store, const std::string& from, const std::string& to,
                   std::map<std::string, CMoneySum>& byDay);

// The places of the best sellers among profit groups: most sold first (equal quantities by
// amount, then in the groups' order), at most ten, only those sold. The page has only these
// named (SumProfit's `named`).
std::vector<size_t> HomeBestSellers(const std::vector<ProfitGroupRecord>& groups);

// An amount as the role sees it: two decimals, or "***" with 售价 hidden.
std::string HomeAmountText(const HomeFigures& figures, CMoneySum amount);
// This month against last month: "+12.50%" / "-3.00%", "" when last month sold nothing.
std::string HomeChangeText(CMoneySum now, CMoneySum before);

// The page's figures as named rows (Figure, Value), in the page's order: Date, Today_Sales,
// Today_Profit, Month_Sales, Last_Month_Sales, Month_Sales_Change, Month_Profit,
// Last_Month_Profit, Month_Profit_Change, Below_Lower_Limit, Receivable_Total, Debtor_N_Name /
// _Receivable, Best_Seller_N_Code / _Name / _Quantity / _Amount, Daily_Sales_yyyy-MM-dd,
// Monthly_Sales_yyyy-MM. Profit reads "***" for a role that may not see it; the warnings and the
// receivables are left out for a role that may not open their windows, as the page leaves them.
std::vector<std::pair<std::string, std::string>> HomeFigureRows(const HomeFigures& figures);
