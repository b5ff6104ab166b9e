#pragma once
#include "text/Money.h"

#include <cstdint>
#include <optional>

// The moving weighted average cost of one stock row (加权平均法), in exact ten-thousandths.

// The cost price after `added` units worth `addedTotal` join `held` units at `cost`:
// (held·cost + addedTotal) / (held + added), rounded half up to four decimals. A negative
// `added` takes units out at their own value (a reversed purchase). Nothing when no units would
// remain; a result below zero is zero.
std::optional<CMoney> AverageCost(int64_t held, CMoney cost, int64_t added, CMoney addedTotal);

// What `quantity` units cost at `costPrice`, rounded to two decimals as a line stores it;
// nothing on overflow.
std::optional<CMoney> LineCost(CMoney costPrice, int64_t quantity);
