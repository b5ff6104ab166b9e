#include "Orders.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "rights/Functions.h"
#include "store/CDataStore.h"
#include "store/RetriedTransaction.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "store/WarehouseScope.h"
#include "text/Money.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::array<const char*, 5> kStatusTexts = {"未交货", "部分交货", "已完成", "已关闭",
                                                     "已作废"};
constexpr const char* kReadFailure = "读取订单";

std::string HeadTable(BillKind kind) {
    return KindNames(kind).tableName;
}

std::string LineTable(BillKind kind) {
    return HeadTable(kind) + "_Detail";
}

const char* const kHeaderColumns =
    "Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee, Introduction, Delivery_Date,"
    " Number, Total, Closed, Voided";
const char* const kLineColumns =
    "Id, Bill_ID, Product_ID, Product_Name, Product_Number, Product_Unit, Product_Price,"
    " Product_Total, Product_Note, Product_BarCode, Base_Number, Delivered";

OrderHeaderRecord ReadHeader(const CStatement& st) {
    return {st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4),         st.Text(5),
            st.Text(6), st.Text(7), st.Text(8), st.Text(9), st.Text(10) == "1", st.Text(11) == "1"};
}

OrderLineRecord ReadLine(const CStatement& st) {
    OrderLineRecord l{st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4),
                      st.Text(5), st.Text(6), st.Text(7), st.Text(8), st.Text(9)};
    l.ordered = st.Int(10);
    l.delivered = st.Int(11);
    return l;
}

bool ReadFailed(CDataStore& store) {
    Messages().Inform(DatabaseFailureText(kReadFailure, store.ErrorDetail()));
    return false;
}

std::string NotFound(const std::string& number) {
    return "没有编号为“" + number + "”的订单！";
}
} // namespace

const char* const kOverOrderQuestion = "超出订单未交数量，确定要继续吗？";

const char* OrderStatusText(OrderStatus status) {
    return kStatusTexts[static_cast<size_t>(status)];
}

std::optional<OrderStatus> OrderStatusFromText(const std::string& text) {
    for (size_t i = 0; i < kStatusTexts.size(); ++i)
        if (text == kStatusTexts[i])
            return static_cast<OrderStatus>(i);
    return std::nullopt;
}

OrderStatus StatusOf(bool voided, bool closed, bool anyDelivered, bool allDelivered) {
    if (voided)
        return OrderStatus::Voided;
    if (closed)
        return OrderStatus::Closed;
    if (allDelivered)
        return OrderStatus::Complete;
    return anyDelivered ? OrderStatus::Partial : OrderStatus::NotDelivered;
}

OrderStatus StatusOf(const OrderHeaderRecord& order, const std::vector<OrderLineRecord>& lines) {
    const bool any = std::any_of(lines.begin(), lines.end(),
                                 [](const OrderLineRecord& l) { return l.delivered > 0; });
    const bool all = std::all_of(lines.begin(), lines.end(),
                                 [](const OrderLineRecord& l) { return l.delivered >= l.ordered; });
    return StatusOf(order.voided, order.closed, any, all);
}

int64_t OpenQuantity(const OrderHeaderRecord& order, const OrderLineRecord& line) {
    if (order.closed || order.voided)
        return 0;
    return std::max<int64_t>(line.ordered - line.delivered, 0);
}

std::optional<BillKind> OrderKindDeliveredBy(BillKind billKind) {
    if (billKind == BillKind::Purchase)
        return BillKind::PurchaseOrder;
    if (billKind == BillKind::Sale)
        return BillKind::SaleOrder;
    return std::nullopt;
}

bool AddOrderHeader(CDataStore& store, BillKind kind, const OrderHeaderRecord& h) {
    return store.ExecuteSql("insert into " + HeadTable(kind) +
                                "(Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee,"
                                " Introduction, Delivery_Date, Number, Total)"
                                " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                            {h.Bill_ID, h.Bill_Date, h.Customer, h.Department, h.Warehouse,
                             h.Employee, h.Introduction, h.Delivery_Date, h.Number, h.Total});
}

bool AddOrderLine(CDataStore& store, BillKind kind, const OrderLineRecord& l) {
    return store.ExecuteSql(
        "insert into " + LineTable(kind) +
            "(Bill_ID, Product_ID, Product_Name, Product_Number, Product_Unit, Base_Number,"
            " Product_Price, Product_Total, Product_Note, Product_BarCode)"
            " values(?, ?, ?, ?, ?, cast(? as bigint), ?, ?, ?, ?)",
        {l.Bill_ID, l.Product_ID, l.Product_Name, l.Product_Number, l.Product_Unit,
         std::to_string(l.ordered), l.Product_Price, l.Product_Total, l.Product_Note,
         l.Product_BarCode});
}

bool AddDelivered(CDataStore& store, BillKind billKind, const std::string& id,
                  int64_t baseQuantity) {
    const auto orderKind = OrderKindDeliveredBy(billKind);
    if (!orderKind) {
        store.SetLastError("no order kind is delivered by this bill kind");
        return false;
    }
    if (!store.ExecuteSql("update " + LineTable(*orderKind) +
                              " set Delivered = Delivered + cast(? as bigint) where Id = cast(? "
                              "as bigint)",
                          {std::to_string(baseQuantity), id}))
        return false;
    if (store.Changes() != 1) {
        store.SetLastError("order line " + id + " not found");
        return false;
    }
    return true;
}

namespace {
// The kept counts of the orders of `kind` that `which` (a condition on the header's Bill_ID)
// selects.
bool Recount(CDataStore& store, BillKind kind, const std::string& which, const SqlValues& values) {
    const std::string head = HeadTable(kind), lines = LineTable(kind);
    return store.ExecuteSql("update " + head + " set Open_Lines = (select count(*) from " + lines +
                                " d where" + " d.Bill_ID = " + head +
                                ".Bill_ID and d.Delivered < d.Base_Number), Started_Lines =" +
                                " (select count(*) from " + lines + " d where d.Bill_ID = " + head +
                                ".Bill_ID and d.Delivered > 0) where " + which,
                            values);
}
} // namespace

bool RecountOrder(CDataStore& store, BillKind orderKind, const std::string& number) {
    return Recount(store, orderKind, "Bill_ID = ?", {number});
}

bool RecountOrdersDeliveredBy(CDataStore& store, BillKind billKind, const std::string& number) {
    const auto orderKind = OrderKindDeliveredBy(billKind);
    if (!orderKind)
        return true;
    return Recount(store, *orderKind,
                   "Bill_ID in (select o.Bill_ID from " + LineTable(*orderKind) + " o join " +
                       KindNames(billKind).tableName +
                       "_Detail b on o.Id = b.Order_Line_ID where b.Bill_ID = ?)",
                   {number});
}

std::optional<StoredOrder> FindOrder(CDataStore& store, BillKind kind, const std::string& number,
                                     bool* ok) {
    if (ok)
        *ok = false;
    std::optional<StoredOrder> found;
    if (!store.Run(std::string("select ") + kHeaderColumns + " from " + HeadTable(kind) +
                       " where Bill_ID = ?",
                   {number}, [&](const CStatement& st) {
                       found = StoredOrder{ReadHeader(st), {}};
                   })) {
        ReadFailed(store);
        return std::nullopt;
    }
    if (found &&
        !store.Run(std::string("select ") + kLineColumns + " from " + LineTable(kind) +
                       " where Bill_ID = ? order by Id",
                   {number}, [&](const CStatement& st) { found->lines.push_back(ReadLine(st)); })) {
        ReadFailed(store);
        return std::nullopt;
    }
    if (ok)
        *ok = true;
    return found;
}

std::optional<StoredOrder> OrderForDelivery(CDataStore& store, BillKind kind,
                                            const std::string& number, std::string* error) {
    bool ok = false;
    auto order = FindOrder(store, kind, number, &ok);
    if (!ok) {
        *error = DatabaseFailureText(kReadFailure, store.ErrorDetail());
        return std::nullopt;
    }
    // An order in a warehouse the role does not see is, to it, no order at all.
    if (!order || !Session().rights.SeesWarehouse(order->header.Warehouse)) {
        *error = NotFound(number);
        return std::nullopt;
    }
    if (order->header.voided) {
        *error = "订单“" + number + "”已经作废，不能交货！";
        return std::nullopt;
    }
    if (order->header.closed) {
        *error = "订单“" + number + "”已经关闭，不能交货！";
        return std::nullopt;
    }
    return order;
}

int64_t OrderLineFactor(const OrderLineRecord& line) {
    const int64_t entered = LeadingInteger(line.Product_Number);
    return entered > 0 && line.ordered % entered == 0 ? line.ordered / entered : 1;
}

std::vector<OrderLinePart> SpreadOverOrderLines(const StoredOrder& order, const std::string& code,
                                                const std::string& unit,
                                                const std::string& baseUnit, int64_t quantity,
                                                std::map<std::string, int64_t>& taken) {
    std::vector<const OrderLineRecord*> lines;
    for (const OrderLineRecord& l : order.lines)
        if (l.Product_ID == code && l.Product_Unit == unit)
            lines.push_back(&l);
    // The excess over every open rest goes to the last line in the bill line's own unit.
    const OrderLineRecord* excess = lines.empty() ? nullptr : lines.back();
    // Pieces take the lines ordered in pieces first, then the rest of those ordered in boxes.
    const bool inBase = unit == baseUnit;
    if (inBase)
        for (const OrderLineRecord& l : order.lines)
            if (l.Product_ID == code && l.Product_Unit != unit)
                lines.push_back(&l);
    std::vector<OrderLinePart> parts;
    if (lines.empty())
        return parts;
    if (!excess)
        excess = lines.back();
    auto left = [&](const OrderLineRecord* l) {
        const auto t = taken.find(l->Id);
        return OpenQuantity(order.header, *l) - (t == taken.end() ? 0 : t->second);
    };
    auto factor = [&](const OrderLineRecord* l) { return inBase ? 1 : OrderLineFactor(*l); };
    if (quantity <= 0) {
        const auto open = std::find_if(lines.begin(), lines.end(),
                                       [&](const OrderLineRecord* l) { return left(l) > 0; });
        parts.push_back({open == lines.end() ? lines.front() : *open, quantity});
        return parts;
    }
    int64_t rest = quantity;
    for (const OrderLineRecord* l : lines) {
        const int64_t part = std::min(rest, std::max<int64_t>(left(l), 0) / factor(l));
        if (part <= 0)
            continue;
        parts.push_back({l, part});
        taken[l->Id] += part * factor(l);
        rest -= part;
        if (rest == 0)
            return parts;
    }
    // More than all of them have open.
    const auto onExcess = std::find_if(parts.begin(), parts.end(),
                                       [&](const OrderLinePart& p) { return p.line == excess; });
    if (onExcess != parts.end())
        onExcess->quantity += rest;
    else
        parts.push_back({excess, rest});
    taken[excess->Id] += rest * factor(excess);
    return parts;
}

std::string OrderPriceText(const std::string& price) {
    const auto value = CMoney::Parse(price);
    if (!value)
        return price;
    return value->Units() % 100 == 0 ? value->Format2() : value->FormatExact();
}

std::string OrderPricePerBaseUnit(const OrderLineRecord& line) {
    const int64_t factor = OrderLineFactor(line);
    const auto price = CMoney::Parse(line.Product_Price);
    if (!price || factor <= 1)
        return line.Product_Price;
    // Half away from zero, to the ten-thousandth.
    const int64_t units = price->Units();
    const int64_t quotient = (units + (units < 0 ? -factor : factor) / 2) / factor;
    const CMoney each = CMoney::FromUnits(quotient);
    return quotient % 100 == 0 && quotient * factor == units ? each.Format2() : each.Format4();
}

bool CheckDeliveries(CDataStore& store, BillKind billKind, const std::string& customer,
                     const std::map<std::string, int64_t>& takes,
                     const std::map<std::string, std::string>& goods, bool allowOver) {
    const auto orderKind = OrderKindDeliveredBy(billKind);
    if (takes.empty())
        return true;
    if (!orderKind) {
        Messages().Inform("只有进货单和销售单可以按订单交货！");
        return false;
    }
    for (const auto& [id, quantity] : takes) {
        // The line and its order are held until the posting ends, so two workstations
        // delivering the last open units of one line count them one after the other, and a
        // close or void of the order waits for the delivery (or the delivery for it).
        std::string sql = "select d.Base_Number, d.Delivered, d.Product_Name, o.Bill_ID, "
                          "o.Customer, o.Closed, o.Voided, o.Warehouse, d.Product_ID from " +
                          LineTable(*orderKind) + " d join " + HeadTable(*orderKind) +
                          " o on o.Bill_ID = d.Bill_ID where d.Id = cast(? as bigint)";
        if (store.IsServer())
            sql += " for update of d, o";
        bool found = false;
        int64_t ordered = 0, delivered = 0;
        std::string name, number, orderCustomer, warehouse, code;
        bool closed = false, voided = false;
        if (!store.Run(sql, {id}, [&](const CStatement& st) {
                found = true;
                ordered = st.Int(0);
                delivered = st.Int(1);
                name = st.Text(2);
                number = st.Text(3);
                orderCustomer = st.Text(4);
                closed = st.Text(5) == "1";
                voided = st.Text(6) == "1";
                warehouse = st.Text(7);
                code = st.Text(8);
            }))
            return ReadFailed(store);
        // An order in a warehouse the role does not see is, to it, no order at all.
        if (!found || !Session().rights.SeesWarehouse(warehouse)) {
            Messages().Inform("订单中没有编号为“" + id + "”的商品行！");
            return false;
        }
        if (voided || closed) {
            Messages().Inform("订单“" + number + "”已经" + (voided ? "作废" : "关闭") +
                              "，不能交货！");
            return false;
        }
        if (const auto g = goods.find(id); g != goods.end() && g->second != code) {
            Messages().Inform("单据中交货的商品不是订单“" + number + "”的商品“" + name + "”！");
            return false;
        }
        if (orderCustomer != customer) {
            Messages().Inform("单据的往来单位“" + customer + "”不是订单“" + number +
                              "”的往来单位“" + orderCustomer + "”！");
            return false;
        }
        if (!allowOver && quantity > std::max<int64_t>(ordered - delivered, 0)) {
            Messages().Inform(kOverOrderQuestion);
            return false;
        }
    }
    return true;
}

std::optional<bool> TakesMoreThanOpen(CDataStore& store, BillKind billKind,
                                      const std::map<std::string, int64_t>& takes) {
    const auto orderKind = OrderKindDeliveredBy(billKind);
    if (!orderKind)
        return false;
    bool over = false;
    for (const auto& [id, quantity] : takes) {
        const std::string sql = "select d.Base_Number - d.Delivered, o.Closed, o.Voided from " +
                                LineTable(*orderKind) + " d join " + HeadTable(*orderKind) +
                                " o on o.Bill_ID = d.Bill_ID where d.Id = cast(? as bigint)";
        int64_t open = 0;
        bool ended = false;
        if (!store.Run(sql, {id}, [&](const CStatement& st) {
                ended = st.Text(1) == "1" || st.Text(2) == "1";
                open = std::max<int64_t>(st.Int(0), 0);
            })) {
            ReadFailed(store);
            return std::nullopt;
        }
        // A closed or voided order is refused by the posting with its own message, not asked
        // about as more than is open.
        over = over || (!ended && quantity > open);
    }
    return over;
}

std::optional<std::map<std::string, std::string>> OrdersOfBills(CDataStore& store,
                                                                BillKind billKind,
                                                                const std::string& from,
                                                                const std::string& to) {
    std::map<std::string, std::string> orders;
    const auto orderKind = OrderKindDeliveredBy(billKind);
    if (!orderKind)
        return orders;
    const std::string sql = "select distinct d.Bill_ID, o.Bill_ID from " +
                            std::string(KindNames(billKind).tableName) + "_Detail d join " +
                            LineTable(*orderKind) +
                            " o on o.Id = d.Order_Line_ID where d.Bill_Date between ? and ?";
    if (!store.Run(sql, {from, to},
                   [&](const CStatement& st) { orders.emplace(st.Text(0), st.Text(1)); })) {
        ReadFailed(store);
        return std::nullopt;
    }
    return orders;
}

std::optional<std::vector<OrderListRow>> ListOrders(CDataStore& store, BillKind kind,
                                                    const std::string& from, const std::string& to,
                                                    std::optional<OrderStatus> status) {
    // Each order's status from the line counts its header keeps: neither its lines nor any
    // bill is read.
    std::string sql =
        "select o.Bill_ID, o.Bill_Date, o.Customer, o.Warehouse, o.Employee, o.Total, o.Closed,"
        " o.Voided, o.Started_Lines, o.Open_Lines, o.Delivery_Date from " +
        HeadTable(kind) + " o where 1 = 1";
    SqlValues values;
    if (!from.empty()) {
        sql += " and o.Bill_Date >= ?";
        values.push_back(from);
    }
    if (!to.empty()) {
        sql += " and o.Bill_Date <= ?";
        values.push_back(to);
    }
    AddWarehouseScope(sql, values, "o.Warehouse", true);
    std::vector<OrderListRow> rows;
    if (!store.Run(sql + " order by o.Id", values, [&](const CStatement& st) {
            OrderListRow r{st.Text(0), st.Text(1), st.Text(2), st.Text(3),
                           st.Text(4), st.Text(5), st.Text(10)};
            r.status =
                StatusOf(st.Text(7) == "1", st.Text(6) == "1", st.Int(8) > 0, st.Int(9) == 0);
            if (!status || r.status == *status)
                rows.push_back(std::move(r));
        })) {
        ReadFailed(store);
        return std::nullopt;
    }
    return rows;
}

namespace {
// Sets one hand mark on an order after its checks, in one transaction, and logs it.
bool MarkOrder(BillKind kind, const std::string& number, bool voiding) {
    const std::string function = KindFunction(KindNames(kind).cliName);
    if (!CheckRight(function, voiding ? Action::Delete : Action::Enter))
        return false;
    CDataStore store;
    if (!store.ConnectMain()) {
        Messages().Inform(ConnectFailureText(store.ErrorDetail()));
        return false;
    }
    const std::string column = voiding ? "Voided" : "Closed";
    const char* what = voiding ? "作废" : "关闭";
    const bool done = RunRetried(store, [&] {
        auto refuse = [&](const std::string& text) {
            store.Rollback();
            Messages().Inform(text);
            return false;
        };
        if (!store.ExecuteSql("BEGIN IMMEDIATE"))
            return refuse(DatabaseFailureText(std::string(what) + "订单", store.ErrorDetail()));
        // The header is held first: a delivery checks it under the lines' locks after this.
        if (store.IsServer() &&
            !store.ExecuteSql("select 1 from " + HeadTable(kind) + " where Bill_ID = ? for update",
                              {number}))
            return refuse(DatabaseFailureText(std::string(what) + "订单", store.ErrorDetail()));
        bool ok = false;
        const auto order = FindOrder(store, kind, number, &ok);
        if (!ok) {
            store.Rollback();
            return false;
        }
        // An order in a warehouse the role does not see is, to it, no order at all.
        if (!order || !Session().rights.SeesWarehouse(order->header.Warehouse))
            return refuse(NotFound(number));
        if (order->header.voided)
            return refuse("订单“" + number + "”已经作废，不能" + what + "！");
        if (order->header.closed)
            return refuse("订单“" + number + "”已经关闭，不能" + what + "！");
        const OrderStatus status = StatusOf(order->header, order->lines);
        // A complete order has nothing open to close either: it is not told to close.
        if (voiding && status == OrderStatus::Complete)
            return refuse("订单“" + number + "”已经全部交货，不能作废！");
        if (voiding && status != OrderStatus::NotDelivered)
            return refuse("订单“" + number + "”已有交货，不能作废，只能关闭！");
        if (!voiding && status == OrderStatus::Complete)
            return refuse("订单“" + number + "”已经全部交货，不需要关闭！");
        if (!store.ExecuteSql("update " + HeadTable(kind) + " set " + column +
                                  " = '1' where Bill_ID = ?",
                              {number}))
            return refuse(DatabaseFailureText(std::string(what) + "订单", store.ErrorDetail()));
        if (!store.Commit())
            return refuse(DatabaseFailureText(std::string(what) + "订单", store.ErrorDetail()));
        return true;
    });
    if (!done)
        return false;
    WriteLogEntries(std::string(what) + "订单 " + number, 1);
    return true;
}
} // namespace

bool CloseOrder(BillKind kind, const std::string& number) {
    return MarkOrder(kind, number, false);
}

bool VoidOrder(BillKind kind, const std::string& number) {
    return MarkOrder(kind, number, true);
}
