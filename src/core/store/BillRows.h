#pragma once
#include "CStatement.h"
#include "Records.h"

// Building blocks of the reads of posted bills.

// What a failed read of posted bills says; the engine's code text, "+" and its description
// follow.
inline constexpr const char* kHistoryFailure = "获取历史进货信息失败。";
// "select <the header columns in BillHeaderRecord order> from "; a trade header table's name
// follows.
extern const char* const kBillHeaderSelect;
BillHeaderRecord ReadBillHeader(const CStatement& st);
