#include "OpenOrders.h"

#include "BillKindNames.h"
#include "CDataStore.h"

namespace {
// Whether an open order of either kind (alias o, its lines' table named by `lines`) meets the
// condition `condition(lines)` of `values`.
template <typename Condition>
std::optional<bool> AnyOpenOrder(CDataStore& store, Condition condition, const SqlValues& values) {
    std::string sql = "select 1 where ";
    SqlValues all;
    for (BillKind kind : {BillKind::PurchaseOrder, BillKind::SaleOrder}) {
        const std::string head = KindNames(kind).tableName;
        const std::string lines = head + "_Detail";
        if (!all.empty())
            sql += " or ";
        sql += "exists (select 1 from " + head +
               " o where o.Closed <> '1' and o.Voided <> '1' and o.Open_Lines > 0 and " +
               condition(lines) + ")";
        all.insert(all.end(), values.begin(), values.end());
    }
    bool found = false;
    if (!store.Run(sql, all, [&](const CStatement&) { found = true; }))
        return std::nullopt;
    return found;
}
} // namespace

std::optional<bool> GoodsInOpenOrder(CDataStore& store, const std::string& code) {
    return AnyOpenOrder(store,
                        [](const std::string& lines) {
                            return "exists (select 1 from " + lines +
                                   " g where g.Bill_ID = o.Bill_ID and g.Product_ID = ?)";
                        },
                        {code});
}

std::optional<bool> BusinessUnitInOpenOrder(CDataStore& store, const std::string& unitCode,
                                            std::string* name) {
    // Orders keep the unit's name, as bills do.
    std::optional<std::string> unitName;
    if (!store.Run("select CustomerName from ferix_customer where CustomerCode = ?", {unitCode},
                   [&](const CStatement& st) { unitName = st.Text(0); }))
        return std::nullopt;
    if (!unitName)
        return false;
    auto open = AnyOpenOrder(
        store, [](const std::string&) { return std::string("o.Customer = ?"); }, {*unitName});
    if (open && *open && name)
        *name = *unitName;
    return open;
}

std::string BusinessUnitInOpenOrderText(const std::string& name) {
    return "往来单位“" + name + "”已被未完成的订单使用，不能删除！";
}

std::string BaseUnitInOpenOrderText(const std::string& unit) {
    return "基本单位“" + unit + "”已被未完成的订单使用，不能修改！";
}
