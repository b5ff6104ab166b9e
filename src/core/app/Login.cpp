#include "Login.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "text/TextOrder.h"

std::vector<std::string> LoginUserNames() {
    CDataStore store;
    store.ConnectOther(); // a failed connect has shown its message; the listing reports too
    std::vector<std::string> names;
    for (const auto& u : store.ListUsers())
        names.push_back(u.UserName);
    SortByTextOrder(names);
    return names;
}

bool TryLogin(const std::string& user, const std::string& password) {
    bool ok = false;
    {
        CDataStore store;
        if (store.ConnectOther())
            ok = store.CheckLogin(user, password);
        else
            Messages().Inform("连接数据库失败！");
    }
    if (!ok) {
        Messages().Inform("密码错误，请重新登陆！");
        return false;
    }
    WriteLogEntry("用户“" + user + "”登录成功");
    return true;
}
