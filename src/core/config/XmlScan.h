#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Low-level scanning of XML markup shared by the document parser, attribute access and the
// encoding detection of files. Everything works on offsets into one text; nothing is copied.

inline bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Characters that end a tag name: whitespace and < > = \ / ? ! " ' ;
bool IsTagNameDelimiter(char c);

// Offset just past the tag name that starts at `pos`.
size_t TagNameEnd(std::string_view text, size_t pos);

// True when `c` may follow '<' to start an element: ':', '_', an ASCII letter or a byte of 0x80
// and above (a multi-byte character).
bool CanStartTagName(char c);

// True when `name` can be written as a tag or attribute name without changing the markup
// around it.
bool IsWritableName(std::string_view name);

struct XmlAttributeToken {
    size_t nameStart = 0, nameEnd = 0;
    size_t valueStart = 0, valueEnd = 0; // the raw value, quotes excluded
    size_t spanEnd = 0;                  // just past the value and its closing quote
    bool hasValue = false;
    bool quoted = false;
};

enum class TagScanEnd {
    Closed,       // '>' found
    Unterminated, // the text ends inside the tag
    Broken,       // a '<' outside quotes comes before the closing '>'
};

struct TagScanResult {
    TagScanEnd end = TagScanEnd::Unterminated;
    size_t tagEnd = 0;       // just past '>' when Closed; the offset of the '<' when Broken
    size_t lastTokenEnd = 0; // just past the last attribute (or the name, when there is none)
    bool empty = false;      // the tag ends with "/>"
};

// Scans the attributes of a start tag (or processing instruction) from `pos`, just past its name:
// names, '=', values in double or single quotes or unquoted up to whitespace, '>' or "/>".
// `onAttribute` may return false to stop the scan early (the result then says Unterminated).
TagScanResult ScanTagAttributes(std::string_view text, size_t pos,
                                const std::function<bool(const XmlAttributeToken&)>& onAttribute);

// End of a document type declaration whose "<!DOCTYPE" starts at `lt`: just past its '>', or
// the offset of a '<' outside its internal subset, which cuts it short (`cut` set); npos when
// the text ends inside it. Quoted texts, comments and processing instructions of the subset may
// hold '>'.
size_t DoctypeEnd(std::string_view text, size_t lt, bool* cut);

// The ranges of `text` where a character reference reads back as its character: character data
// and the attribute values of start tags. Anywhere else (names, comments, CDATA sections,
// processing instructions, declarations, broken tags) it would stay the characters it is
// written with.
std::vector<std::pair<size_t, size_t>> CharacterReferenceRanges(std::string_view text);

// The encoding a document declares: the `encoding` of an XML declaration at its very start, or
// in an HTML document the charset of a <meta http-equiv="Content-Type"> before </head>. Empty
// when it declares none.
std::string DeclaredEncoding(std::string_view text);

// `<` → &lt;, `&` → &amp;, `>` → &gt;, `'` → &apos;, `"` → &quot;
std::string EscapeAttributeValue(std::string_view value);

// Decodes character references in a raw attribute value: numeric ones and the XML and HTML 4
// named ones. A reference that cannot be decoded stays as written.
std::string DecodeAttributeValue(std::string_view raw);
