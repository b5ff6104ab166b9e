#include "Money.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {
std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Sign, whole units and ten-thousandths of an amount.
struct Parts {
    bool negative;
    unsigned long long whole;
    int frac;
};
Parts Split(int64_t units) {
    __int128 u = units;
    const bool negative = u < 0;
    if (negative)
        u = -u;
    return {negative, static_cast<unsigned long long>(u / CMoney::kScale),
            static_cast<int>(u % CMoney::kScale)};
}

bool MulAdd(int64_t& acc, int64_t mul, int64_t add) {
    return !__builtin_mul_overflow(acc, mul, &acc) && !__builtin_add_overflow(acc, add, &acc);
}
} // namespace

std::optional<CMoney> CMoney::Parse(const std::string& raw) {
    std::string t = Trim(raw);
    if (t.empty())
        return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (t[i] == '+' || t[i] == '-') {
        negative = t[i] == '-';
        ++i;
    }
    int64_t whole = 0;
    bool anyDigit = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        if (!MulAdd(whole, 10, t[i] - '0'))
            return std::nullopt;
        anyDigit = true;
        ++i;
    }
    int64_t frac = 0;
    int fracDigits = 0;
    bool roundUp = false;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            anyDigit = true;
            if (fracDigits < 4) {
                frac = frac * 10 + (t[i] - '0');
                ++fracDigits;
            } else if (fracDigits == 4) {
                roundUp = t[i] >= '5';
                ++fracDigits;
            }
            ++i;
        }
    }
    if (!anyDigit || i != t.size())
        return std::nullopt;
    for (int d = std::min(fracDigits, 4); d < 4; ++d)
        frac *= 10;
    int64_t units = whole;
    if (!MulAdd(units, kScale, frac + (roundUp ? 1 : 0)))
        return std::nullopt;
    return CMoney(negative ? -units : units);
}

std::optional<CMoneySum> CMoneySum::Parse(const std::string& raw) {
    const std::string t = Trim(raw);
    size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (!t.empty() && (t[0] == '+' || t[0] == '-'))
        ++i;
    // Ten-thousandths as digits are read; 30 whole digits stay far inside 128 bits.
    __int128 units = 0;
    int wholeDigits = 0, fracDigits = 0;
    bool anyDigit = false, roundUp = false;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, anyDigit = true) {
        if (++wholeDigits > 30)
            return std::nullopt;
        units = units * 10 + (t[i] - '0');
    }
    if (i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, anyDigit = true) {
            if (fracDigits < 4)
                units = units * 10 + (t[i] - '0');
            else if (fracDigits == 4)
                roundUp = t[i] >= '5';
            ++fracDigits;
        }
    }
    if (!anyDigit || i != t.size())
        return std::nullopt;
    for (int d = std::min(fracDigits, 4); d < 4; ++d)
        units *= 10;
    units += roundUp ? 1 : 0;
    return Of(negative ? -units : units);
}

std::string CMoneySum::Format2() const {
    const bool negative = m_units < 0;
    unsigned __int128 u = negative ? static_cast<unsigned __int128>(-(m_units + 1)) + 1
                                   : static_cast<unsigned __int128>(m_units);
    u = (u + 50) / 100; // hundredths, half away from zero
    std::string digits;
    for (int i = 0; u != 0 || i < 3; ++i, u /= 10) {
        if (i == 2)
            digits.insert(digits.begin(), '.');
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
    }
    return negative && digits != "0.00" ? "-" + digits : digits;
}

std::optional<CMoney> CMoneySum::Narrow() const {
    if (m_units < std::numeric_limits<int64_t>::min() ||
        m_units > std::numeric_limits<int64_t>::max())
        return std::nullopt;
    return CMoney::FromUnits(static_cast<int64_t>(m_units));
}

CMoney CMoney::ParseOrZero(const std::string& text) {
    auto m = Parse(text);
    return m ? *m : CMoney();
}

std::string CMoney::Format2() const {
    // Round to hundredths, half away from zero.
    __int128 u = m_units;
    bool neg = u < 0;
    if (neg)
        u = -u;
    __int128 cents = (u + 50) / 100;
    auto whole = static_cast<unsigned long long>(cents / 100);
    int c = static_cast<int>(cents % 100);
    std::string s = std::to_string(whole);
    s += '.';
    s += static_cast<char>('0' + c / 10);
    s += static_cast<char>('0' + c % 10);
    if (neg && cents != 0)
        s.insert(s.begin(), '-');
    return s;
}

std::string CMoney::FormatExact() const {
    const Parts p = Split(m_units);
    std::string s = std::to_string(p.whole);
    if (p.frac != 0) {
        std::string f = std::to_string(p.frac + kScale).substr(1);
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        s += '.' + f;
    }
    return p.negative ? "-" + s : s;
}

std::string CMoney::Format4() const {
    const Parts p = Split(m_units);
    std::string s = std::to_string(p.whole) + '.' + std::to_string(p.frac + kScale).substr(1);
    return p.negative ? "-" + s : s;
}

CMoney CMoney::RoundedTo2() const {
    __int128 u = m_units;
    __int128 r = (u < 0 ? -u + 50 : u + 50) / 100 * 100;
    if (r > std::numeric_limits<int64_t>::max())
        r -= 100; // the largest amounts round down rather than overflow
    return CMoney(static_cast<int64_t>(u < 0 ? -r : r));
}

std::optional<CMoney> CMoney::TimesQuantity(int64_t quantity) const {
    int64_t r;
    if (__builtin_mul_overflow(m_units, quantity, &r))
        return std::nullopt;
    return CMoney(r);
}

std::string PriceText(const std::string& typed) {
    auto value = CMoney::Parse(typed);
    if (!value)
        return CMoney().FormatExact();
    std::string t = Trim(typed);
    size_t point = t.find('.');
    if (point == std::string::npos || t.size() - point - 1 <= 4)
        return t;
    return value->FormatExact();
}

size_t TypedDecimals(const std::string& text) {
    const std::string t = Trim(text);
    const size_t point = t.find('.');
    return point == std::string::npos ? 0 : t.size() - point - 1;
}

std::optional<int64_t> ParseWholeNumber(const std::string& raw) {
    std::string t = Trim(raw);
    if (t.empty())
        return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (t[0] == '+' || t[0] == '-') {
        negative = t[0] == '-';
        i = 1;
    }
    if (i == t.size())
        return std::nullopt;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return std::nullopt;
        if (!MulAdd(v, 10, t[i] - '0'))
            return std::nullopt;
    }
    return negative ? -v : v;
}

int64_t LeadingInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (!MulAdd(v, 10, text[i] - '0'))
            return negative ? std::numeric_limits<int64_t>::min()
                            : std::numeric_limits<int64_t>::max();
    }
    return negative ? -v : v;
}
