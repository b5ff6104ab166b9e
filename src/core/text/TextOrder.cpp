#include "text/TextOrder.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace {
struct Gb18030Converter {
    UConverter* converter = nullptr;
    Gb18030Converter() {
        UErrorCode err = U_ZERO_ERROR;
        converter = ucnv_open("GB18030", &err);
        if (U_FAILURE(err))
            converter = nullptr;
    }
    ~Gb18030Converter() { ucnv_close(converter); }
};

// Sorting calls this many times; one converter per thread avoids opening one per comparison.
std::string Gb18030Bytes(std::string_view utf8) {
    // GB18030 keeps ASCII as it is: most goods codes need no conversion.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(utf8);
    thread_local Gb18030Converter gb;
    thread_local std::vector<UChar> wide;
    if (!gb.converter)
        return std::string(utf8);
    UErrorCode err = U_ZERO_ERROR;
    int32_t wideLength = 0;
    wide.resize(utf8.size() + 1);
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &wideLength, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &err);
    if (U_FAILURE(err))
        return std::string(utf8);
    std::string out(static_cast<size_t>(wideLength) * 4 + 4, '\0');
    err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(gb.converter, out.data(), static_cast<int32_t>(out.size()),
                                wide.data(), wideLength, &err);
    if (U_FAILURE(err))
        return std::string(utf8);
    out.resize(static_cast<size_t>(n));
    return out;
}

int CompareBytes(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0)
        return c < 0 ? -1 : 1;
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
} // namespace

int CompareTextOrder(const std::string& a, const std::string& b) {
    // A shared beginning orders nothing; only the rest from the first differing character on
    // needs converting. GB18030 keeps ASCII as it is, so ASCII-only rests compare directly.
    size_t i = 0;
    size_t n = std::min(a.size(), b.size());
    while (i < n && a[i] == b[i])
        ++i;
    if (i == a.size() || i == b.size())
        return CompareBytes(std::string_view(a).substr(i), std::string_view(b).substr(i));
    auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    while (i > 0 && (continuation(a[i]) || continuation(b[i])))
        --i;
    std::string_view ra = std::string_view(a).substr(i), rb = std::string_view(b).substr(i);
    auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (ascii(ra) && ascii(rb))
        return CompareBytes(ra, rb);
    int c = CompareBytes(Gb18030Bytes(ra), Gb18030Bytes(rb));
    return c != 0 ? c : CompareBytes(ra, rb);
}

bool TextOrderLess(const std::string& a, const std::string& b) {
    return CompareTextOrder(a, b) < 0;
}

std::string TextOrderKey(const std::string& text) {
    return Gb18030Bytes(text);
}

void SortByTextOrder(std::vector<std::string>& texts) {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(texts.size());
    for (auto& t : texts)
        keyed.emplace_back(Gb18030Bytes(t), std::move(t));
    // Equal keys fall back to the texts' own bytes, as CompareTextOrder does.
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = std::move(keyed[i].second);
}
