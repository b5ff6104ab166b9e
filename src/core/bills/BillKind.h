#pragma once
#include "store/BillKindNames.h"
#include "store/Records.h"

#include <string>
#include <vector>

class CDataStore;

// What differs between the kinds: their names (store/BillKindNames.h) and the texts of their
// posting and their windows.
struct BillKindInfo : BillKindNames {
    const char* logEvent; // written once per posted line
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
// One of a kind's failure texts as told after a failed try on `store`: when the connection to
// the server broke, the engine's account of it ends the text, so "失败原因：" never stands
// empty; otherwise the text as it is (the store's own message came before it).
std::string KindFailureText(const char* text, const CDataStore& store);
// The Kind text of a fund bill's row ("收款" or "付款"); nullptr for other kinds.
const char* FundKindText(BillKind kind);
// Whether a FundBill row's Kind is one of the kind's: an opening balance is either "期初应收"
// or "期初应付", after the unit it was entered for.
bool FundRowIsOfKind(BillKind kind, const std::string& rowKind);
// The Kind texts of the kind's FundBill rows, and the condition " Kind in (?, …)" on them with
// its values appended.
std::vector<std::string> FundKindTexts(BillKind kind);
std::string FundKindCondition(BillKind kind, std::vector<std::string>& values);

// Prefix and the local time as "%y%m%d-%H%M%S": "JH-261207-093015". Two bills made within the
// same second get the same number; posting moves the later one to the next free number.
std::string NewBillNumber(BillKind kind);
