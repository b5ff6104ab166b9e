// One business unit read and changed by its code.
#include "UnitStore.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/BillKindNames.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"

std::optional<BusinessUnitRecord> FindBusinessUnit(CDataStore& store, const std::string& code) {
    static const std::string sql = [] {
        std::string columns;
        for (const auto& c : BusinessUnitColumns())
            columns += std::string(", ") + c.name;
        return "select Id" + columns + " from ferix_customer where CustomerCode = ?";
    }();
    std::optional<BusinessUnitRecord> found;
    if (!store.Run(sql, {code}, [&](const CStatement& st) {
            found.emplace();
            found->Id = st.Text(0);
            int i = 1;
            for (const auto& c : BusinessUnitColumns())
                (*found).*c.field = st.Text(i++);
        }))
        return std::nullopt;
    return found;
}

std::string UnitNotFoundText(const std::string& code) {
    return "没有单位编码为“" + code + "”的往来单位！";
}

namespace {
// Whether a trade bill, receipt or payment carries the name; nothing when the read failed.
std::optional<bool> IsUnitNameInBills(CDataStore& store, const std::string& name) {
    bool found = false;
    // Receipts and payments share one table.
    for (BillKind kind : {BillKind::Purchase, BillKind::PurchaseReturn, BillKind::Sale,
                          BillKind::SaleReturn, BillKind::Receipt}) {
        const std::string sql = std::string("select 1 from ") + KindNames(kind).tableName +
                                " where Customer = ? limit 1";
        if (!store.Run(sql, {name}, [&](const CStatement&) { found = true; }))
            return std::nullopt;
        if (found)
            return true;
    }
    return false;
}
} // namespace

bool StoreChangedBusinessUnit(const BusinessUnitRecord& unit) {
    CDataStore store;
    return store.ConnectMain() && UpdateBusinessUnit(store, unit);
}

bool UpdateBusinessUnit(CDataStore& store, const BusinessUnitRecord& unit) {
    if (!CheckRight("customers", Action::Enter))
        return false;
    auto stored = FindBusinessUnit(store, unit.CustomerCode);
    if (!stored) {
        Messages().Inform(store.LastError().empty() ? UnitNotFoundText(unit.CustomerCode)
                                                    : ConnectFailureText(store.LastError()));
        return false;
    }
    if (stored->CustomerName != unit.CustomerName) {
        auto named = IsUnitNameInBills(store, stored->CustomerName);
        if (!named) {
            Messages().Inform(ConnectFailureText(store.LastError()));
            return false;
        }
        if (*named) {
            Messages().Inform("往来单位“" + stored->CustomerName + "”已有单据，不能修改单位名称！");
            return false;
        }
    }
    static const std::string sql = [] {
        std::string set;
        for (const auto& c : BusinessUnitColumns()) {
            if (c.field != &BusinessUnitRecord::CustomerCode)
                set += std::string(set.empty() ? "" : ", ") + c.name + " = ?";
        }
        return "update ferix_customer set " + set + " where CustomerCode = ?";
    }();
    SqlValues values;
    for (const auto& c : BusinessUnitColumns()) {
        if (c.field != &BusinessUnitRecord::CustomerCode)
            values.push_back(unit.*c.field);
    }
    values.push_back(unit.CustomerCode);
    if (!store.Run(sql, values)) {
        Messages().Inform(DatabaseFailureText("修改往来单位失败。", store.LastError()));
        return false;
    }
    return true;
}
