// The checks each bill window makes before posting, in the window's order.
#include "CBill.h"
#include "LineUnits.h"
#include "ListedNames.h"

#include "orders/Orders.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "text/IsoDate.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {
bool Refuse(const std::string& text) {
    Messages().Inform(text);
    return false;
}

std::string NotWhole(const std::string& name) {
    return "商品“" + name + "”的数量必须是不小于零的整数！";
}

std::string BadPrice(const std::string& name) {
    return "商品“" + name + "”的单价必须是不小于零的数字！";
}

// Stock checks open the main data file once, at the first line that needs it.
class CStockReader {
public:
    // Nothing after a message when the file or the read failed.
    std::optional<int64_t> Stock(const std::string& warehouse, const std::string& code) {
        if (!Connected())
            return std::nullopt;
        auto n = m_store.GetStockNumber(warehouse, code);
        if (!n)
            Messages().Inform(DatabaseFailureText("", m_store.ErrorDetail()));
        return n;
    }

    // The lines' base-unit factors; nothing after a message.
    std::optional<std::vector<int64_t>> Factors(const std::vector<BillLine>& lines) {
        if (!Connected())
            return std::nullopt;
        return LineFactors(m_store, lines);
    }

private:
    bool Connected() { return m_store.IsConnected() || m_store.ConnectMain(); }
    CDataStore m_store;
};
} // namespace

const char* const kOverpayQuestion = "付款金额大于单据金额，确定要继续吗？";
const char* const kQuantityTotalOverflow = "单据的数量合计超出范围！";
const char* const kOverpayRefusal = "付款金额大于单据金额！确实如此时请加 --allow-overpay。";

std::optional<CMoney> TypedMoney(const std::string& label, const std::string& text) {
    const auto amount = CMoney::Parse(text);
    if (!amount) {
        Messages().Inform(label + "“" + text + "”不是有效的数字！");
        return std::nullopt;
    }
    // Money is kept to the cent: a third decimal would be lost or invented somewhere, and
    // one past the fourth would be rounded away unseen.
    if (TypedDecimals(text) > 2) {
        Messages().Inform(label + "“" + text + "”最多只能有两位小数！");
        return std::nullopt;
    }
    return amount;
}

bool CBill::PaidOverTotal() const {
    if (!IsTradeKind(m_kind) || m_paid.empty())
        return false;
    const auto paid = CMoney::Parse(m_paid);
    const auto totals = paid ? PostedTotals() : std::nullopt;
    return totals && *paid > totals->amount;
}

std::map<std::string, int64_t> CBill::OrderTakes(const std::vector<int64_t>& factors) const {
    std::map<std::string, int64_t> takes;
    for (size_t row = 0; row < m_lines.size() && row < factors.size(); ++row) {
        const BillLine& l = m_lines[row];
        if (l.orderLine.empty())
            continue;
        const int64_t quantity = ParseWholeNumber(l.quantity).value_or(0);
        if (auto base = BaseQuantityOf(l.name, quantity, factors[row]))
            takes[l.orderLine] += *base;
    }
    return takes;
}

std::map<std::string, std::string> CBill::OrderLineGoods() const {
    std::map<std::string, std::string> goods;
    for (const BillLine& l : m_lines) {
        if (l.orderLine.empty())
            continue;
        const auto [at, added] = goods.emplace(l.orderLine, l.code);
        if (!added && at->second != l.code)
            at->second.clear();
    }
    return goods;
}

bool CBill::OverOrder() const {
    if (std::none_of(m_lines.begin(), m_lines.end(),
                     [](const BillLine& l) { return !l.orderLine.empty(); }))
        return false;
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    const auto factors = LineFactors(store, m_lines);
    if (!factors)
        return false;
    return TakesMoreThanOpen(store, m_kind, OrderTakes(*factors)).value_or(false);
}

bool CBill::Validate() const {
    if (IsFundKind(m_kind))
        return ValidateFund();
    if (IsOrderKind(m_kind)) {
        // An order moves no money: it has no account and nothing paid.
        if (m_customer.empty())
            return Refuse("请输入 往来单位 ！");
        if (m_department.empty())
            return Refuse("请输入 部门 ！");
        if (m_employee.empty())
            return Refuse("请输入 员工名称！");
        if (m_warehouse.empty())
            return Refuse("请输入仓库！");
        if (!m_deliveryDate.empty() && !IsIsoDate(m_deliveryDate))
            return Refuse("交货日期“" + m_deliveryDate + "”不是有效的日期！");
        if (!CheckListedNames() || !ValidateLines())
            return false;
        auto totals = PostedTotals();
        if (!totals)
            return false;
        if (totals->quantity == 0)
            return Refuse("请录入所要订购的货物！");
        return true;
    }
    const bool trade = IsTradeKind(m_kind);
    if (trade) {
        if (m_customer.empty())
            return Refuse("请输入 往来单位 ！");
        if (m_department.empty())
            return Refuse("请输入 部门 ！");
        if (m_employee.empty())
            return Refuse("请输入 员工名称！");
        if (m_warehouse.empty())
            return Refuse("请输入仓库！");
        if (m_account.empty()) {
            bool purchaseSide = m_kind == BillKind::Purchase || m_kind == BillKind::PurchaseReturn;
            return Refuse(purchaseSide ? "请输入 付款（收款）账户 信息！"
                                       : "请输入 收款（付款）账户 信息！");
        }
        // The paid amount is money: empty (nothing paid yet) or an amount of at least zero.
        if (!m_paid.empty()) {
            const auto paid = TypedMoney("付款金额", m_paid);
            if (!paid)
                return false;
            if (*paid < CMoney())
                return Refuse("付款金额不能小于零！");
        }
        if (!CheckListedNames() || !ValidateLines())
            return false;
        auto totals = PostedTotals();
        if (!totals)
            return false;
        if (totals->quantity == 0)
            return Refuse("请录入所要进货的货物！");
        if (PaidOverTotal() && !Messages().AskYesNo(kOverpayQuestion))
            return false;
        if (!m_allowOverOrder && OverOrder())
            return Refuse(kOverOrderQuestion);
        return true;
    }
    if (m_kind == BillKind::Price) {
        if (m_warehouse.empty())
            return Refuse("请输入仓库！");
        if (m_department.empty())
            return Refuse("请输入 部门 ！");
        if (m_employee.empty())
            return Refuse("请输入 经手人名称！");
        if (m_lines.empty())
            return Refuse("请选择要调价的商品！");
        return ValidateLines();
    }
    if (m_kind == BillKind::Transfer) {
        if (m_warehouse.empty())
            return Refuse("请选择调出仓库！");
        if (m_toWarehouse.empty())
            return Refuse("请选择调入仓库！");
        if (m_warehouse == m_toWarehouse)
            return Refuse("调出仓库和调入仓库不能相同！");
        if (m_employee.empty())
            return Refuse("请输入 经手人名称！");
        if (m_lines.empty())
            return Refuse("请选择要移库的商品！");
        return CheckListedNames() && ValidateLines() && PostedTotals().has_value();
    }
    if (m_kind == BillKind::Opening) {
        if (m_warehouse.empty())
            return Refuse("请输入仓库！");
        if (m_lines.empty())
            return Refuse("请录入期初库存的商品！");
        return CheckListedNames() && ValidateLines() && PostedTotals().has_value() &&
               ConfirmOpeningOverMovements();
    }
    if (m_department.empty())
        return Refuse("请输入 部门 ！");
    if (m_employee.empty())
        return Refuse("请输入 经手人名称！");
    if (m_warehouse.empty())
        return Refuse("请输入仓库！");
    return CheckListedNames() && ValidateLines() && PostedTotals().has_value();
}

std::string OpeningOverMovementsQuestion(const std::string& name, const std::string& warehouse) {
    return "商品“" + name + "”在仓库“" + warehouse + "”中已有出入库记录，确定还要录入期初库存吗？";
}

bool CBill::ConfirmOpeningOverMovements() const {
    // A goods item with a stock row in the warehouse has moved there already: its opening
    // stock would be weighed against what came after it. Asked once per goods item.
    CStockReader stock;
    std::vector<std::string> asked;
    for (const BillLine& l : m_lines) {
        if (std::find(asked.begin(), asked.end(), l.code) != asked.end())
            continue;
        asked.push_back(l.code);
        const auto onHand = stock.Stock(m_warehouse, l.code);
        if (!onHand)
            return false;
        if (*onHand >= 0 && !Messages().AskYesNo(OpeningOverMovementsQuestion(l.name, m_warehouse)))
            return false;
    }
    return true;
}

bool CBill::CheckListedNames() const {
    if (!CheckWarehouseListed(m_warehouse))
        return false;
    if (m_kind == BillKind::Transfer && !CheckWarehouseListed(m_toWarehouse))
        return false;
    if (!IsTradeKind(m_kind) && !IsOrderKind(m_kind))
        return true;
    CDataStore store; // a failed connect has said why
    return store.ConnectMain() && CheckUnitListed(store, m_customer);
}

bool CBill::ValidateLines() const {
    const bool checksStock = m_kind == BillKind::PurchaseReturn || m_kind == BillKind::Sale ||
                             m_kind == BillKind::Loss || m_kind == BillKind::Transfer;
    CStockReader stock;
    // Several lines of the same goods item all take from the same stock.
    std::map<std::string, int64_t> requested;
    auto enoughStock = [&](const BillLine& l, int64_t quantity) {
        int64_t& total = requested[l.code];
        if (__builtin_add_overflow(total, quantity, &total))
            return Refuse(kQuantityTotalOverflow);
        auto onHand = stock.Stock(m_warehouse, l.code);
        if (!onHand)
            return false;
        if (total > *onHand) {
            // A goods item without a stock row has none of it: 0, not the store's marker.
            return Refuse("库存不足！\r\n商品（" + l.name + "）在仓库（" + m_warehouse +
                          "）的库存为：" + std::to_string(std::max<int64_t>(*onHand, 0)));
        }
        return true;
    };
    // A transfer checks every line's quantity before any stock, so that a shortage on one
    // line does not hide a quantity that is no quantity on another.
    std::vector<std::pair<const BillLine*, int64_t>> stockLater;
    // Stock is counted in base units: a line's quantity is checked against it in those (a
    // price line's unit is one of the goods' too: it prices that unit).
    std::vector<int64_t> factors(m_lines.size(), 1);
    if (!m_lines.empty()) {
        auto resolved = stock.Factors(m_lines);
        if (!resolved)
            return false;
        factors = std::move(*resolved);
    }
    int64_t baseTotal = 0;
    for (size_t row = 0; row < m_lines.size(); ++row) {
        const BillLine& l = m_lines[row];
        int64_t quantity = 0;
        if (m_kind == BillKind::Price) {
            if (l.price == "0.00" || l.price.empty())
                return Refuse("请录入商品“" + l.name + "”价格！");
            auto price = CMoney::Parse(l.price);
            if (!price || *price < CMoney())
                return Refuse(BadPrice(l.name));
            continue;
        }
        if (m_kind == BillKind::Opening) {
            auto price = CMoney::Parse(l.price);
            if (!price || *price < CMoney())
                return Refuse("商品“" + l.name + "”的成本单价必须是不小于零的数字！");
        }
        if (IsTradeKind(m_kind) || IsOrderKind(m_kind)) {
            std::string amount = LineAmount(l.quantity, l.price);
            if (amount == "0.00" || amount == "0")
                return Refuse("请录入商品“" + l.name + "”的价格和数量！");
            auto q = ParseWholeNumber(l.quantity);
            if (!q || *q < 0)
                return Refuse(NotWhole(l.name));
            auto price = CMoney::Parse(l.price);
            if (!price || *price < CMoney())
                return Refuse(BadPrice(l.name));
            if (!LineAmountOf(*q, l.price))
                return Refuse("商品“" + l.name + "”的金额超出范围！");
            quantity = *q;
        } else {
            // An empty quantity is no quantity at all: it is asked for like "0".
            auto q = ParseWholeNumber(l.quantity);
            if (l.quantity.empty() || (q && *q == 0))
                return Refuse("请录入商品“" + l.name + "”数量！");
            if (!q || *q < 0)
                return Refuse(NotWhole(l.name));
            quantity = *q;
        }
        const auto base = BaseQuantityOf(l.name, quantity, factors[row]);
        if (!base)
            return false;
        quantity = *base;
        // The posted total is in base units too.
        if (__builtin_add_overflow(baseTotal, quantity, &baseTotal))
            return Refuse(kQuantityTotalOverflow);
        if (!checksStock)
            continue;
        if (m_kind == BillKind::Transfer)
            stockLater.emplace_back(&l, quantity);
        else if (!enoughStock(l, quantity))
            return false;
    }
    for (const auto& [line, quantity] : stockLater) {
        if (!enoughStock(*line, quantity))
            return false;
    }
    return true;
}

std::optional<CBill::Totals> CBill::PostedTotals() const {
    Totals t;
    for (const auto& l : m_lines) {
        int64_t q = 0;
        if (m_kind != BillKind::Price)
            q = ParseWholeNumber(l.quantity).value_or(0);
        if (__builtin_add_overflow(t.quantity, q, &t.quantity)) {
            Messages().Inform(kQuantityTotalOverflow);
            return std::nullopt;
        }
        if (!HasLinePrices(m_kind))
            continue;
        // The total is the sum of the amounts as the lines show and store them.
        auto exact = LineAmountOf(q, l.price);
        auto shown = exact ? CMoney::Parse(exact->Format2()) : std::nullopt;
        int64_t sum;
        if (!shown || __builtin_add_overflow(t.amount.Units(), shown->Units(), &sum)) {
            Messages().Inform("单据的金额合计超出范围！");
            return std::nullopt;
        }
        t.amount = CMoney::FromUnits(sum);
    }
    return t;
}
