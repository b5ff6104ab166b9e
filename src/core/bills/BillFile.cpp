#include "BillFile.h"

#include "orders/Orders.h"
#include "store/CDataStore.h"
#include "text/IsoDate.h"
#include "text/JsonReader.h"

#include <algorithm>
#include <array>

namespace {
const std::array<const char*, 14> kHeaderMembers = {
    "number",  "date", "customer", "department",   "warehouse", "employee", "introduction",
    "account", "paid", "lines",    "to_warehouse", "amount",    "order",    "delivery_date"};
const std::array<const char*, 8> kLineMembers = {"code",  "quantity",        "price",   "unit",
                                                 "batch", "production_date", "barcode", "note"};

template <size_t N> bool Known(const std::array<const char*, N>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

// Every member must be a known name and, except "lines", a string.
bool CheckMembers(const JsonValue& object, const auto& names, const std::string& where,
                  std::string* error) {
    for (const auto& [name, value] : object.items()) {
        if (!Known(names, name)) {
            *error = where + "有未知的字段“" + name + "”";
            return false;
        }
        if (name != "lines" && !value.is_string()) {
            *error = where + "的字段“" + name + "”必须是字符串";
            return false;
        }
    }
    return true;
}

std::optional<std::string> Member(const JsonValue& object, const char* name) {
    auto it = object.find(name);
    if (it == object.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}
} // namespace

std::optional<CBill> ReadBillFile(BillKind kind, std::string_view text,
                                  const GoodsLookup& findGoods, std::string* error,
                                  const GoodsUnitsLookup& findUnits) {
    std::string ignored;
    if (!error)
        error = &ignored;
    auto doc = ParseJson(text, error);
    if (!doc)
        return std::nullopt;
    if (!doc->is_object()) {
        *error = "单据文件的内容必须是一个 JSON 对象";
        return std::nullopt;
    }
    if (!CheckMembers(*doc, kHeaderMembers, "单据文件中", error))
        return std::nullopt;

    CBill bill(kind);
    if (auto v = Member(*doc, "number"))
        bill.GiveNumber(*v);
    if (auto v = Member(*doc, "date")) {
        if (!IsIsoDate(*v)) {
            *error = "日期“" + *v + "”不是有效的日期（yyyy-MM-dd）";
            return std::nullopt;
        }
        bill.m_date = *v;
    }
    bill.m_department = Member(*doc, "department").value_or("");
    bill.m_warehouse = Member(*doc, "warehouse").value_or("");
    bill.m_employee = Member(*doc, "employee").value_or("");
    if (kind == BillKind::Transfer) {
        bill.m_toWarehouse = Member(*doc, "to_warehouse").value_or("");
        bill.m_introduction = Member(*doc, "introduction").value_or("");
    }
    if (IsOrderKind(kind))
        bill.m_deliveryDate = Member(*doc, "delivery_date").value_or("");
    if (IsTradeKind(kind) || IsOrderKind(kind)) {
        bill.m_customer = Member(*doc, "customer").value_or("");
        bill.m_introduction = Member(*doc, "introduction").value_or("");
        bill.m_account = Member(*doc, "account").value_or("");
        bill.m_paid = Member(*doc, "paid").value_or("");
    }

    if (IsFundKind(kind)) {
        // A receipt or payment has no lines: its money is the one amount.
        bill.m_customer = Member(*doc, "customer").value_or("");
        bill.m_introduction = Member(*doc, "introduction").value_or("");
        bill.m_account = Member(*doc, "account").value_or("");
        bill.m_paid = Member(*doc, "amount").value_or("");
        return bill;
    }
    const auto lines = doc->find("lines");
    if (lines != doc->end() && !lines->is_array()) {
        *error = "单据文件的字段“lines”必须是数组";
        return std::nullopt;
    }
    static const JsonValue kNoLines = JsonValue::array();
    size_t number = 0;
    std::vector<bool> priced; // per line: the file gave its price
    for (const JsonValue& line : lines != doc->end() ? *lines : kNoLines) {
        std::string where = "第 " + std::to_string(++number) + " 条商品行";
        if (!line.is_object()) {
            *error = where + "必须是一个 JSON 对象";
            return std::nullopt;
        }
        if (!CheckMembers(line, kLineMembers, where, error))
            return std::nullopt;
        auto code = Member(line, "code");
        if (!code) {
            *error = where + "缺少商品编码（code）";
            return std::nullopt;
        }
        auto goods = findGoods(*code);
        if (!goods) {
            *error = "商品编码“" + *code + "”不在商品列表中！";
            return std::nullopt;
        }
        bill.AppendGoods(*goods);
        BillLine& l = bill.m_lines.back();
        l.unit = goods->Unit;
        auto replace = [&](const char* name, std::string& field) {
            auto v = Member(line, name);
            if (v && !v->empty())
                field = *v;
        };
        replace("unit", l.unit);
        if (l.unit != goods->Unit && findUnits && kind != BillKind::Price)
            bill.ChooseUnit(bill.m_lines.size() - 1, MakeLineUnitOffer(*goods, findUnits(*code)),
                            l.unit); // its price and barcode
        replace("barcode", l.barcode);
        replace("note", l.note);
        if (kind != BillKind::Price) {
            if (auto v = Member(line, "quantity"))
                l.quantity = *v;
            if (kind != BillKind::Transfer) {
                l.batch = Member(line, "batch").value_or("");
                l.productionDate = Member(line, "production_date").value_or("");
            }
        }
        const auto price = Member(line, "price");
        priced.push_back(price && !price->empty());
        if (IsTradeKind(kind) || IsOrderKind(kind) || kind == BillKind::Price)
            replace("price", l.price);
        if (IsTradeKind(kind) || IsOrderKind(kind))
            l.amount = LineAmount(l.quantity, l.price);
    }
    if (auto order = Member(*doc, "order"); order && !order->empty()) {
        if (!FromOrder(bill, *order, findGoods, error, priced))
            return std::nullopt;
    }
    return bill;
}

bool FromOrder(CBill& bill, const std::string& number, const GoodsLookup& findGoods,
               std::string* error, const std::vector<bool>& priced) {
    const auto orderKind = OrderKindDeliveredBy(bill.Kind());
    if (!orderKind) {
        *error = "只有进货单和销售单可以按订单交货！";
        return false;
    }
    CDataStore store;
    if (!store.ConnectMain()) {
        *error = KindInfo(bill.Kind()).connectFailure;
        return false;
    }
    const auto order = OrderForDelivery(store, *orderKind, number, error);
    if (!order)
        return false;
    bill.m_order = number;
    // The order's header fills what the file leaves out.
    const OrderHeaderRecord& h = order->header;
    for (auto [field, value] :
         {std::pair{&bill.m_customer, &h.Customer}, std::pair{&bill.m_department, &h.Department},
          std::pair{&bill.m_warehouse, &h.Warehouse}, std::pair{&bill.m_employee, &h.Employee}})
        if (field->empty())
            *field = *value;
    if (!bill.m_lines.empty()) {
        std::map<std::string, int64_t> taken; // base units this bill's lines take, by order line
        std::vector<BillLine> spread;
        for (size_t i = 0; i < bill.m_lines.size(); ++i) {
            const BillLine& l = bill.m_lines[i];
            const auto goods = findGoods(l.code);
            const auto parts =
                SpreadOverOrderLines(*order, l.code, l.unit, goods ? goods->Unit : std::string(),
                                     LeadingInteger(l.quantity), taken);
            if (parts.empty()) {
                *error = "订单“" + number + "”中没有商品“" + l.code + "”（" + l.unit + "）！";
                return false;
            }
            for (const OrderLinePart& part : parts) {
                BillLine& p = spread.emplace_back(l);
                p.orderLine = part.line->Id;
                if (parts.size() > 1)
                    p.quantity = std::to_string(part.quantity);
                if (i >= priced.size() || !priced[i]) {
                    // What was agreed, per base unit when taken in another unit.
                    p.price = part.line->Product_Unit == l.unit ? part.line->Product_Price
                                                                : OrderPricePerBaseUnit(*part.line);
                    p.amount = LineAmount(p.quantity, p.price);
                } else if (parts.size() > 1) {
                    p.amount = LineAmount(p.quantity, p.price);
                }
            }
        }
        bill.m_lines = std::move(spread);
        return true;
    }
    // No lines: every open quantity, in the order line's unit when it comes out whole.
    for (const OrderLineRecord& line : order->lines) {
        const int64_t open = OpenQuantity(h, line);
        if (open <= 0)
            continue;
        auto goods = findGoods(line.Product_ID);
        if (!goods) {
            *error = "商品编码“" + line.Product_ID + "”不在商品列表中！";
            return false;
        }
        bill.AppendGoods(*goods);
        BillLine& l = bill.m_lines.back();
        const int64_t ordered = LeadingInteger(line.Product_Number);
        const int64_t factor = ordered > 0 ? line.ordered / ordered : 1;
        if (factor > 0 && open % factor == 0) {
            l.unit = line.Product_Unit;
            l.quantity = std::to_string(open / factor);
            l.price = line.Product_Price;
        } else {
            l.unit = goods->Unit;
            l.quantity = std::to_string(open);
            l.price = OrderPricePerBaseUnit(line);
        }
        l.orderLine = line.Id;
        l.amount = LineAmount(l.quantity, l.price);
    }
    if (bill.m_lines.empty()) {
        *error = "订单“" + number + "”没有未交的商品！";
        return false;
    }
    return true;
}
