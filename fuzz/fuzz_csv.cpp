// libFuzzer target: the CSV reader must never crash, and what it reads must survive being
// written back and read again.
#include "text/CsvReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto records = ParseCsv(text, &error);
    if (!records)
        return 0;
    std::string again;
    for (const auto& r : *records) {
        for (size_t i = 0; i < r.fields.size(); ++i) {
            if (i)
                again += ',';
            again += '"';
            for (char c : r.fields[i])
                again += c == '"' ? std::string("\"\"") : std::string(1, c);
            again += '"';
        }
        again += "\r\n";
    }
    auto reread = ParseCsv(again, &error);
    if (!reread || reread->size() != records->size())
        std::abort();
    for (size_t i = 0; i < records->size(); ++i) {
        if ((*reread)[i].fields != (*records)[i].fields)
            std::abort();
    }
    return 0;
}
