#pragma once
#include <optional>
#include <string_view>

// Offset of the first byte that breaks UTF-8 (overlong forms, surrogates and code points past
// U+10FFFF included); nothing when the whole text is valid.
std::optional<size_t> FirstInvalidUtf8(std::string_view text);
