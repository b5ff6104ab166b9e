#pragma once
#include "rights/RoleRights.h"
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

// What the finance windows and ferix-cli show of the balances the data store computes.

// The statement as a list: the opening row ("期初余额", dated `From`), the documents, and the
// closing row ("期末余额", dated `To`, with the sums of both sides).
std::vector<StatementLineRecord> StatementListRows(const UnitStatementRecord& statement);

// Why a statement of `unit` over [from, to] (ISO dates) cannot be asked for: no unit chosen
// ("请选择往来单位！"), or the start after the end ("开始日期不能晚于结束日期！"); nothing when it
// can.
std::optional<std::string> StatementRequestRefusal(const std::string& unit, const std::string& from,
                                                   const std::string& to);
// The statement as the role sees it (PriceVisibility.h): the amounts of purchase documents are
// "***" when 进价 is hidden, of sale documents when 售价 is; every balance that holds such an
// amount (from that document on, the closing row, an opening that is not zero) is "***" too.
// Receipts and payments are money, not prices: their amounts stay.
void HideStatementFigures(const CRoleRights& rights, UnitStatementRecord& statement);
// A unit's balances as the role sees them: Payable under 进价, Receivable under 售价.
void HideBalanceFigures(const CRoleRights& rights, UnitBalanceRecord& balance);
// The statement, after those checks (their message shown), as the role sees it; nothing after a
// message.
std::optional<UnitStatementRecord> LoadStatement(const std::string& unit, const std::string& from,
                                                 const std::string& to);

// Every account of the bank list, then those only bills name; nothing after a message. Stored
// paid amounts that are no amounts are named in one message.
std::optional<std::vector<AccountBalanceRecord>> ReadAccountBalances();
// The "合计" row under the accounts: the exact sums of the three columns.
AccountBalanceRecord AccountTotalRow(const std::vector<AccountBalanceRecord>& accounts);
