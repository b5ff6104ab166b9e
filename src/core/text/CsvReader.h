#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One record of a CSV file and the line it starts on (1-based).
struct CsvRecord {
    size_t line = 0;
    std::vector<std::string> fields;
};

// Reads comma-separated values as RFC 4180 describes them: records end with CRLF (a bare LF
// or CR is accepted too), a field may be enclosed in double quotes and then hold commas, line
// breaks and doubled quotes. A leading UTF-8 byte-order mark is skipped; a final line break
// does not start an empty record. Malformed text (a quote inside an unquoted field, text after
// a closing quote, an unclosed quote, invalid UTF-8) gives nothing and a message naming the
// line in *error.
std::optional<std::vector<CsvRecord>> ParseCsv(std::string_view text, std::string* error);
