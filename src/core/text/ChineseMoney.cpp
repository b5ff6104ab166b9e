#include "ChineseMoney.h"

#include <cstdint>

namespace {

constexpr const char* kDigits[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
constexpr const char* kPlaces[] = {"", "拾", "佰", "仟"};

// A group of four digits (1..9999) without leading zeros: 1005 → 壹仟零伍, 10 → 壹拾.
std::string Group(uint64_t n) {
    std::string out;
    bool zeroPending = false;
    for (int place = 3; place >= 0; --place) {
        uint64_t scale = 1;
        for (int i = 0; i < place; ++i)
            scale *= 10;
        const uint64_t digit = n / scale % 10;
        if (digit == 0) {
            zeroPending = !out.empty();
            continue;
        }
        if (zeroPending)
            out += kDigits[0];
        zeroPending = false;
        out += kDigits[digit];
        out += kPlaces[place];
    }
    return out;
}

// A whole number of yuan above zero. Each lower part that does not fill its groups' leading
// place is joined with one 零: 壹万零壹拾, 壹拾亿零壹.
std::string Whole(uint64_t n) {
    constexpr uint64_t kYi = 100000000, kWan = 10000;
    if (n >= kYi) {
        const uint64_t low = n % kYi;
        std::string out = Whole(n / kYi) + "亿";
        if (low != 0)
            out += (low < kYi / 10 ? kDigits[0] : "") + Whole(low);
        return out;
    }
    if (n >= kWan) {
        const uint64_t low = n % kWan;
        std::string out = Group(n / kWan) + "万";
        if (low != 0)
            out += (low < kWan / 10 ? kDigits[0] : "") + Group(low);
        return out;
    }
    return Group(n);
}

} // namespace

std::string ChineseCapitalAmount(CMoney amount) {
    // The magnitude in 128 bits: the most negative amount has no positive twin in 64.
    __int128 units = amount.Units();
    const bool negative = units < 0;
    if (negative)
        units = -units;
    const auto cents = static_cast<uint64_t>((units + 50) / 100);
    const uint64_t yuan = cents / 100;
    const uint64_t jiao = cents / 10 % 10;
    const uint64_t fen = cents % 10;
    if (cents == 0)
        return "零元整";

    std::string out = negative ? "负" : "";
    if (yuan != 0)
        out += Whole(yuan) + "元";
    if (jiao == 0 && fen == 0)
        return out + "整";
    if (jiao != 0) {
        out += kDigits[jiao];
        out += "角";
    } else if (yuan != 0) {
        out += kDigits[0]; // 壹佰元零伍分: the empty 角 is read out between 元 and 分
    }
    if (fen != 0) {
        out += kDigits[fen];
        out += "分";
    }
    return out;
}
