// Receivables, payables and accounts from the shell; receipts and payments post and reverse
// through `post` and `reverse` like the other bills.
#include "Commands.h"

#include "admin/RoleAdmin.h"
#include "finance/Balances.h"
#include "finance/Finance.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "text/IsoDate.h"

int CmdBalances(CliContext& ctx) {
    const char* usage = "usage: ferix-cli balances [--type 客户|供应商]";
    if (!ctx.args.empty() || !ctx.OnlyOptions({"type"}))
        return UsageError(usage);
    const std::string type = ctx.OptionOr("type", "");
    if (!type.empty() && type != kUnitTypeCustomer && type != kUnitTypeSupplier)
        return UsageError(usage);
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    std::vector<UnitBalanceRecord> balances;
    if (!ListUnitBalances(store, type, balances))
        return kExitData;
    std::vector<std::vector<std::string>> rows;
    for (auto& b : balances) {
        HideBalanceFigures(CurrentRights(), b);
        rows.push_back({b.Customer, b.Type, b.Receivable, b.Payable});
        for (const auto& note : b.Notes)
            Messages().Inform(note);
    }
    PrintTable(ctx, {"Customer", "Type", "Receivable", "Payable"}, rows);
    return kExitOk;
}

int CmdStatement(CliContext& ctx) {
    const char* usage = "usage: ferix-cli statement NAME --from yyyy-MM-dd --to yyyy-MM-dd";
    auto from = ctx.Option("from"), to = ctx.Option("to");
    if (ctx.args.size() != 1 || !ctx.OnlyOptions({"from", "to"}) || !from || !to)
        return UsageError(usage);
    if (!IsIsoDate(*from) || !IsIsoDate(*to))
        return UsageError("日期必须写成 yyyy-MM-dd，例如 2026-12-07");
    if (auto refusal = StatementRequestRefusal(ctx.args[0], *from, *to))
        return UsageError(*refusal);
    auto statement = LoadStatement(ctx.args[0], *from, *to);
    if (!statement)
        return kExitData;
    std::vector<std::vector<std::string>> rows;
    for (const auto& note : statement->Notes)
        Messages().Inform(note);
    for (const auto& l : StatementListRows(*statement))
        rows.push_back({l.Bill_Date, l.Bill_ID, l.Kind, l.Increase, l.Decrease, l.Balance});
    PrintTable(ctx, {"Bill_Date", "Bill_ID", "Kind", "Increase", "Decrease", "Balance"}, rows);
    return kExitOk;
}

int CmdAccounts(CliContext& ctx) {
    if (!ctx.args.empty() || !ctx.OnlyOptions({}))
        return UsageError("usage: ferix-cli accounts");
    auto accounts = ReadAccountBalances();
    if (!accounts)
        return kExitData;
    std::vector<std::vector<std::string>> rows;
    for (const auto& a : *accounts)
        rows.push_back({a.Bank, a.In, a.Out, a.Balance});
    PrintTable(ctx, {"Bank", "In", "Out", "Balance"}, rows);
    return kExitOk;
}
