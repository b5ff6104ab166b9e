#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Text encodings of files. In memory every text of the program is UTF-8 (the program's narrow
// encoding); files keep whatever encoding they came in and are converted at the file boundary
// through ICU.

// Windows code page numbers are the currency of the encoding-name table: files and declarations
// name encodings, the table maps the names to code pages, and two names need a conversion only
// when their code pages differ.
constexpr int kNarrowCodePage = 65001; // UTF-8
constexpr int kAnsiCodePage = 0;       // "the narrow code page", named by an empty encoding
constexpr int kUnknownCodePage = -1;   // not in the table
constexpr int kUtf32PrefixCodePage = 65005;

struct EncodingNameEntry {
    const char* name; // lower case
    int codePage;
};
extern const EncodingNameEntry kEncodingNames[];
extern const size_t kEncodingNameCount;

// Code page of an encoding name: kAnsiCodePage for an empty name, 65005 for a name starting with
// "UTF-32", otherwise the table entry of the ASCII-lower-cased name; kUnknownCodePage for a name
// of 100 characters or more or one that is not in the table.
int EncodingCodePage(std::string_view name);

// ICU converter that reads and writes the code page as a byte stream, or nullptr when there is
// none (code pages ICU lacks, and UTF-16/UTF-32, which only make sense with a byte order mark).
const char* CodePageConverter(int codePage);

// True when text in encoding `a` must be converted to be read as encoding `b`: both names are
// known, have a converter, and stand for different code pages (the empty name standing for the
// narrow code page).
bool EncodingsNeedConversion(std::string_view a, std::string_view b);

// Converts `in` between two ICU converters (names as CodePageConverter gives, or "UTF-16LE").
// Characters without an equivalent are replaced ('?' in code pages, U+FFFD in Unicode forms) and
// reported through `loss`. False only when a converter cannot be opened.
bool ConvertEncoding(std::string_view in, const char* fromConverter, const char* toConverter,
                     std::string& out, bool* loss = nullptr);

// Decodes `in` into UTF-8 through an ICU converter; bytes that form no character become U+FFFD
// and are reported through `loss`. With `starts`, receives one entry per byte of `out` and one
// more: at the first byte of each character the offset in `in` where its bytes begin (the last
// entry is the length of `in`), kNoSourceOffset elsewhere and where the converter cannot tell.
// False only when the converter cannot be opened.
constexpr uint32_t kNoSourceOffset = 0xFFFFFFFFu;
bool DecodeToUtf8(std::string_view in, const char* converter, std::string& out,
                  std::vector<uint32_t>* starts = nullptr, bool* loss = nullptr);

// True when the converter writes the code point and reads the bytes back as that same code point.
bool EncodingHolds(const char* converter, unsigned long codePoint);

// UTF-8 bytes of one code point; false for 0, surrogates and values above U+10FFFF.
bool AppendCodePointUtf8(unsigned long codePoint, std::string& out);

// Converts between UTF-8 and a named encoding ("GBK", "GB18030", any ICU name).
std::string Utf8ToEncoding(std::string_view utf8, const char* converter, bool* loss = nullptr);
std::string EncodingToUtf8(std::string_view bytes, const char* converter, bool* loss = nullptr);
