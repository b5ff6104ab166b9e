#include "ListedNames.h"

#include "config/ConfigLists.h"
#include "finance/Balances.h"
#include "port/MessagePort.h"
#include "store/Session.h"

#include <algorithm>

std::string WarehouseNotListedText(const std::string& warehouse) {
    return "仓库“" + warehouse + "”不在仓库列表中！";
}

std::string UnitNotListedText(const std::string& unit) {
    return "往来单位“" + unit + "”不在往来单位列表中！";
}

std::string ClassNotListedText(const std::string& className) {
    return "商品类别“" + className + "”不在商品类别列表中！";
}

bool CheckWarehouseListed(const std::string& warehouse, const std::string& at) {
    const auto list = ReadConfigListToCheck("warehouse");
    if (!list)
        return false;
    if (std::any_of(list->begin(), list->end(),
                    [&](const ConfigListEntry& e) { return e.name == warehouse; }))
        return true;
    Messages().Inform(at + WarehouseNotListedText(warehouse));
    return false;
}

std::vector<ConfigListEntry> ScopedWarehouseList() {
    std::vector<ConfigListEntry> list = ReadConfigList("warehouse");
    const CRoleRights& rights = Session().rights;
    std::erase_if(list, [&](const ConfigListEntry& e) { return !rights.SeesWarehouse(e.name); });
    return list;
}

bool CheckUnitListed(CDataStore& store, const std::string& unit) {
    const auto types = BusinessUnitTypesOf(store, unit);
    if (!types)
        return false;
    if (types->empty()) {
        Messages().Inform(UnitNotListedText(unit));
        return false;
    }
    return true;
}
