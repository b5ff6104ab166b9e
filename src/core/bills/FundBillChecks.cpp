// The checks of the receipt and payment windows, in the window's order. CBill::Validate hands
// receipts and payments over to here; their amounts are weighed against the balances of the
// finance room.
#include "FundBill.h"

#include "CBill.h"
#include "ListedNames.h"
#include "config/ConfigLists.h"
#include "finance/Balances.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"

#include <algorithm>

#include <algorithm>

namespace {
bool Refuse(const std::string& text) {
    Messages().Inform(text);
    return false;
}
} // namespace

bool FundBillTakesUnitType(BillKind kind, const std::string& unitType) {
    if (kind == BillKind::Payment)
        return unitType == kUnitTypeSupplier;
    return kind == BillKind::Receipt && unitType != kUnitTypeSupplier;
}

std::string WrongUnitTypeText(BillKind kind, const std::string& unit) {
    return "往来单位“" + unit + (kind == BillKind::Payment ? "”不是供应商！" : "”不是客户！");
}

std::optional<CMoneySum> CurrentOwed(BillKind kind, const std::string& unit) {
    if (unit.empty() || (kind != BillKind::Receipt && kind != BillKind::Payment))
        return std::nullopt;
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    return kind == BillKind::Receipt ? ReceivableOf(store, unit) : PayableOf(store, unit);
}

const char* OwedLabelText(BillKind kind) {
    return kind == BillKind::Payment ? "当前应付：" : "当前应收：";
}

std::string OverAmountQuestion(BillKind kind) {
    return kind == BillKind::Payment ? "金额大于当前应付，确定要继续吗？"
                                     : "金额大于当前应收，确定要继续吗？";
}

bool CBill::ValidateFund() const {
    const bool receipt = m_kind == BillKind::Receipt;
    if (m_customer.empty())
        return Refuse("请输入 往来单位 ！");
    // The amount: typed, money, above zero; nothing after its refusal.
    auto typedAmount = [&]() -> decltype(TypedMoney("", "")) {
        if (m_paid.empty()) {
            Refuse("请输入 金额 ！");
            return std::nullopt;
        }
        auto amount = TypedMoney("金额", m_paid);
        if (amount && amount->Units() <= 0) {
            Refuse("金额必须大于零！");
            return std::nullopt;
        }
        return amount;
    };
    if (m_kind == BillKind::OpeningBalance) {
        // No account and no handler: what is owed at the start, nothing paid.
        if (!typedAmount())
            return false;
        CDataStore store;
        if (!store.ConnectMain() || !CheckUnitListed(store, m_customer))
            return false;
        const auto types = BusinessUnitTypesOf(store, m_customer);
        if (!types)
            return false;
        // The same name for a customer and a supplier: which is owed cannot be told.
        const bool supplier =
            std::find(types->begin(), types->end(), kUnitTypeSupplier) != types->end();
        if (supplier && std::any_of(types->begin(), types->end(),
                                    [](const std::string& t) { return t != kUnitTypeSupplier; }))
            return Refuse("往来单位“" + m_customer +
                          "”既是客户又是供应商，不能确定是期初应收还是期初应付！");
        return true;
    }
    if (m_account.empty())
        return Refuse(receipt ? "请输入 收款账户 ！" : "请输入 付款账户 ！");
    if (m_employee.empty())
        return Refuse("请输入 经手人名称！");
    const auto amount = typedAmount();
    if (!amount)
        return false;

    CDataStore store;
    if (!store.ConnectMain())
        return false;
    const auto types = BusinessUnitTypesOf(store, m_customer);
    if (!types)
        return false;
    if (types->empty())
        return Refuse(UnitNotListedText(m_customer));
    if (std::none_of(types->begin(), types->end(),
                     [&](const std::string& t) { return FundBillTakesUnitType(m_kind, t); }))
        return Refuse(WrongUnitTypeText(m_kind, m_customer));
    const auto banks = ReadConfigListToCheck("bank");
    if (!banks)
        return false;
    if (std::none_of(banks->begin(), banks->end(),
                     [&](const ConfigListEntry& e) { return e.name == m_account; }))
        return Refuse("账户“" + m_account + "”不在银行账户列表中！");
    const auto owed = receipt ? ReceivableOf(store, m_customer) : PayableOf(store, m_customer);
    if (!owed)
        return false;
    if (CMoneySum(*amount) > *owed && !Messages().AskYesNo(OverAmountQuestion(m_kind)))
        return false;
    return true;
}
