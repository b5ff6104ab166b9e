// Moving a whole document between a file and its UTF-8 text: byte order marks, declared
// encodings, UTF-8 detection and the conversions both ways.
#include "config/AtomicFile.h"
#include "config/CXmlDocument.h"
#include "config/XmlScan.h"
#include "text/Encoding.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string FileErrorEntry(const std::string& message) {
    // Only the first line of the system's text.
    std::string line = message.substr(0, message.find_first_of("\r\n"));
    return "<file_error msg=\"" + EscapeAttributeValue(line) + "\"/>";
}

std::string EncodingEntry(const char* name, const std::string& encoding, size_t length) {
    return std::string("<") + name + " encoding=\"" + EscapeAttributeValue(encoding) +
           "\" length=\"" + std::to_string(length) + "\"/>";
}

bool ReadWholeFile(const fs::path& path, std::string& bytes, std::string& result) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result += FileErrorEntry(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        result += FileErrorEntry(std::strerror(err));
        return false;
    }
    bytes.clear();
    // Room for the edits of a change: the bytes usually become the document's text.
    const size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    bytes.reserve(size + size / 8 + 256);
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            result += FileErrorEntry(std::strerror(err));
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

// The encoding of a file without a byte order mark, from its bytes without NULs: the declared
// one; with none, UTF-8 when the bytes are UTF-8, otherwise the Chinese code page.
std::string UnmarkedEncoding(std::string_view bytes, bool* declared) {
    std::string encoding = DeclaredEncoding(bytes);
    *declared = !encoding.empty();
    if (encoding.empty())
        encoding = FirstInvalidUtf8(bytes) ? "GBK" : "UTF-8";
    return encoding;
}

bool StartsWithMark(std::string_view bytes) {
    return bytes.substr(0, 3) == "\xEF\xBB\xBF" || bytes.substr(0, 2) == "\xFF\xFE" ||
           bytes.substr(0, 2) == "\xFE\xFF";
}

// The ICU converter files of an encoding name are read and written with; "" when there is none
// (the bytes are then taken as they are).
std::string ConverterOf(const std::string& encoding) {
    if (encoding == "UTF-16LE" || encoding == "UTF-16BE")
        return encoding; // only ever chosen by a byte order mark
    const int codePage = EncodingCodePage(encoding);
    const char* converter = codePage == kUnknownCodePage ? nullptr : CodePageConverter(codePage);
    return converter ? converter : "";
}

// One code point of valid UTF-8 at `i`; false where the bytes are not UTF-8.
bool NextCodePoint(std::string_view text, size_t i, unsigned long* codePoint, size_t* length) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    if (i + n > text.size() || FirstInvalidUtf8(text.substr(i, n)))
        return false;
    unsigned long cp = n == 1 ? c : c & (0x3Fu >> (n - 1));
    for (size_t k = 1; k < n; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    *codePoint = cp;
    *length = n;
    return true;
}

// Builds the bytes of a save and the text they will read back as: parts of the file that no
// edit touched are copied as they were read, everything else is converted, a character the
// encoding lacks becoming a character reference where the markup decodes one.
class DocumentWriter {
public:
    DocumentWriter(std::string_view text, std::string converter, std::string encoding)
        : m_text(text), m_converter(std::move(converter)), m_encoding(std::move(encoding)) {}

    // Splices the file's own bytes back in wherever the text still stands as read.
    bool Splice(const CXmlDocument::FileSource& source, std::string& bytes, std::string& readBack);
    // Converts the whole text.
    bool Whole(std::string& bytes, std::string& readBack) {
        m_readBackIsBytes = m_converter.empty() || m_converter == "UTF-8";
        return AppendNew(0, m_text.size(), bytes, readBack);
    }
    // True when `bytes` read back as `readBack`.
    bool ReadsBackAs(const std::string& bytes, const std::string& readBack) const;
    const std::string& Refusal() const { return m_refusal; }

private:
    bool AppendNew(size_t from, size_t to, std::string& bytes, std::string& readBack);
    bool Holds(unsigned long codePoint);
    bool ReferenceReadsBack(size_t offset);

    std::string_view m_text;
    std::string m_converter, m_encoding, m_refusal;
    signed char m_asciiHeld[128] = {}; // 0 not asked yet, 1 held, -1 not held
    bool m_rangesFound = false;
    // Written as UTF-8 from text that is its own bytes: what is read back is `bytes` itself, and
    // `readBack` is not built (a large file's save then makes one copy of it, not two).
    bool m_readBackIsBytes = false;
    std::vector<std::pair<size_t, size_t>> m_referenceRanges;
};

bool DocumentWriter::Holds(unsigned long codePoint) {
    if (m_converter.empty())
        return codePoint != 0 && codePoint < 0x80; // an unknown encoding: ASCII only is certain
    if (codePoint >= 0x80)
        return EncodingHolds(m_converter.c_str(), codePoint);
    signed char& held = m_asciiHeld[codePoint];
    if (!held)
        held = EncodingHolds(m_converter.c_str(), codePoint) ? 1 : -1;
    return held > 0;
}

bool DocumentWriter::ReferenceReadsBack(size_t offset) {
    if (!m_rangesFound) {
        m_referenceRanges = CharacterReferenceRanges(m_text);
        m_rangesFound = true;
    }
    auto it = std::upper_bound(m_referenceRanges.begin(), m_referenceRanges.end(),
                               std::make_pair(offset, static_cast<size_t>(-1)));
    return it != m_referenceRanges.begin() && offset < std::prev(it)->second;
}

bool DocumentWriter::AppendNew(size_t from, size_t to, std::string& bytes, std::string& readBack) {
    std::string piece;
    for (size_t i = from; i < to;) {
        unsigned long cp = 0;
        size_t length = 0;
        if (!NextCodePoint(m_text, i, &cp, &length) || i + length > to) {
            m_refusal = "要写入的文字不是有效的 UTF-8 文本";
            return false;
        }
        if (Holds(cp)) {
            piece.append(m_text.substr(i, length));
        } else if (cp != 0 && ReferenceReadsBack(i)) {
            char reference[16];
            std::snprintf(reference, sizeof reference, "&#x%lX;", cp);
            piece += reference;
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04lX", cp);
            m_refusal = cp == 0 ? std::string("文字中有 NUL 字符，无法写入文件")
                                : "字符“" + std::string(m_text.substr(i, length)) + "”（" + code +
                                      "）无法用文件的编码 " + m_encoding + " 写入";
            return false;
        }
        i += length;
    }
    if (m_converter.empty() || m_converter == "UTF-8") {
        bytes += piece;
    } else {
        std::string converted;
        bool loss = false;
        if (!ConvertEncoding(piece, "UTF-8", m_converter.c_str(), converted, &loss) || loss)
            return false;
        bytes += converted;
    }
    if (!m_readBackIsBytes)
        readBack += piece;
    return true;
}

bool DocumentWriter::Splice(const CXmlDocument::FileSource& source, std::string& bytes,
                            std::string& readBack) {
    // Text that was its own bytes: a kept part is copied from the text, at character starts.
    m_readBackIsBytes = source.textIsBytes;
    auto characterStart = [&](size_t i) {
        return i == m_text.size() ||
               (i < m_text.size() &&
                (m_converter.empty() || (static_cast<unsigned char>(m_text[i]) & 0xC0) != 0x80));
    };
    // Otherwise where each character of the text as read begins in the file's bytes.
    std::vector<uint32_t> starts;
    if (!source.textIsBytes) {
        std::string read;
        if (!DecodeToUtf8(source.bytes, m_converter.c_str(), read, &starts))
            return false;
    }
    size_t pos = 0;
    for (const auto& r : source.kept) {
        if (!r.length)
            continue;
        if (!AppendNew(pos, r.start, bytes, readBack))
            return false;
        if (source.textIsBytes) {
            if (!characterStart(r.start) || !characterStart(r.start + r.length))
                return false;
            bytes.append(m_text.substr(r.start, r.length));
        } else {
            const size_t end = r.readStart + r.length;
            if (end >= starts.size())
                return false;
            const uint32_t from = starts[r.readStart], to = starts[end];
            if (from == kNoSourceOffset || to == kNoSourceOffset || to < from ||
                to > source.bytes.size())
                return false;
            bytes.append(source.bytes, from, to - from);
            readBack.append(m_text.substr(r.start, r.length));
        }
        pos = r.start + r.length;
    }
    return AppendNew(pos, m_text.size(), bytes, readBack);
}

bool DocumentWriter::ReadsBackAs(const std::string& bytes, const std::string& readBack) const {
    if (m_converter.empty())
        return true; // bytes as they are: what is written is what is read
    if (m_readBackIsBytes)
        return !FirstInvalidUtf8(bytes);
    std::string read;
    return DecodeToUtf8(bytes, m_converter.c_str(), read) && read == readBack;
}
} // namespace

bool CXmlDocument::ReadFile(const fs::path& path, std::string& text, FileSource* source,
                            std::string* result, int* flags) {
    std::string scratchResult;
    int scratchFlags = 0;
    FileSource scratchSource;
    if (!result)
        result = &scratchResult;
    if (!flags)
        flags = &scratchFlags;
    if (!source)
        source = &scratchSource;
    result->clear();
    text.clear();
    *source = FileSource();

    std::string bytes;
    if (!ReadWholeFile(path, bytes, *result))
        return false;
    DecodeBytes(std::move(bytes), text, *source, *result, *flags);
    return true;
}

void CXmlDocument::DecodeBytes(std::string bytes, std::string& text, FileSource& source,
                               std::string& result, int& flags) {
    text.clear();
    source = FileSource();

    // The marks found now replace any the caller passed in; a stale big-endian bit would make the
    // next save write UTF-16 for a file that never was.
    flags &= ~(kUtf16LeFile | kUtf8Mark | kUtf16BeFile);
    const std::string_view head(bytes);
    std::string encoding;
    size_t markLength = 0;
    bool utf16 = false;
    if (head.substr(0, 3) == "\xEF\xBB\xBF") {
        flags |= kUtf8Mark;
        encoding = "UTF-8";
        markLength = 3;
    } else if (head.substr(0, 2) == "\xFF\xFE") {
        flags |= kUtf16LeFile;
        encoding = "UTF-16LE";
        markLength = 2;
        utf16 = true;
    } else if (head.substr(0, 2) == "\xFE\xFF") {
        flags |= kUtf16BeFile;
        encoding = "UTF-16BE";
        markLength = 2;
        utf16 = true;
    }
    if (markLength)
        result += "<bom/>";
    std::string payload = std::move(bytes);
    payload.erase(0, markLength);

    size_t nulls = 0;
    if (utf16) {
        if (payload.size() % 2) {
            // Half a 16-bit unit cannot be held; it is dropped and noted.
            result += "<truncation_error/>";
            payload.pop_back();
        }
        size_t out = 0;
        for (size_t i = 0; i + 1 < payload.size(); i += 2) {
            if (payload[i] == '\0' && payload[i + 1] == '\0') {
                ++nulls;
                continue;
            }
            payload[out++] = payload[i];
            payload[out++] = payload[i + 1];
        }
        payload.resize(out);
    } else {
        const auto firstNul = std::remove(payload.begin(), payload.end(), '\0');
        nulls = static_cast<size_t>(payload.end() - firstNul);
        payload.erase(firstNul, payload.end());
    }
    if (nulls)
        result += "<nulls_removed count=\"" + std::to_string(nulls) + "\"/>";

    if (!markLength) {
        // The whole file is searched, as writing searches the whole text: an HTML head whose
        // meta charset lies beyond the first kilobyte is read in the encoding it is written in.
        bool declared = false;
        encoding = UnmarkedEncoding(payload, &declared);
        if (!declared)
            result += "<utf8_detection/>";
    }
    result += EncodingEntry("read", encoding, payload.size() + markLength);
    if (encoding == "UTF-16BE")
        result += "<endian_swap/>";

    source.read = true;
    source.encoding = encoding;
    source.converter = ConverterOf(encoding);
    bool loss = false;
    if (source.converter == "UTF-8" && !FirstInvalidUtf8(payload)) {
        text = std::move(payload); // no copy of a large file for its saves to splice from
        source.textIsBytes = true;
    } else if (source.converter.empty() ||
               !DecodeToUtf8(payload, source.converter.c_str(), text, nullptr, &loss)) {
        // No converter: the bytes are taken as they are and written back so.
        source.converter.clear();
        text = std::move(payload);
        source.textIsBytes = true;
    } else {
        if (source.converter != "UTF-8")
            result += EncodingEntry("converted_to", "UTF-8", text.size());
        source.bytes = std::move(payload);
    }
    if (loss)
        result += "<conversion_loss/>";
    if (!text.empty())
        source.kept.push_back({0, text.size(), 0});
}

bool CXmlDocument::ReadDocumentFile(const fs::path& path, std::string& text, std::string* result,
                                    int* flags) {
    return ReadFile(path, text, nullptr, result, flags);
}

bool CXmlDocument::WriteFile(const fs::path& path, const std::string& text,
                             const FileSource* source, std::string* result, int* flags,
                             std::string* refusal) {
    std::string scratchResult, scratchRefusal;
    int scratchFlags = 0;
    if (!result)
        result = &scratchResult;
    if (!flags)
        flags = &scratchFlags;
    if (!refusal)
        refusal = &scratchRefusal;
    result->clear();
    refusal->clear();

    std::string bytes, encoding;
    if (!EncodeText(text, source, *flags, bytes, encoding, *result, *refusal))
        return false;
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        *result += FileErrorEntry(error);
        return false;
    }
    *result += EncodingEntry("write", encoding, bytes.size());
    return true;
}

bool CXmlDocument::EncodeText(const std::string& text, const FileSource* source, int flags,
                              std::string& bytesOut, std::string& encoding, std::string& result,
                              std::string& refusal) {
    bytesOut.clear();
    std::string mark;
    if (flags & kUtf16LeFile) {
        encoding = "UTF-16LE";
        mark = "\xFF\xFE";
    } else if (flags & kUtf16BeFile) {
        encoding = "UTF-16BE";
        mark = "\xFE\xFF";
    } else if (flags & kUtf8Mark) {
        encoding = "UTF-8";
        mark = "\xEF\xBB\xBF";
    } else {
        // The text's own declaration; without one, what the file was read as.
        encoding = DeclaredEncoding(text);
        if (encoding.empty())
            encoding = source && source->read ? source->encoding : "UTF-8";
    }
    const std::string converter = ConverterOf(encoding);

    DocumentWriter writer(text, converter, encoding);
    // Both grow to about the text's size: reserved once, not doubled there piece by piece.
    std::string bytes, readBack;
    bytes.reserve(text.size() + 64);
    bool written = false;
    if (source && source->read && source->converter == converter) {
        written = writer.Splice(*source, bytes, readBack) && writer.ReadsBackAs(bytes, readBack);
    }
    if (!written && writer.Refusal().empty()) {
        bytes.clear();
        readBack.clear();
        written = writer.Whole(bytes, readBack) && writer.ReadsBackAs(bytes, readBack);
    }
    // Without a mark the bytes must name or show the same encoding again: GBK bytes that an edit
    // left valid UTF-8 would be read as UTF-8, text that now starts like a mark as UTF-16.
    bool declared = false;
    if (written && mark.empty() &&
        (StartsWithMark(bytes) || UnmarkedEncoding(bytes, &declared) != encoding))
        written = false;
    if (!written) {
        refusal = writer.Refusal().empty()
                      ? "修改后的内容无法用文件的编码 " + encoding + " 原样写回"
                      : writer.Refusal();
        result += "<refused msg=\"" + EscapeAttributeValue(refusal) + "\"/>";
        return false;
    }
    if (!converter.empty() && converter != "UTF-8")
        result += EncodingEntry("converted_from", "UTF-8", text.size());
    if (encoding == "UTF-16BE")
        result += "<endian_swap/>";

    bytes.insert(0, mark);
    bytesOut = std::move(bytes);
    return true;
}

bool CXmlDocument::WriteDocumentFile(const fs::path& path, const std::string& text,
                                     std::string* result, int* flags) {
    return WriteFile(path, text, nullptr, result, flags, nullptr);
}
