#pragma once
#include "store/BillKindNames.h"

// The field labels and the line list's title of a trade bill window, by the bill's kind: a
// sale names its customer, the warehouse the goods leave and the money received; a return
// names the money going back the other way.
struct TradeBillTexts {
    const char* customer;
    const char* warehouse;
    const char* account;
    const char* paid;
    const char* lines;
};
const TradeBillTexts& TradeBillTextsOf(BillKind kind);
