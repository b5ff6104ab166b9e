#pragma once
#include "port/AdminResult.h"
#include "rights/RoleRights.h"
#include "store/RightCheck.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// The rights check every entry point makes, and the roles' administration.

// The logged-in operator's role (read with the login).
const CRoleRights& CurrentRights();
// CheckRight, the check itself, is in store/RightCheck.h, where every room reaches it.

struct RoleSummary {
    std::string name;
    std::string note;
    std::vector<std::string> warehouses; // empty: every warehouse
    std::vector<std::string> hides;
    int operators = 0; // how many operators have it
};
// Every role in the order made; nullopt after the store's message.
std::optional<std::vector<RoleSummary>> ListRoles();
// One role's rights in the order of the function table (functions it holds nothing of are
// left out); nullopt after a message when the role does not exist or the read failed.
struct RoleRightRow {
    const FunctionInfo* function;
    ActionSet actions;
};
std::optional<std::vector<RoleRightRow>> ShowRole(const std::string& role);

// The longest role name, in characters.
inline constexpr int kRoleNameMaxChars = 32;

// Each change is refused with its message when the role is 管理员 (never changed or removed)
// or does not exist, and writes its entry into the operation log when done.
AdminResult AddRole(const std::string& role, const std::string& from);
// `actions`: names joined by commas ("查看,录入"), each one the function has.
AdminResult GrantRight(const std::string& role, const std::string& function,
                       const std::string& actions);
AdminResult RevokeRight(const std::string& role, const std::string& function,
                        const std::string& actions);
// Empty: every warehouse.
AdminResult SetRoleWarehouses(const std::string& role, const std::vector<std::string>& warehouses);
// Empty: no price hidden. Each of 进价, 成本, 售价.
AdminResult SetRoleHidden(const std::string& role, const std::vector<std::string>& hides);
// Refused while an operator has the role.
AdminResult RemoveRole(const std::string& role);
// Refused when it would leave no operator with 管理员.
AdminResult SetOperatorRole(const std::string& user, const std::string& role);
// Each operator's role name by the operator's name; nullopt after the store's message.
std::optional<std::map<std::string, std::string>> OperatorRoleNames();
