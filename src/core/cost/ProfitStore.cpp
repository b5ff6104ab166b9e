// The profit report's sums: sale lines less sale-return lines of a date range, grouped.
#include "ProfitStore.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "store/LineSummary.h"
#include "store/ReadBeside.h"
#include "text/Money.h"

#include <optional>
#include <string_view>

namespace {
constexpr const char* kSale = "EnterSale_Detail";
constexpr const char* kBack = "BackSale_Detail";

// The key of a line, as the summaries keep it.
std::string LineKey(ProfitKey key) {
    return key == ProfitKey::Goods      ? "coalesce(Product_ID, '')"
           : key == ProfitKey::Customer ? "coalesce(Customer, '')"
           : key == ProfitKey::Employee ? "coalesce(Employee, '')"
                                        : "coalesce(substr(Bill_Date, 1, 7), '')";
}

// The summary rows of the whole periods of the range, bare, sale returns negative: key, sums,
// Odd, and for goods the Ids of the first sale line and of the first return line. The caller
// merges the periods, adds the partial months' lines and looks up the first lines it still
// needs. Nothing when the range has no whole month.
std::optional<std::string> SummaryProfitStatement(const std::optional<SummarySplit>& split,
                                                  ProfitKey key, SqlValues& values) {
    if (!split)
        return std::nullopt;
    const bool goods = key == ProfitKey::Goods;
    const char* keyName = key == ProfitKey::Customer   ? "Customer"
                          : key == ProfitKey::Employee ? "Employee"
                                                       : "Month";
    std::string rows;
    for (const char* table : {kSale, kBack}) {
        const bool back = table == kBack;
        const std::string sign = back ? "-" : "";
        const std::string noId = "cast(NULL as bigint)";
        auto firstIds = [&](const std::string& id) {
            return (back ? noId + " as sfid, " + id : id + " as sfid, " + noId) + " as bfid";
        };
        const std::string summary =
            goods ? WholeMonthsSql(*split, "Summary_Goods", table,
                                   "Product_ID as k, " + sign + "Quantity as q, " + sign +
                                       "Amount as amt, " + sign + "Cost as cost, " + sign +
                                       "Costed as costed, Uncosted as unc, Odd as odd, " +
                                       firstIds("First_Id"),
                                   values)
                  : WholeMonthsSql(*split, "Summary_Key", table,
                                   "KeyValue as k, " + sign + "Quantity as q, " + sign +
                                       "Amount as amt, " + sign + "Cost as cost, " + sign +
                                       "Costed as costed, Uncosted as unc, Odd as odd, " +
                                       firstIds(noId),
                                   values, " and KeyName = ?", {keyName});
        rows += (rows.empty() ? "" : " union all ") + summary;
    }
    return rows;
}

} // namespace

bool SumProfit(CDataStore& store, ProfitKey key, const std::string& from, const std::string& to,
               std::vector<ProfitGroupRecord>& groups, const ProfitGroupsNamed& named) {
    std::optional<SummarySplit> split;
    if (!SplitForSummaries(store, from, to, split, kSale, kBack)) {
        Messages().Inform(kLinesReadFailure);
        return false;
    }
    SqlValues summaryValues;
    if (const auto sql = SummaryProfitStatement(split, key, summaryValues)) {
        // A group's sums and the first sale line and first return line it shows.
        // Ids are optional rather than 0 for none: a line written by another program may have
        // the Id 0.
        struct First {
            std::optional<int64_t> id;
            std::optional<int64_t> shownId; // the line whose name and unit are held
            std::string name, unit;
            bool sameUnit = true;
        };
        struct Found {
            ProfitGroupRecord group;
            First sale, back;
        };
        using Groups =
            CKeyedGroups<Found, decltype([](Found& f) -> std::string& { return f.group.Key; })>;
        Groups found;
        bool exact = true;
        // The summary rows are read beside the partial months' lines into groups of their own,
        // merged after.
        Groups summed;
        bool summedExact = true;
        CReadBeside summary(
            store, *sql, summaryValues,
            [&](const CStatement& st) {
                summedExact = summedExact && st.Int(6) == 0;
                Found& f = summed[st.TextView(0)];
                for (auto [first, at] : {std::pair{&f.sale, 7}, std::pair{&f.back, 8}}) {
                    if (st.TextView(at).empty()) // NULL: the other table's row
                        continue;
                    const int64_t id = st.Int(at);
                    if (!first->id || id < *first->id)
                        first->id = id;
                }
                f.group.Quantity += st.Int(1);
                summedExact = summedExact && AddSummaryCents(st.TextView(2), f.group.Amount) &&
                              AddSummaryCents(st.TextView(3), f.group.Cost) &&
                              AddSummaryCents(st.TextView(4), f.group.CostedAmount);
                f.group.UnknownCostLines += st.Int(5);
            },
            split->head || split->tail); // beside the partial months' lines, when there are some
        // The partial months' lines, their figures tested and summed here.
        std::string lineKey;
        PlainFigures figures;
        for (const char* table : {kSale, kBack}) {
            const bool back = table == kBack;
            SqlValues values;
            const std::string lines = PartialLinesSql(
                *split, table,
                LineKey(key) +
                    ", Id, Product_Name, Product_Unit, Product_Number, coalesce(Base_Number,"
                    " Product_Number), Product_Total, Product_Cost",
                values);
            if (!exact || lines.empty())
                continue;
            if (!store.Run(lines, values, [&](const CStatement& st) {
                    if (!exact || !ReadPlainFigures(st.TextView(5), st.TextView(6), st.TextView(7),
                                                    figures)) {
                        exact = false;
                        return;
                    }
                    st.TextInto(0, lineKey);
                    Found& f = found[lineKey];
                    const int64_t sign = back ? -1 : 1;
                    const CMoneySum amount = CMoney::FromUnits(sign * figures.amount * 100);
                    f.group.Quantity += sign * figures.quantity;
                    f.group.Amount += amount;
                    if (figures.costed) {
                        f.group.CostedAmount += amount;
                        f.group.Cost += CMoney::FromUnits(sign * figures.cost * 100);
                    } else {
                        ++f.group.UnknownCostLines;
                    }
                    if (key != ProfitKey::Goods)
                        return;
                    First& first = back ? f.back : f.sale;
                    const int64_t id = LeadingInteger(st.Text(1));
                    if (!first.id || id <= *first.id) {
                        first.id = first.shownId = id;
                        first.name = st.Text(2);
                        first.unit = st.Text(3);
                        first.sameUnit = st.TextView(5) == st.TextView(4);
                    }
                })) {
                Messages().Inform(kLinesReadFailure);
                return false;
            }
        }
        if (!summary.Wait()) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
        exact = exact && summedExact;
        for (size_t i = 0; exact && i < summed.Size(); ++i) {
            Found& s = summed.At(i);
            Found& f = found[s.group.Key];
            f.group.Quantity += s.group.Quantity;
            f.group.Amount += s.group.Amount;
            f.group.Cost += s.group.Cost;
            f.group.CostedAmount += s.group.CostedAmount;
            f.group.UnknownCostLines += s.group.UnknownCostLines;
            // The summaries' first line is a group's first only before a partial month's one.
            // The name and unit shown are then the looked-up line's, none when it is not found.
            for (auto [mine, into] : {std::pair{&s.sale, &f.sale}, std::pair{&s.back, &f.back}})
                if (mine->id && (!into->id || *mine->id < *into->id))
                    *into = First{mine->id, std::nullopt, {}, {}, true};
        }
        const std::vector<size_t> order =
            TextOrderOf(exact ? found.Size() : 0,
                        [&](size_t i) -> const std::string& { return found.At(i).group.Key; });
        // The groups whose first line is looked up: those `named` picks, every one without it.
        std::vector<bool> unnamed(found.Size(), false);
        if (exact && named && key == ProfitKey::Goods) {
            std::vector<ProfitGroupRecord> sums;
            sums.reserve(order.size());
            for (size_t i : order)
                sums.push_back(found.At(i).group);
            unnamed.assign(found.Size(), true);
            for (size_t at : named(sums))
                if (at < order.size())
                    unnamed[order[at]] = false;
        }
        // The first lines the summaries named and no partial line was: one statement a table.
        for (const char* table : {kSale, kBack}) {
            const bool back = table == kBack;
            std::vector<std::pair<int64_t, size_t>> missing;
            for (size_t i = 0; exact && key == ProfitKey::Goods && i < found.Size(); ++i) {
                const First& first = back ? found.At(i).back : found.At(i).sale;
                if (first.id && first.shownId != first.id && !unnamed[i])
                    missing.emplace_back(*first.id, i);
            }
            if (!missing.empty() &&
                !ReadLinesById(store, table,
                               "Product_Name, Product_Unit, Product_Number,"
                               " coalesce(Base_Number, Product_Number)",
                               missing, [&](const CStatement& st, size_t i) {
                                   First& first = back ? found.At(i).back : found.At(i).sale;
                                   first.shownId = first.id;
                                   first.name = st.Text(1);
                                   first.unit = st.Text(2);
                                   first.sameUnit = st.TextView(4) == st.TextView(3);
                               })) {
                Messages().Inform(kLinesReadFailure);
                return false;
            }
        }
        if (exact) {
            const size_t before = groups.size();
            groups.reserve(before + order.size());
            for (size_t i : order) {
                Found& f = found.At(i);
                First& first = f.sale.id ? f.sale : f.back;
                if (unnamed[i])
                    first = First{first.id, first.id, {}, {}, true};
                f.group.Name = std::move(first.name);
                f.group.Unit = std::move(first.unit);
                groups.push_back(std::move(f.group));
                // Quantities are in base units, and so is the unit of a group whose first line
                // was entered in a larger one: the goods' own.
                ProfitGroupRecord& g = groups.back();
                if (key == ProfitKey::Goods && !first.sameUnit &&
                    !store.Run("select Unit from ferix_product where Code = ?", {g.Key},
                               [&](const CStatement& st) { g.Unit = st.Text(0); })) {
                    groups.resize(before);
                    Messages().Inform(kLinesReadFailure);
                    return false;
                }
            }
            return true;
        }
    }
    const char* keyColumns = key == ProfitKey::Goods      ? "Product_ID, Product_Name, Product_Unit"
                             : key == ProfitKey::Customer ? "Customer, '', ''"
                             : key == ProfitKey::Employee ? "Employee, '', ''"
                                                          : "substr(Bill_Date, 1, 7), '', ''";
    const std::string columns = std::string(keyColumns) +
                                ", coalesce(Base_Number, Product_Number), Product_Total,"
                                " Product_Cost, Product_Number";
    // Quantities are in base units, and so is a goods group's unit: a group whose first line was
    // entered in a larger unit reads the goods' own afterwards.
    std::vector<std::string> otherUnit;
    CGrouping<ProfitGroupRecord> grouping;
    std::string keyText;
    bool ok = true;
    for (const char* table : {"EnterSale_Detail", "BackSale_Detail"}) {
        const bool back = table[0] == 'B';
        SqlValues values;
        ok = store.Run(LinesStatement(table, columns.c_str(), from, to, values), values,
                       [&](const CStatement& st) {
                           st.TextInto(0, keyText);
                           ProfitGroupRecord* g = grouping.Find(keyText);
                           if (!g) {
                               ProfitGroupRecord added;
                               added.Key = keyText;
                               added.Name = st.Text(1);
                               added.Unit = st.Text(2);
                               if (key == ProfitKey::Goods && st.TextView(3) != st.TextView(6))
                                   otherUnit.push_back(keyText);
                               g = &grouping.Add(keyText, std::move(added));
                           }
                           int64_t quantity = LeadingInteger(st.Text(3));
                           CMoney amount = CMoney::ParseOrZero(st.Text(4));
                           const auto cost = CMoney::Parse(st.Text(5));
                           if (back) {
                               quantity = -quantity;
                               amount = -amount;
                           }
                           g->Quantity = SaturatingAdd(g->Quantity, quantity);
                           g->Amount += amount;
                           if (cost) {
                               g->CostedAmount += amount;
                               g->Cost += back ? -*cost : *cost;
                           } else {
                               ++g->UnknownCostLines;
                           }
                       });
        if (!ok)
            break;
    }
    for (const std::string& code : otherUnit) {
        if (!ok)
            break;
        ProfitGroupRecord* g = grouping.Find(code);
        ok = store.Run("select Unit from ferix_product where Code = ?", {code},
                       [&](const CStatement& st) { g->Unit = st.Text(0); });
    }
    if (!ok)
        Messages().Inform(kLinesReadFailure);
    for (ProfitGroupRecord& g : grouping.InTextOrder())
        groups.push_back(std::move(g));
    return ok;
}
