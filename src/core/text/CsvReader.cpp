#include "CsvReader.h"

#include "Utf8.h"

std::optional<std::vector<CsvRecord>> ParseCsv(std::string_view text, std::string* error) {
    auto fail = [&](size_t line, const char* what) -> std::optional<std::vector<CsvRecord>> {
        if (error)
            *error = "CSV 格式错误（第 " + std::to_string(line) + " 行）：" + what;
        return std::nullopt;
    };
    if (auto bad = FirstInvalidUtf8(text)) {
        size_t line = 1;
        for (size_t i = 0; i < *bad; ++i)
            line += text[i] == '\n';
        return fail(line, "不是有效的 UTF-8 文本");
    }
    size_t pos = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    const size_t n = text.size();
    std::vector<CsvRecord> records;
    size_t line = 1;

    // Consumes a line break at pos, if any; true when one was there.
    auto lineBreak = [&]() {
        if (pos < n && text[pos] == '\r') {
            ++pos;
            if (pos < n && text[pos] == '\n')
                ++pos;
            ++line;
            return true;
        }
        if (pos < n && text[pos] == '\n') {
            ++pos;
            ++line;
            return true;
        }
        return false;
    };

    while (pos < n) {
        CsvRecord record;
        record.line = line;
        for (;;) {
            std::string field;
            if (pos < n && text[pos] == '"') {
                size_t openedOn = line;
                ++pos;
                for (;;) {
                    if (pos >= n)
                        return fail(openedOn, "引号没有闭合");
                    char c = text[pos];
                    if (c == '"') {
                        if (pos + 1 < n && text[pos + 1] == '"') {
                            field += '"';
                            pos += 2;
                            continue;
                        }
                        ++pos;
                        break;
                    }
                    if (c == '\n' || (c == '\r' && !(pos + 1 < n && text[pos + 1] == '\n')))
                        ++line;
                    field += c;
                    ++pos;
                }
                if (pos < n && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n')
                    return fail(line, "右引号后面有多余的字符");
            } else {
                while (pos < n && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') {
                    if (text[pos] == '"')
                        return fail(line, "不带引号的字段中出现了引号");
                    field += text[pos++];
                }
            }
            record.fields.push_back(std::move(field));
            if (pos < n && text[pos] == ',') {
                ++pos;
                continue;
            }
            lineBreak();
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}
