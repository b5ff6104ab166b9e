#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonMember;

// A parsed JSON value. Numbers keep their text; object members keep their order.
struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    std::string text; // a string's value or a number's text
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;

    const JsonValue* Find(const std::string& key) const;
    bool IsString() const { return type == Type::String; }
};

struct JsonMember {
    std::string name;
    JsonValue value;
};

// Parses a whole JSON document (RFC 8259; a leading UTF-8 byte-order mark is skipped). On
// malformed input returns nothing and sets *error to a message naming line and column.
// Duplicate member names, invalid UTF-8, lone surrogates, NUL characters and nesting deeper
// than 64 levels are refused.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error);
