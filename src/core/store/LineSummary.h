#pragma once
#include "CStatement.h"
#include "text/Money.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CDataStore;

// Summaries of the purchase, sale and sale-return lines, kept by the posting in its own
// transaction, so that the statistics and the profit report read whole periods from a few rows
// instead of every line. Only the months a date range covers whole come from them; the rest of
// the range is read from the lines, and the rows come out exactly as the line readers make them.
//
// Summary_Goods: per line table (Kind) × period × warehouse × goods code.
// Summary_Key: per line table × period × warehouse × key (KeyName Employee, Department,
// Customer, Month or Day, KeyValue its text; a day is the date text's first ten characters).
// Period is the month "yyyy-MM" of one warehouse, or, with every warehouse summed (Warehouse
// empty), the month "Myyyy-MM", the quarter "Qyyyy-q" or the year "Yyyy"; a line whose month is
// out of that form also counts in "X<its month text>", which keeps a range over it to months.
// Each level's periods sort as text in time order, read by spans with the last one included.
// Each holds the base quantity, the amount, the cost and the amount of the lines whose cost is
// known (in cents), the count of lines without cost, the first line's Id and date bounds, and
// Odd: the count of lines whose figures are not in the plain form this program writes (a whole
// number, money with two decimals). A range touching such a group is read from the lines.

// The schema step that makes the monthly tables, and the one that adds the levels without the
// warehouse and builds every level over the lines already stored (one INSERT … SELECT per
// table), in the words of both engines.
std::string LineSummaryStepSql();
std::string SummaryLevelsStepSql();
// The step that adds the day keys over the lines already stored.
std::string SummaryDaysStepSql();

// Adds the lines of bill `billId` in `lineTable` to the summaries inside the caller's
// transaction: the lines read once, grouped into the rows the rebuild would make, the rows
// upserted a few statements a table. A table without summaries is left alone (true).
bool AddBillToSummaries(CDataStore& store, const char* lineTable, const std::string& billId);

// Empties the summaries and builds them again from the lines (lines written by another program,
// a copy onto a server).
bool RebuildLineSummaries(CDataStore& store);

// Whether postings keep the summaries and the readers use them (on unless a test or a benchmark
// measures the line readers or a posting without the update). Process-wide.
void UseLineSummaries(bool on);
bool LineSummariesUsed();

// How a date range [from, to] splits: the whole months [wholeFrom, wholeTo) (month texts
// "yyyy-MM"), and the lines read from `from` up to before wholeFrom (when `head`) and from
// wholeTo up to `to` (when `tail`). The whole months come, for a role that sees every warehouse,
// from the warehouse-less `spans` (years, quarters, months); for one that does not, `spans` is
// empty and they come from the monthly rows of its warehouses. Nothing when the summaries are
// off, a bound is no ISO date, or no month lies whole in the range: the caller reads the lines
// alone. False when the summaries could not be read (the store's last error says why).
struct SummarySpan {
    std::string first, last; // periods of one level
    bool closed = true;      // `last` read too
};
struct SummarySplit {
    std::string from, to, wholeFrom, wholeTo;
    bool head = false, tail = false;
    std::vector<SummarySpan> spans;
};
bool SplitForSummaries(CDataStore& store, const std::string& from, const std::string& to,
                       std::optional<SummarySplit>& split, const char* kindA,
                       const char* kindB = nullptr);

// Per-line figures as the summaries hold them, for a line table (`costColumn` its cost column
// or "cast(NULL as text)"): quantity, Odd, amount and cost in cents, the costed amount, the
// uncosted count.
struct LineFigureSql {
    std::string quantity, odd, amount, cost, costed, uncosted;
};
LineFigureSql LineFiguresOf(const char* costColumn);
// The cost column a summarized line table has.
const char* CostColumnOf(const char* lineTable);

// One line's figures as the summaries count them, read from its texts (NULL read as empty): the
// base quantity, the amount and the cost in cents, whether the cost is known. False when one is
// not in the plain form (a summary's Odd): the caller then reads the lines alone. The readers
// take the partial months' lines this way, cheaper than the same tests in SQL.
struct PlainFigures {
    int64_t quantity = 0, amount = 0, cost = 0;
    bool costed = false;
};
bool ReadPlainFigures(std::string_view base, std::string_view total, std::string_view cost,
                      PlainFigures& out);

// A sum of cents as the summaries hold it ("-1234") added to `to`, read without a copy; false
// for any other text (a sum past 64 bits, which SQLite turns into a real number): the caller
// then reads the lines.
bool AddSummaryCents(std::string_view text, CMoneySum& to);

// The lines of `table` outside the summary months of `split` (its head and tail), as
// "select <columns> from table where …" joined by " union all ", with the warehouse scope;
// empty when both ends are whole. `values` gets the bounds and the scope's names.
std::string PartialLinesSql(const SummarySplit& split, const char* table,
                            const std::string& columns, SqlValues& values);
// The summary rows of `summaryTable` of kind `kind` in the whole months, with the scope, as
// "select <columns> from summaryTable where …" (plus `extra`, a condition of its own), one such
// select a span joined by " union all ".
std::string WholeMonthsSql(const SummarySplit& split, const char* summaryTable, const char* kind,
                           const std::string& columns, SqlValues& values,
                           const std::string& extra = {}, const SqlValues& extraValues = {});

// The lines of `table` whose Ids `wanted` names, each with a place of the caller's, read by one
// statement instead of one lookup each: `onRow(st, place)` for each line found, its Id in
// column 0 and `columns` after it. `wanted` is put in Id order. Many lines of a file are read
// by two connections at once: `onRow` may then run on two threads together, never for the same
// place.
bool ReadLinesById(CDataStore& store, const char* table, const std::string& columns,
                   std::vector<std::pair<int64_t, size_t>>& wanted,
                   const std::function<void(const CStatement&, size_t)>& onRow);

// How many ReadLinesById calls shared their lookups with a second connection (tests).
int LookupsReadBesideForTest();
