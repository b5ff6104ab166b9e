// The statistics of the report window: purchase and sale lines of a date range, grouped.
#include "CDataStore.h"
#include "LineGroups.h"
#include "LineSummary.h"
#include "ReadBeside.h"

#include "port/MessagePort.h"
#include "text/Money.h"

#include <optional>
#include <set>

namespace {
// A line's quantity when it is a plain whole number of at most 18 digits, an optional minus
// before them (read the same by LeadingInteger); otherwise the largest bigint, which no sum of
// magnitudes below that bound can hold (see below). Cheaper on a server than a regular
// expression, which cost more than the grouping itself.
// Quantities are summed in base units (Base_Number); a line written without one (by hand, by
// another program) counts its own quantity.
constexpr const char* kPlainQuantity =
    "case when length(b) between 1 and 18 and ltrim(b, '0123456789') = '' then b::bigint when"
    " left(b, 1) = '-' and length(b) between 2 and 19 and ltrim(substr(b, 2), '0123456789') = ''"
    " then b::bigint else 9223372036854775807 end";

// A group's unit price stands beside its quantity in base units. Its first line's price is
// per that line's unit: for a line in a larger unit it becomes the price of one base unit,
// price × quantity ÷ base quantity, rounded half away from zero to four decimals (two where
// they tell it all). A line whose quantities are no plain non-zero numbers keeps its price.
std::string PricePerBaseUnit(const std::string& price, const std::string& number,
                             const std::string& base) {
    const auto each = CMoney::Parse(price);
    const int64_t quantity = LeadingInteger(number), baseQuantity = LeadingInteger(base);
    if (!each || quantity == 0 || baseQuantity == 0)
        return price;
    const __int128 value = static_cast<__int128>(each->Units()) * quantity;
    const bool negative = (value < 0) != (baseQuantity < 0);
    const unsigned __int128 v =
        value < 0 ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
    const unsigned __int128 b = baseQuantity < 0 ? -static_cast<unsigned __int128>(baseQuantity)
                                                 : static_cast<unsigned __int128>(baseQuantity);
    const unsigned __int128 units = (2 * v + b) / (2 * b);
    if (units > static_cast<unsigned __int128>(INT64_MAX))
        return price;
    const CMoney perBase =
        CMoney::FromUnits(negative ? -static_cast<int64_t>(units) : static_cast<int64_t>(units));
    return perBase.RoundedTo2() == perBase ? perBase.Format2() : perBase.Format4();
}

// A server groups the lines itself: sending a million lines to be grouped here costs several
// times the grouping. Each group comes with its first line's fields (the lowest Id, as read in
// order here), its quantity and whether that sum is exact: the magnitudes together below the
// 64-bit bound, so every quantity was a plain whole number (what this program writes) and no
// partial sum in any order can reach the bounds. Otherwise the lines are read and grouped here.
// Each aggregate costs the server a pass over every line's value, so there are no more than
// these three.
std::string ServerGoodsGroupsStatement(const char* table, const std::string& from,
                                       const std::string& to, SqlValues& values) {
    const std::string t = table;
    values = {from, to};
    std::string scope;
    AddWarehouseScope(scope, values, "Warehouse", true);
    return "select g.Product_ID, d.Product_Name, d.Product_Unit, d.Product_atch, d.Product_Date,"
           " d.Product_Price, d.Product_BarCode, d.Product_Note, g.quantity, g.magnitude <"
           " 9223372036854775807, coalesce(d.Base_Number, d.Product_Number) = d.Product_Number,"
           " d.Product_Number, coalesce(d.Base_Number, d.Product_Number)"
           " from (select Product_ID, "
           "min(Id) as first_id, sum(q) as"
           " quantity, sum(abs(q)) as magnitude from (select coalesce(Product_ID, '') as"
           " Product_ID, Id, " +
           std::string(kPlainQuantity) +
           " as q from (select Product_ID, Id, coalesce(Base_Number, Product_Number) as b from " +
           t + " where Bill_Date between ? and ?" + scope + ") s) l group by Product_ID) g join " +
           t + " d on d.Id = g.first_id";
}
// The summary rows of the whole periods of the range, bare: a goods item's code, quantity, Odd
// and first line's Id, once a period, merged by the caller, which looks up the first lines it
// still needs after the partial months' lines (whose own first lines need no lookup). Nothing
// when the range has no whole month.
std::optional<std::string> SummaryGoodsRowsStatement(const std::optional<SummarySplit>& split,
                                                     const char* table, SqlValues& values) {
    if (!split)
        return std::nullopt;
    values.clear();
    return WholeMonthsSql(*split, "Summary_Goods", table, "Product_ID, Quantity, Odd, First_Id",
                          values);
}
} // namespace

bool CDataStore::SumByGoods(const char* table, const std::string& from, const std::string& to,
                            std::vector<GoodsGroupRecord>& groups) {
    struct Group {
        GoodsGroupRecord record;
        int64_t quantity;
    };
    // A group's quantity is in base units, and so is its unit: a group whose first line was
    // entered in a larger unit reads the goods' own. Rare, so read one by one.
    std::set<std::string> otherUnit; // goods codes
    const size_t before = groups.size();
    auto baseUnits = [&] {
        for (size_t i = before; i < groups.size() && !otherUnit.empty(); ++i) {
            GoodsGroupRecord& r = groups[i];
            if (otherUnit.count(r.Product_ID) &&
                !Run("select Unit from ferix_product where Code = ?", {r.Product_ID},
                     [&](const CStatement& st) { r.Product_Unit = st.Text(0); })) {
                Messages().Inform(kLinesReadFailure);
                return false;
            }
        }
        return true;
    };
    std::optional<SummarySplit> split;
    if (!SplitForSummaries(*this, from, to, split, table)) {
        Messages().Inform(kLinesReadFailure);
        return false;
    }
    SqlValues values;
    std::optional<std::string> grouped = SummaryGoodsRowsStatement(split, table, values);
    const bool summaryRows = grouped.has_value();
    if (!grouped && IsServer())
        grouped = ServerGoodsGroupsStatement(table, from, to, values);
    if (grouped) {
        // The groups read into place (the summaries' periods merged), the partial months' lines
        // added, the first lines still missing looked up, then put in text order.
        bool exact = true;
        // Ids are optional rather than 0 for none: a line written by another program may have
        // the Id 0.
        struct Found {
            GoodsGroupRecord record;
            int64_t quantity = 0;
            std::optional<int64_t> firstId;
            std::optional<int64_t> shownId; // the line whose fields `record` holds
            bool otherUnit = false;
        };
        CKeyedGroups<Found, decltype([](Found& f) -> std::string& { return f.record.Product_ID; })>
            found;
        // A group's first line: the fields the group shows, its price per base unit when the
        // line was entered in a larger unit (`number`, `base` its two quantities' columns).
        auto firstLine = [&](Found& f, const CStatement& st, int at, int number, int base,
                             std::optional<int64_t> id) {
            GoodsGroupRecord& r = f.record;
            r.Product_Name = st.Text(at);
            r.Product_Unit = st.Text(at + 1);
            r.Product_atch = st.Text(at + 2);
            r.Product_Date = st.Text(at + 3);
            r.Product_Price = st.Text(at + 4);
            r.Product_BarCode = st.Text(at + 5);
            r.Product_Note = st.Text(at + 6);
            f.otherUnit = st.TextView(base) != st.TextView(number);
            if (f.otherUnit)
                r.Product_Price = PricePerBaseUnit(st.Text(at + 4), st.Text(number), st.Text(base));
            f.shownId = id;
        };
        // The summary rows are read beside the partial months' lines into groups of their own,
        // merged after: a goods item's quantity and its first line's Id.
        struct Summed {
            std::string key;
            int64_t quantity = 0;
            std::optional<int64_t> firstId;
        };
        CKeyedGroups<Summed, decltype([](Summed& s) -> std::string& { return s.key; })> summed;
        bool summedExact = true;
        SqlValues lineValues;
        const std::string lines =
            !split ? std::string()
                   : PartialLinesSql(
                         *split, table,
                         "coalesce(Product_ID, ''), Product_Name, Product_Unit, Product_atch, "
                         "Product_Date,"
                         " Product_Price, Product_BarCode, Product_Note, Id, Product_Number,"
                         " coalesce(Base_Number, Product_Number), Product_Total, " +
                             std::string(CostColumnOf(table)),
                         lineValues);
        // Beside the partial months' lines, when there are some to read meanwhile.
        std::optional<CReadBeside> summary;
        if (summaryRows) {
            summary.emplace(
                *this, *grouped, values,
                [&](const CStatement& st) {
                    summedExact = summedExact && st.Int(2) == 0;
                    Summed& s = summed[st.TextView(0)];
                    s.quantity += st.Int(1);
                    const int64_t id = st.Int(3);
                    if (!s.firstId || id < *s.firstId)
                        s.firstId = id;
                },
                !lines.empty());
        } else if (!Run(*grouped, values, [&](const CStatement& st) {
                       exact = exact && st.Text(9) == "t";
                       Found& f = found[st.TextView(0)];
                       firstLine(f, st, 1, 11, 12, std::nullopt);
                       f.quantity = LeadingInteger(st.Text(8));
                   })) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
        std::string key;
        PlainFigures figures;
        if (exact && !lines.empty() && !Run(lines, lineValues, [&](const CStatement& st) {
                if (!exact ||
                    !ReadPlainFigures(st.TextView(10), st.TextView(11), st.TextView(12), figures)) {
                    exact = false;
                    return;
                }
                st.TextInto(0, key);
                const int64_t id = LeadingInteger(st.Text(8));
                Found& f = found[key];
                f.quantity += figures.quantity;
                if (!f.firstId || id <= *f.firstId) {
                    f.firstId = id;
                    firstLine(f, st, 1, 9, 10, id);
                }
            })) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
        if (summary) {
            if (!summary->Wait()) {
                Messages().Inform(kLinesReadFailure);
                return false;
            }
            exact = exact && summedExact;
            // The summaries' first line is a group's first only before a partial month's one.
            for (size_t i = 0; exact && i < summed.Size(); ++i) {
                const Summed& s = summed.At(i);
                Found& f = found[s.key];
                f.quantity += s.quantity;
                if (s.firstId && (!f.firstId || *s.firstId < *f.firstId)) {
                    // The fields shown are the looked-up line's, none when it is not found.
                    f.firstId = s.firstId;
                    f.record = GoodsGroupRecord{};
                    f.record.Product_ID = s.key;
                    f.otherUnit = false;
                    f.shownId.reset();
                }
            }
        }
        // The first lines the summaries named and no partial line was: one statement for all.
        std::vector<std::pair<int64_t, size_t>> missing;
        for (size_t i = 0; exact && summaryRows && i < found.Size(); ++i)
            if (found.At(i).shownId != found.At(i).firstId)
                missing.emplace_back(*found.At(i).firstId, i);
        if (!missing.empty() &&
            !ReadLinesById(*this, table,
                           "Product_Name, Product_Unit, Product_atch, Product_Date, Product_Price,"
                           " Product_BarCode, Product_Note, Product_Number,"
                           " coalesce(Base_Number, Product_Number)",
                           missing, [&](const CStatement& st, size_t i) {
                               firstLine(found.At(i), st, 1, 8, 9, found.At(i).firstId);
                           })) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
        if (exact) {
            const std::vector<size_t> order =
                TextOrderOf(found.Size(), [&](size_t i) -> const std::string& {
                    return found.At(i).record.Product_ID;
                });
            groups.reserve(groups.size() + found.Size());
            for (size_t i : order) {
                Found& f = found.At(i);
                if (f.otherUnit)
                    otherUnit.insert(f.record.Product_ID);
                f.record.Product_Number = std::to_string(f.quantity);
                groups.push_back(std::move(f.record));
            }
            return baseUnits();
        }
        otherUnit.clear();
    }
    CGrouping<Group> grouping;
    bool ok = Run(LinesStatement(table,
                                 "Product_ID, Product_Name, coalesce(Base_Number, Product_Number),"
                                 " Product_Unit,"
                                 " Product_atch, Product_Date, Product_Price,"
                                 " Product_BarCode, Product_Note, Product_Number",
                                 from, to, values),
                  values, [&](const CStatement& st) {
                      std::string key = st.Text(0);
                      int64_t quantity = LeadingInteger(st.Text(2));
                      if (Group* g = grouping.Find(key)) {
                          g->quantity = SaturatingAdd(g->quantity, quantity);
                          return;
                      }
                      GoodsGroupRecord r{key,        st.Text(1), "",         st.Text(3), st.Text(4),
                                         st.Text(5), st.Text(6), st.Text(7), st.Text(8)};
                      if (st.TextView(2) != st.TextView(9)) {
                          otherUnit.insert(key);
                          r.Product_Price = PricePerBaseUnit(st.Text(6), st.Text(9), st.Text(2));
                      }
                      grouping.Add(key, Group{std::move(r), quantity});
                  });
    if (!ok)
        Messages().Inform(kLinesReadFailure);
    for (Group& g : grouping.InTextOrder()) {
        g.record.Product_Number = std::to_string(g.quantity);
        groups.push_back(std::move(g.record));
    }
    return baseUnits() && ok;
}

bool CDataStore::SumByKey(const char* table, const char* keyColumn, const std::string& from,
                          const std::string& to, std::vector<KeyGroupRecord>& groups) {
    struct Group {
        std::string key;
        int64_t quantity;
    };
    // Whole months from the summaries, the partial ones from the lines, when every line summed
    // was in the plain form.
    std::optional<SummarySplit> split;
    if (!SplitForSummaries(*this, from, to, split, table)) {
        Messages().Inform(kLinesReadFailure);
        return false;
    }
    if (split) {
        const LineFigureSql f = LineFiguresOf(CostColumnOf(table));
        SqlValues values;
        std::string rows =
            WholeMonthsSql(*split, "Summary_Key", table, "KeyValue as k, Quantity as q, Odd as odd",
                           values, " and KeyName = ?", {keyColumn});
        const std::string lines =
            PartialLinesSql(*split, table,
                            "coalesce(" + std::string(keyColumn) + ", '') as k, " + f.quantity +
                                " as q, " + f.odd + " as odd",
                            values);
        if (!lines.empty())
            rows += " union all " + lines;
        std::vector<KeyGroupRecord> found;
        bool exact = true;
        if (!Run("select k, sum(q), sum(odd) from (" + rows + ") u group by k", values,
                 [&](const CStatement& st) {
                     exact = exact && st.Text(2) == "0";
                     found.push_back({st.Text(0), std::to_string(LeadingInteger(st.Text(1)))});
                 })) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
        if (exact) {
            for (size_t i : TextOrderOf(
                     found.size(), [&](size_t i) -> const std::string& { return found[i].Key; }))
                groups.push_back(std::move(found[i]));
            return true;
        }
    }
    CGrouping<Group> grouping;
    std::string columns = std::string(keyColumn) + ", coalesce(Base_Number, Product_Number)";
    SqlValues values;
    bool ok = Run(LinesStatement(table, columns.c_str(), from, to, values), values,
                  [&](const CStatement& st) {
                      std::string key = st.Text(0);
                      int64_t quantity = LeadingInteger(st.Text(1));
                      if (Group* g = grouping.Find(key))
                          g->quantity = SaturatingAdd(g->quantity, quantity);
                      else
                          grouping.Add(key, Group{key, quantity});
                  });
    if (!ok)
        Messages().Inform(kLinesReadFailure);
    for (Group& g : grouping.InTextOrder())
        groups.push_back({std::move(g.key), std::to_string(g.quantity)});
    return ok;
}

bool CDataStore::SumPurchaseByGoods(const std::string& from, const std::string& to,
                                    std::vector<GoodsGroupRecord>& groups) {
    return SumByGoods("EnterStock_Detail", from, to, groups);
}

bool CDataStore::SumPurchaseByEmployee(const std::string& from, const std::string& to,
                                       std::vector<KeyGroupRecord>& groups) {
    return SumByKey("EnterStock_Detail", "Employee", from, to, groups);
}

bool CDataStore::SumPurchaseByDepartment(const std::string& from, const std::string& to,
                                         std::vector<KeyGroupRecord>& groups) {
    return SumByKey("EnterStock_Detail", "Department", from, to, groups);
}

bool CDataStore::SumSaleByGoods(const std::string& from, const std::string& to,
                                std::vector<GoodsGroupRecord>& groups) {
    return SumByGoods("EnterSale_Detail", from, to, groups);
}

bool CDataStore::SumSaleByEmployee(const std::string& from, const std::string& to,
                                   std::vector<KeyGroupRecord>& groups) {
    return SumByKey("EnterSale_Detail", "Employee", from, to, groups);
}

bool CDataStore::SumSaleByDepartment(const std::string& from, const std::string& to,
                                     std::vector<KeyGroupRecord>& groups) {
    return SumByKey("EnterSale_Detail", "Department", from, to, groups);
}
