#include "XlsxExport.h"

#include "port/MessagePort.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <system_error>

namespace fs = std::filesystem;

namespace {
constexpr int kMaxWholeDigits = 10;
constexpr int kMaxColumnWidth = 80;

bool Digits(const std::string& s, size_t from, size_t to) {
    if (from >= to || to > s.size())
        return false;
    for (size_t i = from; i < to; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

// The digits (checked already) as a number, without a copy of the text.
int Field(const std::string& s, size_t from, size_t length) {
    int value = 0;
    for (size_t i = from; i < from + length; ++i)
        value = value * 10 + (s[i] - '0');
    return value;
}

// "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", a real day of the calendar.
bool ReadDate(const std::string& s, lxw_datetime& out, bool& withTime) {
    if (s.size() != 10 && s.size() != 19)
        return false;
    if (!Digits(s, 0, 4) || s[4] != '-' || !Digits(s, 5, 7) || s[7] != '-' || !Digits(s, 8, 10))
        return false;
    withTime = s.size() == 19;
    if (withTime && (s[10] != ' ' || !Digits(s, 11, 13) || s[13] != ':' || !Digits(s, 14, 16) ||
                     s[16] != ':' || !Digits(s, 17, 19)))
        return false;
    out = lxw_datetime{Field(s, 0, 4), Field(s, 5, 2), Field(s, 8, 2), 0, 0, 0};
    if (withTime) {
        out.hour = Field(s, 11, 2);
        out.min = Field(s, 14, 2);
        out.sec = Field(s, 17, 2);
    }
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (out.year < 1900 || out.month < 1 || out.month > 12 || out.day < 1 ||
        out.day > kDays[out.month - 1] || out.hour > 23 || out.min > 59 || out.sec > 59)
        return false;
    const bool leap = (out.year % 4 == 0 && out.year % 100 != 0) || out.year % 400 == 0;
    return !(out.month == 2 && out.day == 29 && !leap);
}

// The length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
size_t Utf8SequenceAt(const std::string& s, size_t i) {
    const size_t n = s.size();
    const auto c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80           ? 1
                 : (c >> 5) == 0x6  ? 2
                 : (c >> 4) == 0xE  ? 3
                 : (c >> 3) == 0x1E ? 4
                                    : 0;
    bool ok = len > 0 && i + len <= n && !(len == 2 && c < 0xC2) && !(len == 4 && c > 0xF4);
    for (size_t k = 1; ok && k < len; ++k)
        ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && len == 3) {
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
    }
    if (ok && len == 4) {
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    return ok ? len : 0;
}

bool IsValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t len = Utf8SequenceAt(s, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

// A stored text written by another tool may not be UTF-8; a workbook must be, so each bad
// sequence becomes U+FFFD.
std::string ValidUtf8(const std::string& s) {
    std::string out;
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const size_t len = Utf8SequenceAt(s, i);
        if (len > 0) {
            out.append(s, i, len);
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// The cell's text for the library: the stored text itself when it is valid UTF-8 (nearly
// always), else its mended copy kept in `mended`.
const char* Utf8Text(const std::string& s, std::string& mended) {
    if (IsValidUtf8(s))
        return s.c_str();
    mended = ValidUtf8(s);
    return mended.c_str();
}

bool Wide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
}

std::string NumberFormat(int decimals) {
    return decimals == 0 ? std::string("0")
                         : "0." + std::string(static_cast<size_t>(decimals), '0');
}

bool IsFilled(const std::string& cell) {
    return !cell.empty() && cell != "***";
}

// The decimals of a plain decimal number as ReadXlsxNumber takes it, or -1 for any other text.
int NumberDecimals(const std::string& s) {
    const size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    const size_t dot = s.find('.');
    const size_t wholeEnd = dot == std::string::npos ? s.size() : dot;
    if (!Digits(s, start, wholeEnd))
        return -1;
    if (dot != std::string::npos && !Digits(s, dot + 1, s.size()))
        return -1;
    const size_t whole = wholeEnd - start;
    if (whole > 1 && s[start] == '0')
        return -1;
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(s.size() - dot - 1);
    if ((decimals == 0 && whole > kMaxWholeDigits) || whole + static_cast<size_t>(decimals) > 15)
        return -1;
    return decimals;
}

XlsxColumn InferKind(const std::vector<std::vector<std::string>>& rows, size_t column) {
    bool any = false;
    for (const auto& row : rows) {
        if (column >= row.size() || !IsFilled(row[column]))
            continue;
        if (NumberDecimals(row[column]) < 0)
            return XlsxColumn::Plain;
        any = true;
    }
    return any ? XlsxColumn::Number : XlsxColumn::Plain;
}
} // namespace

bool ReadXlsxNumber(const std::string& s, XlsxNumber& out) {
    const int decimals = NumberDecimals(s);
    if (decimals < 0)
        return false;
    // The nearest double, as strtod gives it, but without the locale and a copy of the text.
    const char* first = s.data();
    const char* last = s.data() + s.size();
    double value = 0;
    if (std::from_chars(first, last, value).ptr != last)
        return false;
    out.value = value;
    out.decimals = decimals;
    return true;
}

int XlsxTextWidth(const std::string& text) {
    int width = 0;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        len = std::min(len, text.size() - i);
        char32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
        for (size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        width += Wide(cp) ? 2 : 1;
        i += len;
    }
    return width;
}

bool IsXlsxPath(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".xlsx";
}

bool WriteXlsxFile(const fs::path& path, const std::vector<std::string>& header,
                   const std::vector<std::vector<std::string>>& rows,
                   const std::vector<XlsxColumn>& kinds) {
    const size_t columns = header.size();
    std::vector<XlsxColumn> kind(columns, XlsxColumn::Infer);
    std::vector<int> width(columns, 0);
    for (size_t c = 0; c < columns; ++c) {
        if (c < kinds.size())
            kind[c] = kinds[c];
        if (kind[c] == XlsxColumn::Infer)
            kind[c] = InferKind(rows, c);
        width[c] = XlsxTextWidth(header[c]);
    }
    for (const auto& row : rows) {
        for (size_t c = 0; c < columns && c < row.size(); ++c)
            width[c] = std::max(width[c], XlsxTextWidth(row[c]));
    }

    // Written beside the target and renamed over it, as the CSV export does.
    fs::path temp = path;
    temp += ".part";
    auto fail = [&](const std::string& why) {
        std::error_code ec;
        fs::remove(temp, ec);
        Messages().Inform("无法保存文件：" + path.string() + "\r\n" + why);
        return false;
    };
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go out as they are written: 60,000 rows stay small
    lxw_workbook* book = workbook_new_opt(temp.c_str(), &options);
    if (!book)
        return fail(std::generic_category().message(ENOMEM));
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    lxw_format* timeFormat = workbook_add_format(book);
    format_set_num_format(timeFormat, "yyyy-mm-dd hh:mm:ss");
    std::array<lxw_format*, 16> numberFormats{}; // a number has at most 15 decimals
    auto numberFormat = [&](int decimals) {
        lxw_format*& f = numberFormats[static_cast<size_t>(decimals)];
        if (!f) {
            f = workbook_add_format(book);
            format_set_num_format(f, NumberFormat(decimals).c_str());
        }
        return f;
    };

    lxw_error error = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        if (error == LXW_NO_ERROR)
            error = e;
    };
    for (size_t c = 0; c < columns; ++c)
        check(worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   std::min(width[c] + 2, kMaxColumnWidth), nullptr));
    for (size_t c = 0; c < columns; ++c)
        check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                                     ValidUtf8(header[c]).c_str(), bold));
    std::string mended;
    XlsxNumber number;
    lxw_datetime date;
    bool withTime = false;
    for (size_t r = 0; r < rows.size() && error == LXW_NO_ERROR; ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (size_t c = 0; c < columns && c < rows[r].size(); ++c) {
            const std::string& cell = rows[r][c];
            const auto col = static_cast<lxw_col_t>(c);
            if (cell.empty())
                continue;
            if (kind[c] == XlsxColumn::Number && ReadXlsxNumber(cell, number))
                check(worksheet_write_number(sheet, row, col, number.value,
                                             numberFormat(number.decimals)));
            else if (kind[c] == XlsxColumn::Plain && ReadDate(cell, date, withTime))
                check(worksheet_write_datetime(sheet, row, col, &date,
                                               withTime ? timeFormat : dateFormat));
            else
                check(worksheet_write_string(sheet, row, col, Utf8Text(cell, mended), nullptr));
        }
    }
    const lxw_error closed = workbook_close(book);
    check(closed);
    if (error != LXW_NO_ERROR)
        return fail(lxw_strerror(error));
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec)
        return fail(ec.message());
    return true;
}
