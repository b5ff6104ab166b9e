// The monthly summaries of the trade lines: their table, their upkeep by the posting, their
// build over stored lines, and how a reader's date range splits between them and the lines.
#include "LineSummary.h"

#include "CDataStore.h"
#include "ReadBeside.h"
#include "WarehouseScope.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <span>
#include <tuple>
#include <vector>

namespace {
std::atomic<bool> g_used{true};
std::atomic<int> g_readsBeside{0}; // lookups shared with a second connection, for the tests

// The line tables the readers group: purchases and sales for the statistics, sales and sale
// returns for the profit report.
constexpr const char* kSummarized[] = {"EnterStock_Detail", "EnterSale_Detail", "BackSale_Detail"};

bool Summarized(const char* table) {
    for (const char* t : kSummarized)
        if (std::strcmp(t, table) == 0)
            return true;
    return false;
}

// A whole number as this program writes it (at most twelve digits, so that no sum of a month's
// lines comes near the 64-bit bound), an optional minus before it.
std::string PlainWhole(const std::string& x) {
    return "((length(" + x + ") between 1 and 12 and ltrim(" + x +
           ", '0123456789') = '') or (substr(" + x + ", 1, 1) = '-' and length(" + x +
           ") between 2 and 13 and ltrim(substr(" + x + ", 2), '0123456789') = ''))";
}

// Money as this program writes it: digits, a point, two decimals, an optional minus before.
std::string PlainMoney(const std::string& x) {
    const std::string u =
        "(case when substr(" + x + ", 1, 1) = '-' then substr(" + x + ", 2) else " + x + " end)";
    return "(length(" + u + ") between 4 and 15 and substr(" + u + ", length(" + u +
           ") - 2, 1) = '.' and ltrim(replace(" + u + ", '.', ''), '0123456789') = '' and length(" +
           u + ") - length(replace(" + u + ", '.', '')) = 1)";
}

std::string Cents(const std::string& x) {
    return "(case when " + PlainMoney(x) + " then cast(replace(" + x +
           ", '.', '') as bigint) else 0 end)";
}

const char* const kBase = "coalesce(Base_Number, Product_Number)";

// A line's month as the summaries key it, by the engine's own substr (which counts characters).
// A date text beginning with a level's letter lies in no ISO range: its month is kept empty, as
// a missing date's is, so that no month row of a line without a warehouse takes the key of a
// period's row ("Q2026-1").
constexpr const char* kLineMonth = "(case when substr(Bill_Date, 1, 1) in ('M', 'Q', 'X', 'Y')"
                                   " then '' else coalesce(substr(Bill_Date, 1, 7), '') end)";

// The per-line figures and keys of every line of `table`, named for the grouping.
std::string LineRowsSql(const char* table) {
    const LineFigureSql f = LineFiguresOf(CostColumnOf(table));
    return std::string("select ") + kLineMonth +
           " as m, coalesce(Warehouse, '') as w, coalesce(Product_ID, '') as p,"
           " coalesce(Employee, '') as e, coalesce(Department, '') as dp, coalesce(Customer, '')"
           " as c, coalesce(substr(Bill_Date, 1, 10), '') as d, Id, Bill_Date, " +
           f.quantity + " as q, " + f.odd + " as odd, " + f.amount + " as amt, " + f.cost +
           " as cost, " + f.costed + " as costed, " + f.uncosted + " as unc from " + table;
}

constexpr const char* kSums = "sum(q), sum(odd), sum(amt), sum(cost), sum(costed), sum(unc)";
constexpr const char* kGoodsColumns = "(Kind, Period, Warehouse, Product_ID, Quantity, Odd, Amount,"
                                      " Cost, Costed, Uncosted, First_Id, MinDate, MaxDate)";
constexpr const char* kKeyColumns = "(Kind, Period, Warehouse, KeyName, KeyValue, Quantity, Odd,"
                                    " Amount, Cost, Costed, Uncosted, MinDate, MaxDate)";

// A month text "yyyy-MM" of four digits and a month 01 .. 12: only such months go into the
// quarters and years. Any other month text of a line is marked by a row of its own ("X"), so
// that a range holding one reads months (which keep the lines' text order) instead.
constexpr const char* kPlainMonth =
    "(length(m) = 7 and substr(m, 5, 1) = '-' and ltrim(substr(m, 1, 4), '0123456789') = '' and"
    " substr(m, 6, 2) in ('01', '02', '03', '04', '05', '06', '07', '08', '09', '10', '11',"
    " '12'))";
constexpr const char* kQuarter =
    "substr(m, 1, 4) || '-' || (case when substr(m, 6, 2) <= '03' then '1' when substr(m, 6, 2)"
    " <= '06' then '2' when substr(m, 6, 2) <= '09' then '3' else '4' end)";

// The rows of every level over `grouped` (per month and warehouse, named g, with the key columns
// `keys` after m and w): the month per warehouse as it is, then without the warehouse the month
// ("M"), an odd month's mark ("X"), the quarter ("Q") and the year ("Y"). `sums` sums g's figures.
std::string LevelRows(const char* table, const std::string& keys, const std::string& sums,
                      const std::string& grouped) {
    const std::string kind = std::string("'") + table + "'";
    std::string sql =
        "SELECT " + kind + " AS kind, m AS period, w, " + keys + ", " + grouped + " FROM g";
    for (const auto& [period, where] : {std::pair<std::string, std::string>{"'M' || m", "1 = 1"},
                                        {"'X' || m", std::string("m <> '' AND NOT ") + kPlainMonth},
                                        {std::string("'Q' || ") + kQuarter, kPlainMonth},
                                        {"'Y' || substr(m, 1, 4)", kPlainMonth}})
        sql += " UNION ALL SELECT " + kind + ", " + period + ", '', " + keys + ", " + sums +
               " FROM g WHERE " + where + " GROUP BY " + period + ", " + keys;
    return sql;
}

std::string GoodsInsert(const char* table) {
    return std::string("INSERT INTO Summary_Goods") + kGoodsColumns +
           " SELECT * FROM (WITH l AS (" + LineRowsSql(table) +
           "), g AS (SELECT m, w, p, sum(q) AS q, sum(odd) AS odd, sum(amt) AS amt, sum(cost) AS"
           " cost, sum(costed) AS costed, sum(unc) AS unc, min(Id) AS fid, min(Bill_Date) AS lo,"
           " max(Bill_Date) AS hi FROM l GROUP BY m, w, p) " +
           LevelRows(table, "p", std::string(kSums) + ", min(fid), min(lo), max(hi)",
                     "q, odd, amt, cost, costed, unc, fid, lo, hi") +
           ") s";
}

// The keys of Summary_Key with the column of LineRowsSql each is grouped by (a day: the date
// text's first ten characters, by the engines' substr). Constant-initialized: the schema's steps
// are made from it while the program's statics are set up.
constexpr std::pair<const char*, const char*> kAllKeys[] = {
    {"Employee", "e"}, {"Department", "dp"}, {"Customer", "c"}, {"Month", "m"}, {"Day", "d"}};
using SummaryKeys = std::span<const std::pair<const char*, const char*>>;

std::string KeyInsert(const char* table, const SummaryKeys& keys = kAllKeys) {
    std::string selects;
    for (const auto& [name, column] : keys) {
        if (!selects.empty())
            selects += " UNION ALL ";
        selects += std::string("SELECT m, w, '") + name + "' AS kn, " + column +
                   " AS kv, sum(q) AS q, sum(odd) AS odd, sum(amt) AS amt, sum(cost) AS cost,"
                   " sum(costed) AS costed, sum(unc) AS unc, min(Bill_Date) AS lo, max(Bill_Date)"
                   " AS hi FROM l GROUP BY m, w, " +
                   column;
    }
    return std::string("INSERT INTO Summary_Key") + kKeyColumns + " SELECT * FROM (WITH l AS (" +
           LineRowsSql(table) + "), g AS (" + selects + ") " +
           LevelRows(table, "kn, kv", std::string(kSums) + ", min(lo), max(hi)",
                     "q, odd, amt, cost, costed, unc, lo, hi") +
           ") s";
}

std::string Upsert(const char* summary, const char* conflict, bool server, bool firstId) {
    const std::string s = summary;
    const char* least = server ? "least" : "min";
    const char* greatest = server ? "greatest" : "max";
    std::string sql = std::string(" ON CONFLICT ") + conflict + " DO UPDATE SET";
    for (const char* c : {"Quantity", "Odd", "Amount", "Cost", "Costed", "Uncosted"})
        sql += std::string(" ") + c + " = " + s + "." + c + " + excluded." + c + ",";
    if (firstId)
        sql += std::string(" First_Id = ") + least + "(" + s + ".First_Id, excluded.First_Id),";
    return sql + " MinDate = " + least + "(" + s +
           ".MinDate, excluded.MinDate), MaxDate = " + greatest + "(" + s +
           ".MaxDate, excluded.MaxDate)";
}

bool IsDigits(const std::string& s, size_t at, size_t count) {
    for (size_t i = at; i < at + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// "yyyy-MM" of an ISO date (or nothing).
std::optional<std::string> MonthOf(const std::string& date) {
    if (date.size() < 7 || !IsDigits(date, 0, 4) || date[4] != '-' || !IsDigits(date, 5, 2))
        return std::nullopt;
    const int month = std::stoi(date.substr(5, 2));
    if (month < 1 || month > 12)
        return std::nullopt;
    return date.substr(0, 7);
}

// The month after; after 9999-12 it is "9999-13", which sorts after every date of 9999 as a
// text bound must (a five-digit year would sort before them).
std::string NextMonth(const std::string& month) {
    if (month == "9999-12")
        return "9999-13";
    int year = std::stoi(month.substr(0, 4)), m = std::stoi(month.substr(5, 2)) + 1;
    if (m > 12) {
        m = 1;
        ++year;
    }
    std::string text = std::to_string(year);
    text.insert(0, text.size() < 4 ? 4 - text.size() : 0, '0');
    return text + (m < 10 ? "-0" : "-") + std::to_string(m);
}

// A month as a count of months (year × 12 + month − 1), and back.
int MonthIndex(const std::string& month) {
    return std::stoi(month.substr(0, 4)) * 12 + std::stoi(month.substr(5, 2)) - 1;
}

std::string Year(int index) {
    std::string text = std::to_string(index / 12);
    return text.insert(0, text.size() < 4 ? 4 - text.size() : 0, '0');
}

std::string MonthText(int index) {
    const int m = index % 12 + 1;
    return Year(index) + (m < 10 ? "-0" : "-") + std::to_string(m);
}

// The whole months [from, to) (month indexes) as the fewest warehouse-less periods: the years
// inside, then the quarters, then the months; each level's run as one span of periods.
std::vector<SummarySpan> Spans(int from, int to) {
    std::vector<SummarySpan> spans;
    char level = 0;
    for (int at = from; at < to;) {
        const int step = at % 12 == 0 && at + 12 <= to ? 12 : at % 3 == 0 && at + 3 <= to ? 3 : 1;
        const char now = step == 12 ? 'Y' : step == 3 ? 'Q' : 'M';
        const std::string period =
            std::string(1, now) + (step == 12  ? Year(at)
                                   : step == 3 ? Year(at) + "-" + std::to_string(at % 12 / 3 + 1)
                                               : MonthText(at));
        if (now == level)
            spans.back().last = period;
        else
            spans.push_back({period, period, true});
        level = now;
        at += step;
    }
    return spans;
}
} // namespace

const char* CostColumnOf(const char* lineTable) {
    return std::strcmp(lineTable, "EnterStock_Detail") == 0 ? "cast(NULL as text)" : "Product_Cost";
}

LineFigureSql LineFiguresOf(const char* costColumn) {
    const std::string base = kBase, cost = costColumn;
    LineFigureSql f;
    f.quantity =
        "(case when " + PlainWhole(base) + " then cast(" + base + " as bigint) else 0 end)";
    f.odd = "(case when " + PlainWhole(base) + " and (coalesce(Product_Total, '') = '' or " +
            PlainMoney("Product_Total") + ") and (coalesce(" + cost + ", '') = '' or " +
            PlainMoney(cost) + ") then 0 else 1 end)";
    f.amount = Cents("Product_Total");
    f.cost = Cents(cost);
    f.costed = "(case when " + PlainMoney(cost) + " then " + f.amount + " else 0 end)";
    f.uncosted = "(case when coalesce(" + cost + ", '') = '' then 1 else 0 end)";
    return f;
}

std::string LineSummaryStepSql() {
    return R"SQL(
CREATE TABLE IF NOT EXISTS Summary_Goods (
  Id INTEGER PRIMARY KEY, Kind TEXT NOT NULL, Month TEXT NOT NULL, Warehouse TEXT NOT NULL,
  Product_ID TEXT NOT NULL, Quantity BIGINT NOT NULL, Odd BIGINT NOT NULL, Amount BIGINT NOT NULL,
  Cost BIGINT NOT NULL, Costed BIGINT NOT NULL, Uncosted BIGINT NOT NULL, First_Id BIGINT,
  MinDate TEXT, MaxDate TEXT, UNIQUE (Kind, Month, Warehouse, Product_ID));
CREATE TABLE IF NOT EXISTS Summary_Key (
  Id INTEGER PRIMARY KEY, Kind TEXT NOT NULL, Month TEXT NOT NULL, Warehouse TEXT NOT NULL,
  KeyName TEXT NOT NULL, KeyValue TEXT NOT NULL, Quantity BIGINT NOT NULL, Odd BIGINT NOT NULL,
  Amount BIGINT NOT NULL, Cost BIGINT NOT NULL, Costed BIGINT NOT NULL, Uncosted BIGINT NOT NULL,
  MinDate TEXT, MaxDate TEXT, UNIQUE (Kind, KeyName, Month, Warehouse, KeyValue));
)SQL";
}

std::string SummaryLevelsStepSql() {
    std::string sql = R"SQL(
/*file:*/
ALTER TABLE Summary_Goods RENAME COLUMN Month TO Period;
ALTER TABLE Summary_Key RENAME COLUMN Month TO Period;
/*:file*/
/*server:
DO $$ BEGIN
  IF EXISTS (SELECT 1 FROM information_schema.columns WHERE table_schema = current_schema()
             AND table_name = 'summary_goods' AND column_name = 'month') THEN
    ALTER TABLE Summary_Goods RENAME COLUMN Month TO Period;
  END IF;
  IF EXISTS (SELECT 1 FROM information_schema.columns WHERE table_schema = current_schema()
             AND table_name = 'summary_key' AND column_name = 'month') THEN
    ALTER TABLE Summary_Key RENAME COLUMN Month TO Period;
  END IF;
END $$;
:server*/
DELETE FROM Summary_Goods;
DELETE FROM Summary_Key;
)SQL";
    // The keys the levels came with; the days came after (SummaryDaysStepSql).
    for (const char* table : kSummarized)
        sql +=
            GoodsInsert(table) + ";\n" + KeyInsert(table, SummaryKeys(kAllKeys).first(4)) + ";\n";
    return sql;
}

std::string SummaryDaysStepSql() {
    // Run again (an archive restored on a server) it finds its rows made: made anew.
    std::string sql = "DELETE FROM Summary_Key WHERE KeyName = 'Day';\n";
    for (const char* table : kSummarized)
        sql += KeyInsert(table, SummaryKeys(kAllKeys).last(1)) + ";\n";
    return sql;
}

bool RebuildLineSummaries(CDataStore& store) {
    if (!store.Run("delete from Summary_Goods", {}) || !store.Run("delete from Summary_Key", {}))
        return false;
    for (const char* table : kSummarized)
        if (!store.Run(GoodsInsert(table), {}) || !store.Run(KeyInsert(table), {}))
            return false;
    return true;
}

void UseLineSummaries(bool on) {
    g_used = on;
}

bool LineSummariesUsed() {
    return g_used;
}

bool SplitForSummaries(CDataStore& store, const std::string& from, const std::string& to,
                       std::optional<SummarySplit>& split, const char* kindA, const char* kindB) {
    split.reset();
    if (!g_used)
        return true;
    const auto fromMonth = MonthOf(from), toMonth = MonthOf(to);
    if (!fromMonth || !toMonth || *fromMonth > *toMonth)
        return true;
    const SqlValues kinds{kindA, kindB ? kindB : kindA};
    // An end month is whole when none of its lines lies outside the range: its date bounds over
    // every warehouse say so (one row a kind), so a role's scope never changes the split.
    auto whole = [&](const std::string& month, bool* yes) {
        SqlValues values = kinds;
        values.push_back("M" + month);
        std::string low, high;
        bool any = false;
        if (!store.Run("select min(MinDate), max(MaxDate), count(*) from Summary_Key where"
                       " Kind in (?, ?) and KeyName = 'Month' and Period = ?",
                       values, [&](const CStatement& st) {
                           low = st.Text(0);
                           high = st.Text(1);
                           any = st.Text(2) != "0";
                       }))
            return false;
        *yes = any && low >= from && high <= to;
        return true;
    };
    bool fromWhole = false, toWhole = false;
    if (!whole(*fromMonth, &fromWhole) || !whole(*toMonth, &toWhole))
        return false;
    SummarySplit s;
    s.from = from;
    s.to = to;
    s.wholeFrom = fromWhole ? *fromMonth : NextMonth(*fromMonth);
    s.wholeTo = toWhole ? NextMonth(*toMonth) : *toMonth;
    if (s.wholeFrom >= s.wholeTo)
        return true;
    s.head = !fromWhole;
    s.tail = !toWhole;
    // A role that sees every warehouse reads the rows without one, in the coarsest periods; but
    // a month text out of the plain form among the whole months keeps them to months, whose
    // order is that of the lines' dates.
    SqlValues none;
    if (WarehouseScopeCondition("Warehouse", none).empty()) {
        SqlValues values = kinds;
        values.push_back("X" + s.wholeFrom);
        values.push_back("X" + s.wholeTo);
        bool odd = false;
        if (!store.Run("select 1 from Summary_Goods where Kind in (?, ?) and Period >= ? and"
                       " Period < ? limit 1",
                       values, [&](const CStatement&) { odd = true; }))
            return false;
        if (odd)
            s.spans = {{"M" + s.wholeFrom, "M" + s.wholeTo, false}};
        else
            s.spans = Spans(MonthIndex(s.wholeFrom), MonthIndex(s.wholeTo));
    }
    split = std::move(s);
    return true;
}

namespace {
bool AllDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// What PlainWhole tests in SQL: at most twelve digits, an optional minus before them.
bool ReadWhole(std::string_view x, int64_t& value) {
    const bool negative = !x.empty() && x[0] == '-';
    const std::string_view digits = x.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 12 || !AllDigits(digits))
        return false;
    int64_t v = 0;
    for (char c : digits)
        v = v * 10 + (c - '0');
    value = negative ? -v : v;
    return true;
}

// What PlainMoney tests: digits, a point, two decimals (at most fifteen characters without the
// minus), an optional minus before; the value in cents.
bool ReadMoney(std::string_view x, int64_t& cents) {
    const bool negative = !x.empty() && x[0] == '-';
    const std::string_view u = x.substr(negative ? 1 : 0);
    if (u.size() < 4 || u.size() > 15 || u[u.size() - 3] != '.' ||
        !AllDigits(u.substr(0, u.size() - 3)) || !AllDigits(u.substr(u.size() - 2)))
        return false;
    int64_t v = 0;
    for (char c : u)
        if (c != '.')
            v = v * 10 + (c - '0');
    cents = negative ? -v : v;
    return true;
}
} // namespace

bool ReadPlainFigures(std::string_view base, std::string_view total, std::string_view cost,
                      PlainFigures& out) {
    out = PlainFigures();
    if (!ReadWhole(base, out.quantity) || (!total.empty() && !ReadMoney(total, out.amount)) ||
        (!cost.empty() && !ReadMoney(cost, out.cost)))
        return false;
    out.costed = !cost.empty();
    return true;
}

bool AddSummaryCents(std::string_view text, CMoneySum& to) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 19)
        return false;
    __int128 cents = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        cents = cents * 10 + (c - '0');
    }
    to += CMoneySum::FromUnits((negative ? -cents : cents) * 100);
    return true;
}

std::string PartialLinesSql(const SummarySplit& split, const char* table,
                            const std::string& columns, SqlValues& values) {
    std::string sql;
    auto part = [&](const char* where, const std::string& low, const std::string& high) {
        if (!sql.empty())
            sql += " union all ";
        std::string one = "select " + columns + " from " + table + " where " + where;
        values.push_back(low);
        values.push_back(high);
        AddWarehouseScope(one, values, "Warehouse", true);
        sql += one;
    };
    if (split.head)
        part("Bill_Date >= ? and Bill_Date < ?", split.from, split.wholeFrom);
    if (split.tail)
        part("Bill_Date >= ? and Bill_Date <= ?", split.wholeTo, split.to);
    return sql;
}

std::string WholeMonthsSql(const SummarySplit& split, const char* summaryTable, const char* kind,
                           const std::string& columns, SqlValues& values, const std::string& extra,
                           const SqlValues& extraValues) {
    auto one = [&](const std::string& low, const std::string& high, bool closed) {
        values.push_back(kind);
        values.insert(values.end(), extraValues.begin(), extraValues.end());
        values.push_back(low);
        values.push_back(high);
        return "select " + columns + " from " + summaryTable + " where Kind = ?" + extra +
               " and Period >= ? and Period " + (closed ? "<=" : "<") + " ?";
    };
    if (split.spans.empty()) {
        std::string sql = one(split.wholeFrom, split.wholeTo, false);
        AddWarehouseScope(sql, values, "Warehouse", true);
        return sql;
    }
    // The levels without the warehouse alone: a warehouse's month row of a line whose date text
    // begins with a level's letter ("Q2026-1…") has a period of that form.
    std::string sql;
    for (const SummarySpan& span : split.spans)
        sql += (sql.empty() ? "" : " union all ") + one(span.first, span.last, span.closed) +
               " and Warehouse = ''";
    return sql;
}

namespace {
// Ids as one value: a JSON array for the file, an array literal for the server.
std::string IdList(std::span<const std::pair<int64_t, size_t>> wanted, bool server) {
    std::string list(1, server ? '{' : '[');
    for (const auto& [id, place] : wanted) {
        if (list.size() > 1)
            list += ',';
        list += std::to_string(id);
    }
    list += server ? '}' : ']';
    return list;
}

// The reader of the lines of `wanted` (in Id order): each found line to its place.
std::function<void(const CStatement&)>
PlacingRows(std::span<const std::pair<int64_t, size_t>> wanted,
            const std::function<void(const CStatement&, size_t)>& onRow) {
    return [wanted, &onRow](const CStatement& st) {
        const int64_t id = st.Int(0);
        const auto at =
            std::lower_bound(wanted.begin(), wanted.end(), std::pair<int64_t, size_t>{id, 0});
        if (at != wanted.end() && at->first == id)
            onRow(st, at->second);
    };
}

// From this many lines on, a file's lookups are shared with a second connection on a thread of
// its own: each costs a read of a page of the lines (a few microseconds), and tens of thousands
// of groups' first lines lie all over the years. Fewer are not worth the second connection. A
// server's two processes looking up at once were slower than one (measured: they contend for
// the server's buffers), so it reads them on the report's connection.
constexpr size_t kLookupsShared = 8192;
} // namespace

bool ReadLinesById(CDataStore& store, const char* table, const std::string& columns,
                   std::vector<std::pair<int64_t, size_t>>& wanted,
                   const std::function<void(const CStatement&, size_t)>& onRow) {
    std::sort(wanted.begin(), wanted.end());
    const bool server = store.IsServer();
    // On a server the Ids come through a scalar subquery: given as a value, the planner would
    // weigh each of tens of thousands of them (tens of milliseconds) for the same plan.
    const std::string sql =
        "select Id, " + columns + " from " + table +
        (server ? " where Id = any(cast((select cast(? as bigint[])) as bigint[]))"
                : " where Id in (select value from json_each(?))");
    const std::span<const std::pair<int64_t, size_t>> all(wanted);
    // The later part beside, the earlier one here, parted where their reads weigh the same: a
    // line costs a page read unless it lies near the one before (a page holds a few dozen).
    size_t half = 0;
    if (!server && wanted.size() >= kLookupsShared) {
        const auto weight = [&](size_t i) -> int64_t {
            constexpr uint64_t kNear = 32, kRow = 8;
            const uint64_t gap = i == 0 ? kNear
                                        : static_cast<uint64_t>(wanted[i].first) -
                                              static_cast<uint64_t>(wanted[i - 1].first);
            return static_cast<int64_t>(kRow + std::min(kNear, gap));
        };
        int64_t total = 0;
        for (size_t i = 0; i < wanted.size(); ++i)
            total += weight(i);
        for (int64_t sum = 0; half + 1 < wanted.size() && 2 * sum < total; ++half)
            sum += weight(half);
        // An Id named twice (by summaries out of date) stays on one side, so one place gets it.
        while (half < wanted.size() && half > 0 && wanted[half].first == wanted[half - 1].first)
            ++half;
    }
    if (half == 0 || half == wanted.size())
        return store.Run(sql, {IdList(all, server)}, PlacingRows(all, onRow));
    CReadBeside later(store, sql, {IdList(all.subspan(half), server)},
                      PlacingRows(all.subspan(half), onRow));
    if (!store.Run(sql, {IdList(all.first(half), server)}, PlacingRows(all.first(half), onRow)))
        return false; // `later` ends with the function; its failure would say nothing more
    const bool besideRan = later.RanBeside();
    if (!later.Wait())
        return false;
    if (besideRan)
        g_readsBeside.fetch_add(1);
    return true;
}

int LookupsReadBesideForTest() {
    return g_readsBeside.load();
}

namespace {
// What kPlainMonth tests.
bool PlainMonth(const std::string& m) {
    return m.size() == 7 && IsDigits(m, 0, 4) && m[4] == '-' && IsDigits(m, 5, 2) &&
           m.compare(5, 2, "01") >= 0 && m.compare(5, 2, "12") <= 0;
}

// One group's figures as a summary row holds them.
struct GroupSums {
    int64_t quantity = 0, odd = 0, amount = 0, cost = 0, costed = 0, uncosted = 0;
    int64_t firstId = INT64_MAX;
    bool dated = false; // MinDate and MaxDate are known (a NULL date counts in neither)
    std::string minDate, maxDate;
};

// One line as the posting stored it, with its figures counted as LineFiguresOf counts them.
struct StoredLine {
    int64_t id = 0;
    bool dated = false;
    std::string date, month, day, warehouse, goods, employee, department, customer;
    GroupSums figures;
};

// Each key's text in a stored line, in the order of kAllKeys.
constexpr std::string StoredLine::*kKeyOf[] = {&StoredLine::employee, &StoredLine::department,
                                               &StoredLine::customer, &StoredLine::month,
                                               &StoredLine::day};
static_assert(std::size(kKeyOf) == std::size(kAllKeys));

// False when a sum leaves 64 bits, where the engines' sum() fails too.
bool AddLine(GroupSums& sums, const StoredLine& line) {
    const GroupSums& f = line.figures;
    bool over = false;
    for (const auto& [sum, figure] : {std::pair{&sums.quantity, f.quantity},
                                      {&sums.odd, f.odd},
                                      {&sums.amount, f.amount},
                                      {&sums.cost, f.cost},
                                      {&sums.costed, f.costed},
                                      {&sums.uncosted, f.uncosted}})
        over |= __builtin_add_overflow(*sum, figure, sum);
    sums.firstId = std::min(sums.firstId, line.id);
    if (line.dated) {
        if (!sums.dated || line.date < sums.minDate)
            sums.minDate = line.date;
        if (!sums.dated || line.date > sums.maxDate)
            sums.maxDate = line.date;
        sums.dated = true;
    }
    return !over;
}

// The periods a line counts in, with the warehouse of each: its month in its warehouse, then
// with every warehouse its month ("M"), an odd month's mark ("X"), its quarter and year.
std::vector<std::pair<std::string, std::string>> PeriodsOf(const StoredLine& line) {
    const std::string& m = line.month;
    std::vector<std::pair<std::string, std::string>> periods{{m, line.warehouse}, {"M" + m, ""}};
    if (PlainMonth(m)) {
        const char quarter = m.compare(5, 2, "03") <= 0   ? '1'
                             : m.compare(5, 2, "06") <= 0 ? '2'
                             : m.compare(5, 2, "09") <= 0 ? '3'
                                                          : '4';
        periods.emplace_back("Q" + m.substr(0, 4) + "-" + quarter, "");
        periods.emplace_back("Y" + m.substr(0, 4), "");
    } else if (!m.empty()) {
        periods.emplace_back("X" + m, "");
    }
    return periods;
}

// The posting's lines of `billId` with their figures, read by one statement.
bool ReadStoredLines(CDataStore& store, const char* table, const std::string& billId,
                     std::vector<StoredLine>& lines) {
    return store.Run(
        std::string("select Id, case when Bill_Date is null then 0 else 1 end, Bill_Date,"
                    " Warehouse, Product_ID, Employee, Department, Customer, coalesce(Base_Number,"
                    " Product_Number), Product_Total, ") +
            CostColumnOf(table) + ", " + kLineMonth +
            ", coalesce(substr(Bill_Date, 1, 10), '') from " + table + " where Bill_ID = ?",
        {billId}, [&](const CStatement& st) {
            StoredLine line;
            line.id = st.Int(0);
            line.dated = st.Int(1) != 0;
            line.date = st.Text(2);
            line.month = st.Text(11);
            line.day = st.Text(12);
            line.warehouse = st.Text(3);
            line.goods = st.Text(4);
            line.employee = st.Text(5);
            line.department = st.Text(6);
            line.customer = st.Text(7);
            const std::string_view base = st.TextView(8), total = st.TextView(9),
                                   cost = st.TextView(10);
            GroupSums& f = line.figures;
            const bool whole = ReadWhole(base, f.quantity);
            const bool money = ReadMoney(total, f.amount);
            const bool costed = ReadMoney(cost, f.cost);
            f.quantity = whole ? f.quantity : 0;
            f.amount = money ? f.amount : 0;
            f.cost = costed ? f.cost : 0;
            f.odd = whole && (total.empty() || money) && (cost.empty() || costed) ? 0 : 1;
            f.costed = costed ? f.amount : 0;
            f.uncosted = cost.empty() ? 1 : 0;
            lines.push_back(std::move(line));
        });
}

// Adds a text to a server's array literal as a quoted element.
void AddListText(std::string& list, std::string_view text) {
    list += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\')
            list += '\\';
        list += c;
    }
    list += '"';
}

// One summary row as lists take it: its key texts, its figures, its date bounds.
struct ListRow {
    std::vector<std::string_view> texts;
    std::vector<int64_t> figures;
    const GroupSums* sums = nullptr;
};

template <class Key>
std::vector<ListRow> ListRows(const std::map<Key, GroupSums>& rows, std::string_view kind,
                              bool firstId) {
    std::vector<ListRow> list;
    list.reserve(rows.size());
    for (const auto& [key, s] : rows) {
        ListRow row;
        row.texts.push_back(kind);
        std::apply([&](const auto&... k) { (row.texts.push_back(k), ...); }, key);
        row.figures = {s.quantity, s.odd, s.amount, s.cost, s.costed, s.uncosted};
        if (firstId)
            row.figures.push_back(s.firstId);
        row.sums = &s;
        list.push_back(std::move(row));
    }
    return list;
}

// Upserts `rows` into `summary` (its `columns`: the key texts, the figures, MinDate, MaxDate)
// on a server by one statement, one array a column, on a file a few dozen rows a statement.
bool UpsertRows(CDataStore& store, const char* summary, const std::string& columns,
                const char* conflict, bool firstId, const std::vector<ListRow>& rows) {
    if (rows.empty())
        return true;
    const bool server = store.IsServer();
    const size_t texts = rows.front().texts.size(), figures = rows.front().figures.size();
    const std::string upsert = Upsert(summary, conflict, server, firstId);
    if (server) {
        SqlValues lists(texts + figures + 2, "{");
        for (const ListRow& row : rows) {
            size_t at = 0;
            for (const std::string_view text : row.texts) {
                std::string& list = lists[at++];
                list += list.size() > 1 ? "," : "";
                AddListText(list, text);
            }
            for (const int64_t figure : row.figures) {
                std::string& list = lists[at++];
                list += (list.size() > 1 ? "," : "") + std::to_string(figure);
            }
            for (const std::string* date : {&row.sums->minDate, &row.sums->maxDate}) {
                std::string& list = lists[at++];
                list += list.size() > 1 ? "," : "";
                if (row.sums->dated)
                    AddListText(list, *date);
                else
                    list += "NULL";
            }
        }
        std::string sql =
            std::string("INSERT INTO ") + summary + columns + " SELECT * FROM unnest(";
        for (size_t i = 0; i < lists.size(); ++i) {
            lists[i] += '}';
            sql += std::string(i ? ", " : "") + "cast(? as " +
                   (i >= texts && i < texts + figures ? "bigint" : "text") + "[])";
        }
        return store.Run(sql + ") u WHERE true" + upsert, lists);
    }
    // A few dozen rows a statement: each posting prepares its statements anew on its own
    // connection, and a longer text costs more to prepare than its rows save (measured).
    std::string row = "(?";
    for (size_t i = 1; i < texts; ++i)
        row += ", ?";
    for (size_t i = 0; i < figures; ++i)
        row += ", cast(? as bigint)";
    row += ", case when ? = '1' then ? end, case when ? = '1' then ? end)";
    auto next = rows.begin();
    for (const size_t size : {size_t{64}, size_t{8}, size_t{1}}) {
        std::string sql;
        for (; static_cast<size_t>(rows.end() - next) >= size; next += size) {
            if (sql.empty()) {
                sql = std::string("INSERT INTO ") + summary + columns + " VALUES ";
                for (size_t i = 0; i < size; ++i)
                    sql += (i ? ", " : "") + row;
                sql += upsert;
            }
            SqlValues values;
            values.reserve(size * (texts + figures + 4));
            for (auto it = next; it != next + size; ++it) {
                values.insert(values.end(), it->texts.begin(), it->texts.end());
                for (const int64_t figure : it->figures)
                    values.push_back(std::to_string(figure));
                for (const std::string* date : {&it->sums->minDate, &it->sums->maxDate}) {
                    values.push_back(it->sums->dated ? "1" : "0");
                    values.push_back(*date);
                }
            }
            if (!store.Run(sql, values))
                return false;
        }
    }
    return true;
}
} // namespace

// The lines are read once and grouped here: the same grouping in SQL (the rebuild's) spends most
// of a large bill's posting in its sorts.
bool AddBillToSummaries(CDataStore& store, const char* lineTable, const std::string& billId) {
    if (!g_used || !Summarized(lineTable))
        return true;
    std::vector<StoredLine> lines;
    if (!ReadStoredLines(store, lineTable, billId, lines))
        return false;
    // Goods by (period, warehouse, goods), the order of their unique key, so that the upserts
    // walk its index forward; keys (a few rows) by (period, warehouse, name, value).
    std::map<std::tuple<std::string, std::string, std::string>, GroupSums> goods;
    std::map<std::tuple<std::string, std::string, std::string, std::string>, GroupSums> keys;
    bool summed = true;
    for (const StoredLine& line : lines)
        for (const auto& [period, warehouse] : PeriodsOf(line)) {
            summed &= AddLine(goods[{period, warehouse, line.goods}], line);
            for (size_t k = 0; k < std::size(kAllKeys); ++k)
                summed &=
                    AddLine(keys[{period, warehouse, kAllKeys[k].first, line.*kKeyOf[k]}], line);
        }
    if (!summed) {
        store.SetLastError("integer overflow");
        return false;
    }
    return UpsertRows(store, "Summary_Goods", kGoodsColumns,
                      "(Kind, Period, Warehouse, Product_ID)", true,
                      ListRows(goods, lineTable, true)) &&
           UpsertRows(store, "Summary_Key", kKeyColumns,
                      "(Kind, KeyName, Period, Warehouse, KeyValue)", false,
                      ListRows(keys, lineTable, false));
}
