#pragma once
#include "query/BillHistory.h"
#include "rights/PriceVisibility.h"
#include "store/BillKindNames.h"
#include "store/Records.h"

#include <string>

class CDataStore;
#include <vector>

// The bill history view: posted trade bills of one kind, or the transfers, in a date range,
// with a total row.

struct HistoryKind {
    const char* word;    // command word, also the history kind word of the store queries
    const char* caption; // window caption
    const char* label;   // status label before the first query
};
const std::vector<HistoryKind>& HistoryKinds();
// The kind of a command word; nullptr for any other text.
const HistoryKind* FindHistoryKind(const std::string& word);

extern const char* const kTotalRowText; // "统计汇总"

// The eleven column headers of the bill list of a kind (by its command word: the customer, the
// warehouse and the money named as that kind has them) and the cells of one bill under them.
const std::vector<std::string>& HistoryHeaders(const std::string& word);
// The total and the amount paid show as the role sees the kind's prices (PriceVisibility.h).
std::vector<std::string> HistoryCells(const std::string& word, const BillHeaderRecord& bill);
// The price kind of a history kind word's money (run_caigou: 进价, run_sale: 售价 ...).
PriceKind HistoryPriceKind(const std::string& word);
// Column of the total quantity and of the total amount.
constexpr int kHistoryNumberColumn = 6;
constexpr int kHistoryTotalColumn = 7;

// How the list marks a bill by its Canceled value: "已红冲" for a reversed bill ("1"),
// "红字单据" for a red bill ("2"); nullptr for a bill in force. Marked bills are drawn in red.
const char* HistoryRowMark(const std::string& canceled);

// The cells of the total row under the bills (HistoryTotalRow: "统计汇总", the whole-number
// sum of the quantities and the exact sum of the amounts with two decimals).
std::vector<std::string> HistoryTotalCells(const std::string& word,
                                           const std::vector<BillHeaderRecord>& bills);
// "总共查询出N条采购记录", "…条销售记录" and so on, by the kind's command word.
std::string HistoryStatusText(const std::string& word, size_t count);

// The bills of the kind whose ISO bill date lies in [from, to], in the order the store returns
// them. Empty after a message when the data cannot be read.
std::vector<BillHeaderRecord> QueryHistory(const std::string& word, const std::string& from,
                                           const std::string& to);

// ---- transfers (run_yiku): their own columns, one row per bill

bool IsTransferHistory(const std::string& word);
// 编号, 录入日期, 调出仓库, 调入仓库, 经手人, 数量, 说明 and the cells of one transfer under them.
const std::vector<std::string>& TransferHistoryHeaders();
std::vector<std::string> TransferHistoryCells(const TransferRecord& bill);
constexpr int kTransferNumberColumn = 5;
// "统计汇总" and the whole-number sum of the quantities.
std::vector<std::string> TransferHistoryTotalCells(const std::vector<TransferRecord>& bills);
// "总共查询出N条移库记录".
std::string TransferHistoryStatusText(size_t count);
// The transfers whose ISO bill date lies in [from, to], in posting order. Empty after a message
// when the data cannot be read.
std::vector<TransferRecord> QueryTransferHistory(const std::string& from, const std::string& to);

// ---- losses, gains, price adjustments, receipts and payments: one row per bill, each kind
// with its own columns

// A column of these kinds' lists: its header and the header field it shows.
struct HistoryColumn {
    const char* header;
    std::string BillHeaderRecord::*field;
};
// The columns of the kind's list; nullptr for the trade kinds and transfers.
const std::vector<HistoryColumn>* OtherHistoryColumns(const std::string& word);
// The quantity column (Number) and the amount column (Total) of the kind's list, -1 when none.
int OtherHistoryColumnOf(const std::string& word, std::string BillHeaderRecord::*field);
std::vector<std::string> OtherHistoryCells(const std::string& word, const BillHeaderRecord& bill);
// "统计汇总" with the sums of the kind's quantity and amount columns.
std::vector<std::string> OtherHistoryTotalCells(const std::string& word,
                                                const std::vector<BillHeaderRecord>& bills);
// "总共查询出N条报损记录" and so on.
std::string OtherHistoryStatusText(const std::string& word, size_t count);

// The loss, gain, price-adjustment, receipt or payment bills whose ISO bill date lies in
// [from, to], one per bill in posting order, in a trade bill header's fields: a loss or gain
// carries its warehouse, department, handler, first line's remark and its quantity total
// (Number); a price adjustment the same without a quantity; a receipt or payment its unit
// (Customer), department, handler, account (Bank), amount (Total) and remark. Canceled is the
// row's mark ("0" for kinds that are never reversed). Empty after a message when the read
// failed; `ok` (when given) tells that apart from no bills.
std::vector<BillHeaderRecord> ListOtherBillsByDate(CDataStore& store, BillKind kind,
                                                   const std::string& from, const std::string& to,
                                                   bool* ok = nullptr);
// The same on a connection of its own, by history kind word.
std::vector<BillHeaderRecord> QueryOtherHistory(const std::string& word, const std::string& from,
                                                const std::string& to);
