#include "JsonReader.h"

#include "Utf8.h"

namespace {
constexpr int kMaxDepth = 64;

class CJsonParser {
public:
    explicit CJsonParser(std::string_view text) : m_text(text) {}

    std::optional<JsonValue> Document(std::string* error) {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_pos = 3;
        JsonValue v;
        SkipBlanks();
        if (Value(v, 0)) {
            SkipBlanks();
            if (m_pos == m_text.size())
                return v;
            Fail("文档结束后还有多余的内容");
        }
        if (error)
            *error = Where() + m_error;
        return std::nullopt;
    }

private:
    bool Fail(const char* what) {
        if (m_error.empty())
            m_error = what;
        return false;
    }

    std::string Where() const {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < m_pos && i < m_text.size(); ++i) {
            if (m_text[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(m_text[i]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        return "JSON 格式错误（第 " + std::to_string(line) + " 行第 " + std::to_string(column) +
               " 列）：";
    }

    void SkipBlanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    bool Literal(std::string_view word) {
        if (m_text.substr(m_pos, word.size()) != word)
            return Fail("无法识别的值");
        m_pos += word.size();
        return true;
    }

    bool Value(JsonValue& v, int depth) {
        if (depth > kMaxDepth)
            return Fail("嵌套层次太深");
        if (m_pos >= m_text.size())
            return Fail("内容不完整");
        char c = m_text[m_pos];
        switch (c) {
        case '{':
            return Object(v, depth);
        case '[':
            return Array(v, depth);
        case '"':
            v.type = JsonValue::Type::String;
            return String(v.text);
        case 't':
            v.type = JsonValue::Type::Bool;
            v.boolean = true;
            return Literal("true");
        case 'f':
            v.type = JsonValue::Type::Bool;
            return Literal("false");
        case 'n':
            return Literal("null");
        default:
            if (c == '-' || (c >= '0' && c <= '9'))
                return Number(v);
            return Fail("无法识别的值");
        }
    }

    bool Digits() {
        size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
            ++m_pos;
        return m_pos > start;
    }

    bool Number(JsonValue& v) {
        size_t start = m_pos;
        if (m_text[m_pos] == '-')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '0') {
            ++m_pos;
        } else if (!Digits()) {
            return Fail("数字格式不正确");
        }
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            if (!Digits())
                return Fail("数字格式不正确");
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            if (!Digits())
                return Fail("数字格式不正确");
        }
        v.type = JsonValue::Type::Number;
        v.text = std::string(m_text.substr(start, m_pos - start));
        return true;
    }

    bool Hex4(unsigned& out) {
        if (m_pos + 4 > m_text.size())
            return Fail("\\u 后面需要四位十六进制数字");
        out = 0;
        for (int i = 0; i < 4; ++i) {
            char c = m_text[m_pos++];
            out <<= 4;
            if (c >= '0' && c <= '9')
                out |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                out |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                out |= static_cast<unsigned>(c - 'A' + 10);
            else
                return Fail("\\u 后面需要四位十六进制数字");
        }
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool String(std::string& out) {
        ++m_pos; // opening quote
        out.clear();
        for (;;) {
            if (m_pos >= m_text.size())
                return Fail("字符串没有结束的引号");
            unsigned char c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c < 0x20)
                return Fail("字符串中有控制字符");
            if (c != '\\') {
                out += static_cast<char>(c);
                ++m_pos;
                continue;
            }
            if (++m_pos >= m_text.size())
                return Fail("字符串没有结束的引号");
            char e = m_text[m_pos++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned cp;
                if (!Hex4(cp))
                    return false;
                if (cp >= 0xDC00 && cp <= 0xDFFF)
                    return Fail("不成对的代理字符");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    unsigned low;
                    if (m_text.substr(m_pos, 2) != "\\u")
                        return Fail("不成对的代理字符");
                    m_pos += 2;
                    if (!Hex4(low))
                        return false;
                    if (low < 0xDC00 || low > 0xDFFF)
                        return Fail("不成对的代理字符");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                if (cp == 0)
                    return Fail("字符串中不允许 NUL 字符");
                AppendUtf8(out, cp);
                break;
            }
            default:
                return Fail("无效的转义字符");
            }
        }
    }

    bool Array(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Array;
        ++m_pos;
        SkipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            SkipBlanks();
            v.items.emplace_back();
            if (!Value(v.items.back(), depth + 1))
                return false;
            SkipBlanks();
            if (m_pos >= m_text.size())
                return Fail("数组没有结束的 ]");
            if (m_text[m_pos] == ']') {
                ++m_pos;
                return true;
            }
            if (m_text[m_pos] != ',')
                return Fail("数组元素之间需要逗号");
            ++m_pos;
        }
    }

    bool Object(JsonValue& v, int depth) {
        v.type = JsonValue::Type::Object;
        ++m_pos;
        SkipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            SkipBlanks();
            if (m_pos >= m_text.size() || m_text[m_pos] != '"')
                return Fail("需要用引号括起的成员名");
            std::string key;
            size_t keyPos = m_pos;
            if (!String(key))
                return false;
            if (v.Find(key)) {
                m_pos = keyPos;
                return Fail("成员名重复");
            }
            SkipBlanks();
            if (m_pos >= m_text.size() || m_text[m_pos] != ':')
                return Fail("成员名后需要冒号");
            ++m_pos;
            SkipBlanks();
            v.members.push_back({std::move(key), JsonValue{}});
            if (!Value(v.members.back().value, depth + 1))
                return false;
            SkipBlanks();
            if (m_pos >= m_text.size())
                return Fail("对象没有结束的 }");
            if (m_text[m_pos] == '}') {
                ++m_pos;
                return true;
            }
            if (m_text[m_pos] != ',')
                return Fail("成员之间需要逗号");
            ++m_pos;
        }
    }

    std::string_view m_text;
    size_t m_pos = 0;
    std::string m_error;
};
} // namespace

const JsonValue* JsonValue::Find(const std::string& key) const {
    for (const auto& m : members) {
        if (m.name == key)
            return &m.value;
    }
    return nullptr;
}

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
    if (auto bad = FirstInvalidUtf8(text)) {
        if (error)
            *error = "文件不是有效的 UTF-8 文本（第 " + std::to_string(*bad + 1) + " 个字节）";
        return std::nullopt;
    }
    return CJsonParser(text).Document(error);
}
