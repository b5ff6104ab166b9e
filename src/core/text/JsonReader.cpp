#include "JsonReader.h"

#include "Utf8.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <unordered_set>
#include <vector>

namespace {
constexpr size_t kMaxDepth = 64;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
const char* const kNul = "字符串中不允许 NUL 字符";
const char* const kSurrogate = "不成对的代理字符";

// Hands the text to the parser and counts the bytes it has taken, so that a fault found in a
// value the parser has just read can be placed. The parser takes a NUL byte for the end of the
// text; it is handed on as another control character instead, to be refused where it stands.
class CCountingReader {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    CCountingReader(const char* at, const char* begin, size_t* taken)
        : m_at(at), m_begin(begin), m_taken(taken) {}
    char operator*() const { return *m_at == '\0' ? '\x01' : *m_at; }
    CCountingReader& operator++() {
        ++m_at;
        *m_taken = static_cast<size_t>(m_at - m_begin);
        return *this;
    }
    CCountingReader operator++(int) {
        CCountingReader before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CCountingReader& other) const { return m_at == other.m_at; }

private:
    const char* m_at;
    const char* m_begin;
    size_t* m_taken;
};

// Builds the document from the parser's events, refusing what JSON allows but a file of this
// program must not hold, and turns the parser's faults into the program's messages, placed where
// the fault is.
class CDocumentBuilder final : public nlohmann::json_sax<JsonValue> {
public:
    CDocumentBuilder(std::string_view text, const size_t& taken) : m_text(text), m_taken(taken) {}

    JsonValue TakeDocument() { return std::move(m_document); }
    size_t FaultOffset() const { return m_faultOffset; }
    const char* Fault() const { return m_fault ? m_fault : "无法识别的值"; }

    bool null() override { return Put(nullptr); }
    bool boolean(bool value) override { return Put(value); }
    bool number_integer(number_integer_t value) override { return Put(value); }
    bool number_unsigned(number_unsigned_t value) override { return Put(value); }
    bool number_float(number_float_t value, const string_t&) override { return Put(value); }
    bool string(string_t& value) override {
        if (value.find('\0') != string_t::npos)
            return Refuse(NulEscapeEnd(StringStart(m_taken), m_taken).value_or(m_taken), kNul);
        return Put(std::move(value));
    }
    bool binary(binary_t&) override { return false; } // JSON text has no binary values
    bool start_object(std::size_t) override { return Open(JsonValue::object()); }
    bool key(string_t& name) override {
        const size_t start = StringStart(m_taken);
        if (name.find('\0') != string_t::npos)
            return Refuse(NulEscapeEnd(start, m_taken).value_or(m_taken), kNul);
        if (!m_open.back().names.insert(name).second)
            return Refuse(start, "成员名重复");
        m_name = std::move(name);
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(JsonValue::array()); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t position, const std::string& lastToken,
                     const JsonValue::exception& fault) override;

private:
    struct OpenContainer {
        JsonValue* value;
        std::unordered_set<std::string> names; // an object's member names so far
    };

    bool Refuse(size_t offset, const char* what) {
        m_faultOffset = offset;
        m_fault = what;
        return false;
    }

    bool Put(JsonValue value) {
        if (m_open.empty()) {
            m_document = std::move(value);
            m_last = &m_document;
        } else if (auto* members = m_open.back().value->get_ptr<JsonValue::object_t*>()) {
            // Names are known to be new: appended without the map's linear search.
            auto& list = static_cast<JsonValue::object_t::Container&>(*members);
            m_last = &list.emplace_back(std::move(m_name), std::move(value)).second;
        } else {
            m_open.back().value->push_back(std::move(value));
            m_last = &m_open.back().value->back();
        }
        return true;
    }

    bool Open(JsonValue container) {
        if (m_open.size() > kMaxDepth)
            return Refuse(m_taken - 1, "嵌套层次太深");
        Put(std::move(container));
        m_open.push_back({m_last, {}});
        return true;
    }

    bool Close() {
        m_open.pop_back();
        return true;
    }

    // The opening quote of the string just read, whose closing quote ends at `end`. Inside a
    // string a quote is always escaped: the opening one is the first quote before the closing
    // one with an even number of backslashes in front of it.
    size_t StringStart(size_t end) const {
        if (end < 2)
            return 0;
        for (size_t i = std::min(end, m_text.size()) - 1; i-- > 0;) {
            if (m_text[i] != '"')
                continue;
            size_t slashes = 0;
            while (slashes < i && m_text[i - 1 - slashes] == '\\')
                ++slashes;
            if (slashes % 2 == 0)
                return i;
        }
        return 0;
    }

    // Where the first \u0000 escape of the string starting at `start` ends, if one ends by `limit`.
    std::optional<size_t> NulEscapeEnd(size_t start, size_t limit) const {
        for (size_t i = start + 1; i + 6 <= limit && i + 6 <= m_text.size(); ++i) {
            if (m_text[i] != '\\')
                continue;
            if (m_text.substr(i + 1, 5) == "u0000")
                return i + 6;
            ++i; // the escaped character; \u's digits hold no backslash
        }
        return std::nullopt;
    }

    // The start of a literal that the parser could not read, the fault being at `at`: what it
    // had read of "true", "false" or "null" goes before. An unknown character starts its own.
    size_t LiteralStart(size_t at) const {
        for (std::string_view word : {"true", "false", "null"}) {
            for (size_t k = word.size() - 1; k >= 1; --k) {
                if (at >= k && m_text.substr(at - k, k) == word.substr(0, k))
                    return at - k;
            }
        }
        return at;
    }

    bool StringFault(std::string_view what, size_t start, size_t position);

    std::string_view m_text;
    const size_t& m_taken;
    JsonValue m_document;
    JsonValue* m_last = nullptr;
    std::vector<OpenContainer> m_open;
    std::string m_name; // the member whose value comes next
    size_t m_faultOffset = 0;
    const char* m_fault = nullptr;
};

// The parser reports a fault as the bytes taken so far (the end of the text counting as one),
// the text of the token it was reading and its own English description, which names what it was
// parsing, the token it met and what it expected. The message and place given are those of the
// first rule of the grammar that the text breaks.
bool CDocumentBuilder::parse_error(std::size_t position, const std::string& lastToken,
                                   const JsonValue::exception& fault) {
    const size_t size = m_text.size();
    const size_t end = std::min(position, size);
    // The token text of a string or a number holds that token as read so far, where a control
    // character shows as "<U+0001>"; only the last one read can be one.
    size_t tokenLength = lastToken.size();
    if (position <= size && position > 0 && static_cast<unsigned char>(m_text[position - 1]) < 0x20)
        tokenLength -= std::min<size_t>(tokenLength, 7);
    const size_t tokenStart = end - std::min(end, tokenLength);
    if (fault.id == 406)
        return Refuse(tokenStart, "数字超出范围");

    const std::string_view what = fault.what();
    const size_t contextAt = what.find("while parsing ");
    const size_t dash = what.find(" - ", contextAt);
    if (contextAt == std::string_view::npos || dash == std::string_view::npos)
        return Refuse(position ? position - 1 : 0, "无法识别的值");
    const std::string_view context = what.substr(contextAt + 14, dash - contextAt - 14);
    const std::string_view detail = what.substr(dash + 3);

    // Where the token that broke the rule starts, and what it was.
    size_t start = tokenStart;
    const bool lexical = !detail.starts_with("unexpected ");
    const bool atEnd = detail.starts_with("unexpected end of input");
    const bool inString = detail.starts_with("invalid string");
    if (atEnd) {
        start = size;
    } else if (!lexical) {
        const std::string_view token = detail.substr(11);
        if (token.starts_with("true") || token.starts_with("null"))
            start = end - 4;
        else if (token.starts_with("false"))
            start = end - 5;
        else if (!token.starts_with("string") && !token.starts_with("number"))
            start = end - 1; // one of [ ] { } : ,
    } else if (detail.starts_with("invalid BOM")) {
        start = 0;
    } else if (!inString && !detail.starts_with("invalid number")) {
        start = LiteralStart(position - 1);
    }

    if (what.ends_with("; expected end of input"))
        return Refuse(start, "文档结束后还有多余的内容");
    if (context == "object separator")
        return Refuse(start, "成员名后需要冒号");
    if (context == "array")
        return Refuse(start, atEnd ? "数组没有结束的 ]" : "数组元素之间需要逗号");
    if (context == "object")
        return Refuse(start, atEnd ? "对象没有结束的 }" : "成员之间需要逗号");
    if (context == "object key" && !inString)
        return Refuse(start, "需要用引号括起的成员名");
    // A value or a member name belongs here: the fault is in the token itself.
    if (atEnd)
        return Refuse(start, "内容不完整");
    if (inString)
        return StringFault(detail, start, position);
    if (detail.starts_with("invalid number"))
        return Refuse(position - 1, "数字格式不正确");
    return Refuse(start, "无法识别的值");
}

bool CDocumentBuilder::StringFault(std::string_view what, size_t start, size_t position) {
    const size_t size = m_text.size();
    // A NUL escape before the fault is the first fault of the string.
    if (auto nul = NulEscapeEnd(start, position - 1))
        return Refuse(*nul, kNul);
    if (what.find("missing closing quote") != std::string_view::npos)
        return Refuse(size, "字符串没有结束的引号");
    if (what.find("control character") != std::string_view::npos)
        return Refuse(position - 1, "字符串中有控制字符");
    if (what.find("after backslash") != std::string_view::npos) {
        if (position > size)
            return Refuse(size, "字符串没有结束的引号");
        return Refuse(position, "无效的转义字符");
    }
    if (what.find("4 hex digits") != std::string_view::npos) {
        // Four digits that would run past the end are missing from where they start.
        const size_t digits = m_text.rfind('u', position - 2) + 1;
        return Refuse(digits + 4 > size ? digits : position, "\\u 后面需要四位十六进制数字");
    }
    if (what.find("must follow") != std::string_view::npos)
        return Refuse(position, kSurrogate);
    if (what.find("must be followed by U+DC00") != std::string_view::npos) {
        // The low half is missing where it should start, or it was read and is not one.
        if (position <= size && position >= 6 && m_text[position - 6] == '\\' &&
            m_text[position - 5] == 'u')
            return Refuse(position, kSurrogate);
        if (position >= 2 && m_text[position - 2] == '\\')
            return Refuse(position - 2, kSurrogate);
        return Refuse(position - 1, kSurrogate);
    }
    return Refuse(position - 1, "字符串中有控制字符");
}

std::string Where(std::string_view text, size_t offset) {
    size_t line = 1, column = 1;
    // An editor shows no column for the byte-order mark.
    const size_t from = text.starts_with(kBom) ? kBom.size() : 0;
    for (size_t i = from; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "JSON 格式错误（第 " + std::to_string(line) + " 行第 " + std::to_string(column) +
           " 列）：";
}
} // namespace

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
    if (auto bad = FirstInvalidUtf8(text)) {
        if (error)
            *error = "文件不是有效的 UTF-8 文本（第 " + std::to_string(*bad + 1) + " 个字节）";
        return std::nullopt;
    }
    size_t taken = 0;
    CDocumentBuilder builder(text, taken);
    const char* begin = text.data();
    if (JsonValue::sax_parse(CCountingReader(begin, begin, &taken),
                             CCountingReader(begin + text.size(), begin, &taken), &builder))
        return builder.TakeDocument();
    if (error)
        *error = Where(text, builder.FaultOffset()) + builder.Fault();
    return std::nullopt;
}
