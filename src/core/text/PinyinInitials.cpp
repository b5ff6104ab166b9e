#include "PinyinInitials.h"

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include <memory>

namespace {
// One transliterator per thread: ICU's are not meant to be shared while they work.
icu::Transliterator* Get(const char* id) {
    thread_local std::unique_ptr<icu::Transliterator> han, latin;
    std::unique_ptr<icu::Transliterator>& slot = id[0] == 'H' ? han : latin;
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        slot.reset(icu::Transliterator::createInstance(id, UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            slot.reset();
    }
    return slot.get();
}

bool IsHan(UChar32 c) {
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(c, &status) == USCRIPT_HAN && U_SUCCESS(status) && u_isalpha(c);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A run of Chinese characters: the initial of each syllable. The run goes through ICU as a
// whole, so that its readings in context are used (重庆 → chong qing).
void AppendHanInitials(const icu::UnicodeString& run, std::string& out) {
    icu::Transliterator* t = Get("Han-Latin; Latin-ASCII");
    if (!t)
        return;
    icu::UnicodeString latin(run);
    t->transliterate(latin);
    std::string text;
    latin.toUTF8String(text);
    bool start = true;
    for (char c : text) {
        if (IsAsciiAlnum(c)) {
            if (start)
                out += Upper(c);
            start = false;
        } else {
            start = true;
        }
    }
}

// Anything else: Latin letters and digits as they stand (full-width ones made plain).
void AppendOther(const icu::UnicodeString& run, std::string& out) {
    icu::UnicodeString plain(run);
    if (icu::Transliterator* t = Get("Fullwidth-Halfwidth; Latin-ASCII"))
        t->transliterate(plain);
    std::string text;
    plain.toUTF8String(text);
    for (char c : text)
        if (IsAsciiAlnum(c))
            out += Upper(c);
}
} // namespace

std::string PinyinInitials(std::string_view name) {
    const icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), int32_t(name.size())));
    std::string out;
    icu::UnicodeString run;
    bool hanRun = false;
    auto flush = [&] {
        if (run.isEmpty())
            return;
        if (hanRun)
            AppendHanInitials(run, out);
        else
            AppendOther(run, out);
        run.remove();
    };
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        const bool han = IsHan(c);
        if (han != hanRun)
            flush();
        hanRun = han;
        run.append(c);
        i += U16_LENGTH(c);
    }
    flush();
    return out;
}
