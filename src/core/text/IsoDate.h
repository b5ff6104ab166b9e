#pragma once
#include <optional>
#include <string>

// True for a real calendar date written yyyy-MM-dd ("2026-02-29" is not one).
bool IsIsoDate(const std::string& text);

// "开始日期不能晚于结束日期！" when the range [from, to] of two ISO dates is empty; nothing when
// it is not. Every dated list and report checks its range with it.
std::optional<std::string> DateRangeRefusal(const std::string& from, const std::string& to);
