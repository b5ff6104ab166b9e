#pragma once
#include <ctime>
#include <functional>
#include <string>

// The program's notion of "now", replaceable so tests can fix it.
std::time_t ClockNow();
// nullptr restores the system clock. Returns the clock it replaces, so a caller that sets its
// own for a while can put the previous one back.
std::function<std::time_t()> SetClockForTest(std::function<std::time_t()> clock);
// strftime of the local time of `t` (default: now).
std::string FormatLocalTime(const char* format, std::time_t t);
std::string FormatNow(const char* format);
// Today as ISO yyyy-MM-dd (local time).
std::string TodayIso();
