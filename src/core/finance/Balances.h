#pragma once
#include "store/Records.h"
#include "text/Money.h"

#include <optional>
#include <string>
#include <vector>

class CDataStore;

// What the bills add up to, read on a store connected to the main data file: each unit's
// receivable and payable, a unit's statement, each account's money. Each reports its own
// failure through the message port.

// The types of the units of exactly this name in the unit list (a name kept both as customer and
// as supplier has two); empty when the list holds none. Nothing after a message.
std::optional<std::vector<std::string>> BusinessUnitTypesOf(CDataStore& store,
                                                            const std::string& name);
// Per business-unit name as the bills store it, in one pass over its bills:
//   receivable = sales (Total - Pay) - sale returns (Total - Pay) - receipts
//   payable    = purchases (Total - Pay) - purchase returns (Total - Pay) - payments
// Red bills count with their negated values. Nothing after a message.
std::optional<UnitBalanceRecord> BalanceOf(CDataStore& store, const std::string& name);
// One side of BalanceOf, at any width; nothing after a message (never silently).
std::optional<CMoneySum> ReceivableOf(CDataStore& store, const std::string& name);
std::optional<CMoneySum> PayableOf(CDataStore& store, const std::string& name);
// Every unit of the unit list (of one type; "" or "所有类型": all) in list order, then the
// names only bills hold, in text order; one pass over all bills (outside a transaction: on a
// server they are read in batches). False after a message.
bool ListUnitBalances(CDataStore& store, const std::string& unitType,
                      std::vector<UnitBalanceRecord>& list);
// A unit's statement from `from` to `to` (ISO, both included): the balance of the bills
// before `from`, then each document of the range in date order with the balance after it.
// A supplier's balance is what is owed to it (payable - receivable), anyone else's what
// they owe (receivable - payable). Nothing after a message.
std::optional<UnitStatementRecord> StatementOf(CDataStore& store, const std::string& name,
                                               const std::string& from, const std::string& to);
// Money in (sale Pay, purchase-return Pay, receipts) and out (purchase Pay, sale-return Pay,
// payments) of each account: `accounts` in their order, then accounts only bills name, in
// text order. One pass over all bills; `notes` gets the stored paid amounts that are no
// amounts, as UnitBalanceRecord's Notes. False after a message.
bool ListAccountBalances(CDataStore& store, const std::vector<std::string>& accounts,
                         std::vector<AccountBalanceRecord>& list, std::vector<std::string>& notes);
