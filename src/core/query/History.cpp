#include "History.h"

#include "bills/BillReversal.h"
#include "bills/TransferStore.h"
#include "store/BillKindNames.h"
#include "store/CDataStore.h"
#include "text/Money.h"

#include <cstdint>

const char* const kTotalRowText = "统计汇总";

const std::vector<HistoryKind>& HistoryKinds() {
    static const std::vector<HistoryKind> kinds = {
        {KindNames(BillKind::Purchase).historyWord, "采购报表", "准备查看历史采购记录"},
        {KindNames(BillKind::PurchaseReturn).historyWord, "采购退货报表",
         "准备查看历史采购退货记录"},
        {KindNames(BillKind::Sale).historyWord, "销售报表", "准备查看历史销售记录"},
        {KindNames(BillKind::SaleReturn).historyWord, "销售退货报表", "准备查看历史销售退货记录"},
        {KindNames(BillKind::Transfer).historyWord, "移库记录", "准备查看历史移库记录"},
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

std::vector<std::string> HistoryCells(const BillHeaderRecord& bill) {
    return {bill.Bill_ID,  bill.Bill_Date, bill.Customer,    bill.Department,
            bill.Employee, bill.Warehouse, bill.Number,      bill.Total,
            bill.Bank,     bill.Pay,       bill.Introduction};
}

const char* HistoryRowMark(const std::string& canceled) {
    if (canceled == kBillReversed)
        return "已红冲";
    if (canceled == kBillRed)
        return "红字单据";
    return nullptr;
}

std::vector<std::string> HistoryTotalCells(const std::vector<BillHeaderRecord>& bills) {
    return HistoryCells(HistoryTotalRow(bills));
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
