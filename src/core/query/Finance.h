#pragma once
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

// What the finance windows and ferix-cli show of the balances the data store computes.

// The statement as a list: the opening row ("期初余额", dated `From`), the documents, and the
// closing row ("期末余额", dated `To`, with the sums of both sides).
std::vector<StatementLineRecord> StatementListRows(const UnitStatementRecord& statement);

// Every account of the bank list, then those only bills name; nothing after a message.
std::optional<std::vector<AccountBalanceRecord>> ReadAccountBalances();
// The "合计" row under the accounts: the exact sums of the three columns.
AccountBalanceRecord AccountTotalRow(const std::vector<AccountBalanceRecord>& accounts);
