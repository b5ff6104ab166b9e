#pragma once
#include "Records.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>

// The kinds of bill the program posts.
// Receipts and payments move money, not goods: they have no lines, and CBill's m_paid holds
// their amount.
enum class BillKind {
    Purchase,
    PurchaseReturn,
    Sale,
    SaleReturn,
    Loss,
    Gain,
    Price,
    Transfer,
    Receipt,
    Payment,
    Opening,        // opening stock (期初库存)
    OpeningBalance, // an opening receivable or payable (期初应收 / 期初应付)
    // Orders move neither stock nor money: purchase and sale bills deliver them.
    PurchaseOrder,
    SaleOrder
};

// Every name one bill kind goes by. This table is the only place that pairs a kind with its
// names; everything that maps a kind to a name or back reads it.
struct BillKindNames {
    BillKind kind;
    const char* titleText;   // the bill's name on the title line of its window: "进货开单" ...
    const char* cliName;     // ferix-cli's KIND: "purchase", "purchase-return", ...
    const char* prefix;      // bill-number prefix, "JH-" ...
    BillTable table;         // header table of a trade kind, the only table otherwise
    const char* tableName;   // that table's name in the schema
    const char* historyWord; // run_caigou ... for trade kinds, run_baosun_jilu,
                             // run_baoyi_jilu, run_tiaojia_jilu, run_yiku, run_shoukuan,
                             // run_fukuan: the history view's kind
    const char* routeWord;   // the command word its window is opened with (run_jinhuo ...);
                             // "" when the window takes none. run_tuihuo names either return:
                             // the purchase window and the sale window each read it as theirs.
};

inline constexpr BillKindNames kBillKindNames[] = {
    {BillKind::Purchase, "进货开单", "purchase", "JH-", BillTable::EnterStock, "EnterStock",
     "run_caigou", "run_jinhuo"},
    {BillKind::PurchaseReturn, "退货单", "purchase-return", "JHTH-", BillTable::BackStock,
     "BackStock", "run_caigou_tuihuo", "run_tuihuo"},
    {BillKind::Sale, "销售单", "sale", "XS-", BillTable::EnterSale, "EnterSale", "run_sale",
     "run_xiaoshou"},
    {BillKind::SaleReturn, "退货单", "sale-return", "XSTH-", BillTable::BackSale, "BackSale",
     "run_sale_tuihuo", "run_tuihuo"},
    {BillKind::Loss, "报损单", "loss", "BS-", BillTable::BaoSunDan, "BaoSunDan", "run_baosun_jilu",
     "run_baosun"},
    {BillKind::Gain, "报溢单", "gain", "BY-", BillTable::BaoYiDan, "BaoYiDan", "run_baoyi_jilu",
     "run_baoyi"},
    {BillKind::Price, "调价单", "price", "TJ-", BillTable::TiaoJiaDan, "TiaoJiaDan",
     "run_tiaojia_jilu", ""},
    {BillKind::Transfer, "移库单", "transfer", "YK-", BillTable::YiKuDan, "YiKuDan", "run_yiku",
     ""},
    {BillKind::Receipt, "收款单", "receipt", "SK-", BillTable::FundBill, "FundBill", "run_shoukuan",
     ""},
    {BillKind::Payment, "付款单", "payment", "FK-", BillTable::FundBill, "FundBill", "run_fukuan",
     ""},
    {BillKind::Opening, "期初库存", "opening", "QC-", BillTable::QiChuKuCun, "QiChuKuCun",
     "run_qichu_kucun", ""},
    {BillKind::OpeningBalance, "期初应收应付", "opening-balance", "QCYE-", BillTable::FundBill,
     "FundBill", "run_qichu_yue", ""},
    {BillKind::PurchaseOrder, "采购订单", "purchase-order", "CD-", BillTable::PurchaseOrder,
     "PurchaseOrder", "run_caigou_dingdan", ""},
    {BillKind::SaleOrder, "销售订单", "sale-order", "XD-", BillTable::SaleOrder, "SaleOrder",
     "run_xiaoshou_dingdan", ""},
};

// The rows are indexed by the enum's value.
constexpr bool BillKindRowsInEnumOrder() {
    for (std::size_t i = 0; i < std::size(kBillKindNames); ++i) {
        if (kBillKindNames[i].kind != static_cast<BillKind>(i))
            return false;
    }
    return std::size(kBillKindNames) == static_cast<std::size_t>(BillKind::SaleOrder) + 1;
}
static_assert(BillKindRowsInEnumOrder(), "kBillKindNames holds one row per BillKind, in order");

constexpr const BillKindNames& KindNames(BillKind kind) {
    return kBillKindNames[static_cast<std::size_t>(kind)];
}

constexpr bool IsTradeKind(BillKind kind) {
    return kind == BillKind::Purchase || kind == BillKind::PurchaseReturn ||
           kind == BillKind::Sale || kind == BillKind::SaleReturn;
}
// A purchase order or a sale order.
constexpr bool IsOrderKind(BillKind kind) {
    return kind == BillKind::PurchaseOrder || kind == BillKind::SaleOrder;
}
// The kinds whose lines have a unit price and an amount (quantity × price): the trade kinds, the
// orders, and opening stock, priced at its cost.
constexpr bool HasLinePrices(BillKind kind) {
    return IsTradeKind(kind) || IsOrderKind(kind) || kind == BillKind::Opening;
}
// A receipt, a payment or an opening balance (table FundBill).
constexpr bool IsFundKind(BillKind kind) {
    return kind == BillKind::Receipt || kind == BillKind::Payment ||
           kind == BillKind::OpeningBalance;
}

// The kinds a red bill reverses; loss, gain and price adjustment are corrected by a new bill.
constexpr bool IsReversibleKind(BillKind kind) {
    return IsTradeKind(kind) || IsFundKind(kind) || kind == BillKind::Transfer ||
           kind == BillKind::Opening;
}

std::optional<BillKind> BillKindFromCliName(const std::string& name);
// The kind of a history word; nothing for "" and any other text.
std::optional<BillKind> BillKindFromHistoryWord(const std::string& word);
