#include "Clock.h"

#include <utility>

namespace {
std::function<std::time_t()>& ClockFn() {
    static std::function<std::time_t()> fn;
    return fn;
}
} // namespace

std::time_t ClockNow() {
    auto& fn = ClockFn();
    return fn ? fn() : std::time(nullptr);
}

std::function<std::time_t()> SetClockForTest(std::function<std::time_t()> clock) {
    return std::exchange(ClockFn(), std::move(clock));
}

std::string FormatLocalTime(const char* format, std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[128];
    size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

std::string FormatNow(const char* format) {
    return FormatLocalTime(format, ClockNow());
}

std::string TodayIso() {
    return FormatNow("%Y-%m-%d");
}
