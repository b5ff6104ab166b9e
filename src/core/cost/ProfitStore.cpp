// The profit report's sums: sale lines less sale-return lines of a date range, grouped.
#include "ProfitStore.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "store/LineSummary.h"
#include "text/Money.h"

namespace {
constexpr const char* kSale = "EnterSale_Detail";
constexpr const char* kBack = "BackSale_Detail";

// The sums with the whole months of the range taken from the monthly summaries and the partial
// ones from the lines; sale returns count negative. A goods group's name and unit are those of
// its first sale line, or of its first return line when it has no sale line in the range.
// Nothing when the range has no whole month.
std::optional<std::string> SummaryProfitStatement(const std::optional<SummarySplit>& split,
                                                  ProfitKey key, SqlValues& values) {
    if (!split)
        return std::nullopt;
    const bool goods = key == ProfitKey::Goods;
    const char* keyName = key == ProfitKey::Customer   ? "Customer"
                          : key == ProfitKey::Employee ? "Employee"
                                                       : "Month";
    const std::string lineKey = goods                        ? "coalesce(Product_ID, '')"
                                : key == ProfitKey::Customer ? "coalesce(Customer, '')"
                                : key == ProfitKey::Employee
                                    ? "coalesce(Employee, '')"
                                    : "coalesce(substr(Bill_Date, 1, 7), '')";
    std::string rows;
    for (const char* table : {kSale, kBack}) {
        const bool back = table == kBack;
        const std::string sign = back ? "-" : "";
        const std::string noId = "cast(NULL as bigint)";
        auto firstIds = [&](const std::string& id) {
            return (back ? noId + " as sfid, " + id : id + " as sfid, " + noId) + " as bfid";
        };
        std::string summary =
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
        const LineFigureSql f = LineFiguresOf(CostColumnOf(table));
        const std::string lines = PartialLinesSql(
            *split, table,
            lineKey + " as k, " + sign + f.quantity + " as q, " + sign + f.amount + " as amt, " +
                sign + f.cost + " as cost, " + sign + f.costed + " as costed, " + f.uncosted +
                " as unc, " + f.odd + " as odd, " + firstIds(goods ? "Id" : noId),
            values);
        rows += (rows.empty() ? "" : " union all ") + summary;
        if (!lines.empty())
            rows += " union all " + lines;
    }
    const std::string sums =
        "select k, sum(q) as q, sum(amt) as amt, sum(cost) as cost, sum(costed) as costed,"
        " sum(unc) as unc, sum(odd) as odd, min(sfid) as sfid, min(bfid) as bfid from (" +
        rows + ") u group by k";
    if (!goods)
        return "select k, '', '', 't', q, amt, cost, costed, unc, odd from (" + sums + ") g";
    auto same = [](const char* d) {
        return std::string("case when coalesce(") + d + ".Base_Number, " + d +
               ".Product_Number, '') = coalesce(" + d +
               ".Product_Number, '') then 't' else 'f' end";
    };
    return "select g.k, case when g.sfid is not null then s.Product_Name else b.Product_Name end,"
           " case when g.sfid is not null then s.Product_Unit else b.Product_Unit end, case when"
           " g.sfid is not null then " +
           same("s") + " else " + same("b") +
           " end, g.q, g.amt, g.cost, g.costed, g.unc, g.odd from (" + sums + ") g left join " +
           kSale + " s on s.Id = g.sfid left join " + kBack + " b on b.Id = g.bfid";
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
        CGrouping<ProfitGroupRecord> found;
        std::vector<std::string> otherUnit;
        bool exact = true;
        if (!store.Run(*sql, summaryValues, [&](const CStatement& st) {
                exact = exact && st.Text(9) == "0";
                ProfitGroupRecord g;
                g.Key = st.Text(0);
                g.Name = st.Text(1);
                g.Unit = st.Text(2);
                if (st.Text(3) != "t")
                    otherUnit.push_back(g.Key);
                g.Quantity = LeadingInteger(st.Text(4));
                g.Amount = FromCents(st.Text(5));
                g.Cost = FromCents(st.Text(6));
                g.CostedAmount = FromCents(st.Text(7));
                g.UnknownCostLines = LeadingInteger(st.Text(8));
                const std::string key = g.Key;
                found.Add(key, std::move(g));
            })) {
            Messages().Inform(kLinesReadFailure);
            return false;
        }
        if (exact) {
            for (const std::string& code : otherUnit) {
                ProfitGroupRecord* g = found.Find(code);
                if (!store.Run("select Unit from ferix_product where Code = ?", {code},
                               [&](const CStatement& st) { g->Unit = st.Text(0); })) {
                    Messages().Inform(kLinesReadFailure);
                    return false;
                }
            }
            for (ProfitGroupRecord& g : found.InTextOrder())
                groups.push_back(std::move(g));
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
