#pragma once
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

class CDataStore;

// Bills in the main data file beyond their lines: trade bill headers, the numbers in use, the
// reversal mark, browsing by posting order and the stored rows of loss, gain and
// price-adjustment bills. Written on the store's building blocks; a failure is told as the
// store tells its own.

// The header insert of a trade bill, with the header's Canceled mark; reports like
// ExecuteSql.
bool AddTradeBillHeader(CDataStore& store, BillTable table, const BillHeaderRecord& header);

// The bill numbers used in the table that are `billId` itself or `billId` followed by "-"
// and more; nothing when the read failed (shown as a message).
std::optional<std::vector<std::string>> BillNumbersFrom(CDataStore& store, BillTable table,
                                                        const std::string& billId);

// The header of one trade bill; nothing when there is none (or after the read's message).
// `ok` (when given) tells a failed read apart from no bill.
std::optional<BillHeaderRecord> FindBillHeader(CDataStore& store, const std::string& historyWord,
                                               const std::string& billId, bool* ok = nullptr);

// Sets Canceled on the header and every line of one trade bill, or on every row of one
// transfer, or on one receipt or payment (FundBill); reports like ExecuteSql.
bool SetBillCanceled(CDataStore& store, BillTable table, const std::string& billId,
                     const std::string& canceled);

// The number of the trade bill, transfer (run_yiku), receipt (run_shoukuan) or payment
// (run_fukuan) posted just before (`later` false) or just after (`later` true) bill `billId`
// of the kind, by row id; an empty `billId` going back gives the newest bill. Nothing at
// either end, for an unknown bill, or after the read's message (`ok`, when given, tells a
// failed read apart).
std::optional<std::string> AdjacentBillId(CDataStore& store, const std::string& historyWord,
                                          const std::string& billId, bool later,
                                          bool* ok = nullptr);

// The stored rows of one loss, gain or price-adjustment bill (the columns a table lacks read
// as empty texts); `ok` (when given) tells a failed read apart from no rows.
std::vector<BillDetailRecord> ListStockBillLines(CDataStore& store, BillTable table,
                                                 const std::string& billId, bool* ok = nullptr);
