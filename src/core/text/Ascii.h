#pragma once
#include <algorithm>
#include <string>
#include <string_view>

// The case of the ASCII letters alone, whatever the locale: names of tables, encodings, entities
// and operators compare so, and bytes of other scripts are left as they are.
inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return AsciiLower(c); });
    return s;
}

inline bool AsciiEqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}
