#include "text/Encoding.h"

#include "text/Ascii.h"
#include "text/Utf8.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {
const std::unordered_map<std::string_view, int>& NameIndex() {
    static const std::unordered_map<std::string_view, int> index = [] {
        std::unordered_map<std::string_view, int> m;
        for (size_t i = 0; i < kEncodingNameCount; ++i)
            m.emplace(kEncodingNames[i].name, kEncodingNames[i].codePage);
        return m;
    }();
    return index;
}

struct CodePageConverterEntry {
    int codePage;
    const char* converter;
};

// ICU converters for the code pages of the name table. Code pages missing here (154, 853, 1361,
// most Mac and some teletext code pages, UTF-16 and UTF-32 without a mark) have no converter and
// are loaded and saved byte for byte.
const CodePageConverterEntry kConverters[] = {
    {437, "ibm-437"},
    {708, "ASMO-708"},
    {720, "ibm-720"},
    {737, "ibm-737"},
    {775, "ibm-775"},
    {850, "ibm-850"},
    {852, "ibm-852"},
    {855, "ibm-855"},
    {857, "ibm-857"},
    {858, "ibm-858"},
    {860, "ibm-860"},
    {861, "ibm-861"},
    {862, "ibm-862"},
    {863, "ibm-863"},
    {864, "ibm-864"},
    {865, "ibm-865"},
    {866, "ibm-866"},
    {869, "ibm-869"},
    {874, "windows-874-2000"},
    {932, "ibm-943_P15A-2003"},
    {936, "windows-936-2000"},
    {949, "windows-949-2000"},
    {950, "windows-950-2000"},
    {1125, "ibm-1125"},
    {1133, "ibm-1133"},
    {1250, "ibm-5346_P100-1998"},
    {1251, "ibm-5347_P100-1998"},
    {1252, "ibm-5348_P100-1997"},
    {1253, "ibm-5349_P100-1998"},
    {1254, "ibm-5350_P100-1998"},
    {1255, "ibm-9447_P100-2002"},
    {1256, "ibm-9448_X100-2005"},
    {1257, "ibm-9449_P100-2002"},
    {1258, "ibm-5354_P100-1998"},
    {10000, "macos-0_2-10.2"},
    {10006, "macos-6_2-10.4"},
    {10007, "macos-7_3-10.2"},
    {10029, "macos-29-10.2"},
    {10081, "macos-35-10.2"},
    {20127, "US-ASCII"},
    {20866, "KOI8-R"},
    {20932, "EUC-JP"},
    {20936, "EUC-CN"},
    {20949, "EUC-KR"},
    {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8-I"},
    {50220, "ISO_2022,locale=ja,version=0"},
    {50221, "ISO_2022,locale=ja,version=0"},
    {50222, "ISO_2022,locale=ja,version=0"},
    {50225, "ISO_2022,locale=ko,version=0"},
    {50227, "ISO_2022,locale=zh,version=0"},
    {51932, "EUC-JP"},
    {51936, "EUC-CN"},
    {51949, "EUC-KR"},
    {52936, "HZ"},
    {54936, "GB18030"},
    {57002, "ISCII,version=0"},
    {57003, "ISCII,version=1"},
    {57004, "ISCII,version=5"},
    {57005, "ISCII,version=6"},
    {57006, "ISCII,version=1"},
    {57007, "ISCII,version=4"},
    {57008, "ISCII,version=7"},
    {57009, "ISCII,version=8"},
    {57010, "ISCII,version=3"},
    {57011, "ISCII,version=2"},
    {65000, "UTF-7"},
    {65001, "UTF-8"},
};

struct LossContext {
    bool loss = false;
};

void ToUnicodeRecordingLoss(const void* context, UConverterToUnicodeArgs* args,
                            const char* codeUnits, int32_t length, UConverterCallbackReason reason,
                            UErrorCode* err) {
    if (reason <= UCNV_IRREGULAR)
        static_cast<LossContext*>(const_cast<void*>(context))->loss = true;
    UCNV_TO_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, reason, err);
}

void FromUnicodeRecordingLoss(const void* context, UConverterFromUnicodeArgs* args,
                              const UChar* codeUnits, int32_t length, UChar32 codePoint,
                              UConverterCallbackReason reason, UErrorCode* err) {
    if (reason <= UCNV_IRREGULAR)
        static_cast<LossContext*>(const_cast<void*>(context))->loss = true;
    UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, codePoint, reason, err);
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr OpenConverter(const char* name) {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(name, &err));
    if (U_FAILURE(err))
        return nullptr;
    return c;
}
} // namespace

int EncodingCodePage(std::string_view name) {
    if (name.empty())
        return kAnsiCodePage;
    if (name.substr(0, 6) == "UTF-32")
        return kUtf32PrefixCodePage;
    if (name.size() >= 100)
        return kUnknownCodePage;
    const std::string lower = AsciiLower(std::string(name));
    const auto& index = NameIndex();
    auto it = index.find(lower);
    return it == index.end() ? kUnknownCodePage : it->second;
}

const char* CodePageConverter(int codePage) {
    if (codePage == kAnsiCodePage)
        codePage = kNarrowCodePage;
    for (const auto& e : kConverters) {
        if (e.codePage == codePage)
            return e.converter;
    }
    return nullptr;
}

bool EncodingsNeedConversion(std::string_view a, std::string_view b) {
    int ca = EncodingCodePage(a), cb = EncodingCodePage(b);
    if (ca == kUnknownCodePage || cb == kUnknownCodePage)
        return false;
    if (!CodePageConverter(ca) || !CodePageConverter(cb))
        return false;
    if (ca == kAnsiCodePage)
        ca = kNarrowCodePage;
    if (cb == kAnsiCodePage)
        cb = kNarrowCodePage;
    return ca != cb;
}

bool ConvertEncoding(std::string_view in, const char* fromConverter, const char* toConverter,
                     std::string& out, bool* loss) {
    out.clear();
    if (loss)
        *loss = false;
    ConverterPtr from = OpenConverter(fromConverter);
    ConverterPtr to = OpenConverter(toConverter);
    if (!from || !to)
        return false;
    LossContext context;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_setToUCallBack(from.get(), ToUnicodeRecordingLoss, &context, nullptr, nullptr, &err);
    ucnv_setFromUCallBack(to.get(), FromUnicodeRecordingLoss, &context, nullptr, nullptr, &err);
    // A question mark where the code page allows one: readable, and the loss is reported.
    UErrorCode subErr = U_ZERO_ERROR;
    if (ucnv_getMinCharSize(to.get()) == 1)
        ucnv_setSubstChars(to.get(), "?", 1, &subErr);
    if (U_FAILURE(err))
        return false;

    // Conversion in chunks through a UTF-16 pivot; the output grows as needed.
    std::vector<UChar> pivot(4096);
    UChar* pivotSource = pivot.data();
    UChar* pivotTarget = pivot.data();
    const char* source = in.data();
    const char* sourceLimit = in.data() + in.size();
    std::string buffer(in.size() + in.size() / 100 + 16, '\0');
    size_t written = 0;
    bool reset = true;
    for (;;) {
        char* target = buffer.data() + written;
        char* targetLimit = buffer.data() + buffer.size();
        err = U_ZERO_ERROR;
        ucnv_convertEx(to.get(), from.get(), &target, targetLimit, &source, sourceLimit,
                       pivot.data(), &pivotSource, &pivotTarget, pivot.data() + pivot.size(), reset,
                       true, &err);
        reset = false;
        written = static_cast<size_t>(target - buffer.data());
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (U_FAILURE(err))
            return false;
        break;
    }
    buffer.resize(written);
    out = std::move(buffer);
    if (loss)
        *loss = context.loss;
    return true;
}

bool DecodeToUtf8(std::string_view in, const char* converter, std::string& out,
                  std::vector<uint32_t>* starts, bool* loss) {
    out.clear();
    if (starts)
        starts->clear();
    if (loss)
        *loss = false;
    if (std::strcmp(converter, "UTF-8") == 0 && !FirstInvalidUtf8(in)) {
        // Already what it is to become: only the character starts are to be found.
        out.assign(in);
        if (starts) {
            starts->reserve(in.size() + 1);
            for (size_t i = 0; i < in.size(); ++i)
                starts->push_back((static_cast<unsigned char>(in[i]) & 0xC0) == 0x80
                                      ? kNoSourceOffset
                                      : static_cast<uint32_t>(i));
            starts->push_back(static_cast<uint32_t>(in.size()));
        }
        return true;
    }
    ConverterPtr from = OpenConverter(converter);
    if (!from)
        return false;
    LossContext context;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_setToUCallBack(from.get(), ToUnicodeRecordingLoss, &context, nullptr, nullptr, &err);
    if (U_FAILURE(err))
        return false;

    // One call over the whole input, so every offset ICU gives is relative to its start; the
    // buffers grow and the conversion starts again when they were too small.
    std::vector<UChar> units(in.size() + in.size() / 100 + 16);
    std::vector<int32_t> offsets;
    int32_t produced = 0;
    for (;;) {
        if (starts)
            offsets.resize(units.size());
        UChar* target = units.data();
        const char* source = in.data();
        err = U_ZERO_ERROR;
        ucnv_resetToUnicode(from.get());
        context.loss = false;
        ucnv_toUnicode(from.get(), &target, units.data() + units.size(), &source,
                       in.data() + in.size(), starts ? offsets.data() : nullptr, true, &err);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            units.resize(units.size() * 2);
            continue;
        }
        if (U_FAILURE(err))
            return false;
        produced = static_cast<int32_t>(target - units.data());
        break;
    }

    out.reserve(static_cast<size_t>(produced) + static_cast<size_t>(produced) / 2);
    if (starts)
        starts->reserve(static_cast<size_t>(produced) * 3 + 1);
    auto emit = [&](UChar32 cp, uint32_t start) {
        const size_t before = out.size();
        if (cp == 0)
            out += '\0';
        else if (!AppendCodePointUtf8(static_cast<unsigned long>(cp), out)) {
            AppendCodePointUtf8(0xFFFD, out);
            context.loss = true;
        }
        if (starts) {
            starts->push_back(start);
            starts->resize(starts->size() + (out.size() - before - 1), kNoSourceOffset);
        }
    };
    for (int32_t k = 0; k < produced; ++k) {
        const UChar u = units[static_cast<size_t>(k)];
        const uint32_t start = starts && offsets[static_cast<size_t>(k)] >= 0
                                   ? static_cast<uint32_t>(offsets[static_cast<size_t>(k)])
                                   : kNoSourceOffset;
        if (U16_IS_LEAD(u) && k + 1 < produced && U16_IS_TRAIL(units[static_cast<size_t>(k) + 1])) {
            emit(U16_GET_SUPPLEMENTARY(u, units[static_cast<size_t>(k) + 1]), start);
            ++k;
        } else {
            emit(U16_IS_SURROGATE(u) ? 0xFFFD : u, start);
        }
    }
    if (starts)
        starts->push_back(static_cast<uint32_t>(in.size()));
    if (loss)
        *loss = context.loss;
    return true;
}

bool EncodingHolds(const char* converter, unsigned long codePoint) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    // The last converter asked about stays open: a text asks about many characters in a row.
    thread_local std::string openName;
    thread_local ConverterPtr open;
    if (!open || openName != converter) {
        open = OpenConverter(converter);
        openName = converter;
        if (!open)
            return false;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(open.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &err);
        ucnv_setToUCallBack(open.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        if (U_FAILURE(err)) {
            open.reset();
            return false;
        }
    }
    UChar units[2];
    int32_t length = 0;
    U16_APPEND_UNSAFE(units, length, static_cast<UChar32>(codePoint));
    char bytes[64];
    UErrorCode err = U_ZERO_ERROR;
    const int32_t written = ucnv_fromUChars(open.get(), bytes, sizeof bytes, units, length, &err);
    if (U_FAILURE(err) || err == U_STRING_NOT_TERMINATED_WARNING || written <= 0)
        return false;
    UChar back[8];
    err = U_ZERO_ERROR;
    const int32_t read = ucnv_toUChars(open.get(), back, 8, bytes, written, &err);
    return U_SUCCESS(err) && read == length && back[0] == units[0] &&
           (length == 1 || back[1] == units[1]);
}

bool AppendCodePointUtf8(unsigned long cp, std::string& out) {
    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return false;
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
    return true;
}

std::string Utf8ToEncoding(std::string_view utf8, const char* converter, bool* loss) {
    std::string out;
    ConvertEncoding(utf8, "UTF-8", converter, out, loss);
    return out;
}

std::string EncodingToUtf8(std::string_view bytes, const char* converter, bool* loss) {
    std::string out;
    ConvertEncoding(bytes, converter, "UTF-8", out, loss);
    return out;
}
