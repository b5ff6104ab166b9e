#pragma once
#include <string>
#include <vector>

// The order of every sorted list of the program (drop-down lists, report keys): texts compare by
// their GB18030 bytes, the order of the GBK code page. Common Chinese characters come in
// pinyin order, ASCII before them, and the empty text first.
// Negative, zero or positive, like strcmp. Texts that differ only in invalid UTF-8 still compare
// unequal (by their own bytes), so the order is strict.
int CompareTextOrder(const std::string& a, const std::string& b);
bool TextOrderLess(const std::string& a, const std::string& b);
// The GB18030 bytes a text is ordered by (for sorting a long list once by key).
std::string TextOrderKey(const std::string& text);
// Sorts texts into this order, converting each text once (for long lists).
void SortByTextOrder(std::vector<std::string>& texts);
