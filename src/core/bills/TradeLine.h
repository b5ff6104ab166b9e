#pragma once
#include "BillJournal.h"
#include "BillKind.h"
#include "store/Records.h"

#include <cstdint>
#include <string>

class CDataStore;

enum class TradeLineResult { Written, LineFailed, StockFailed };

// Stores one line of a trade bill in its kind's line table and makes the line's stock change,
// inside the caller's transaction. `quantity` is the line's own, in its unit, `baseQuantity` the
// same in the goods' base unit: stock moves and costs by base units, while the line's unit price
// is per its own unit. A purchase and a sale return put `baseQuantity` into the line's
// warehouse (a new stock row at the line's unit price), a purchase return and a sale take it
// out; `reversing` makes the opposite change, and a take-out refused for want of stock then
// says `shortage`. The moving-average cost follows every change; a sale or sale-return line
// stores what its units cost (a red line keeps the negated cost it is given). Every failure has
// been reported through the message port. The written line goes into `draft` too.
TradeLineResult WriteTradeLine(CDataStore& store, BillKind kind, const BillDetailRecord& line,
                               int64_t quantity, int64_t baseQuantity, bool reversing,
                               const std::string& shortage, CJournalDraft& draft);

// The base-unit quantity of a stored line: its Base_Number, or its own quantity when it has none.
int64_t BaseQuantity(const std::string& baseNumber, const std::string& number);
