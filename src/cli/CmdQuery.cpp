// Statistics, profit, stock warnings and the stock printout from the shell.
#include "Commands.h"

#include "cost/ProfitReport.h"
#include "query/ClassTree.h"
#include "query/Reports.h"
#include "query/StockView.h"
#include "query/StockWarnings.h"
#include "query/TemplatePrint.h"

#include <iostream>

namespace {
bool OnlyOptions(const CliContext& ctx, std::initializer_list<const char*> allowed) {
    for (const auto& [name, value] : ctx.options) {
        bool known = false;
        for (const char* a : allowed)
            known = known || name == a;
        if (!known)
            return false;
    }
    return ctx.flags.empty();
}

// A calendar date written yyyy-MM-dd.
bool IsIsoDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    int year = std::stoi(text.substr(0, 4));
    int month = std::stoi(text.substr(5, 2));
    int day = std::stoi(text.substr(8, 2));
    if (month < 1 || month > 12 || day < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}
} // namespace

int CmdReport(CliContext& ctx) {
    const char* usage = "usage: ferix-cli report KIND --from yyyy-MM-dd --to yyyy-MM-dd\n"
                        "KIND: purchase-goods, purchase-employee, purchase-department, "
                        "sale-goods, sale-employee, sale-department, profit-goods, "
                        "profit-customer, profit-employee, profit-month";
    if (ctx.args.size() != 1 || !OnlyOptions(ctx, {"from", "to"}))
        return UsageError(usage);
    const ReportKind* kind = FindReportKindByCliName(ctx.args[0]);
    const ProfitKind* profit = FindProfitKindByCliName(ctx.args[0]);
    auto from = ctx.Option("from");
    auto to = ctx.Option("to");
    if ((!kind && !profit) || !from || !to)
        return UsageError(usage);
    for (const std::string* date : {&*from, &*to}) {
        if (!IsIsoDate(*date))
            return UsageError("日期必须写成 yyyy-MM-dd：" + *date);
    }
    if (profit) {
        ProfitReportResult result = RunProfitReport(profit->key, *from, *to);
        if (result.unknownCostLines > 0)
            std::cerr << UnknownCostNote(result.unknownCostLines) << "\n";
        PrintTable(ctx, ProfitFieldNames(profit->key), result.rows);
        return result.ok ? kExitOk : kExitData;
    }
    ReportResult result = RunReport(*kind, *from, *to);
    const auto& rows = result.rows;
    std::vector<std::vector<std::string>> out;
    out.reserve(rows.size());
    if (kind->grouping == ReportGrouping::Goods) {
        // The window's columns without the hidden ones (是否有记录, 批号).
        for (const auto& r : rows)
            out.push_back({r[1], r[2], r[3], r[5], r[6], r[7], r[8], r[9]});
        PrintTable(ctx,
                   {"Product_ID", "Product_Name", "Product_Unit", "Product_Date", "Quantity",
                    "Product_Price", "Product_BarCode", "Product_Note"},
                   out);
    } else {
        for (const auto& r : rows)
            out.push_back({r[1], r[2]});
        PrintTable(ctx, {"Key", "Quantity"}, out);
    }
    return result.ok ? kExitOk : kExitData;
}

int CmdPrintStock(CliContext& ctx) {
    if (!ctx.args.empty() || !OnlyOptions(ctx, {"warehouse", "class"}))
        return UsageError("usage: ferix-cli print-stock [--warehouse W] [--class C]");
    std::string warehouse = ctx.OptionOr("warehouse", kAllWarehouses);
    std::string className = ctx.OptionOr("class", kAllGoods);
    auto rows = LoadStockView(warehouse, className);
    if (!rows)
        return kExitData;
    auto path = PrepareStockPrint(warehouse, className, *rows);
    if (!path)
        return kExitRefused;
    std::cout << path->string() << "\n";
    return kExitOk;
}

int CmdStockWarnings(CliContext& ctx) {
    if (!ctx.args.empty() || !OnlyOptions(ctx, {"warehouse"}))
        return UsageError("usage: ferix-cli stock-warnings [--warehouse W]");
    StockWarnings warnings = LoadStockWarnings(ctx.OptionOr("warehouse", kAllWarehouses));
    if (!warnings.ok)
        return kExitData;
    if (!warnings.badLimits.empty())
        std::cerr << BadLimitsNote(warnings.badLimits) << "\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : warnings.rows)
        rows.push_back(StockWarningCells(r));
    PrintTable(ctx,
               {"Code", "ProductName", "Unit", "Quantity", "InventoryLow", "InventoryHigh", "State",
                "Suggested"},
               rows);
    return kExitOk;
}
