#pragma once
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
// The statement, after those checks (their message shown); nothing after a message.
std::optional<UnitStatementRecord> LoadStatement(const std::string& unit, const std::string& from,
                                                 const std::string& to);

// Every account of the bank list, then those only bills name; nothing after a message. Stored
// paid amounts that are no amounts are named in one message.
std::optional<std::vector<AccountBalanceRecord>> ReadAccountBalances();
// The "合计" row under the accounts: the exact sums of the three columns.
AccountBalanceRecord AccountTotalRow(const std::vector<AccountBalanceRecord>& accounts);
