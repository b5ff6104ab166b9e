// libFuzzer target: the JSON reader and the bill-file reader never crash on any input. What the
// reader accepts is JSON to the library's own strict check and reads back the same once written;
// what it refuses is named with a line and column inside the text.
#include "bills/BillFile.h"
#include "text/JsonReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
// The number after `label` in `message`, 0 when there is none.
unsigned long NumberAfter(const std::string& message, const std::string& label) {
    size_t at = message.find(label);
    return at == std::string::npos ? 0
                                   : std::strtoul(message.c_str() + at + label.size(), nullptr, 10);
}

void CheckRefusal(const std::string& text, const std::string& error) {
    if (error.starts_with("文件不是有效的 UTF-8 文本（第 ")) {
        unsigned long byte = NumberAfter(error, "（第 ");
        if (byte < 1 || byte > text.size())
            __builtin_trap();
        return;
    }
    if (!error.starts_with("JSON 格式错误（第 "))
        __builtin_trap();
    unsigned long line = NumberAfter(error, "（第 ");
    unsigned long column = NumberAfter(error, " 行第 ");
    auto lines = static_cast<unsigned long>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (line < 1 || line > lines || column < 1 || column > text.size() + 1)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    if (auto doc = ParseJson(text, &error)) {
        if (!JsonValue::accept(text))
            __builtin_trap();
        auto again = ParseJson(doc->dump(), &error);
        if (!again || *again != *doc)
            __builtin_trap();
    } else {
        CheckRefusal(text, error);
    }

    GoodsRecord pen;
    pen.Code = "G1";
    pen.ProductName = "Pen";
    pen.PriceIn = "19.99";
    auto find = [&](const std::string& code) -> std::optional<GoodsRecord> {
        if (code == "G1")
            return pen;
        return std::nullopt;
    };
    ReadBillFile(BillKind::Purchase, text, find, &error);
    ReadBillFile(BillKind::Price, text, find, &error);
    return 0;
}
