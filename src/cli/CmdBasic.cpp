#include "Commands.h"

#include "admin/OperationLog.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "port/MessagePort.h"
#include "server/ServerSetup.h"
#include "server/WorkRole.h"
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
    std::optional<std::string> server = ctx.Option("server");
    if (!server) {
        bool joined = false;
        if (!CreateProgramFolder(ProgramFolder(), &error, &joined)) {
            std::cerr << "创建程序文件夹失败：" << error << "\n";
            return kExitRefused;
        }
        return kExitOk;
    }
    // A folder on a server. "-" reads its lines from standard input (or asks for each on a
    // terminal), so no password shows in the process list: the owner's connection string that
    // makes the tables, admin's new password, then, optionally, the work role's string that
    // Data/server.conf keeps.
    ServerMaking making;
    std::optional<std::string> work;
    if (*server == "-") {
        making.ownerConninfo = Messages().AskSecret("建表用的数据库连接字符串：").value_or("");
        making.adminPassword = Messages().AskSecret("admin 的新密码：").value_or("");
        work = Messages().AskSecret("工作站用的数据库连接字符串（可以不填）：");
    } else {
        making.ownerConninfo = *server;
        making.adminPassword = Messages().AskSecret("admin 的新密码：").value_or("");
    }
    if (work && work->empty())
        work.reset();
    if (making.ownerConninfo.empty()) {
        std::cerr << "创建程序文件夹失败：没有数据库的连接字符串。\n";
        return kExitRefused;
    }
    // Data/server.conf first (owner-only), then the tables on the server.
    std::error_code ec;
    std::filesystem::create_directories(ProgramFolder() / "Data", ec);
    if (ec || !WriteServerConfig(ProgramFolder(), work.value_or(making.ownerConninfo), &error)) {
        std::cerr << "创建程序文件夹失败：" << (ec ? ec.message() : error) << "\n";
        return kExitRefused;
    }
    // A database that holds the program's data already is joined: a second workstation.
    bool joined = false;
    if (!CreateProgramFolder(ProgramFolder(), &error, &joined, &making)) {
        std::filesystem::remove(ServerConfigPath(ProgramFolder()), ec);
        std::cerr << "创建程序文件夹失败：" << error << "\n";
        return kExitRefused;
    }
    if (joined)
        std::cerr << kJoinedServerText << "\n";
    if (!work) {
        std::cerr << kOwnerRightsText << "\n";
        return kExitOk;
    }
    // The folder connects as the work role from now on, which cannot grant itself anything: it
    // gets its rights now, through the owner's connection at hand. Without them the folder
    // could not even log in, so it is not left behind; a second init joins the tables made.
    const AdminResult granted = GrantWorkRoleOf(making.ownerConninfo, *work);
    if (granted != AdminResult::Done) {
        std::filesystem::remove(ServerConfigPath(ProgramFolder()), ec);
        std::cerr << kWorkRoleNotGrantedText << "\n";
        return AdminExit(granted);
    }
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
