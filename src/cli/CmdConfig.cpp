// config, departments and employees: the reference lists of Data/ferix_config.data (or of the
// server, for a folder of Data/server.conf).
#include "Commands.h"

#include "config/ConfigDocumentStore.h"
#include "config/ConfigEntryChecks.h"
#include "config/ConfigLists.h"

#include <functional>
#include <initializer_list>
#include <iostream>

namespace {
const char* const kConfigUsage =
    "usage: ferix-cli config list KEY | config add KEY NAME [--note TEXT] | "
    "config remove KEY NAME\n(KEY: area, bank, unit, warehouse, income, spending)";
const char* const kDepartmentsUsage = "usage: ferix-cli departments list | departments add NAME "
                                      "[--note TEXT] | departments remove NAME";
const char* const kEmployeesUsage =
    "usage: ferix-cli employees list [--department D] | employees add --department D --name N "
    "[--tel T] [--addr T] [--birthday T] [--note T] | employees remove NAME";

// True when the run has exactly `count` arguments after the sub-command and no option outside
// `allowed`.
bool Shape(const CliContext& ctx, size_t count, std::initializer_list<const char*> allowed = {}) {
    if (ctx.args.size() != count + 1 || !ctx.flags.empty())
        return false;
    for (const auto& [name, value] : ctx.options) {
        bool known = false;
        for (const char* a : allowed)
            known = known || name == a;
        if (!known)
            return false;
    }
    return true;
}

// A missing or damaged document (cut short, not XML) would list only part of its entries as if
// that were all, and a change saved into it could not mend it: both are refused with the reason.
bool ConfigFileSound() {
    bool sound = false;
    const std::string problem = ConfigDocumentProblem(&sound);
    if (!problem.empty())
        std::cerr << problem << "\n";
    return sound;
}

// Runs a change. One refused for its content has had its reason told already (exit 1); any
// other failure is the document's.
int RunChange(const std::function<bool(bool* refused)>& change) {
    bool refused = false;
    if (change(&refused))
        return kExitOk;
    if (refused)
        return kExitRefused;
    std::cerr << ConfigChangeFailedText() << "\n";
    return kExitData;
}

void PrintEntries(const CliContext& ctx, const std::vector<ConfigListEntry>& entries) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& e : entries)
        rows.push_back({e.name, e.note});
    PrintTable(ctx, {"name", "note"}, rows);
}
} // namespace

int CmdConfig(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? "" : ctx.args[0];
    const std::string key = ctx.args.size() > 1 ? ctx.args[1] : "";
    const bool shaped = (sub == "list" && Shape(ctx, 1)) ||
                        (sub == "add" && Shape(ctx, 2, {"note"})) ||
                        (sub == "remove" && Shape(ctx, 2));
    if (!shaped || !IsSimpleConfigListKey(key))
        return UsageError(kConfigUsage);
    if (!ConfigFileSound())
        return kExitData;
    if (sub == "list") {
        PrintEntries(ctx, ReadConfigList(key));
        return kExitOk;
    }
    const std::string& name = ctx.args[2];
    if (sub == "add") {
        if (!CheckConfigEntryName(key, name))
            return kExitRefused;
        return RunChange([&](bool* refused) {
            return AddConfigListEntry(key, name, ctx.OptionOr("note", ""), refused);
        });
    }
    return RunChange([&](bool* refused) { return RemoveConfigListEntries(key, name, refused); });
}

int CmdDepartments(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? "" : ctx.args[0];
    const bool shaped = (sub == "list" && Shape(ctx, 0)) ||
                        (sub == "add" && Shape(ctx, 1, {"note"})) ||
                        (sub == "remove" && Shape(ctx, 1));
    if (!shaped)
        return UsageError(kDepartmentsUsage);
    if (!ConfigFileSound())
        return kExitData;
    if (sub == "list") {
        PrintEntries(ctx, ReadDepartments());
        return kExitOk;
    }
    const std::string& name = ctx.args[1];
    if (sub == "add") {
        if (!CheckConfigEntryName("departments", name))
            return kExitRefused;
        return RunChange(
            [&](bool* refused) { return AddDepartment(name, ctx.OptionOr("note", ""), refused); });
    }
    return RunChange([&](bool* refused) { return RemoveDepartments(name, refused); });
}

int CmdEmployees(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? "" : ctx.args[0];
    const bool shaped =
        (sub == "list" && Shape(ctx, 0, {"department"})) ||
        (sub == "add" && Shape(ctx, 0, {"department", "name", "tel", "addr", "birthday", "note"}) &&
         ctx.Option("department") && ctx.Option("name")) ||
        (sub == "remove" && Shape(ctx, 1));
    if (!shaped)
        return UsageError(kEmployeesUsage);
    if (!ConfigFileSound())
        return kExitData;
    if (sub == "list") {
        std::vector<std::vector<std::string>> rows;
        for (const auto& e : ReadEmployees(ctx.Option("department")))
            rows.push_back({e.department, e.name, e.tel, e.addr, e.birthday, e.note});
        PrintTable(ctx, {"department", "name", "tel", "addr", "birthday", "note"}, rows);
        return kExitOk;
    }
    if (sub == "add") {
        const std::string department = *ctx.Option("department");
        const std::string name = *ctx.Option("name");
        if (!CheckEmployeeEntry(name, department))
            return kExitRefused;
        // The window offers only existing departments; here one can be named that is not there.
        bool known = false;
        for (const auto& d : ReadDepartments())
            known = known || d.name == department;
        if (!known) {
            std::cerr << "没有名为“" << department << "”的部门。\n";
            return kExitRefused;
        }
        return RunChange([&](bool* refused) {
            return AddEmployee(department, name, ctx.OptionOr("tel", ""), ctx.OptionOr("addr", ""),
                               ctx.OptionOr("birthday", ""), ctx.OptionOr("note", ""), refused);
        });
    }
    return RunChange([&](bool* refused) { return RemoveEmployees(ctx.args[1], refused); });
}
