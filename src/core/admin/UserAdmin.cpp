#include "UserAdmin.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
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
    if (!CheckOperatorForm(userName))
        return AdminResult::Refused;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    if (!store.AddUser(userName, password, note))
        return AdminResult::Failed;
    Messages().Inform("添加管理员成功！");
    return AdminResult::Done;
}

AdminResult ChangeOperatorPassword(const std::string& userName, const std::string& password,
                                   const std::string& note) {
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
    if (!FindOperator(users, userName)) {
        Messages().Inform(NotFoundText(userName) + "密码没有修改。");
        return AdminResult::Refused;
    }
    if (!store.ChangeUser(userName, password, note))
        return AdminResult::Failed;
    Messages().Inform("修改密码成功！");
    return AdminResult::Done;
}

bool DeleteUser(CDataStore& store, const std::string& user) {
    // The count guard keeps the last operator even if two programs delete at the same time.
    return store.ExecuteSql("delete from Manage where lower(UserName) = lower(?)"
                            " and (select count(*) from Manage) > 1",
                            {user});
}

AdminResult DeleteOperator(const std::optional<std::string>& selected) {
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
    if (!FindOperator(users, *selected)) {
        Messages().Inform(NotFoundText(*selected));
        return AdminResult::Refused;
    }
    const std::string lastOperatorText = "不能删除最后一个管理员，否则将无法再登录程序！";
    if (users.size() == 1) {
        Messages().Inform(lastOperatorText);
        return AdminResult::Refused;
    }
    if (!Messages().AskYesNo("确定要删除吗"))
        return AdminResult::Declined;
    if (!DeleteUser(store, *selected))
        return AdminResult::Failed;
    if (store.Changes() == 0) {
        // Another program removed operators since the list was read.
        Messages().Inform(FindOperator(store.ListUsers(), *selected) ? lastOperatorText
                                                                     : NotFoundText(*selected));
        return AdminResult::Refused;
    }
    return AdminResult::Done;
}
