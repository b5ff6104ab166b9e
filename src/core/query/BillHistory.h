#pragma once
#include "store/Records.h"

#include <vector>

// The total row the bill history shows under its bills: "统计汇总", the sum of the bills'
// quantities (each read from its leading digits) and the exact sum of their amounts with two
// decimals; the other fields are empty.
BillHeaderRecord HistoryTotalRow(const std::vector<BillHeaderRecord>& bills);
