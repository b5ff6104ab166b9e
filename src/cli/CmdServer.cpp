// The owner's acts on a folder whose data is on a server. The owner's connection string is read
// from standard input (one line), never from the command line, and never stored.
#include "Commands.h"

#include "admin/OperationLog.h"
#include "port/AdminResult.h"
#include "port/MessagePort.h"
#include "server/WorkRole.h"

#include <iostream>

namespace {
std::string OwnerConninfo() {
    std::string line;
    if (!std::getline(std::cin, line))
        return {};
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

constexpr const char* kNoOwnerText = "没有读到数据库所有者的连接字符串（标准输入的一行）。";
} // namespace

int CmdServer(CliContext& ctx) {
    if (ctx.args.size() != 2 || ctx.args[0] != "grant-work" || !ctx.OnlyOptions({}))
        return UsageError("usage: ferix-cli server grant-work ROLE   (the owner's connection "
                          "string on standard input)");
    const std::string& role = ctx.args[1];
    const std::string owner = OwnerConninfo();
    if (owner.empty()) {
        Messages().Inform(kNoOwnerText);
        return kExitRefused;
    }
    const AdminResult result = GrantWorkRole(owner, role);
    if (result == AdminResult::Done)
        LogAdminAct("授予数据库角色“" + role + "”日常工作的权限");
    return AdminExit(result);
}

int CmdUpgrade(CliContext& ctx) {
    if (!ctx.args.empty() || !ctx.OnlyOptions({}))
        return UsageError(
            "usage: ferix-cli upgrade   (the owner's connection string on standard input)");
    const std::string owner = OwnerConninfo();
    if (owner.empty()) {
        Messages().Inform(kNoOwnerText);
        return kExitRefused;
    }
    return AdminExit(UpgradeWithOwner(owner));
}
