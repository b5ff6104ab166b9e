#include "IsoDate.h"

bool IsIsoDate(const std::string& t) {
    if (t.size() != 10 || t[4] != '-' || t[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (t[i] < '0' || t[i] > '9')
            return false;
    }
    int year = std::stoi(t.substr(0, 4));
    int month = std::stoi(t.substr(5, 2));
    int day = std::stoi(t.substr(8, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= days;
}

std::optional<std::string> DateRangeRefusal(const std::string& from, const std::string& to) {
    if (from > to) // ISO dates order as texts
        return "开始日期不能晚于结束日期！";
    return std::nullopt;
}
