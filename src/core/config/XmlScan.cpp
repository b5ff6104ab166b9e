#include "config/XmlScan.h"

#include "config/XmlNamedReferences.h"
#include "text/Ascii.h"
#include "text/Encoding.h"

namespace {
bool AtEmptyTagClose(std::string_view text, size_t p) {
    return text[p] == '/' && p + 1 < text.size() && text[p + 1] == '>';
}

// Offset just past the closing quote of the quoted run at `p`; npos when it never closes.
size_t QuotedEnd(std::string_view text, size_t p) {
    size_t close = text.find(text[p], p + 1);
    return close == std::string_view::npos ? close : close + 1;
}
} // namespace

bool IsTagNameDelimiter(char c) {
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\r':
    case '<':
    case '>':
    case '=':
    case '\\':
    case '/':
    case '?':
    case '!':
    case '"':
    case '\'':
    case ';':
        return true;
    default:
        return false;
    }
}

size_t TagNameEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && !IsTagNameDelimiter(text[pos]))
        ++pos;
    return pos;
}

bool CanStartTagName(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 0x80;
}

bool IsWritableName(std::string_view name) {
    if (name.empty() || !CanStartTagName(name[0]))
        return false;
    for (char c : name) {
        if (IsTagNameDelimiter(c) || c == '&' || static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

TagScanResult ScanTagAttributes(std::string_view text, size_t pos,
                                const std::function<bool(const XmlAttributeToken&)>& onAttribute) {
    TagScanResult r;
    r.lastTokenEnd = pos;
    const size_t n = text.size();
    size_t p = pos;
    for (;;) {
        while (p < n && IsXmlSpace(text[p]))
            ++p;
        if (p >= n)
            return r;
        char c = text[p];
        if (c == '>') {
            r.end = TagScanEnd::Closed;
            r.tagEnd = p + 1;
            return r;
        }
        if (AtEmptyTagClose(text, p)) {
            r.end = TagScanEnd::Closed;
            r.tagEnd = p + 2;
            r.empty = true;
            return r;
        }
        if (c == '<') {
            r.end = TagScanEnd::Broken;
            r.tagEnd = p;
            return r;
        }
        if (c == '"' || c == '\'') {
            // A stray quoted run is stepped over whole, so a '>' inside it ends nothing.
            size_t e = QuotedEnd(text, p);
            if (e == std::string_view::npos)
                return r;
            p = e;
            continue;
        }
        if (c == '=' || c == '/') {
            ++p; // stray character
            continue;
        }
        XmlAttributeToken a;
        a.nameStart = p;
        while (p < n && !IsXmlSpace(text[p]) && text[p] != '=' && text[p] != '>' &&
               text[p] != '<' && text[p] != '"' && text[p] != '\'' && !AtEmptyTagClose(text, p))
            ++p;
        a.nameEnd = p;
        a.spanEnd = p;
        size_t q = p;
        while (q < n && IsXmlSpace(text[q]))
            ++q;
        if (q < n && text[q] == '=') {
            ++q;
            while (q < n && IsXmlSpace(text[q]))
                ++q;
            a.hasValue = true;
            if (q < n && (text[q] == '"' || text[q] == '\'')) {
                size_t e = QuotedEnd(text, q);
                if (e == std::string_view::npos)
                    return r;
                a.quoted = true;
                a.valueStart = q + 1;
                a.valueEnd = e - 1;
                a.spanEnd = e;
            } else {
                a.valueStart = q;
                while (q < n && !IsXmlSpace(text[q]) && text[q] != '>' && text[q] != '<' &&
                       !AtEmptyTagClose(text, q))
                    ++q;
                a.valueEnd = q;
                a.spanEnd = q;
            }
            p = a.spanEnd;
        }
        r.lastTokenEnd = a.spanEnd;
        if (!onAttribute(a))
            return r;
    }
}

namespace {
// Value of the first attribute `name` (any case) of the tag whose name ends at `nameEnd`.
bool FindAttributeIgnoringCase(std::string_view text, size_t nameEnd, std::string_view name,
                               std::string_view* value) {
    bool found = false;
    ScanTagAttributes(text, nameEnd, [&](const XmlAttributeToken& a) {
        if (!AsciiEqualsIgnoringCase(text.substr(a.nameStart, a.nameEnd - a.nameStart), name))
            return true;
        found = true;
        *value = text.substr(a.valueStart, a.valueEnd - a.valueStart);
        return false;
    });
    return found;
}

std::string CharsetOfContentType(std::string_view content) {
    for (size_t i = 0; i + 7 <= content.size(); ++i) {
        if (!AsciiEqualsIgnoringCase(content.substr(i, 7), "charset"))
            continue;
        size_t p = i + 7;
        while (p < content.size() && IsXmlSpace(content[p]))
            ++p;
        if (p >= content.size() || content[p] != '=')
            continue;
        ++p;
        while (p < content.size() && IsXmlSpace(content[p]))
            ++p;
        size_t e = p;
        while (e < content.size() && !IsXmlSpace(content[e]) && content[e] != ';' &&
               content[e] != '"' && content[e] != '\'')
            ++e;
        return std::string(content.substr(p, e - p));
    }
    return {};
}

// Offset just past the node at `p` (a '<' that does not start an element), or npos.
size_t SkipNonElementNode(std::string_view text, size_t p) {
    size_t e;
    if (text.compare(p, 4, "<!--") == 0) {
        e = text.find("-->", p + 4);
        return e == std::string_view::npos ? e : e + 3;
    }
    if (text.compare(p, 2, "<?") == 0) {
        e = text.find("?>", p + 2);
        return e == std::string_view::npos ? e : e + 2;
    }
    e = text.find('>', p + 1);
    return e == std::string_view::npos ? e : e + 1;
}
} // namespace

size_t DoctypeEnd(std::string_view text, size_t lt, bool* cut) {
    const size_t n = text.size();
    size_t p = lt + 9;
    bool subset = false;
    *cut = false;
    while (p < n) {
        const char ch = text[p];
        if (ch == '"' || ch == '\'') {
            size_t e = text.find(ch, p + 1);
            p = e == std::string_view::npos ? n : e + 1;
        } else if (subset && text.compare(p, 4, "<!--") == 0) {
            size_t e = text.find("-->", p + 4);
            p = e == std::string_view::npos ? n : e + 3;
        } else if (subset && text.compare(p, 2, "<?") == 0) {
            size_t e = text.find("?>", p + 2);
            p = e == std::string_view::npos ? n : e + 2;
        } else if (subset) {
            if (ch == ']')
                subset = false;
            ++p;
        } else if (ch == '[') {
            subset = true;
            ++p;
        } else if (ch == '>') {
            return p + 1;
        } else if (ch == '<') {
            *cut = true;
            return p;
        } else {
            ++p;
        }
    }
    return std::string_view::npos;
}

std::vector<std::pair<size_t, size_t>> CharacterReferenceRanges(std::string_view text) {
    // The same walk as the document's parser, keeping what is not markup and what is a value.
    std::vector<std::pair<size_t, size_t>> ranges;
    const size_t n = text.size();
    const size_t npos = std::string_view::npos;
    size_t pos = 0;
    auto endOf = [&](size_t from, std::string_view close) {
        const size_t e = text.find(close, from);
        return e == npos ? npos : e + close.size();
    };
    while (pos < n) {
        const size_t lt = text.find('<', pos);
        if (lt == npos) {
            ranges.emplace_back(pos, n);
            break;
        }
        if (lt > pos)
            ranges.emplace_back(pos, lt);
        const char c = lt + 1 < n ? text[lt + 1] : '\0';
        size_t next;
        if (CanStartTagName(c)) {
            std::vector<std::pair<size_t, size_t>> values;
            const TagScanResult t =
                ScanTagAttributes(text, TagNameEnd(text, lt + 1), [&](const XmlAttributeToken& a) {
                    if (a.hasValue)
                        values.emplace_back(a.valueStart, a.valueEnd);
                    return true;
                });
            if (t.end == TagScanEnd::Closed)
                ranges.insert(ranges.end(), values.begin(), values.end());
            next = t.end == TagScanEnd::Unterminated ? npos : t.tagEnd;
        } else if (text.compare(lt, 4, "<!--") == 0) {
            next = endOf(lt + 4, "-->");
        } else if (text.compare(lt, 9, "<![CDATA[") == 0) {
            next = endOf(lt + 9, "]]>");
        } else if (text.compare(lt, 9, "<!DOCTYPE") == 0) {
            bool cut = false;
            next = DoctypeEnd(text, lt, &cut);
        } else if (c == '?') {
            next = endOf(lt + 2, "?>");
        } else if (c == '/') {
            next = text.find_first_of("<>", lt + 2);
            if (next != npos && text[next] == '>')
                ++next;
        } else {
            // A '<' that starts nothing is skipped over, as the parser does.
            ranges.emplace_back(lt, lt + 1);
            next = lt + 1;
        }
        if (next == npos)
            break;
        pos = next;
    }
    return ranges;
}

std::string DeclaredEncoding(std::string_view text) {
    const size_t n = text.size();
    if (text.compare(0, 2, "<?") == 0) {
        size_t nameEnd = TagNameEnd(text, 2);
        if (AsciiEqualsIgnoringCase(text.substr(2, nameEnd - 2), "xml")) {
            std::string_view value;
            if (FindAttributeIgnoringCase(text, nameEnd, "encoding", &value))
                return std::string(value);
            return {};
        }
    }
    // An HTML page names its charset in a meta element of its head.
    bool inHtml = false;
    size_t p = 0;
    while ((p = text.find('<', p)) != std::string_view::npos && p + 1 < n) {
        char c = text[p + 1];
        if (c == '/') {
            size_t nameEnd = TagNameEnd(text, p + 2);
            if (AsciiEqualsIgnoringCase(text.substr(p + 2, nameEnd - p - 2), "head"))
                return {};
            p = SkipNonElementNode(text, p);
        } else if (CanStartTagName(c)) {
            size_t nameEnd = TagNameEnd(text, p + 1);
            std::string_view name = text.substr(p + 1, nameEnd - p - 1);
            if (!inHtml) {
                if (!AsciiEqualsIgnoringCase(name, "html"))
                    return {};
                inHtml = true;
            } else if (AsciiEqualsIgnoringCase(name, "meta")) {
                std::string_view equiv, content;
                if (FindAttributeIgnoringCase(text, nameEnd, "http-equiv", &equiv) &&
                    AsciiEqualsIgnoringCase(equiv, "Content-Type")) {
                    if (FindAttributeIgnoringCase(text, nameEnd, "content", &content))
                        return CharsetOfContentType(content);
                    return {};
                }
            }
            TagScanResult t =
                ScanTagAttributes(text, nameEnd, [](const XmlAttributeToken&) { return true; });
            if (t.end == TagScanEnd::Unterminated)
                return {};
            p = t.tagEnd; // past '>', or at the '<' that broke the tag
            continue;
        } else {
            p = SkipNonElementNode(text, p);
        }
        if (p == std::string_view::npos)
            return {};
    }
    return {};
}

std::string EscapeAttributeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {
bool ParseNumber(std::string_view digits, int base, unsigned long* value) {
    if (digits.empty())
        return false;
    unsigned long v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = v * static_cast<unsigned long>(base) + static_cast<unsigned long>(d);
        if (v > 0x10FFFF)
            return false;
    }
    *value = v;
    return true;
}

// Code point a reference name stands for, 0 when none.
unsigned long ReferenceCodePoint(std::string_view name) {
    const std::string lower = AsciiLower(std::string(name));
    unsigned long cp = 0;
    if (lower.size() >= 2 && lower[0] == '#' && lower[1] == 'x')
        return ParseNumber(std::string_view(lower).substr(2), 16, &cp) ? cp : 0;
    if (!lower.empty() && lower[0] == '#')
        return ParseNumber(std::string_view(lower).substr(1), 10, &cp) ? cp : 0;
    // Exact case first: "Agrave" is À and "agrave" is à. Only a name that has no exact entry is
    // looked up in lower case, so "AMP" and "Nbsp" still decode.
    cp = LookUpNamedReference(name);
    return cp ? cp : LookUpNamedReference(lower);
}
} // namespace

std::string DecodeAttributeValue(std::string_view raw) {
    if (raw.find('&') == std::string_view::npos)
        return std::string(raw);
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        // The reference name is at most 9 characters before its ';'.
        size_t semi = std::string_view::npos;
        for (size_t j = i + 1; j < raw.size() && j <= i + 10; ++j) {
            if (raw[j] == ';') {
                semi = j;
                break;
            }
        }
        if (semi != std::string_view::npos) {
            unsigned long cp = ReferenceCodePoint(raw.substr(i + 1, semi - i - 1));
            if (cp && AppendCodePointUtf8(cp, out)) {
                i = semi;
                continue;
            }
        }
        out += '&';
    }
    return out;
}
