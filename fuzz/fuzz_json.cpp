// libFuzzer target: the JSON reader and the bill-file reader must never crash on any input.
#include "bills/BillFile.h"
#include "text/JsonReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    ParseJson(text, &error);
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
