#pragma once
#include "bills/BillKind.h"
#include "text/Money.h"

#include <optional>
#include <string>

// Receipts (收款单) and payments (付款单): money received from a customer or paid to a supplier
// after the trade bill, through an account. They are CBill kinds without lines (m_paid holds the
// amount) and post, browse and reverse like the other bills.

// Receipts take customers and payments take suppliers: whether a unit of the unit list with this
// type may be named on a bill of `kind`. A payment needs "供应商"; a receipt takes anyone but a
// supplier, as a statement counts anyone but a supplier as owing. A name kept under both types
// may be named on either.
bool FundBillTakesUnitType(BillKind kind, const std::string& unitType);
// What a receipt or payment says of a unit of the list that it does not take.
std::string WrongUnitTypeText(BillKind kind, const std::string& unit);

// What the chosen unit owes now (a receipt: its receivable) or is owed (a payment: its payable),
// read from the main data file; nothing for an empty name or after a message.
std::optional<CMoneySum> CurrentOwed(BillKind kind, const std::string& unit);
// "当前应收：" / "当前应付：".
const char* OwedLabelText(BillKind kind);
// Asked when the amount is larger than what is owed.
std::string OverAmountQuestion(BillKind kind);
