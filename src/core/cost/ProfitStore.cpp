// The profit report's sums: sale lines less sale-return lines of a date range, grouped.
#include "ProfitStore.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "text/Money.h"

bool SumProfit(CDataStore& store, ProfitKey key, const std::string& from, const std::string& to,
               std::vector<ProfitGroupRecord>& groups) {
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
