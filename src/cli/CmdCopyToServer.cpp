// copy-to-server: move this program folder's data to a PostgreSQL server.
#include "Commands.h"

#include "port/MessagePort.h"
#include "server/CopyToServer.h"
#include "server/ServerSetup.h"

#include <iostream>
#include <optional>

int CmdCopyToServer(CliContext& ctx) {
    if (ctx.args.size() != 1 || !ctx.options.empty() || !ctx.flags.empty())
        return UsageError("usage: ferix-cli copy-to-server CONNINFO|-");
    // "-" reads its lines from standard input (or asks for each on a terminal), so no password
    // shows in the process list: the owner's connection string, then, optionally, the work
    // role's that Data/server.conf keeps. The operators come along from the folder.
    std::string conninfo = ctx.args[0];
    std::optional<std::string> work;
    if (conninfo == "-") {
        conninfo = Messages().AskSecret("建表用的数据库连接字符串：").value_or("");
        work = Messages().AskSecret("工作站用的数据库连接字符串（可以不填）：");
    }
    if (work && work->empty())
        work.reset();
    if (conninfo.empty()) {
        std::cerr << kCopyFailedText << "没有数据库的连接字符串。\n";
        return kExitRefused;
    }
    const AdminResult result = CopyFolderToServer(conninfo, nullptr, work.value_or(""));
    const int exit = AdminExit(result);
    if (exit == kExitOk && !work)
        std::cerr << kOwnerRightsText << "\n";
    return exit;
}
