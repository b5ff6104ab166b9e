#pragma once
#include "port/AdminResult.h"
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

class CDataStore;

// Operators: the user management window, the operator form and the change-password action.

// Command words of the operator form.
inline constexpr const char* kRunAdd = "run_add";
inline constexpr const char* kRunRe = "run_re";

// How the operator form starts for a command word.
struct OperatorFormSetup {
    std::string userName;      // run_re: the current operator's name
    std::string note;          // run_re: the current operator's note
    bool userEditable = true;  // false for run_re
    std::string passwordLabel; // "密码：" or "新密码："
};
OperatorFormSetup OperatorFormFor(const std::string& commandWord);

// The form's check on "确定": false, after its message, when the name is empty.
bool CheckOperatorForm(const std::string& userName);

// True when two operator names are the same name: whole, ASCII letter case ignored, as the
// login compares them.
bool SameOperatorName(const std::string& a, const std::string& b);

// Every operator, in table order (empty after the store's message when that fails).
std::vector<UserRecord> LoadOperators();

// Each change of an operator writes its entry into the operation log.
// Adds an operator; "添加管理员成功！" on success.
AdminResult AddOperator(const std::string& userName, const std::string& password,
                        const std::string& note);
// Gives an existing operator a new password and note; "修改密码成功！" on success.
AdminResult ChangeOperatorPassword(const std::string& userName, const std::string& password,
                                   const std::string& note);
// The operator that alone keeps the role 管理员 is not deleted either (LastAdministrator).
enum class DeleteUserOutcome { Deleted, Last, NotFound, LastAdministrator, Failed };
inline constexpr const char* kLastAdministratorText = "至少要有一个管理员的角色是“管理员”！";
// Deletes the operator of that whole name (ASCII case ignored) unless it is the only one left,
// checked and deleted in one transaction with the operator rows locked. Failures have been told.
DeleteUserOutcome DeleteUser(CDataStore& store, const std::string& user);
// "删除": the selected operator's name (nullopt: nothing selected), the question, the delete.
// The last remaining operator is never deleted.
AdminResult DeleteOperator(const std::optional<std::string>& selected);
