#include "RoleRights.h"

#include <algorithm>

CRoleRights::CRoleRights(std::string name, std::map<std::string, ActionSet> rights,
                         std::vector<std::string> warehouses, std::vector<std::string> hides)
    : m_name(std::move(name)), m_rights(rights.begin(), rights.end()),
      m_warehouses(std::move(warehouses)), m_hides(std::move(hides)) {
    for (size_t i = 0; i < std::size(kHiddenPrices); ++i)
        if (Hides(kHiddenPrices[i]))
            m_hiddenMask |= 1u << i;
}

ActionSet CRoleRights::ActionsOf(std::string_view function) const {
    const FunctionInfo* f = FindFunction(function);
    if (!f)
        return 0;
    if (IsAdmin())
        return f->actions;
    if (f->adminOnly)
        return 0;
    auto it = m_rights.find(function);
    return it == m_rights.end() ? 0 : static_cast<ActionSet>(it->second & f->actions);
}

bool CRoleRights::Allows(std::string_view function, Action action) const {
    return (ActionsOf(function) & Bit(action)) != 0;
}

bool CRoleRights::SeesWarehouse(std::string_view warehouse) const {
    return m_warehouses.empty() ||
           std::find(m_warehouses.begin(), m_warehouses.end(), warehouse) != m_warehouses.end();
}

bool CRoleRights::Hides(std::string_view price) const {
    return std::find(m_hides.begin(), m_hides.end(), price) != m_hides.end();
}

std::string RefusalText(std::string_view function, Action action) {
    const FunctionInfo* f = FindFunction(function);
    return "您没有“" + std::string(f ? f->name : function) + "”的“" + ActionName(action) +
           "”权限！";
}
