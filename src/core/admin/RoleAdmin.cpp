#include "RoleAdmin.h"

#include "OperationLog.h"
#include "UserAdmin.h"
#include "config/ConfigLists.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/OperatorRights.h"
#include "store/RightCheck.h"
#include "store/Session.h"

#include <algorithm>
#include <functional>
#include <map>

namespace {
std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& i : items)
        text += (text.empty() ? "" : ",") + i;
    return text;
}

AdminResult Refuse(const std::string& text) {
    Messages().Inform(text);
    return AdminResult::Refused;
}

// The role's id, or empty after "角色“X”不存在！".
std::string RoleId(CDataStore& store, const std::string& role, bool* failed) {
    std::string id;
    *failed = !store.Run("select Id from Role where Name = ?", {role},
                         [&](const CStatement& st) { id = st.Text(0); });
    if (*failed)
        Messages().Inform("读取角色失败！\r\n" + store.LastError());
    else if (id.empty())
        Messages().Inform("角色“" + role + "”不存在！");
    return id;
}

// Runs `change` on an existing role other than 管理员 in one transaction, then logs `event`.
// A change that sets `refusal` is undone and refused with it.
using RoleChange = std::function<bool(CDataStore&, const std::string& id, std::string* refusal)>;
AdminResult ChangeRole(const std::string& role, const std::string& event, const char* done,
                       const RoleChange& change) {
    if (role == kAdminRole)
        return Refuse("管理员角色不能修改或删除！");
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    if (!store.Begin()) {
        Messages().Inform("修改角色失败！\r\n" + store.LastError());
        return AdminResult::Failed;
    }
    bool failed = false;
    const std::string id = RoleId(store, role, &failed);
    if (id.empty()) {
        store.Rollback();
        return failed ? AdminResult::Failed : AdminResult::Refused;
    }
    std::string refusal;
    const bool changed = change(store, id, &refusal);
    if (changed && !refusal.empty()) {
        store.Rollback();
        return Refuse(refusal);
    }
    if (!changed || !store.Commit()) {
        const std::string error = store.LastError();
        store.Rollback();
        Messages().Inform("修改角色失败！\r\n" + error);
        return AdminResult::Failed;
    }
    LogAdminAct(event);
    Messages().Inform(done);
    return AdminResult::Done;
}

// The function and actions a grant or revoke names, or nullopt after its message.
std::optional<std::pair<const FunctionInfo*, ActionSet>> RightNamed(const std::string& function,
                                                                    const std::string& actions) {
    const FunctionInfo* f = FindFunction(function);
    if (!f) {
        Messages().Inform("没有“" + function + "”这个功能！");
        return std::nullopt;
    }
    auto set = ParseActionSet(actions);
    if (!set || *set == 0) {
        Messages().Inform("动作只能是 查看、录入、删除、红冲、打印、导出，用逗号分开。");
        return std::nullopt;
    }
    for (Action a : kAllActions) {
        if ((*set & Bit(a)) && !(f->actions & Bit(a))) {
            Messages().Inform("“" + std::string(f->name) + "”没有“" + ActionName(a) + "”动作！");
            return std::nullopt;
        }
    }
    if (f->adminOnly) {
        Messages().Inform("“" + std::string(f->name) + "”只属于管理员角色！");
        return std::nullopt;
    }
    return std::make_pair(f, *set);
}

// Sets the role's actions of one function to `set`, the row gone when nothing is left.
bool WriteRight(CDataStore& store, const std::string& id, const std::string& function,
                ActionSet set) {
    if (!store.ExecuteSql("delete from RoleRight where Role_ID = ? and Function = ?",
                          {id, function}))
        return false;
    return set == 0 ||
           store.ExecuteSql("insert into RoleRight(Role_ID, Function, Actions) values(?, ?, ?)",
                            {id, function, ActionSetText(set)});
}

AdminResult ChangeActions(const std::string& role, const std::string& function,
                          const std::string& actions, bool grant) {
    if (!CheckRight("roles", Action::Enter))
        return AdminResult::Refused;
    if (role == kAdminRole)
        return Refuse("管理员角色不能修改或删除！");
    auto right = RightNamed(function, actions);
    if (!right)
        return AdminResult::Refused;
    // Named apart: lambdas below use them, and a structured binding cannot be captured in C++20
    // as every compiler takes it.
    const FunctionInfo* f = right->first;
    const ActionSet set = right->second;
    const std::string event = "角色“" + role + "”" + (grant ? "增加" : "去掉") + "“" + f->name +
                              "”的权限：" + ActionSetText(set);
    return ChangeRole(
        role, event, "修改角色成功！", [&](CDataStore& store, const std::string& id, std::string*) {
            ActionSet now = 0;
            if (!store.Run("select Actions from RoleRight where Role_ID = ? and Function = ?",
                           {id, f->code}, [&](const CStatement& st) {
                               auto stored = ParseActionSet(st.Text(0));
                               now = stored ? *stored : 0;
                           }))
                return false;
            return WriteRight(store, id, f->code,
                              grant ? static_cast<ActionSet>(now | set)
                                    : static_cast<ActionSet>(now & ~set));
        });
}

// Operators by role id.
bool CountOperators(CDataStore& store, std::map<std::string, int>& counts) {
    return store.Run("select Role_ID from Manage", {},
                     [&](const CStatement& st) { ++counts[st.Text(0)]; });
}
// A name a list shows as it is: no blank one, none that looks like another through spaces at
// its ends or control characters, none longer than a list can show.
std::optional<std::string> RoleNameFault(const std::string& role) {
    if (role.find_first_not_of(" \t\r\n\v\f") == std::string::npos)
        return std::string("角色名不可以为空，请填写。");
    if (role.front() == ' ' || role.back() == ' ')
        return std::string("角色名的前后不能有空格。");
    if (std::any_of(role.begin(), role.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
        return std::string("角色名不能含有控制字符。");
    const auto characters = std::count_if(role.begin(), role.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    if (characters > kRoleNameMaxChars)
        return "角色名不能超过 " + std::to_string(kRoleNameMaxChars) + " 个字。";
    return std::nullopt;
}
} // namespace

const CRoleRights& CurrentRights() {
    return Session().rights;
}

std::optional<std::vector<RoleSummary>> ListRoles() {
    CDataStore store;
    if (!store.ConnectOther())
        return std::nullopt;
    std::vector<std::pair<std::string, RoleSummary>> roles;
    std::map<std::string, int> counts;
    bool ok = store.Run("select Id, Name, Note from Role order by Id", {},
                        [&](const CStatement& st) {
                            RoleSummary r;
                            r.name = st.Text(1);
                            r.note = st.Text(2);
                            roles.emplace_back(st.Text(0), std::move(r));
                        }) &&
              CountOperators(store, counts);
    for (auto& role : roles) {
        const std::string& id = role.first;
        RoleSummary& r = role.second;
        ok = ok &&
             store.Run("select Warehouse from RoleWarehouse where Role_ID = ? order by Id", {id},
                       [&](const CStatement& st) { r.warehouses.push_back(st.Text(0)); }) &&
             store.Run("select Hide from RolePrice where Role_ID = ? order by Id", {id},
                       [&](const CStatement& st) { r.hides.push_back(st.Text(0)); });
        r.operators = counts[id];
    }
    if (!ok) {
        Messages().Inform("读取角色失败！\r\n" + store.LastError());
        return std::nullopt;
    }
    std::vector<RoleSummary> out;
    for (auto& [id, r] : roles)
        out.push_back(std::move(r));
    return out;
}

std::optional<std::vector<RoleRightRow>> ShowRole(const std::string& role) {
    CDataStore store;
    if (!store.ConnectOther())
        return std::nullopt;
    bool failed = false;
    if (RoleId(store, role, &failed).empty())
        return std::nullopt;
    CRoleRights rights;
    if (!LoadRole(store, role, &rights)) {
        Messages().Inform("读取角色失败！\r\n" + store.LastError());
        return std::nullopt;
    }
    std::vector<RoleRightRow> rows;
    for (const auto& f : Functions())
        if (ActionSet set = rights.ActionsOf(f.code))
            rows.push_back({&f, set});
    return rows;
}

AdminResult AddRole(const std::string& role, const std::string& from) {
    if (!CheckRight("roles", Action::Enter))
        return AdminResult::Refused;
    if (auto why = RoleNameFault(role))
        return Refuse(*why);
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    if (!store.Begin()) {
        Messages().Inform("添加角色失败！\r\n" + store.LastError());
        return AdminResult::Failed;
    }
    bool failed = false;
    std::string existing;
    const std::string source = RoleId(store, from, &failed);
    if (source.empty()) {
        store.Rollback();
        return failed ? AdminResult::Failed : AdminResult::Refused;
    }
    if (!store.Run("select Id from Role where Name = ?", {role},
                   [&](const CStatement& st) { existing = st.Text(0); })) {
        failed = true;
    } else if (!existing.empty()) {
        store.Rollback();
        return Refuse("角色“" + role + "”已存在！");
    }
    // A copy of 管理员 is an ordinary role: it holds what 管理员 holds but its own functions.
    CRoleRights copied;
    std::string id;
    bool ok = !failed && LoadRole(store, from, &copied) &&
              store.ExecuteSql("insert into Role(Name, Note) values(?, ?)",
                               {role, "复制自“" + from + "”"}) &&
              store.Run("select Id from Role where Name = ?", {role},
                        [&](const CStatement& st) { id = st.Text(0); });
    for (const auto& f : Functions())
        ok = ok && (f.adminOnly || WriteRight(store, id, f.code, copied.ActionsOf(f.code)));
    for (const auto& w : copied.AllowedWarehouses())
        ok = ok && store.ExecuteSql("insert into RoleWarehouse(Role_ID, Warehouse) values(?, ?)",
                                    {id, w});
    for (const auto& h : copied.HiddenPrices())
        ok = ok && store.ExecuteSql("insert into RolePrice(Role_ID, Hide) values(?, ?)", {id, h});
    if (!ok || !store.Commit()) {
        const std::string error = store.LastError();
        store.Rollback();
        Messages().Inform("添加角色失败！\r\n" + error);
        return AdminResult::Failed;
    }
    LogAdminAct("新建角色“" + role + "”，复制自“" + from + "”");
    Messages().Inform("添加角色成功！");
    return AdminResult::Done;
}

AdminResult GrantRight(const std::string& role, const std::string& function,
                       const std::string& actions) {
    return ChangeActions(role, function, actions, true);
}

AdminResult RevokeRight(const std::string& role, const std::string& function,
                        const std::string& actions) {
    return ChangeActions(role, function, actions, false);
}

AdminResult SetRoleWarehouses(const std::string& role, const std::vector<std::string>& warehouses) {
    if (!CheckRight("roles", Action::Enter))
        return AdminResult::Refused;
    // A name the warehouse list does not hold would leave the role seeing nothing at all.
    const auto listed = ReadConfigListToCheck("warehouse");
    if (!listed)
        return AdminResult::Refused;
    for (const auto& w : warehouses) {
        if (w.empty())
            return Refuse("仓库名不可以为空。");
        if (std::none_of(listed->begin(), listed->end(),
                         [&](const ConfigListEntry& e) { return e.name == w; }))
            return Refuse("仓库“" + w + "”不在仓库列表中。");
    }
    const std::string event = "角色“" + role + "”的仓库改为：" +
                              (warehouses.empty() ? std::string("全部仓库") : Joined(warehouses));
    return ChangeRole(
        role, event, "修改角色成功！", [&](CDataStore& store, const std::string& id, std::string*) {
            bool ok = store.ExecuteSql("delete from RoleWarehouse where Role_ID = ?", {id});
            for (const auto& w : warehouses)
                ok = ok &&
                     store.ExecuteSql("insert into RoleWarehouse(Role_ID, Warehouse) values(?, ?)",
                                      {id, w});
            return ok;
        });
}

AdminResult SetRoleHidden(const std::string& role, const std::vector<std::string>& hides) {
    if (!CheckRight("roles", Action::Enter))
        return AdminResult::Refused;
    for (const auto& h : hides)
        if (!IsHiddenPriceName(h))
            return Refuse("隐藏的价格只能是 进价、成本、售价，用逗号分开。");
    // In the order the program names the prices, each once.
    std::vector<std::string> ordered;
    for (const char* price : kHiddenPrices)
        if (std::find(hides.begin(), hides.end(), price) != hides.end())
            ordered.push_back(price);
    const std::string event = "角色“" + role + "”隐藏的价格改为：" +
                              (ordered.empty() ? std::string("无") : Joined(ordered));
    return ChangeRole(
        role, event, "修改角色成功！", [&](CDataStore& store, const std::string& id, std::string*) {
            bool ok = store.ExecuteSql("delete from RolePrice where Role_ID = ?", {id});
            for (const auto& price : ordered)
                ok = ok && store.ExecuteSql("insert into RolePrice(Role_ID, Hide) values(?, ?)",
                                            {id, price});
            return ok;
        });
}

AdminResult RemoveRole(const std::string& role) {
    if (!CheckRight("roles", Action::Delete))
        return AdminResult::Refused;
    return ChangeRole(
        role, "删除角色“" + role + "”", "删除角色成功！",
        [&](CDataStore& store, const std::string& id, std::string* refusal) {
            // Operator rows locked, so no operator is given the role while it goes.
            std::string user;
            if (!store.Run(
                    std::string("select UserName from Manage where Role_ID = ? order by id") +
                        (store.IsServer() ? " for update" : ""),
                    {id}, [&](const CStatement& st) {
                        if (user.empty())
                            user = st.Text(0);
                    }))
                return false;
            if (!user.empty()) {
                *refusal = "管理员“" + user + "”的角色是“" + role + "”，不能删除！";
                return true;
            }
            return store.ExecuteSql("delete from RoleRight where Role_ID = ?", {id}) &&
                   store.ExecuteSql("delete from RoleWarehouse where Role_ID = ?", {id}) &&
                   store.ExecuteSql("delete from RolePrice where Role_ID = ?", {id}) &&
                   store.ExecuteSql("delete from Role where Id = ?", {id});
        });
}

AdminResult SetOperatorRole(const std::string& user, const std::string& role) {
    if (!CheckRight("operators", Action::Enter))
        return AdminResult::Refused;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    if (!store.Begin()) {
        Messages().Inform("修改管理员角色失败！\r\n" + store.LastError());
        return AdminResult::Failed;
    }
    bool failed = false;
    const std::string id = RoleId(store, role, &failed);
    std::string adminId, stored;
    int othersKeepingAdmin = 0;
    // Every operator row locked: two workstations taking 管理员 from the last two holders at
    // once wait for each other, and the second finds none left but its own.
    bool ok = !id.empty() &&
              store.Run("select Id from Role where Name = ?", {kAdminRole},
                        [&](const CStatement& st) { adminId = st.Text(0); }) &&
              store.Run(std::string("select UserName, Role_ID from Manage order by id") +
                            (store.IsServer() ? " for update" : ""),
                        {}, [&](const CStatement& st) {
                            if (SameOperatorName(st.Text(0), user))
                                stored = st.Text(0);
                            else if (st.Text(1) == adminId)
                                ++othersKeepingAdmin;
                        });
    if (!ok) {
        const std::string error = store.LastError();
        store.Rollback();
        if (id.empty())
            return failed ? AdminResult::Failed : AdminResult::Refused;
        Messages().Inform("修改管理员角色失败！\r\n" + error);
        return AdminResult::Failed;
    }
    if (stored.empty()) {
        store.Rollback();
        return Refuse("管理员“" + user + "”不存在！");
    }
    if (id != adminId && othersKeepingAdmin == 0) {
        store.Rollback();
        return Refuse(kLastAdministratorText);
    }
    if (!store.ExecuteSql("update Manage set Role_ID = ? where UserName = ?", {id, stored}) ||
        !store.Commit()) {
        const std::string error = store.LastError();
        store.Rollback();
        Messages().Inform("修改管理员角色失败！\r\n" + error);
        return AdminResult::Failed;
    }
    LogAdminAct("管理员“" + stored + "”的角色改为“" + role + "”");
    Messages().Inform("修改管理员角色成功！");
    return AdminResult::Done;
}

std::optional<std::map<std::string, std::string>> OperatorRoleNames() {
    CDataStore store;
    if (!store.ConnectOther())
        return std::nullopt;
    std::map<std::string, std::string> roles;
    if (!store.Run("select Manage.UserName, Role.Name from Manage left join Role on Role.Id = "
                   "Manage.Role_ID",
                   {}, [&](const CStatement& st) { roles[st.Text(0)] = st.Text(1); })) {
        Messages().Inform("读取角色失败！\r\n" + store.LastError());
        return std::nullopt;
    }
    return roles;
}
