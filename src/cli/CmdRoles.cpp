// Roles and their rights; only 管理员 gets here (the function "roles" is 管理员's alone).
#include "Commands.h"

#include "admin/RoleAdmin.h"

namespace {
constexpr const char* kRolesUsage =
    "usage: ferix-cli roles list | roles show ROLE | roles add ROLE --from ROLE | "
    "roles grant ROLE FUNCTION ACTIONS | roles revoke ROLE FUNCTION ACTIONS | "
    "roles warehouses ROLE W1,W2|--all | roles hide ROLE 进价,成本,售价|--none | roles remove ROLE";

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& i : items)
        text += (text.empty() ? "" : ",") + i;
    return text;
}

// "W1,W2" or the flag alone that stands for everything (warehouses) or nothing (prices).
std::optional<std::vector<std::string>> ListOrFlag(const CliContext& ctx, const char* flag) {
    const bool flagged = ctx.HasFlag(flag);
    if (flagged == (ctx.args.size() == 3) || ctx.flags.size() > 1 || !ctx.options.empty())
        return std::nullopt;
    return flagged ? std::vector<std::string>{} : SplitList(ctx.args[2]);
}
} // namespace

int CmdRoles(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? std::string() : ctx.args[0];
    const size_t count = ctx.args.size();
    if (sub == "list" && count == 1 && ctx.OnlyOptions({})) {
        const auto roles = ListRoles();
        if (!roles)
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        for (const auto& r : *roles)
            rows.push_back({r.name, r.note, r.warehouses.empty() ? "全部" : Joined(r.warehouses),
                            Joined(r.hides), std::to_string(r.operators)});
        PrintTable(ctx, {"Name", "Note", "Warehouses", "Hide", "Operators"}, rows);
        return kExitOk;
    }
    if (sub == "show" && count == 2 && ctx.OnlyOptions({})) {
        const auto rights = ShowRole(ctx.args[1]);
        if (!rights)
            return kExitRefused;
        std::vector<std::vector<std::string>> rows;
        for (const auto& r : *rights)
            rows.push_back(
                {r.function->code, r.function->name, r.function->module, ActionSetText(r.actions)});
        PrintTable(ctx, {"Function", "Name", "Module", "Actions"}, rows);
        return kExitOk;
    }
    if (sub == "add" && count == 2 && ctx.OnlyOptions({"from"}) && ctx.Option("from"))
        return AdminExit(AddRole(ctx.args[1], *ctx.Option("from")));
    if ((sub == "grant" || sub == "revoke") && count == 4 && ctx.OnlyOptions({}))
        return AdminExit(sub == "grant" ? GrantRight(ctx.args[1], ctx.args[2], ctx.args[3])
                                        : RevokeRight(ctx.args[1], ctx.args[2], ctx.args[3]));
    if (sub == "warehouses" && (count == 2 || count == 3)) {
        const auto warehouses = ListOrFlag(ctx, "all");
        if (warehouses)
            return AdminExit(SetRoleWarehouses(ctx.args[1], *warehouses));
    }
    if (sub == "hide" && (count == 2 || count == 3)) {
        const auto hides = ListOrFlag(ctx, "none");
        if (hides)
            return AdminExit(SetRoleHidden(ctx.args[1], *hides));
    }
    if (sub == "remove" && count == 2 && ctx.OnlyOptions({}))
        return AdminExit(RemoveRole(ctx.args[1]));
    return UsageError(kRolesUsage);
}
