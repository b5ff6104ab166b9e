#include "Commands.h"

#include "admin/OperationLog.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/ServerConfig.h"

#include <filesystem>
#include <iostream>
#include <optional>

int CmdInit(CliContext& ctx) {
    const bool onlyServer =
        ctx.flags.empty() &&
        (ctx.options.empty() || (ctx.options.size() == 1 && ctx.Option("server")));
    if (!ctx.args.empty() || !onlyServer)
        return UsageError("usage: ferix-cli init [--server CONNINFO|-]");
    if (ProgramFolderExists(ProgramFolder())) {
        std::cerr << (std::filesystem::exists(ServerConfigPath(ProgramFolder()))
                          ? "Data/server.conf 已存在：这里已经是一个程序文件夹。\n"
                          : "Data/main_data.tdb 已存在：这里已经是一个程序文件夹。\n");
        return kExitRefused;
    }
    std::string error;
    // A folder on a server: Data/server.conf first (owner-only), then the tables on the server.
    // "-" reads the connection string from standard input, so a password in it never shows in
    // the process list.
    std::optional<std::string> server = ctx.Option("server");
    if (server && *server == "-" && !std::getline(std::cin, *server))
        server->clear();
    if (server) {
        std::error_code ec;
        std::filesystem::create_directories(ProgramFolder() / "Data", ec);
        if (server->empty() || ec || !WriteServerConfig(ProgramFolder(), *server, &error)) {
            std::cerr << "创建程序文件夹失败："
                      << (server->empty() ? std::string("没有数据库的连接字符串。") : error)
                      << "\n";
            return kExitRefused;
        }
    }
    // A database that holds the program's data already is joined: a second workstation.
    bool joined = false;
    if (!CreateProgramFolder(ProgramFolder(), &error, &joined)) {
        if (server) {
            std::error_code ec;
            std::filesystem::remove(ServerConfigPath(ProgramFolder()), ec);
        }
        std::cerr << "创建程序文件夹失败：" << error << "\n";
        return kExitRefused;
    }
    if (joined)
        std::cerr << kJoinedServerText << "\n";
    return kExitOk;
}

int CmdLog(CliContext& ctx) {
    if (!ctx.args.empty())
        return UsageError("usage: ferix-cli log [--clear]");
    CDataStore store;
    if (!store.ConnectOther())
        return kExitData;
    if (ctx.HasFlag("clear"))
        return AdminExit(ClearOperationLog());
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : store.ListLog())
        rows.push_back({r.Event, r.User, r.Time});
    PrintTable(ctx, {"Event", "User", "Time"}, rows);
    return kExitOk;
}
