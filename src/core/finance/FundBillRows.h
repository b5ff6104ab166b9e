#pragma once
#include "store/Records.h"

#include <optional>
#include <string>

class CDataStore;

// The rows of receipts and payments (table FundBill), which post, reverse and load as bills.

// One receipt or payment row; reports like ExecuteSql.
bool AddFundBill(CDataStore& store, const FundBillRecord& bill);
// The receipt or payment of that number; nothing when there is none or after the read's
// message (`ok`, when given, tells a failed read apart).
std::optional<FundBillRecord> FindFundBill(CDataStore& store, const std::string& billId,
                                           bool* ok = nullptr);
// "获取收付款信息失败。…" with the store's last error: what a failed read of receipts,
// payments or what they add up to says.
std::string FundFailureText(const CDataStore& store);
