#include "Commands.h"

#include "admin/OperationLog.h"
#include "app/Cferix_razazApp.h"
#include "app/MessagePort.h"
#include "app/ProgramFolderSetup.h"
#include "store/CDataStore.h"

#include <iostream>

int CmdInit(CliContext& ctx) {
    if (!ctx.args.empty())
        return UsageError("usage: ferix-cli init");
    if (ProgramFolderExists(ProgramFolder())) {
        std::cerr << "Data/main_data.tdb 已存在：这里已经是一个程序文件夹。\n";
        return kExitRefused;
    }
    std::string error;
    if (!CreateProgramFolder(ProgramFolder(), &error)) {
        std::cerr << "创建程序文件夹失败：" << error << "\n";
        return kExitRefused;
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
