#include "TemplatePrint.h"

#include "StockView.h"

#include "config/DefaultFiles.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "rights/PriceVisibility.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "text/Ascii.h"
#include "text/Clock.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A template larger than this is not a print template; reading it whole would only hurt.
constexpr std::uintmax_t kMaxTemplateBytes = 32u * 1024u * 1024u;

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr OpenConverter(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status))
        return nullptr;
    return c;
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8WithSub(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()),
                         0xFFFD, nullptr, &status);
    std::u16string out(static_cast<size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), length, &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    return U_FAILURE(status) ? std::u16string() : out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strToUTF8WithSub(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), 0xFFFD,
                       nullptr, &status);
    std::string out(static_cast<size_t>(length), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), length, &length, text.data(), static_cast<int32_t>(text.size()),
                       0xFFFD, nullptr, &status);
    return U_FAILURE(status) ? std::string() : out;
}

bool IsValidUtf8(const std::string& bytes) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    return status != U_INVALID_CHAR_FOUND && status != U_TRUNCATED_CHAR_FOUND &&
           status != U_ILLEGAL_CHAR_FOUND;
}

// Bytes in some encoding → UTF-8; unreadable bytes become U+FFFD.
std::string DecodeWith(const std::string& bytes, const std::string& converter) {
    ConverterPtr c = OpenConverter(converter);
    if (!c)
        return std::string();
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucnv_toUChars(c.get(), nullptr, 0, bytes.data(),
                                   static_cast<int32_t>(bytes.size()), &status);
    std::u16string text(static_cast<size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    ucnv_toUChars(c.get(), text.data(), length, bytes.data(), static_cast<int32_t>(bytes.size()),
                  &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::string();
    return Utf16ToUtf8(text);
}

size_t FindNoCase(const std::string& hay, const std::string& needle, size_t from, size_t end) {
    if (needle.empty() || end < needle.size())
        return std::string::npos;
    for (size_t i = from; i + needle.size() <= end; ++i) {
        size_t k = 0;
        while (k < needle.size() && AsciiLower(hay[i + k]) == needle[k])
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string::npos;
}

// The charset of the first <meta ... charset=NAME ...> tag, lower-cased; empty when none.
std::string MetaCharset(const std::string& bytes) {
    size_t pos = 0;
    while ((pos = FindNoCase(bytes, "<meta", pos, bytes.size())) != std::string::npos) {
        size_t end = bytes.find('>', pos);
        if (end == std::string::npos)
            end = bytes.size();
        size_t at = FindNoCase(bytes, "charset", pos, end);
        if (at != std::string::npos) {
            size_t i = at + 7;
            while (i < end &&
                   (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
                ++i;
            if (i < end && bytes[i] == '=') {
                ++i;
                while (i < end && (bytes[i] == ' ' || bytes[i] == '"' || bytes[i] == '\''))
                    ++i;
                std::string name;
                while (i < end && (std::isalnum(static_cast<unsigned char>(bytes[i])) ||
                                   std::strchr("-_.:", bytes[i])))
                    name += bytes[i++];
                if (!name.empty())
                    return AsciiLower(name);
            }
        }
        pos = end;
    }
    return std::string();
}

// Names under which pages in the Chinese national code pages were declared. They are all read
// as GB18030 (a superset) and written back as GBK, the code page such pages really use.
bool IsGbkName(const std::string& name) {
    static const char* const names[] = {"gb2312",    "gbk",         "x-gbk",    "cp936",
                                        "ms936",     "windows-936", "csgb2312", "chinese",
                                        "iso-ir-58", "gb_2312-80",  "gb_2312",  "csiso58gb231280"};
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* n) { return name == n; });
}

HtmlFileEncoding Encoding(const std::string& decoder, const std::string& encoder,
                          const std::string& bom = std::string()) {
    HtmlFileEncoding e;
    e.decoder = decoder;
    e.encoder = encoder;
    e.bom = bom;
    return e;
}

HtmlFileEncoding DetectEncoding(const std::string& bytes) {
    struct Bom {
        const char* bytes;
        size_t size;
        const char* converter;
    };
    // Longer marks first: the UTF-32LE mark begins with the UTF-16LE one.
    static const Bom boms[] = {
        {"\xEF\xBB\xBF", 3, "UTF-8"},        {"\xFF\xFE\x00\x00", 4, "UTF-32LE"},
        {"\x00\x00\xFE\xFF", 4, "UTF-32BE"}, {"\x84\x31\x95\x33", 4, "GB18030"},
        {"\xFF\xFE", 2, "UTF-16LE"},         {"\xFE\xFF", 2, "UTF-16BE"}};
    for (const Bom& b : boms) {
        if (bytes.size() >= b.size && bytes.compare(0, b.size, b.bytes, b.size) == 0)
            return Encoding(b.converter, b.converter, std::string(b.bytes, b.size));
    }
    std::string declared = MetaCharset(bytes);
    if (!declared.empty()) {
        if (IsGbkName(declared))
            return Encoding("GB18030", "GBK");
        // A page read as ASCII-compatible bytes cannot be UTF-16 or UTF-32, whatever it says.
        if (declared.rfind("utf-16", 0) == 0 || declared.rfind("utf-32", 0) == 0 ||
            declared == "unicode")
            return Encoding("UTF-8", "UTF-8");
        if (OpenConverter(declared))
            return Encoding(declared, declared);
    }
    if (IsValidUtf8(bytes))
        return Encoding("UTF-8", "UTF-8");
    return Encoding("GB18030", "GBK");
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty())
        return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

// Replaces every marker in one pass, so a value that happens to contain a marker's text is
// printed as it is instead of being filled in again.
std::string ReplaceMarkers(const std::string& text,
                           const std::vector<std::pair<std::string, std::string>>& markers) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const std::pair<std::string, std::string>* hit = nullptr;
        if (text[i] == '{' || text[i] == '[') {
            for (const auto& m : markers) {
                if (text.compare(i, m.first.size(), m.first) == 0) {
                    hit = &m;
                    break;
                }
            }
        }
        if (hit) {
            out += hit->second;
            i += hit->first.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The template's lines, each ended by "\r\n" (a last line without a line end gains one).
std::string JoinLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 2);
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string::npos ? text.size() : nl;
        size_t lineEnd = end;
        if (nl != std::string::npos && lineEnd > start && text[lineEnd - 1] == '\r')
            --lineEnd;
        out.append(text, start, lineEnd - start);
        out += "\r\n";
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    return out;
}

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

bool WriteWholeFile(const fs::path& path, const std::string& bytes, std::string& error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = ErrnoText(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int writeError = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        writeError = errno;
    }
    if (!ok)
        error = ErrnoText(writeError ? writeError : EIO);
    return ok;
}

} // namespace

std::string EscapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string FillTemplate(const std::string& templateText, const TemplateMarkers& document,
                         const std::vector<TemplateMarkers>& rows) {
    static const std::string kStart = "{Data:start}";
    static const std::string kEnd = "{Data:end}";
    std::string text = JoinLines(templateText);

    // The repeated block: the shortest stretch from the first start marker to an end marker.
    std::string block;
    size_t start = text.find(kStart);
    if (start != std::string::npos) {
        size_t end = text.find(kEnd, start + kStart.size());
        if (end != std::string::npos)
            block = text.substr(start, end + kEnd.size() - start);
    }

    TemplateMarkers documentMarkers;
    for (const auto& [marker, value] : document)
        documentMarkers.emplace_back(marker, EscapeHtml(value));
    text = ReplaceMarkers(text, documentMarkers);
    if (block.empty())
        return text;
    // The block as it now stands in the text: a document marker inside it is filled in the
    // rows too, instead of losing every row.
    std::string filledBlock = ReplaceMarkers(block, documentMarkers);
    std::string rowTemplate = filledBlock;
    ReplaceAll(rowTemplate, kStart, "");
    ReplaceAll(rowTemplate, kEnd, "");

    std::string rowsText;
    int number = 0;
    for (const TemplateMarkers& row : rows) {
        TemplateMarkers rowMarkers;
        for (const auto& [marker, value] : row)
            rowMarkers.emplace_back(marker, EscapeHtml(value));
        rowMarkers.emplace_back("[Data:id]", std::to_string(++number));
        rowsText += ReplaceMarkers(rowTemplate, rowMarkers);
    }
    ReplaceAll(text, filledBlock, rowsText);
    return text;
}

std::string FillStockTemplate(const std::string& templateText, const StockPrintInput& input) {
    std::vector<TemplateMarkers> rows;
    rows.reserve(input.rows.size());
    for (const StockRecord& row : input.rows) {
        rows.push_back({{"[Data:product_code]", row.ProductCode},
                        {"[Data:product_name]", row.ProductName},
                        {"[Data:product_number]", row.Number},
                        {"[Data:product_price]", row.Price},
                        {"[Data:firsttime]", row.FirstEnterTime},
                        {"[Data:storehouse]", row.StoreHouse}});
    }
    return FillTemplate(templateText,
                        {{"{temp:Company_Name}", input.companyName},
                         {"{temp:Warehouse}", input.warehouse},
                         {"{temp:Class}", input.className},
                         {"{temp:PrintDate}", input.printDate},
                         {"[Doc:TotalValue]", input.totalValue}},
                        rows);
}

std::string FillStatementTemplate(const std::string& templateText,
                                  const UnitStatementRecord& statement,
                                  const std::string& companyName, const std::string& printDate) {
    std::vector<TemplateMarkers> rows;
    rows.reserve(statement.Lines.size());
    for (const StatementLineRecord& l : statement.Lines) {
        rows.push_back({{"[Data:bill_date]", l.Bill_Date},
                        {"[Data:bill_id]", l.Bill_ID},
                        {"[Data:kind]", l.Kind},
                        {"[Data:increase]", l.Increase},
                        {"[Data:decrease]", l.Decrease},
                        {"[Data:balance]", l.Balance}});
    }
    return FillTemplate(templateText,
                        {{"{temp:Company_Name}", companyName},
                         {"{temp:Customer}", statement.Customer},
                         {"{temp:From}", statement.From},
                         {"{temp:To}", statement.To},
                         {"{temp:Opening}", statement.Opening},
                         {"{temp:Increase}", statement.Increase},
                         {"{temp:Decrease}", statement.Decrease},
                         {"{temp:Closing}", statement.Closing},
                         {"{temp:PrintDate}", printDate}},
                        rows);
}

std::string DecodeHtmlBytes(const std::string& raw, HtmlFileEncoding* encoding) {
    HtmlFileEncoding found = DetectEncoding(raw);
    std::string cleaned;
    const std::string* source = &raw;
    // In a byte encoding a NUL is only noise; without it the charset declaration is found as it
    // will be in the page written back.
    if (found.decoder.rfind("UTF-16", 0) != 0 && found.decoder.rfind("UTF-32", 0) != 0 &&
        raw.find('\0') != std::string::npos) {
        cleaned = raw;
        std::erase(cleaned, '\0');
        found = DetectEncoding(cleaned);
        source = &cleaned;
    }
    const std::string& bytes = *source;
    std::string body = bytes.substr(found.bom.size());
    std::string text =
        found.decoder == "UTF-8" ? Utf16ToUtf8(Utf8ToUtf16(body)) : DecodeWith(body, found.decoder);
    // NUL has no place in a page, and a page starting with one would be written as FF FE 00 00,
    // which reads back as UTF-32.
    std::erase(text, '\0');
    if (encoding)
        *encoding = found;
    return text;
}

std::string EncodeHtmlText(const std::string& utf8, const HtmlFileEncoding& encoding) {
    std::string out = encoding.bom;
    if (encoding.encoder == "UTF-8")
        return out + Utf16ToUtf8(Utf8ToUtf16(utf8));
    ConverterPtr c = OpenConverter(encoding.encoder);
    if (!c)
        return out + utf8;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_ESCAPE, UCNV_ESCAPE_XML_DEC, nullptr,
                          nullptr, &status);
    std::u16string text = Utf8ToUtf16(utf8);
    status = U_ZERO_ERROR;
    int32_t length = ucnv_fromUChars(c.get(), nullptr, 0, text.data(),
                                     static_cast<int32_t>(text.size()), &status);
    std::string bytes(static_cast<size_t>(length), '\0');
    status = U_ZERO_ERROR;
    ucnv_fromUChars(c.get(), bytes.data(), length, text.data(), static_cast<int32_t>(text.size()),
                    &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return out + utf8;
    return out + bytes;
}

std::optional<std::string> ReadHtmlFile(const fs::path& path, const char* what,
                                        HtmlFileEncoding* encoding) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        Messages().Inform(std::string("找不到") + what + "文件：" + path.string() +
                          "\r\n请检查程序文件夹中的这个文件。");
        return std::nullopt;
    }
    auto unreadable = [&](const std::string& reason) -> std::optional<std::string> {
        Messages().Inform(std::string("无法读取") + what + "文件：" + path.string() + "\r\n" +
                          reason);
        return std::nullopt;
    };
    if (!fs::is_regular_file(path, ec))
        return unreadable("这不是一个文件。");
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return unreadable(ec.message());
    if (size > kMaxTemplateBytes)
        return unreadable("文件太大（" + std::to_string(size) + " 字节）。");
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return unreadable(ErrnoText(errno));
    std::string bytes(static_cast<size_t>(size), '\0');
    size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    bool failed = std::ferror(f) != 0;
    int readError = errno;
    std::fclose(f);
    if (failed)
        return unreadable(ErrnoText(readError ? readError : EIO));
    bytes.resize(got);
    return DecodeHtmlBytes(bytes, encoding);
}

std::optional<fs::path> WritePrintPage(const std::string& templateFile,
                                       const std::string& printFile,
                                       const std::function<std::string(const std::string&)>& fill) {
    fs::path folder = ProgramFolder();
    HtmlFileEncoding encoding;
    std::optional<std::string> templateText =
        ReadHtmlFile(folder / templateFile, "打印模板", &encoding);
    if (!templateText)
        return std::nullopt;
    std::string page = EncodeHtmlText(fill(*templateText), encoding);

    fs::path out = folder / printFile;
    std::error_code ec;
    fs::create_directories(out.parent_path(), ec);
    if (ec) {
        Messages().Inform("无法创建文件夹：" + out.parent_path().string() + "\r\n" + ec.message());
        return std::nullopt;
    }
    std::string error;
    if (!WriteWholeFile(out, page, error)) {
        Messages().Inform("无法写入打印文件：" + out.string() + "\r\n" + error);
        return std::nullopt;
    }
    return out;
}

bool WriteTemplateWhenMissing(const fs::path& path, std::string_view text, std::string* error) {
    std::error_code ec;
    if (fs::exists(path, ec))
        return true;
    fs::create_directories(path.parent_path(), ec);
    std::string reason;
    if (!WriteWholeFile(path, std::string(text), reason)) {
        if (error)
            *error = "无法写入打印模板文件：" + path.string() + "\r\n" + reason;
        return false;
    }
    return true;
}

std::optional<fs::path> PrepareStockPrint(const std::string& warehouse,
                                          const std::string& className,
                                          const std::vector<StockRecord>& rows) {
    if (!CheckRight("stock_view", Action::Print))
        return std::nullopt;
    StockPrintInput input;
    input.companyName = Session().settings.CompanyName;
    input.warehouse = warehouse;
    input.className = className;
    input.printDate = FormatNow("%y-%m-%d");
    input.rows = rows;
    input.totalValue = StockTotalValueText(rows);
    // The page shows what the role sees: whichever way the rows came, a hidden price is "***".
    const CRoleRights& rights = Session().rights;
    for (StockRecord& row : input.rows)
        row.Price = ShownFigure(rights, PriceKind::Purchase, row.Price);
    input.totalValue = ShownFigure(rights, PriceKind::Cost, input.totalValue);
    return WritePrintPage(kStockTemplateFile, kStockPrintFile,
                          [&](const std::string& text) { return FillStockTemplate(text, input); });
}

std::optional<fs::path> PrepareStatementPrint(const UnitStatementRecord& statement) {
    if (!CheckRight("statement", Action::Print))
        return std::nullopt;
    // A program folder made before statements were printed has no template yet: it gets the
    // program's own, as a new folder does.
    std::string error;
    if (!WriteTemplateWhenMissing(ProgramFolder() / kStatementTemplateFile,
                                  kDefaultStatementTemplate, &error)) {
        Messages().Inform(error);
        return std::nullopt;
    }
    const std::string company = Session().settings.CompanyName;
    const std::string printDate = FormatNow("%y-%m-%d");
    return WritePrintPage(kStatementTemplateFile, kStatementPrintFile,
                          [&](const std::string& text) {
                              return FillStatementTemplate(text, statement, company, printDate);
                          });
}
