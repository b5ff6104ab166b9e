// Moving a whole document between a file and its UTF-8 text: byte order marks, declared
// encodings, UTF-8 detection and the conversions both ways.
#include "config/AtomicFile.h"
#include "config/CXmlDocument.h"
#include "config/XmlScan.h"
#include "text/Encoding.h"

#include <algorithm>
#include <cerrno>
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
    bytes.reserve(st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0);
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

// The loose UTF-8 test of the old program: each lead byte announces the length of its sequence
// and each further byte need only have its top bit set. Stops at the first NUL.
bool PassesUtf8Test(std::string_view s, bool* nonAscii) {
    *nonAscii = false;
    size_t i = 0;
    while (i < s.size() && s[i] != '\0') {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (!(c & 0x80)) {
            ++i;
            continue;
        }
        *nonAscii = true;
        size_t length;
        if (!(c & 0x20))
            length = 2;
        else if (!(c & 0x10))
            length = 3;
        else if (!(c & 0x08))
            length = 4;
        else
            return false;
        if (i + length > s.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if (!(static_cast<unsigned char>(s[i + k]) & 0x80))
                return false;
        }
        i += length;
    }
    return true;
}

void SwapBytePairs(std::string& s) {
    for (size_t i = 0; i + 1 < s.size(); i += 2)
        std::swap(s[i], s[i + 1]);
}
} // namespace

bool CXmlDocument::ReadDocumentFile(const fs::path& path, std::string& text, std::string* result,
                                    int* flags) {
    std::string scratchResult;
    int scratchFlags = 0;
    if (!result)
        result = &scratchResult;
    if (!flags)
        flags = &scratchFlags;
    result->clear();
    text.clear();

    std::string bytes;
    if (!ReadWholeFile(path, bytes, *result))
        return false;

    // The marks found now replace any the caller passed in; a stale big-endian bit would make the
    // next save write UTF-16 for a file that never was.
    *flags &= ~(kUtf16LeFile | kUtf8Mark | kUtf16BeFile);
    const std::string_view head(bytes);
    std::string encoding;
    size_t markLength = 0;
    bool utf16 = false, bigEndian = false;
    if (head.substr(0, 3) == "\xEF\xBB\xBF") {
        *flags |= kUtf8Mark;
        encoding = "UTF-8";
        markLength = 3;
    } else if (head.substr(0, 2) == "\xFF\xFE") {
        *flags |= kUtf16LeFile;
        encoding = "UTF-16LE";
        markLength = 2;
        utf16 = true;
    } else if (head.substr(0, 2) == "\xFE\xFF") {
        *flags |= kUtf16BeFile;
        encoding = "UTF-16BE";
        markLength = 2;
        utf16 = true;
        bigEndian = true;
    } else {
        // The whole file is searched, as writing searches the whole text: an HTML head whose
        // meta charset lies beyond the first kilobyte is read in the encoding it is written in.
        encoding = DeclaredEncoding(head);
        if (encoding.empty() && !head.empty() && head[0] == '<')
            encoding = "UTF-8";
    }
    if (markLength)
        *result += "<bom/>";
    std::string payload = bytes.substr(markLength);
    bytes.clear();

    if (utf16) {
        if (payload.size() % 2) {
            // Half a 16-bit unit cannot be held; it is dropped and noted.
            *result += "<truncation_error/>";
            payload.pop_back();
        }
        size_t nulls = 0, out = 0;
        for (size_t i = 0; i + 1 < payload.size(); i += 2) {
            if (payload[i] == '\0' && payload[i + 1] == '\0') {
                ++nulls;
                continue;
            }
            payload[out++] = payload[i];
            payload[out++] = payload[i + 1];
        }
        payload.resize(out);
        if (nulls)
            *result += "<nulls_removed count=\"" + std::to_string(nulls) + "\"/>";
        *result += EncodingEntry("read", encoding, payload.size() + markLength);
        if (bigEndian) {
            SwapBytePairs(payload);
            *result += "<endian_swap/>";
        }
        bool loss = false;
        ConvertEncoding(payload, "UTF-16LE", "UTF-8", text, &loss);
        *result += EncodingEntry("converted_to", "UTF-8", text.size());
        if (loss)
            *result += "<conversion_loss/>";
        return true;
    }

    const auto firstNul = std::remove(payload.begin(), payload.end(), '\0');
    const size_t nulls = static_cast<size_t>(payload.end() - firstNul);
    payload.erase(firstNul, payload.end());
    if (nulls)
        *result += "<nulls_removed count=\"" + std::to_string(nulls) + "\"/>";

    if (encoding.empty()) {
        bool nonAscii = false;
        if (PassesUtf8Test(payload, &nonAscii))
            encoding = "UTF-8"; // already the program's own encoding: nothing to convert
        *result += EncodingEntry("read", encoding, payload.size());
        *result += "<utf8_detection/>";
        text = std::move(payload);
        return true;
    }
    *result += EncodingEntry("read", encoding, payload.size());
    if (EncodingsNeedConversion(encoding, "")) {
        bool loss = false;
        const char* converter = CodePageConverter(EncodingCodePage(encoding));
        if (ConvertEncoding(payload, converter, "UTF-8", text, &loss)) {
            *result += EncodingEntry("converted_to", "UTF-8", text.size());
            if (loss)
                *result += "<conversion_loss/>";
            return true;
        }
    }
    text = std::move(payload);
    return true;
}

bool CXmlDocument::WriteDocumentFile(const fs::path& path, const std::string& text,
                                     std::string* result, int* flags) {
    std::string scratchResult;
    int scratchFlags = 0;
    if (!result)
        result = &scratchResult;
    if (!flags)
        flags = &scratchFlags;
    result->clear();

    std::string encoding, bytes;
    bool utf16 = false, bigEndian = false;
    if (*flags & kUtf16LeFile) {
        encoding = "UTF-16LE";
        bytes = "\xFF\xFE";
        utf16 = true;
    } else if (*flags & kUtf16BeFile) {
        encoding = "UTF-16BE";
        bytes = "\xFE\xFF";
        utf16 = true;
        bigEndian = true;
    } else if (*flags & kUtf8Mark) {
        encoding = "UTF-8";
        bytes = "\xEF\xBB\xBF";
    } else {
        encoding = DeclaredEncoding(text);
        if (encoding.empty())
            encoding = "UTF-8";
    }

    bool loss = false;
    if (utf16 || EncodingsNeedConversion("", encoding)) {
        const char* converter = utf16 ? "UTF-16LE" : CodePageConverter(EncodingCodePage(encoding));
        std::string converted;
        if (!ConvertEncoding(text, "UTF-8", converter, converted, &loss)) {
            *result += FileErrorEntry("no converter for " + encoding);
            return false;
        }
        *result += EncodingEntry("converted_from", "UTF-8", text.size());
        if (loss)
            *result += "<conversion_loss/>";
        if (bigEndian) {
            SwapBytePairs(converted);
            *result += "<endian_swap/>";
        }
        bytes += converted;
    } else {
        bytes += text;
    }

    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        *result += FileErrorEntry(error);
        return false;
    }
    *result += EncodingEntry("write", encoding, bytes.size());
    return true;
}
