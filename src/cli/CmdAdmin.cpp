// Administration commands: operators, backup and restore, company settings.
#include "Commands.h"

#include "admin/BackupRestore.h"
#include "admin/CompanySettings.h"
#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

namespace {
int UsersUsage() {
    return UsageError(
        "usage: ferix-cli users list\n"
        "       ferix-cli users add NAME [--new-password-stdin | --new-password PW] [--note TEXT]\n"
        "       ferix-cli users passwd NAME [--new-password-stdin | --new-password PW] "
        "[--note TEXT]\n"
        "       ferix-cli users delete NAME\n"
        "       ferix-cli users role NAME ROLE");
}

// The new password of `users add` / `users passwd`: the next line of standard input
// (--new-password-stdin), a prompt without echo on a terminal (asked twice), or --new-password
// (old scripts; it shows in the process list). Nothing given and no terminal: `fallback`.
// Sets *exit when the command must stop.
std::optional<std::string> NewPassword(const CliContext& ctx,
                                       const std::optional<std::string>& fallback, int* exit) {
    const bool fromStdin = ctx.HasFlag("new-password-stdin");
    if (auto given = ctx.Option("new-password")) {
        if (fromStdin)
            *exit = UsersUsage();
        return given;
    }
    if (fromStdin) {
        auto line = Messages().AskSecret("新密码：");
        return line ? line : std::optional<std::string>("");
    }
    if (!::isatty(STDIN_FILENO)) {
        if (!fallback)
            *exit = UsersUsage();
        return fallback;
    }
    auto first = Messages().AskSecret("新密码：");
    auto second = first ? Messages().AskSecret("再输入一次新密码：") : std::nullopt;
    if (!first || !second || *first != *second) {
        std::cerr << "两次输入的密码不一致，密码没有改变。\n";
        *exit = kExitRefused;
        return std::nullopt;
    }
    return first;
}

// Only the options of `allowed` and no flag but --new-password-stdin.
bool OnlyPasswordOptions(const CliContext& ctx) {
    if (ctx.flags.size() > 1 || (ctx.flags.size() == 1 && !ctx.HasFlag("new-password-stdin")))
        return false;
    CliContext options = ctx;
    options.flags.clear();
    return options.OnlyOptions({"new-password", "note"});
}

int SettingsUsage() {
    return UsageError("usage: ferix-cli settings\n"
                      "       ferix-cli settings set [--name T] [--tel T] [--fax T] [--zip T]"
                      " [--addr T] [--costing T]");
}
} // namespace

int AdminExit(AdminResult result) {
    switch (result) {
    case AdminResult::Done:
        return kExitOk;
    case AdminResult::NoData:
        return kExitData;
    case AdminResult::Declined:
    case AdminResult::Refused:
    case AdminResult::Failed:
        break;
    }
    return kExitRefused;
}

int CmdUsers(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? std::string() : ctx.args[0];
    if (sub == "list") {
        if (ctx.args.size() != 1 || !ctx.OnlyOptions({}))
            return UsersUsage();
        CDataStore store;
        if (!store.ConnectOther())
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        for (const auto& u : store.ListUsers()) // never the password hashes
            rows.push_back({u.UserName, u.CreateTime, u.LastLogin, u.Note});
        PrintTable(ctx, {"UserName", "CreateTime", "LastLogin", "Note"}, rows);
        return kExitOk;
    }
    if (sub == "role") {
        if (ctx.args.size() != 3 || !ctx.OnlyOptions({}))
            return UsersUsage();
        return AdminExit(SetOperatorRole(ctx.args[1], ctx.args[2]));
    }
    if (ctx.args.size() != 2)
        return UsersUsage();
    const std::string& name = ctx.args[1];
    if (sub == "add") {
        if (!OnlyPasswordOptions(ctx))
            return UsersUsage();
        int exit = -1;
        const auto password = NewPassword(ctx, std::string(), &exit);
        if (exit >= 0)
            return exit;
        return AdminExit(AddOperator(name, *password, ctx.OptionOr("note", "")));
    }
    if (sub == "passwd") {
        if (!OnlyPasswordOptions(ctx))
            return UsersUsage();
        int exit = -1;
        const auto password = NewPassword(ctx, std::nullopt, &exit);
        if (exit >= 0)
            return exit;
        // Without --note the operator keeps the note it has, as the form shows it.
        std::string note = ctx.OptionOr("note", "");
        if (!ctx.Option("note")) {
            for (const auto& u : LoadOperators()) {
                if (SameOperatorName(u.UserName, name))
                    note = u.Note;
            }
        }
        return AdminExit(ChangeOperatorPassword(name, *password, note));
    }
    if (sub == "delete") {
        if (!ctx.OnlyOptions({}))
            return UsersUsage();
        return AdminExit(DeleteOperator(name));
    }
    return UsersUsage();
}

int CmdBackup(CliContext& ctx) {
    if (!ctx.args.empty() || !ctx.OnlyOptions({}))
        return UsageError("usage: ferix-cli backup");
    std::string fileName;
    const AdminResult result = BackupAction(&fileName);
    if (result == AdminResult::Done)
        std::cout << fileName << "\n";
    return AdminExit(result);
}

int CmdRestore(CliContext& ctx) {
    if (ctx.args.size() != 1 || !ctx.OnlyOptions({}))
        return UsageError("usage: ferix-cli restore FILE   (a file name in Backup/)");
    std::string name = ctx.args[0];
    // A name completed by the shell from the program folder still means the same file.
    for (const char* prefix : {"./Backup/", "Backup/"}) {
        if (name.rfind(prefix, 0) == 0) {
            name = name.substr(std::string(prefix).size());
            break;
        }
    }
    return AdminExit(RestoreAction(name));
}

int CmdSettings(CliContext& ctx) {
    if (ctx.args.empty()) {
        if (!ctx.OnlyOptions({}))
            return SettingsUsage();
        CDataStore store;
        if (!store.ConnectOther())
            return kExitData;
        const SettingsRecord s = store.LoadSettings();
        PrintTable(
            ctx,
            {"CompanyName", "CompanyTel", "CompanyFax", "CompanyZip", "Chengben", "CompanyAddr"},
            {{s.CompanyName, s.CompanyTel, s.CompanyFax, s.CompanyZip, s.Chengben, s.CompanyAddr}});
        return kExitOk;
    }
    if (ctx.args.size() != 1 || ctx.args[0] != "set" || ctx.options.empty() ||
        !ctx.OnlyOptions({"name", "tel", "fax", "zip", "addr", "costing"}))
        return SettingsUsage();
    // The window offers only the methods of its list.
    if (auto costing = ctx.Option("costing")) {
        const auto& methods = CostingMethods();
        if (std::find(methods.begin(), methods.end(), *costing) == methods.end()) {
            std::string text = "成本核算方法只能是：";
            for (size_t i = 0; i < methods.size(); ++i)
                text += (i ? "、" : "") + methods[i];
            std::cerr << text << "\n";
            return kExitRefused;
        }
    }
    {
        CDataStore store;
        if (!store.ConnectOther())
            return kExitData;
    }
    SettingsRecord s = LoadCompanySettings();
    s.CompanyName = ctx.OptionOr("name", s.CompanyName);
    s.CompanyTel = ctx.OptionOr("tel", s.CompanyTel);
    s.CompanyFax = ctx.OptionOr("fax", s.CompanyFax);
    s.CompanyZip = ctx.OptionOr("zip", s.CompanyZip);
    s.CompanyAddr = ctx.OptionOr("addr", s.CompanyAddr);
    s.Chengben = ctx.OptionOr("costing", s.Chengben);
    return AdminExit(SaveCompanySettings(s));
}
