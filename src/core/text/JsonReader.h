#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

// A parsed JSON value. Object members keep their order, so the first fault of a file is the one
// named.
using JsonValue = nlohmann::ordered_json;

// Parses a whole JSON document (RFC 8259; a leading UTF-8 byte-order mark is skipped). On
// malformed input returns nothing and sets *error to a message naming line and column.
// Duplicate member names, invalid UTF-8, lone surrogates, NUL characters, numbers beyond the
// range of a double and containers nested in more than 64 others are refused.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error);
