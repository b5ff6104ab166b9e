#include "History.h"

#include "bills/BillKind.h"
#include "bills/BillReversal.h"
#include "bills/TransferStore.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "query/BillHistory.h"
#include "store/BillKindNames.h"
#include "store/BillRows.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "store/WarehouseScope.h"
#include "text/Money.h"

#include <cstdint>
#include <unordered_map>

const char* const kTotalRowText = "统计汇总";

const std::vector<HistoryKind>& HistoryKinds() {
    static const std::vector<HistoryKind> kinds = {
        {KindNames(BillKind::Purchase).historyWord, "采购报表", "准备查看历史采购记录"},
        {KindNames(BillKind::PurchaseReturn).historyWord, "采购退货报表",
         "准备查看历史采购退货记录"},
        {KindNames(BillKind::Sale).historyWord, "销售报表", "准备查看历史销售记录"},
        {KindNames(BillKind::SaleReturn).historyWord, "销售退货报表", "准备查看历史销售退货记录"},
        {KindNames(BillKind::Transfer).historyWord, "移库记录", "准备查看历史移库记录"},
        {KindNames(BillKind::Loss).historyWord, "报损记录", "准备查看历史报损记录"},
        {KindNames(BillKind::Gain).historyWord, "报溢记录", "准备查看历史报溢记录"},
        {KindNames(BillKind::Price).historyWord, "调价记录", "准备查看历史调价记录"},
        {KindNames(BillKind::Receipt).historyWord, "收款记录", "准备查看历史收款记录"},
        {KindNames(BillKind::Payment).historyWord, "付款记录", "准备查看历史付款记录"},
    };
    return kinds;
}

const HistoryKind* FindHistoryKind(const std::string& word) {
    for (const auto& k : HistoryKinds()) {
        if (word == k.word)
            return &k;
    }
    return nullptr;
}

const std::vector<std::string>& HistoryHeaders(const std::string& word) {
    static const std::vector<std::string> purchase = {
        "进货单号",   "开单时间",   "供货单位", "采购部门",     "采购经手人", "收货仓库",
        "货物总数量", "货物总价格", "付款账户", "实际付款金额", "说明"};
    static const std::vector<std::string> purchaseReturn = {
        "退货单号",   "开单时间",   "供货单位", "采购部门",     "采购经手人", "退货仓库",
        "货物总数量", "货物总价格", "收款账户", "实际收款金额", "说明"};
    static const std::vector<std::string> sale = {
        "销售单号",   "开单时间",   "客户",     "销售部门",     "销售经手人", "出货仓库",
        "货物总数量", "货物总价格", "收款账户", "实际收款金额", "说明"};
    static const std::vector<std::string> saleReturn = {
        "退货单号",   "开单时间",   "客户",     "销售部门",     "销售经手人", "退货仓库",
        "货物总数量", "货物总价格", "付款账户", "实际付款金额", "说明"};
    if (word == KindNames(BillKind::PurchaseReturn).historyWord)
        return purchaseReturn;
    if (word == KindNames(BillKind::Sale).historyWord)
        return sale;
    if (word == KindNames(BillKind::SaleReturn).historyWord)
        return saleReturn;
    return purchase;
}

PriceKind HistoryPriceKind(const std::string& word) {
    const auto kind = BillKindFromHistoryWord(word);
    return kind ? BillPriceKind(KindNames(*kind).cliName) : PriceKind::None;
}

std::vector<std::string> HistoryCells(const std::string& word, const BillHeaderRecord& bill) {
    // The total and the amount paid are both the bill's money: a purchase's are purchase amounts.
    const PriceKind money = HistoryPriceKind(word);
    const CRoleRights& rights = Session().rights;
    return {bill.Bill_ID,     bill.Bill_Date,
            bill.Customer,    bill.Department,
            bill.Employee,    bill.Warehouse,
            bill.Number,      ShownFigure(rights, money, bill.Total),
            bill.Bank,        ShownFigure(rights, money, bill.Pay),
            bill.Introduction};
}

const char* HistoryRowMark(const std::string& canceled) {
    if (canceled == kBillReversed)
        return "已红冲";
    if (canceled == kBillRed)
        return "红字单据";
    return nullptr;
}

std::vector<std::string> HistoryTotalCells(const std::string& word,
                                           const std::vector<BillHeaderRecord>& bills) {
    return HistoryCells(word, HistoryTotalRow(bills));
}

std::string HistoryStatusText(const std::string& word, size_t count) {
    const char* records = "条采购记录";
    if (word == KindNames(BillKind::PurchaseReturn).historyWord)
        records = "条采购退货记录";
    else if (word == KindNames(BillKind::Sale).historyWord)
        records = "条销售记录";
    else if (word == KindNames(BillKind::SaleReturn).historyWord)
        records = "条销售退货记录";
    return "总共查询出" + std::to_string(count) + records;
}

std::vector<BillHeaderRecord> QueryHistory(const std::string& word, const std::string& from,
                                           const std::string& to) {
    CDataStore store;
    if (!store.ConnectMain())
        return {};
    return store.ListBillsByDate(word, from, to);
}

bool IsTransferHistory(const std::string& word) {
    return word == KindNames(BillKind::Transfer).historyWord;
}

const std::vector<std::string>& TransferHistoryHeaders() {
    static const std::vector<std::string> headers = {"编号",   "录入日期", "调出仓库", "调入仓库",
                                                     "经手人", "数量",     "说明"};
    return headers;
}

std::vector<std::string> TransferHistoryCells(const TransferRecord& bill) {
    return {bill.Bill_ID,  bill.Bill_Date, bill.Warehouse,   bill.ToWarehouse,
            bill.Employee, bill.Number,    bill.Introduction};
}

std::vector<std::string> TransferHistoryTotalCells(const std::vector<TransferRecord>& bills) {
    int64_t quantity = 0;
    for (const auto& b : bills) {
        // Saturate rather than wrap, as the trade kinds' total row does.
        if (__builtin_add_overflow(quantity, LeadingInteger(b.Number), &quantity))
            quantity = INT64_MAX;
    }
    std::vector<std::string> cells(TransferHistoryHeaders().size());
    cells[0] = kTotalRowText;
    cells[kTransferNumberColumn] = std::to_string(quantity);
    return cells;
}

std::string TransferHistoryStatusText(size_t count) {
    return "总共查询出" + std::to_string(count) + "条移库记录";
}

std::vector<TransferRecord> QueryTransferHistory(const std::string& from, const std::string& to) {
    CDataStore store;
    if (!store.ConnectMain())
        return {};
    return ListTransfersByDate(store, from, to);
}

namespace {
using H = BillHeaderRecord;

std::optional<BillKind> OtherKind(const std::string& word) {
    auto kind = BillKindFromHistoryWord(word);
    if (!kind || IsTradeKind(*kind) || *kind == BillKind::Transfer)
        return std::nullopt;
    return kind;
}
} // namespace

const std::vector<HistoryColumn>* OtherHistoryColumns(const std::string& word) {
    static const std::vector<HistoryColumn> stock = {
        {"编号", &H::Bill_ID},     {"录入日期", &H::Bill_Date}, {"仓库", &H::Warehouse},
        {"部门", &H::Department},  {"经手人", &H::Employee},    {"数量", &H::Number},
        {"说明", &H::Introduction}};
    static const std::vector<HistoryColumn> price = {
        {"编号", &H::Bill_ID},    {"录入日期", &H::Bill_Date}, {"仓库", &H::Warehouse},
        {"部门", &H::Department}, {"经手人", &H::Employee},    {"说明", &H::Introduction}};
    static const std::vector<HistoryColumn> money = {
        {"编号", &H::Bill_ID}, {"录入日期", &H::Bill_Date}, {"往来单位", &H::Customer},
        {"账户", &H::Bank},    {"经手人", &H::Employee},    {"部门", &H::Department},
        {"金额", &H::Total},   {"说明", &H::Introduction}};
    auto kind = OtherKind(word);
    if (!kind)
        return nullptr;
    if (*kind == BillKind::Price)
        return &price;
    return IsFundKind(*kind) ? &money : &stock;
}

int OtherHistoryColumnOf(const std::string& word, std::string BillHeaderRecord::*field) {
    const auto* columns = OtherHistoryColumns(word);
    for (size_t c = 0; columns && c < columns->size(); ++c) {
        if ((*columns)[c].field == field)
            return static_cast<int>(c);
    }
    return -1;
}

std::vector<std::string> OtherHistoryCells(const std::string& word, const BillHeaderRecord& bill) {
    std::vector<std::string> cells;
    if (const auto* columns = OtherHistoryColumns(word)) {
        for (const auto& c : *columns)
            cells.push_back(bill.*c.field);
    }
    return cells;
}

std::vector<std::string> OtherHistoryTotalCells(const std::string& word,
                                                const std::vector<BillHeaderRecord>& bills) {
    return OtherHistoryCells(word, HistoryTotalRow(bills));
}

std::string OtherHistoryStatusText(const std::string& word, size_t count) {
    const HistoryKind* kind = FindHistoryKind(word);
    // The caption names the records: "报损记录" ...
    return "总共查询出" + std::to_string(count) + "条" + (kind ? kind->caption : "");
}

std::vector<BillHeaderRecord> ListOtherBillsByDate(CDataStore& store, BillKind kind,
                                                   const std::string& from, const std::string& to,
                                                   bool* ok) {
    if (ok)
        *ok = false;
    std::vector<BillHeaderRecord> bills;
    bool read = false;
    if (IsFundKind(kind)) {
        SqlValues values;
        const std::string sql =
            "select Canceled, Bill_ID, Bill_Date, Customer, Department, Employee, Bank, Amount,"
            " Introduction from FundBill where" +
            FundKindCondition(kind, values) + " and Bill_Date between ? and ? order by Id";
        values.push_back(from);
        values.push_back(to);
        read = store.Run(sql, values, [&](const CStatement& st) {
            H h;
            h.Canceled = st.Text(0);
            h.Bill_ID = st.Text(1);
            h.Bill_Date = st.Text(2);
            h.Customer = st.Text(3);
            h.Department = st.Text(4);
            h.Employee = st.Text(5);
            h.Bank = st.Text(6);
            h.Total = st.Text(7);
            h.Introduction = st.Text(8);
            bills.push_back(std::move(h));
        });
    } else {
        // One row per line: a bill is its first row, its quantity the sum of its lines'.
        const bool price = kind == BillKind::Price;
        // Opening stock is reversible and worth its cost: its mark and its amount show.
        const bool opening = kind == BillKind::Opening;
        std::unordered_map<std::string, size_t> billOf;
        std::vector<int64_t> quantities;
        std::vector<CMoneySum> totals;
        std::string sql = std::string("select Bill_ID, Bill_Date, Department, Warehouse,"
                                      " Employee, Introduction, ") +
                          (price ? "''" : "coalesce(Base_Number, Product_Number)") +
                          (opening ? ", Canceled, Product_Total" : ", '0', ''") + " from " +
                          KindNames(kind).tableName + " where Bill_Date between ? and ?";
        SqlValues values = {from, to};
        AddWarehouseScope(sql, values, "Warehouse", true);
        read = store.Run(sql + " order by Id", values, [&](const CStatement& st) {
            auto [it, added] = billOf.emplace(st.Text(0), bills.size());
            if (added) {
                H h;
                h.Canceled = st.Text(7);
                h.Bill_ID = st.Text(0);
                h.Bill_Date = st.Text(1);
                h.Department = st.Text(2);
                h.Warehouse = st.Text(3);
                h.Employee = st.Text(4);
                h.Introduction = st.Text(5);
                bills.push_back(std::move(h));
                quantities.push_back(0);
                totals.emplace_back();
            }
            int64_t& q = quantities[it->second];
            if (__builtin_add_overflow(q, LeadingInteger(st.Text(6)), &q))
                q = INT64_MAX;
            totals[it->second] += CMoney::ParseOrZero(st.Text(8));
        });
        for (size_t i = 0; !price && i < bills.size(); ++i)
            bills[i].Number = std::to_string(quantities[i]);
        for (size_t i = 0; opening && i < bills.size(); ++i)
            bills[i].Total = totals[i].Format2();
    }
    if (!read) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
        return {};
    }
    if (ok)
        *ok = true;
    return bills;
}

std::vector<BillHeaderRecord> QueryOtherHistory(const std::string& word, const std::string& from,
                                                const std::string& to) {
    auto kind = OtherKind(word);
    CDataStore store;
    if (!kind || !store.ConnectMain())
        return {};
    return ListOtherBillsByDate(store, *kind, from, to);
}
