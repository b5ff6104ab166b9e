// copy-to-server: move this program folder's data to a PostgreSQL server.
#include "Commands.h"

#include "admin/OperationLog.h"
#include "server/CopyToServer.h"

#include <iostream>

int CmdCopyToServer(CliContext& ctx) {
    if (ctx.args.size() != 1 || !ctx.options.empty() || !ctx.flags.empty())
        return UsageError("usage: ferix-cli copy-to-server CONNINFO|-");
    // "-" reads the connection string from standard input: a password in it then never shows
    // in the process list.
    std::string conninfo = ctx.args[0];
    if (conninfo == "-" && !std::getline(std::cin, conninfo))
        conninfo.clear();
    if (conninfo.empty()) {
        std::cerr << kCopyFailedText << "没有数据库的连接字符串。\n";
        return kExitRefused;
    }
    const AdminResult result = CopyFolderToServer(conninfo);
    if (result == AdminResult::Done)
        LogAdminAct("数据复制到数据库服务器成功");
    return AdminExit(result);
}
