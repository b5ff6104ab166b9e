#pragma once
#include "bills/BillKind.h"
#include "text/Money.h"

#include <optional>
#include <string>

// Receipts (收款单) and payments (付款单): money received from a customer or paid to a supplier
// after the trade bill, through an account. They are CBill kinds without lines (m_paid holds the
// amount) and post, browse and reverse like the other bills.

// What the chosen unit owes now (a receipt: its receivable) or is owed (a payment: its payable),
// read from the main data file; nothing for an empty name or after a message.
std::optional<CMoneySum> CurrentOwed(BillKind kind, const std::string& unit);
// "当前应收：" / "当前应付：".
const char* OwedLabelText(BillKind kind);
// Asked when the amount is larger than what is owed.
std::string OverAmountQuestion(BillKind kind);
