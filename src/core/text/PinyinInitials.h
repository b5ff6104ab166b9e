#pragma once
#include <string>
#include <string_view>

// The 助记码 a goods name is given when none is typed: the upper-case initial of the pinyin of
// every Chinese character, by ICU's Han-Latin transliteration (键盘鼠标 → JPSB; a character
// with several readings takes ICU's), with Latin letters and digits kept as they stand, in
// upper case (USB键盘 → USBJP, Ａ４纸 → A4Z). Blanks and punctuation are left out. Empty when
// the name has nothing to give or ICU's transliteration data is missing.
std::string PinyinInitials(std::string_view name);
