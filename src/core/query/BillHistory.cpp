#include "BillHistory.h"

#include "text/Money.h"

#include <cstdint>

BillHeaderRecord HistoryTotalRow(const std::vector<BillHeaderRecord>& bills) {
    int64_t quantity = 0;
    CMoneySum amount;
    for (const auto& b : bills) {
        // Saturate rather than wrap: a total row must never turn negative by overflow.
        if (__builtin_add_overflow(quantity, LeadingInteger(b.Number), &quantity))
            quantity = INT64_MAX;
        amount += CMoney::ParseOrZero(b.Total);
    }
    BillHeaderRecord total;
    total.Bill_ID = "统计汇总";
    total.Number = std::to_string(quantity);
    total.Total = amount.Format2();
    return total;
}
