#pragma once
#include "store/Records.h"

#include <string>
#include <vector>

class CDataStore;

// Transfers (移库单) in the main data file: one row per goods line, the rows of one bill written
// together. The stock they move goes through CDataStore::MoveStock.

// One transfer row, with its Canceled mark; false after the message "添加移库单失败。...".
bool AddTransferLine(CDataStore& store, const TransferRecord& line);

// Transfers whose ISO Bill_Date lies between the two ISO dates, both included: the first row
// of each bill, in posting order. Empty after a message when the read failed; `ok` (when
// given) tells that apart from no bills.
std::vector<TransferRecord> ListTransfersByDate(CDataStore& store, const std::string& from,
                                                const std::string& to, bool* ok = nullptr);
// The rows of one transfer in the order they were posted; `ok` as above.
std::vector<TransferRecord> ListTransferLines(CDataStore& store, const std::string& billId,
                                              bool* ok = nullptr);
