#include "Utf8.h"

#include <cstdint>
#include <cstring>

std::optional<size_t> FirstInvalidUtf8(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < n) {
        // Runs of ASCII (markup, numbers) eight bytes at a time.
        uint64_t eight;
        while (i + 8 <= n &&
               (std::memcpy(&eight, text.data() + i, 8), !(eight & 0x8080808080808080u)))
            i += 8;
        if (i >= n)
            break;
        unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + len > n)
            return i;
        for (size_t k = 1; k < len; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += len;
    }
    return std::nullopt;
}
