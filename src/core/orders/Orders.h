#pragma once
// Purchase and sales orders: their rows, the status derived from what was delivered, the open
// quantities a bill made from an order may take, the check a delivering posting makes under the
// order lines' row locks, and closing and voiding by hand. Orders are written by the one posting
// transaction (bills/); the quantities of their lines are in the goods' base units.
#include "store/BillKindNames.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class CDataStore;

struct OrderHeaderRecord {
    std::string Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee, Introduction,
        Delivery_Date, Number, Total;
    bool closed = false, voided = false;
};

struct OrderLineRecord {
    std::string Id, Bill_ID, Product_ID, Product_Name, Product_Number, Product_Unit, Product_Price,
        Product_Total, Product_Note, Product_BarCode;
    int64_t ordered = 0;   // Base_Number: the quantity ordered, in base units
    int64_t delivered = 0; // Delivered: the sum of Base_Number over the bill lines naming it
};

enum class OrderStatus { NotDelivered, Partial, Complete, Closed, Voided };

// 未交货, 部分交货, 已完成, 已关闭, 已作废.
const char* OrderStatusText(OrderStatus status);
std::optional<OrderStatus> OrderStatusFromText(const std::string& text);
// The status from the kept figures: voided and closed are the hand marks; otherwise an order
// every line of which got at least its quantity is complete (more than ordered included), one
// with anything delivered partial.
OrderStatus StatusOf(bool voided, bool closed, bool anyDelivered, bool allDelivered);
OrderStatus StatusOf(const OrderHeaderRecord& order, const std::vector<OrderLineRecord>& lines);
// What a line still waits for: nothing once its order is closed or voided.
int64_t OpenQuantity(const OrderHeaderRecord& order, const OrderLineRecord& line);

// The order kind a purchase or sale delivers; nothing for other kinds.
std::optional<BillKind> OrderKindDeliveredBy(BillKind billKind);

// Asked (windows) or refused (ferix-cli without --allow-over, a posting that finds less open
// than the bill takes) when a bill delivers more than an order line's open quantity.
extern const char* const kOverOrderQuestion;

// Writing an order inside the posting transaction.
bool AddOrderHeader(CDataStore& store, BillKind kind, const OrderHeaderRecord& header);
bool AddOrderLine(CDataStore& store, BillKind kind, const OrderLineRecord& line);
// Adds `baseQuantity` (negative for a red line) to the delivered quantity of order line `id`
// of the order kind `billKind` delivers: called for every purchase or sale line written with
// an order line, posted or red.
bool AddDelivered(CDataStore& store, BillKind billKind, const std::string& id,
                  int64_t baseQuantity);

// One order and its lines (in entry order); nothing when there is no such order (`*ok` false
// when the read failed, after a message).
struct StoredOrder {
    OrderHeaderRecord header;
    std::vector<OrderLineRecord> lines;
};
std::optional<StoredOrder> FindOrder(CDataStore& store, BillKind kind, const std::string& number,
                                     bool* ok = nullptr);

// The order a bill file names, for delivery: refused with a message in *error when there is no
// such order, or it is closed or voided.
std::optional<StoredOrder> OrderForDelivery(CDataStore& store, BillKind kind,
                                            const std::string& number, std::string* error);
// One part of a bill line spread over an order's lines: `quantity` in the bill line's unit
// delivers order line `line`.
struct OrderLinePart {
    const OrderLineRecord* line;
    int64_t quantity;
};
// A bill line of `quantity` of goods `code` in `unit` spread over the lines of `order` of that
// goods and unit, in order: each takes what is open of it beside what earlier lines of the same
// bill take (`taken`, base units by order line Id, updated), in whole units; what none takes is
// put on the last in that unit, to be asked about (or refused) as more than is open. A line in
// the goods' base unit (`baseUnit`) goes on the lines in that unit first, then on the rest of
// the goods' lines in other units, by base units. Empty when the order has no line of that goods
// (and unit).
// A quantity not above 0 stays one part, on the first line with something open.
std::vector<OrderLinePart> SpreadOverOrderLines(const StoredOrder& order, const std::string& code,
                                                const std::string& unit,
                                                const std::string& baseUnit, int64_t quantity,
                                                std::map<std::string, int64_t>& taken);
// The price of one base unit of an order line: its unit price over the unit's factor, to the
// cent when that is exact ("120.00" a 箱 of 12 is "10.00"), else to four decimals.
std::string OrderPricePerBaseUnit(const OrderLineRecord& line);
// An order line's unit price as the order list shows it: money with two decimals, more only
// when the price has them ("120" and "120.0000" are "120.00", "8.3333" stays); a text that is
// no number as it is.
std::string OrderPriceText(const std::string& price);
// The base units one `quantity` of an order line's unit is.
int64_t OrderLineFactor(const OrderLineRecord& line);

// Inside the posting transaction of a purchase or sale (kind `billKind`): the order lines the
// bill delivers (Id → base quantity the bill takes), locked until the transaction ends. Refused
// (message shown, false) when a line is not the bill's order kind's, its order is closed or
// voided or of another business unit, or, unless `allowOver`, the bill takes more than is open.
// `goods`: the goods code the bill's lines naming each order line carry ("" when they differ):
// a line of other goods delivers nothing of that order line and is refused.
bool CheckDeliveries(CDataStore& store, BillKind billKind, const std::string& customer,
                     const std::map<std::string, int64_t>& takes,
                     const std::map<std::string, std::string>& goods, bool allowOver);

// Whether any of `takes` (order line Id → base quantity) is more than that line's open quantity
// (a closed or voided order's lines are left to the posting's refusal); nothing after a message
// when the read failed.
std::optional<bool> TakesMoreThanOpen(CDataStore& store, BillKind billKind,
                                      const std::map<std::string, int64_t>& takes);

// Inside a posting: brings the kept line counts of orders up to date with their lines'
// delivered quantities (Open_Lines: lines not fully delivered, Started_Lines: lines with
// deliveries). RecountOrder: the order `number` of `orderKind`, after it is written;
// RecountOrdersDeliveredBy: the orders whose lines the bill `number` of `billKind` (a purchase or
// sale, black or red) names; nothing to do for other kinds.
bool RecountOrder(CDataStore& store, BillKind orderKind, const std::string& number);
bool RecountOrdersDeliveredBy(CDataStore& store, BillKind billKind, const std::string& number);

// The order each purchase (sale) bill of `billKind` dated from..to delivers, by bill number
// (red bills too, through their lines); bills not made from an order are left out. Nothing
// after a message when the read failed.
std::optional<std::map<std::string, std::string>>
OrdersOfBills(CDataStore& store, BillKind billKind, const std::string& from, const std::string& to);

// A row of the order list: the header's fields and the derived status.
struct OrderListRow {
    std::string Bill_ID, Bill_Date, Customer, Warehouse, Employee, Total, Delivery_Date;
    OrderStatus status = OrderStatus::NotDelivered;
};
// Orders of `kind` dated from..to (empty: no bound), in the operator's warehouse scope, of
// `status` when given; nothing (after a message) when the read failed.
std::optional<std::vector<OrderListRow>> ListOrders(CDataStore& store, BillKind kind,
                                                    const std::string& from, const std::string& to,
                                                    std::optional<OrderStatus> status);

// Closing the open rest (录入) and voiding an order with nothing delivered (删除), each with
// the order function's right, its checks and a log entry. True when done; false after the
// refusal or failure was shown.
bool CloseOrder(BillKind kind, const std::string& number);
bool VoidOrder(BillKind kind, const std::string& number);
