#pragma once
#include "Functions.h"

#include <map>
#include <string>
#include <vector>

// One role as the logged-in operator holds it: what it may do, which warehouses it sees (none
// listed: all) and which prices it does not see. Loaded once per login; everything that reads or
// writes asks it first.
class CRoleRights {
public:
    CRoleRights() = default;
    CRoleRights(std::string name, std::map<std::string, ActionSet> rights,
                std::vector<std::string> warehouses, std::vector<std::string> hides);

    const std::string& Name() const { return m_name; }
    bool IsAdmin() const { return m_name == kAdminRole; }
    // 管理员 may do everything; a function held by 管理员 alone is refused to every other role,
    // whatever it was granted; an unknown function is refused.
    bool Allows(std::string_view function, Action action) const;
    ActionSet ActionsOf(std::string_view function) const;
    // Empty: every warehouse.
    const std::vector<std::string>& AllowedWarehouses() const { return m_warehouses; }
    bool SeesWarehouse(std::string_view warehouse) const;
    // 进价, 成本 or 售价.
    bool Hides(std::string_view price) const;
    // The same by its place in kHiddenPrices: asked for every cell of long lists.
    bool HidesAt(size_t index) const { return (m_hiddenMask >> index) & 1u; }
    const std::vector<std::string>& HiddenPrices() const { return m_hides; }

private:
    std::string m_name;
    std::map<std::string, ActionSet, std::less<>> m_rights;
    std::vector<std::string> m_warehouses;
    std::vector<std::string> m_hides;
    unsigned m_hiddenMask = 0;
};

// "您没有“进货开单”的“录入”权限！"
std::string RefusalText(std::string_view function, Action action);
