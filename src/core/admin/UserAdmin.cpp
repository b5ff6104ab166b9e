#include "UserAdmin.h"

#include "OperationLog.h"
#include "port/MessagePort.h"
#include "rights/Functions.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "text/Ascii.h"

#include <algorithm>

namespace {
const UserRecord* FindOperator(const std::vector<UserRecord>& users, const std::string& name) {
    auto it = std::find_if(users.begin(), users.end(),
                           [&](const UserRecord& u) { return SameOperatorName(u.UserName, name); });
    return it == users.end() ? nullptr : &*it;
}

std::string NotFoundText(const std::string& name) {
    return "管理员“" + name + "”不存在！";
}
} // namespace

OperatorFormSetup OperatorFormFor(const std::string& commandWord) {
    OperatorFormSetup setup;
    setup.passwordLabel = "密码：";
    if (commandWord == kRunRe) {
        setup.userName = Session().currentUser.UserName;
        setup.note = Session().currentUser.Note;
        setup.userEditable = false;
        setup.passwordLabel = "新密码：";
    }
    return setup;
}

bool CheckOperatorForm(const std::string& userName) {
    if (userName.empty()) {
        Messages().Inform("账号不可以为空，请填写。");
        return false;
    }
    return true;
}

bool SameOperatorName(const std::string& a, const std::string& b) {
    return AsciiEqualsIgnoringCase(a, b);
}

std::vector<UserRecord> LoadOperators() {
    CDataStore store;
    if (!store.ConnectOther())
        return {};
    return store.ListUsers();
}

AdminResult AddOperator(const std::string& userName, const std::string& password,
                        const std::string& note) {
    if (!CheckRight("operators", Action::Enter))
        return AdminResult::Refused;
    if (!CheckOperatorForm(userName))
        return AdminResult::Refused;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    if (!store.AddUser(userName, password, note))
        return AdminResult::Failed;
    LogAdminAct("添加管理员“" + userName + "”");
    Messages().Inform("添加管理员成功！");
    return AdminResult::Done;
}

AdminResult ChangeOperatorPassword(const std::string& userName, const std::string& password,
                                   const std::string& note) {
    // An operator's own password is its own business; another's belongs to the operators.
    const bool own = SameOperatorName(userName, Session().currentUser.UserName);
    if (!CheckRight(own ? "password" : "operators", Action::Enter))
        return AdminResult::Refused;
    if (!CheckOperatorForm(userName))
        return AdminResult::Refused;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    // The logged-in operator may have been deleted meanwhile; an update that changes no row
    // must not be reported as a changed password.
    const auto users = store.ListUsers();
    if (users.empty())
        return AdminResult::Failed;
    const UserRecord* before = FindOperator(users, userName);
    if (!before) {
        Messages().Inform(NotFoundText(userName) + "密码没有修改。");
        return AdminResult::Refused;
    }
    const std::string stored = before->UserName;
    const bool noteChanged = before->Note != note;
    if (!store.ChangeUser(userName, password, note))
        return AdminResult::Failed;
    // An operator changing its own password is told apart from an administrator resetting
    // another's.
    std::string event = SameOperatorName(stored, Session().currentUser.UserName)
                            ? "管理员“" + stored + "”修改了自己的密码"
                            : "重置管理员“" + stored + "”的密码";
    if (noteChanged)
        event += "，备注改为“" + note + "”";
    LogAdminAct(event);
    Messages().Inform("修改密码成功！");
    return AdminResult::Done;
}

DeleteUserOutcome DeleteUser(CDataStore& store, const std::string& user) {
    // The count and the delete in one transaction with every operator row locked: two
    // workstations deleting the last two operators at once wait for each other, and the second
    // finds one left. On a file the transaction's write lock does the same.
    if (!store.Begin()) {
        Messages().Inform("删除管理员失败！\r\n" + store.LastError());
        return DeleteUserOutcome::Failed;
    }
    std::vector<std::string> names;
    // Whether anyone but the operator to go keeps the role 管理员.
    std::string adminRole;
    bool adminKept = false;
    if (!store.Run("select Id from Role where Name = ?", {kAdminRole},
                   [&](const CStatement& st) { adminRole = st.Text(0); }) ||
        !store.Run(std::string("select UserName, Role_ID from Manage order by id") +
                       (store.IsServer() ? " for update" : ""),
                   {}, [&](const CStatement& st) {
                       names.push_back(st.Text(0));
                       adminKept = adminKept ||
                                   (st.Text(1) == adminRole && !SameOperatorName(st.Text(0), user));
                   })) {
        const std::string error = store.LastError();
        store.Rollback();
        Messages().Inform("删除管理员失败！\r\n" + error);
        return DeleteUserOutcome::Failed;
    }
    const bool found = std::any_of(names.begin(), names.end(),
                                   [&](const std::string& n) { return SameOperatorName(n, user); });
    if (!found || names.size() < 2) {
        store.Rollback();
        return found ? DeleteUserOutcome::Last : DeleteUserOutcome::NotFound;
    }
    if (!adminKept) {
        store.Rollback();
        return DeleteUserOutcome::LastAdministrator;
    }
    if (!store.ExecuteSql("delete from Manage where lower(UserName) = lower(?)", {user})) {
        store.Rollback();
        return DeleteUserOutcome::Failed;
    }
    if (!store.Commit()) {
        const std::string error = store.LastError();
        store.Rollback();
        Messages().Inform("删除管理员失败！\r\n" + error);
        return DeleteUserOutcome::Failed;
    }
    return DeleteUserOutcome::Deleted;
}

AdminResult DeleteOperator(const std::optional<std::string>& selected) {
    if (!CheckRight("operators", Action::Delete))
        return AdminResult::Refused;
    if (!selected) {
        Messages().Inform("请选中要删除的管理员！");
        return AdminResult::Refused;
    }
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    const auto users = store.ListUsers();
    if (users.empty())
        return AdminResult::Failed;
    const UserRecord* chosen = FindOperator(users, *selected);
    if (!chosen) {
        Messages().Inform(NotFoundText(*selected));
        return AdminResult::Refused;
    }
    const std::string stored = chosen->UserName;
    const std::string lastOperatorText = "不能删除最后一个管理员，否则将无法再登录程序！";
    if (users.size() == 1) {
        Messages().Inform(lastOperatorText);
        return AdminResult::Refused;
    }
    if (!Messages().AskYesNo("确定要删除吗"))
        return AdminResult::Declined;
    switch (DeleteUser(store, *selected)) {
    case DeleteUserOutcome::Deleted:
        break;
    case DeleteUserOutcome::Failed:
        return AdminResult::Failed;
    // Another program removed operators since the list was read.
    case DeleteUserOutcome::Last:
        Messages().Inform(lastOperatorText);
        return AdminResult::Refused;
    case DeleteUserOutcome::NotFound:
        Messages().Inform(NotFoundText(*selected));
        return AdminResult::Refused;
    case DeleteUserOutcome::LastAdministrator:
        Messages().Inform(kLastAdministratorText);
        return AdminResult::Refused;
    }
    LogAdminAct("删除管理员“" + stored + "”");
    return AdminResult::Done;
}
