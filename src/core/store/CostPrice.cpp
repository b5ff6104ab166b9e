#include "CostPrice.h"

#include <limits>

std::optional<CMoney> AverageCost(int64_t held, CMoney cost, int64_t added, CMoney addedTotal) {
    const __int128 count = static_cast<__int128>(held) + added;
    if (count <= 0)
        return std::nullopt;
    const __int128 value = static_cast<__int128>(held) * cost.Units() + addedTotal.Units();
    if (value <= 0)
        return CMoney();
    const __int128 average = (2 * value + count) / (2 * count); // half up
    if (average > std::numeric_limits<int64_t>::max())
        return std::nullopt;
    return CMoney::FromUnits(static_cast<int64_t>(average));
}

std::optional<CMoney> LineCost(CMoney costPrice, int64_t quantity) {
    auto total = costPrice.TimesQuantity(quantity);
    if (!total)
        return std::nullopt;
    return total->RoundedTo2();
}
