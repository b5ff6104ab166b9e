// Purchase and sales orders: their list with the derived status, one order's lines with what
// is delivered and open, closing and voiding.
#include "CliContext.h"
#include "Commands.h"

#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "rights/RoleRights.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "text/IsoDate.h"

#include <optional>

namespace {
// "purchase" or "sale": the order kind of that side.
std::optional<BillKind> OrderSide(const std::string& word) {
    if (word == "purchase")
        return BillKind::PurchaseOrder;
    if (word == "sale")
        return BillKind::SaleOrder;
    return std::nullopt;
}

const CRoleRights& Rights() {
    return Session().rights;
}
} // namespace

int CmdOrders(CliContext& ctx) {
    const char* usage = "usage: ferix-cli orders purchase|sale [--status 未交货|部分交货|已完成|"
                        "已关闭|已作废] [--from yyyy-MM-dd --to yyyy-MM-dd]";
    if (ctx.args.size() != 1 || !ctx.OnlyOptions({"status", "from", "to"}))
        return UsageError(usage);
    const auto kind = OrderSide(ctx.args[0]);
    if (!kind)
        return UsageError(usage);
    const std::string from = ctx.Option("from").value_or(""), to = ctx.Option("to").value_or("");
    if ((!from.empty() && !IsIsoDate(from)) || (!to.empty() && !IsIsoDate(to)))
        return UsageError("日期必须写成 yyyy-MM-dd，例如 2026-12-07");
    std::optional<OrderStatus> status;
    if (auto s = ctx.Option("status")) {
        status = OrderStatusFromText(*s);
        if (!status)
            return UsageError(usage);
    }
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    const auto orders = ListOrders(store, *kind, from, to, status);
    if (!orders)
        return kExitData;
    const PriceKind price = BillPriceKind(KindNames(*kind).cliName);
    std::vector<std::vector<std::string>> rows;
    for (const OrderListRow& o : *orders)
        rows.push_back({o.Bill_ID, o.Bill_Date, o.Customer, o.Warehouse, o.Employee,
                        ShownFigure(Rights(), price, o.Total), OrderStatusText(o.status)});
    PrintTable(ctx,
               {"Bill_ID", "Bill_Date", "Customer", "Warehouse", "Employee", "Total", "Status"},
               rows);
    return kExitOk;
}

int CmdOrder(CliContext& ctx) {
    const char* usage = "usage: ferix-cli order purchase|sale NUMBER";
    if (ctx.args.size() != 2 || !ctx.OnlyOptions({}))
        return UsageError(usage);
    const auto kind = OrderSide(ctx.args[0]);
    if (!kind)
        return UsageError(usage);
    const std::string& number = ctx.args[1];
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    bool read = false;
    const auto order = FindOrder(store, *kind, number, &read);
    if (!read)
        return kExitData;
    // An order of a warehouse outside the operator's scope reads as no order.
    if (!order || !Rights().SeesWarehouse(order->header.Warehouse)) {
        Messages().Inform("没有编号为“" + number + "”的订单！");
        return kExitRefused;
    }
    const PriceKind price = BillPriceKind(KindNames(*kind).cliName);
    std::vector<std::vector<std::string>> rows;
    int line = 0;
    for (const OrderLineRecord& l : order->lines)
        rows.push_back({std::to_string(++line), l.Product_ID, l.Product_Name, l.Product_Unit,
                        std::to_string(l.ordered), std::to_string(l.delivered),
                        std::to_string(OpenQuantity(order->header, l)),
                        ShownFigure(Rights(), price, l.Product_Price)});
    PrintTable(ctx,
               {"Line", "Product_ID", "Product_Name", "Product_Unit", "Ordered", "Delivered",
                "Open", "Product_Price"},
               rows);
    return kExitOk;
}

namespace {
int MarkCommand(CliContext& ctx, const char* usage, bool (*mark)(BillKind, const std::string&)) {
    if (ctx.args.size() != 2 || !ctx.OnlyOptions({}))
        return UsageError(usage);
    const auto kind = OrderSide(ctx.args[0]);
    if (!kind)
        return UsageError(usage);
    return mark(*kind, ctx.args[1]) ? kExitOk : kExitRefused;
}
} // namespace

int CmdCloseOrder(CliContext& ctx) {
    return MarkCommand(ctx, "usage: ferix-cli close-order purchase|sale NUMBER", CloseOrder);
}

int CmdVoidOrder(CliContext& ctx) {
    return MarkCommand(ctx, "usage: ferix-cli void-order purchase|sale NUMBER", VoidOrder);
}
