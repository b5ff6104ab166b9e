#pragma once
#include "store/Records.h"

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
    Payment
};

// What differs between the kinds: names, tables and the texts of their windows.
struct BillKindInfo {
    BillKind kind;
    const char* cliName;     // "purchase", "purchase-return", ...
    const char* prefix;      // bill-number prefix, "JH-" ...
    BillTable table;         // header table of a trade kind, the only table otherwise
    const char* historyWord; // run_caigou ... for trade kinds, run_yiku, "" otherwise
    const char* logEvent;    // written once per posted line
    const char* connectFailure;
    // Shown when the bill cannot be started or finished (header insert of a trade bill; the
    // bill table's message for the others).
    const char* headerFailure;
    const char* lineFailure;  // the line insert failed
    const char* stockFailure; // the stock change failed or was refused
    const char* successText;
    bool successAsksToContinue; // Yes/No question (Yes: next bill) rather than a message
    const char* cancelQuestion; // nullptr: cancel closes at once
};

const BillKindInfo& KindInfo(BillKind kind);
bool IsTradeKind(BillKind kind);
// A receipt or a payment (table FundBill).
bool IsFundKind(BillKind kind);
// The Kind text of a fund bill's row ("收款" or "付款"); nullptr for other kinds.
const char* FundKindText(BillKind kind);
std::optional<BillKind> BillKindFromCliName(const std::string& name);
std::optional<BillKind> BillKindFromHistoryWord(const std::string& word);

// Prefix and the local time as "%y%m%d-%H%M%S": "JH-261207-093015". Two bills made within the
// same second get the same number; posting moves the later one to the next free number.
std::string NewBillNumber(BillKind kind);
