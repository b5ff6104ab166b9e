// Statistics, profit, stock warnings, the home page's figures and the stock printout from the
// shell.
#include "Commands.h"

#include "basic/ClassTree.h"
#include "cost/ProfitReport.h"
#include "home/HomeFigures.h"
#include "query/Reports.h"
#include "query/StockView.h"
#include "query/StockWarnings.h"
#include "query/TemplatePrint.h"
#include "text/IsoDate.h"

#include <iostream>

int CmdReport(CliContext& ctx) {
    const char* usage = "usage: ferix-cli report KIND --from yyyy-MM-dd --to yyyy-MM-dd\n"
                        "KIND: purchase-goods, purchase-employee, purchase-department, "
                        "sale-goods, sale-employee, sale-department, profit-goods, "
                        "profit-customer, profit-employee, profit-month";
    if (ctx.args.size() != 1 || !ctx.OnlyOptions({"from", "to"}))
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
    if (auto refusal = DateRangeRefusal(*from, *to))
        return UsageError(*refusal);
    if (profit) {
        ProfitReportResult result = RunProfitReport(profit->key, *from, *to);
        if (result.refused)
            return kExitNoRight;
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
    if (!ctx.args.empty() || !ctx.OnlyOptions({"warehouse", "class"}))
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
    if (!ctx.args.empty() || !ctx.OnlyOptions({"warehouse"}))
        return UsageError("usage: ferix-cli stock-warnings [--warehouse W]");
    StockWarnings warnings = LoadStockWarnings(ctx.OptionOr("warehouse", kAllWarehouses));
    if (!warnings.ok)
        return kExitData;
    if (!warnings.badLimits.empty())
        std::cerr << BadLimitsNote(warnings.badLimits) << "\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : warnings.rows) {
        rows.push_back(StockWarningCells(r));
        rows.back().push_back(r.packed); // 折合, last as in `stock`
    }
    PrintTable(ctx,
               {"Code", "ProductName", "Unit", "Quantity", "InventoryLow", "InventoryHigh", "State",
                "Suggested", "Packed"},
               rows);
    return kExitOk;
}

int CmdHome(CliContext& ctx) {
    if (!ctx.args.empty() || !ctx.OnlyOptions({"date"}))
        return UsageError("usage: ferix-cli home [--date yyyy-MM-dd]");
    const std::string day = ctx.OptionOr("date", "");
    if (ctx.Option("date") && !IsIsoDate(day))
        return UsageError("日期必须写成 yyyy-MM-dd：" + day);
    const HomeFigures figures = LoadHomeFigures(day);
    std::vector<std::vector<std::string>> rows;
    for (auto& [figure, value] : HomeFigureRows(figures))
        rows.push_back({std::move(figure), std::move(value)});
    PrintTable(ctx, {"Figure", "Value"}, rows);
    return figures.ok ? kExitOk : kExitData;
}
