#include "OperatorRights.h"

#include "CDataStore.h"

#include <map>
#include <vector>

bool LoadRole(CDataStore& store, const std::string& roleName, CRoleRights* rights) {
    std::string id;
    if (!store.Run("select Id from Role where Name = ?", {roleName},
                   [&](const CStatement& st) { id = st.Text(0); }))
        return false;
    if (id.empty()) {
        *rights = CRoleRights();
        return true;
    }
    std::map<std::string, ActionSet> granted;
    std::vector<std::string> warehouses, hides;
    bool ok = store.Run("select Function, Actions from RoleRight where Role_ID = ?", {id},
                        [&](const CStatement& st) {
                            // Names no action knows are no right.
                            auto set = ParseActionSet(st.Text(1));
                            granted[st.Text(0)] = set ? *set : 0;
                        }) &&
              store.Run("select Warehouse from RoleWarehouse where Role_ID = ? order by Id", {id},
                        [&](const CStatement& st) { warehouses.push_back(st.Text(0)); }) &&
              store.Run("select Hide from RolePrice where Role_ID = ? order by Id", {id},
                        [&](const CStatement& st) { hides.push_back(st.Text(0)); });
    if (!ok)
        return false;
    *rights = CRoleRights(roleName, std::move(granted), std::move(warehouses), std::move(hides));
    return true;
}

bool LoadOperatorRole(CDataStore& store, int64_t operatorId, CRoleRights* rights) {
    std::string name;
    if (!store.Run("select r.Name from Manage m join Role r on r.Id = m.Role_ID where m.id = ?",
                   {std::to_string(operatorId)}, [&](const CStatement& st) { name = st.Text(0); }))
        return false;
    return LoadRole(store, name, rights);
}
