#include "CommandRights.h"

#include "admin/UserAdmin.h"
#include "cost/ProfitReport.h"
#include "home/HomeFigures.h"
#include "store/BillKindNames.h"
#include "store/Session.h"

#include <string_view>

namespace {
std::string Arg(const CliContext& ctx, size_t i) {
    return i < ctx.args.size() ? ctx.args[i] : std::string();
}

// A list's subcommands: reading words look, "delete"/"remove" delete, the rest enter.
Need ListNeed(const char* function, const std::string& sub) {
    if (sub.empty() || sub == "list" || sub == "find" || sub == "show" || sub == "units")
        return {function, Action::View};
    if (sub == "delete" || sub == "remove" || sub == "remove-unit")
        return {function, Action::Delete};
    return {function, Action::Enter};
}

std::optional<Need> KindNeed(const CliContext& ctx, Action action) {
    const std::string function = KindFunction(Arg(ctx, 0));
    if (function.empty())
        return std::nullopt;
    return Need{function, action};
}
// The order commands name the side: purchase or sale.
std::optional<Need> OrderNeed(const CliContext& ctx, Action action) {
    const std::string side = Arg(ctx, 0);
    if (side != "purchase" && side != "sale")
        return std::nullopt;
    return Need{side + "_order", action};
}
} // namespace

std::optional<Need> CommandNeed(const CliContext& ctx) {
    const std::string_view c = ctx.command;
    const std::string sub = Arg(ctx, 0);
    if (c == "init" || c == "upgrade" || c == "server")
        return Need{"server", Action::Enter};
    if (c == "copy-to-server")
        return Need{"copy_to_server", Action::Enter};
    if (c == "demo-data")
        return Need{"demo_data", Action::Enter};
    if (c == "log")
        return Need{"log", ctx.HasFlag("clear") ? Action::Delete : Action::View};
    if (c == "users") {
        // An operator's own password is its own business.
        if (sub == "passwd" && SameOperatorName(Arg(ctx, 1), Session().currentUser.UserName))
            return Need{"password", Action::Enter};
        return ListNeed("operators", sub);
    }
    if (c == "roles")
        return ListNeed("roles", sub);
    if (c == "backup")
        return Need{"backup", Action::Enter};
    if (c == "restore")
        return Need{"restore", Action::Enter};
    if (c == "verify")
        return Need{"verify", Action::View};
    if (c == "settings")
        return Need{"settings", sub.empty() ? Action::View : Action::Enter};
    if (c == "notice")
        return Need{"notice", Action::View};
    if (c == "classes" || c == "goods" || c == "customers" || c == "employees")
        return ListNeed(ctx.command.c_str(), sub);
    if (c == "config")
        return ListNeed("lists", sub);
    if (c == "departments")
        return ListNeed("lists", sub);
    if (c == "stock")
        return Need{"stock_view", Action::View};
    if (c == "print-stock")
        return Need{"stock_view", Action::Print};
    if (c == "labels")
        return Need{"goods", Action::Print};
    if (c == "stock-warnings")
        return Need{"stock_warnings", Action::View};
    if (c == "home")
        return Need{kHomeFunction, Action::View};
    if (c == "post")
        return KindNeed(ctx, Action::Enter);
    if (c == "bills" || c == "bill")
        return KindNeed(ctx, Action::View);
    if (c == "print-bill")
        return KindNeed(ctx, Action::Print);
    if (c == "reverse") {
        // An order is never reversed: the reversal tells so to whoever may look at it.
        const auto kind = BillKindFromCliName(sub);
        return KindNeed(ctx, kind && IsOrderKind(*kind) ? Action::View : Action::Reverse);
    }
    if (c == "count")
        return Need{"count", Action::Enter};
    if (c == "opening")
        return Need{"opening", Action::Enter};
    if (c == "orders" || c == "order")
        return OrderNeed(ctx, Action::View);
    if (c == "close-order")
        return OrderNeed(ctx, Action::Enter);
    if (c == "void-order")
        return OrderNeed(ctx, Action::Delete);
    if (c == "balances" || c == "statement")
        return Need{"statement", Action::View};
    if (c == "accounts")
        return Need{"accounts", Action::View};
    if (c == "report")
        return Need{FindProfitKindByCliName(sub) ? "profit" : "reports", Action::View};
    return std::nullopt;
}
