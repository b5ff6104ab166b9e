#pragma once
#include "BillKind.h"

#include <optional>
#include <string>

class CDataStore;

// A posted bill is never edited or deleted: it is reversed by a red bill of its own kind that
// cancels its stock and money effects. The Canceled mark of a trade bill's header and lines:
inline constexpr const char* kBillStanding = "0"; // as posted
inline constexpr const char* kBillReversed = "1"; // reversed by its red bill
inline constexpr const char* kBillRed = "2";      // a red bill

// The number of bill X's red bill is X + kRedBillSuffix; no ordinary bill may end in it.
inline constexpr const char* kRedBillSuffix = "-H";
inline bool IsRedBillNumber(const std::string& number) {
    return number.ends_with(kRedBillSuffix);
}

enum class ReverseOutcome {
    Reversed,      // the red bill is stored and the log entry written
    Refused,       // unknown bill, not reversible, or not enough stock (message shown)
    ConnectFailed, // the main data file could not be opened (messages shown)
    Failed,        // a statement failed (messages shown); nothing was written
};

// Reverses a posted trade bill, transfer, receipt or payment; reports refusals and failures through
// the message port. In one transaction: the red bill `number` + "-H" dated today, X's header and
// lines marked reversed, X's stock changes undone line by line (a transfer's goods go back from the
// target to the source; a receipt or payment has no stock, its red bill carries the negated
// amount); then the log entry "红冲单据 " + number. Returns the red bill's number; nothing after a
// refusal or failure, which writes nothing. `token` is the action's write token
// (store/WriteToken.h; empty: a new one): a reversal that finds it stored says so and is done.
std::optional<std::string> ReverseBill(BillKind kind, const std::string& number,
                                       ReverseOutcome* outcome = nullptr,
                                       const std::string& token = {});
// As ReverseBill, on a store already connected to the main data file and without the log
// entry: for tests and bulk work on one connection. `storedEarlier` (when given) tells whether
// the token was found stored by an earlier try.
std::optional<std::string> ReverseBillOn(CDataStore& store, BillKind kind,
                                         const std::string& number,
                                         ReverseOutcome* outcome = nullptr,
                                         const std::string& token = {},
                                         bool* storedEarlier = nullptr);

// The Canceled mark of a stored trade bill or transfer (kBillStanding, kBillReversed or
// kBillRed); nothing when the kind is not reversible, there is no such bill, or the read failed
// (message shown). Only a bill marked kBillStanding can be reversed.
std::optional<std::string> BillCanceledState(BillKind kind, const std::string& number);

// The question asked before reversing, and what is said after it succeeded.
std::string ReverseQuestionText(const std::string& number);
inline constexpr const char* kReversedText = "红冲成功！";
