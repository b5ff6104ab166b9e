// The profit report's sums: sale lines less sale-return lines of a date range, grouped.
#include "ProfitStore.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "store/LineSummary.h"
#include "text/Money.h"

#include <unordered_map>

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

// The sums of the whole periods of the range, from the summaries; sale returns count negative.
// A goods group comes with the name, unit and Id of its first sale line and of its first return
// line (looked up in Id order). The partial months' lines are added by the caller. Nothing when
// the range has no whole month.
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
    const std::string sums =
        "select k, sum(q) as q, sum(amt) as amt, sum(cost) as cost, sum(costed) as costed,"
        " sum(unc) as unc, sum(odd) as odd, min(sfid) as sfid, min(bfid) as bfid from (" +
        rows + ") u group by k";
    if (!goods)
        return "select k, '', '', 't', '', '', 't', q, amt, cost, costed, unc, odd, sfid, bfid"
               " from (" +
               sums + ") g";
    auto same = [](const char* d) {
        return std::string("case when coalesce(") + d + ".Base_Number, " + d +
               ".Product_Number, '') = coalesce(" + d +
               ".Product_Number, '') then 't' else 'f' end";
    };
    return "select g.k, s.Product_Name, s.Product_Unit, " + same("s") +
           ", b.Product_Name, b.Product_Unit, " + same("b") +
           ", g.q, g.amt, g.cost, g.costed, g.unc, g.odd, g.sfid, g.bfid from (" + sums +
           " order by sfid) g left join " + kSale + " s on s.Id = g.sfid left join " + kBack +
           " b on b.Id = g.bfid";
}

// A sum of cents ("-1234") as money (-12.34), at any width.
CMoneySum FromCents(const std::string& cents) {
    const bool negative = !cents.empty() && cents[0] == '-';
    std::string digits = cents.substr(negative ? 1 : 0);
    digits.insert(0, digits.size() < 3 ? 3 - digits.size() : 0, '0');
    digits.insert(digits.size() - 2, ".");
    return CMoneySum::Parse((negative ? "-" : "") + digits).value_or(CMoneySum());
}
} // namespace

bool SumProfit(CDataStore& store, ProfitKey key, const std::string& from, const std::string& to,
               std::vector<ProfitGroupRecord>& groups) {
    std::optional<SummarySplit> split;
    if (!SplitForSummaries(store, from, to, split, kSale, kBack)) {
        Messages().Inform(kLinesReadFailure);
        return false;
    }
    SqlValues summaryValues;
    if (const auto sql = SummaryProfitStatement(split, key, summaryValues)) {
        // A group's sums and the first sale line and first return line it shows.
        struct First {
            int64_t id = 0; // none
            std::string name, unit;
            bool sameUnit = true;
        };
        struct Found {
            ProfitGroupRecord group;
            First sale, back;
        };
        std::vector<Found> found;
        std::unordered_map<std::string, size_t> index;
        bool exact = true;
        if (!store.Run(*sql, summaryValues, [&](const CStatement& st) {
                exact = exact && st.Text(12) == "0";
                Found f;
                f.group.Key = st.Text(0);
                for (auto [first, at] : {std::pair{&f.sale, 1}, std::pair{&f.back, 4}}) {
                    first->id = LeadingInteger(st.Text(at == 1 ? 13 : 14));
                    first->name = st.Text(at);
                    first->unit = st.Text(at + 1);
                    first->sameUnit = st.Text(at + 2) == "t";
                }
                f.group.Quantity = LeadingInteger(st.Text(7));
                f.group.Amount = FromCents(st.Text(8));
                f.group.Cost = FromCents(st.Text(9));
                f.group.CostedAmount = FromCents(st.Text(10));
                f.group.UnknownCostLines = LeadingInteger(st.Text(11));
                index.emplace(f.group.Key, found.size());
                found.push_back(std::move(f));
            })) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
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
                    auto [at, added] = index.emplace(lineKey, found.size());
                    if (added) {
                        found.emplace_back();
                        found.back().group.Key = lineKey;
                    }
                    Found& f = found[at->second];
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
                    if (first.id == 0 || id < first.id) {
                        first.id = id;
                        first.name = st.Text(2);
                        first.unit = st.Text(3);
                        first.sameUnit = st.TextView(5) == st.TextView(4);
                    }
                })) {
                Messages().Inform(kLinesReadFailure);
                return false;
            }
        }
        if (exact) {
            const std::vector<size_t> order = TextOrderOf(
                found.size(), [&](size_t i) -> const std::string& { return found[i].group.Key; });
            const size_t before = groups.size();
            for (size_t i : order) {
                Found& f = found[i];
                const First& first = f.sale.id != 0 ? f.sale : f.back;
                f.group.Name = first.name;
                f.group.Unit = first.unit;
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
