#pragma once
#include "BillBrowse.h"

// 上一张 / 下一张 over every kind a bill window walks: the trade kinds as BrowseStep walks
// them, and the transfers, whose table holds one row per line (a bill is the run of rows
// with its number).
BrowseTarget WindowBrowseStep(BillKind kind, const std::optional<std::string>& shown,
                              BrowseDirection direction, bool canEnter);
BrowseButtons WindowBrowseButtonStates(BillKind kind, const std::optional<std::string>& shown,
                                       bool canEnter);
