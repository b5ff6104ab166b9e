#include "text/CsvReader.h"
#include "text/IsoDate.h"
#include "text/JsonReader.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

namespace {
using Rows = std::vector<std::vector<std::string>>;

Rows Fields(const std::optional<std::vector<CsvRecord>>& records) {
    Rows rows;
    for (const auto& r : *records)
        rows.push_back(r.fields);
    return rows;
}

std::string Repeat(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}
} // namespace

TEST(CsvReaderTest, ReadsQuotedFieldsLineBreaksAndEmptyFields) {
    std::string error;
    auto r = ParseCsv("\xEF\xBB\xBF"
                      "a,b,c\r\n\"x,1\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n,,\r\nlast,\"\",z",
                      &error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(Fields(r), (Rows{{"a", "b", "c"},
                               {"x,1", "say \"hi\"", "two\r\nlines"},
                               {"", "", ""},
                               {"last", "", "z"}}));
    EXPECT_EQ((*r)[1].line, 2u);
    EXPECT_EQ((*r)[2].line, 4u);
    EXPECT_EQ((*r)[3].line, 5u);
    EXPECT_TRUE(ParseCsv("", &error)->empty());
    EXPECT_EQ(Fields(ParseCsv("a\r\n", &error)), (Rows{{"a"}}));
    EXPECT_EQ(Fields(ParseCsv("a\rb", &error)), (Rows{{"a"}, {"b"}}));
    EXPECT_EQ(Fields(ParseCsv("%_',x", &error)), (Rows{{"%_'", "x"}}));
}

TEST(CsvReaderTest, RefusesMalformedTextNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"a\nb\"c\n", "CSV 格式错误（第 2 行）：不带引号的字段中出现了引号"},
        {"a\n\"b\"c\n", "CSV 格式错误（第 2 行）：右引号后面有多余的字符"},
        {"a\nb,\"open\nstill open", "CSV 格式错误（第 2 行）：引号没有闭合"},
        {"a\nb\n\xC3\x28", "CSV 格式错误（第 3 行）：不是有效的 UTF-8 文本"},
    };
    for (const auto& [text, message] : bad) {
        std::string error;
        EXPECT_FALSE(ParseCsv(text, &error)) << text;
        EXPECT_EQ(error, message);
    }
}

TEST(JsonReaderTest, ReadsValuesEscapesAndMemberOrder) {
    std::string error;
    auto v =
        ParseJson("\xEF\xBB\xBF {\"b\": [1, -2.5e+3, true, false, null, 18446744073709551615,\n"
                  "{\"z\": {}, \"y\": [], \"x\": {\"w\": \"\"}}], \"a\": "
                  "\"q\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\u4e2d\\ud83d\\ude00\"} ",
                  &error);
    ASSERT_TRUE(v) << error;
    EXPECT_EQ(v->dump(),
              "{\"b\":[1,-2500.0,true,false,null,18446744073709551615,{\"z\":{},\"y\":[],"
              "\"x\":{\"w\":\"\"}}],\"a\":\"q\\\"\\\\/\\b\\f\\n\\r\\té中😀\"}");
    EXPECT_EQ(v->at("a").get<std::string>(), "q\"\\/\b\f\n\r\té中😀");

    // 65 containers, one inside the other, are the most a document may nest.
    const std::string deepest = std::string(65, '[') + "\"x\"" + std::string(65, ']');
    EXPECT_TRUE(ParseJson(deepest, &error)) << error;
}

TEST(JsonReaderTest, RefusesMalformedDocumentsWithAPosition) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "JSON 格式错误（第 1 行第 1 列）：内容不完整"},
        {"[", "JSON 格式错误（第 1 行第 2 列）：内容不完整"},
        {"{\"a\": 1,}", "JSON 格式错误（第 1 行第 9 列）：需要用引号括起的成员名"},
        {"{\"a\": 1, \"a\": 2}", "JSON 格式错误（第 1 行第 10 列）：成员名重复"},
        {"{\"a\": {\"b\": 1,\n  \"b\": 2}}", "JSON 格式错误（第 2 行第 3 列）：成员名重复"},
        {"{\"a\" 1}", "JSON 格式错误（第 1 行第 6 列）：成员名后需要冒号"},
        {"{\"a\": 1 \"b\": 2}", "JSON 格式错误（第 1 行第 9 列）：成员之间需要逗号"},
        {"{\"a\": \"中\"", "JSON 格式错误（第 1 行第 10 列）：对象没有结束的 }"},
        {"[1 2]", "JSON 格式错误（第 1 行第 4 列）：数组元素之间需要逗号"},
        {"[1 tru]", "JSON 格式错误（第 1 行第 4 列）：数组元素之间需要逗号"},
        {"[1, \"x\"\n", "JSON 格式错误（第 2 行第 1 列）：数组没有结束的 ]"},
        {"\"abc", "JSON 格式错误（第 1 行第 5 列）：字符串没有结束的引号"},
        {"\"ab\\", "JSON 格式错误（第 1 行第 5 列）：字符串没有结束的引号"},
        {"\"a\tb\"", "JSON 格式错误（第 1 行第 3 列）：字符串中有控制字符"},
        {std::string("[\"a\0b\"]", 7), "JSON 格式错误（第 1 行第 4 列）：字符串中有控制字符"},
        {"\"\\ud800\"", "JSON 格式错误（第 1 行第 8 列）：不成对的代理字符"},
        {"\"\\ud800\\u0041\"", "JSON 格式错误（第 1 行第 14 列）：不成对的代理字符"},
        {"\"\\udc00\"", "JSON 格式错误（第 1 行第 8 列）：不成对的代理字符"},
        {"\"\\u12\"", "JSON 格式错误（第 1 行第 4 列）：\\u 后面需要四位十六进制数字"},
        {"\"\\u12x4\"", "JSON 格式错误（第 1 行第 7 列）：\\u 后面需要四位十六进制数字"},
        {"\"\\u0000\"", "JSON 格式错误（第 1 行第 8 列）：字符串中不允许 NUL 字符"},
        {"{\"a\\u0000\": 1}", "JSON 格式错误（第 1 行第 10 列）：字符串中不允许 NUL 字符"},
        {"\"\\u0000\\x\"", "JSON 格式错误（第 1 行第 8 列）：字符串中不允许 NUL 字符"},
        {"\"\\x\"", "JSON 格式错误（第 1 行第 4 列）：无效的转义字符"},
        {"-", "JSON 格式错误（第 1 行第 2 列）：数字格式不正确"},
        {"[1.]", "JSON 格式错误（第 1 行第 4 列）：数字格式不正确"},
        {"[1e999]", "JSON 格式错误（第 1 行第 2 列）：数字超出范围"},
        {"01", "JSON 格式错误（第 1 行第 2 列）：文档结束后还有多余的内容"},
        {"{} x", "JSON 格式错误（第 1 行第 4 列）：文档结束后还有多余的内容"},
        {std::string("{}\0", 3), "JSON 格式错误（第 1 行第 3 列）：文档结束后还有多余的内容"},
        {"tru", "JSON 格式错误（第 1 行第 1 列）：无法识别的值"},
        {"[nul]", "JSON 格式错误（第 1 行第 2 列）：无法识别的值"},
        {"[1,]", "JSON 格式错误（第 1 行第 4 列）：无法识别的值"},
        {"\xEF\xBC\x81", "JSON 格式错误（第 1 行第 1 列）：无法识别的值"},
        // The byte-order mark takes no column, as in an editor.
        {"\xEF\xBB\xBF{\"a\" 1}", "JSON 格式错误（第 1 行第 6 列）：成员名后需要冒号"},
        {"\"\xff\"", "文件不是有效的 UTF-8 文本（第 2 个字节）"},
        {std::string(100, '[') + std::string(100, ']'),
         "JSON 格式错误（第 1 行第 66 列）：嵌套层次太深"},
        {Repeat("[{\"a\": ", 33), "JSON 格式错误（第 1 行第 226 列）：嵌套层次太深"},
    };
    for (const auto& [text, message] : bad) {
        std::string error;
        EXPECT_FALSE(ParseJson(text, &error)) << text;
        EXPECT_EQ(error, message) << text;
    }
}

TEST(TextChecksTest, Utf8AndIsoDates) {
    EXPECT_FALSE(FirstInvalidUtf8("plain 中文 😀"));
    EXPECT_EQ(FirstInvalidUtf8("ab\xC0\xAF"), 2u);        // overlong
    EXPECT_EQ(FirstInvalidUtf8("\xED\xA0\x80"), 0u);      // surrogate
    EXPECT_EQ(FirstInvalidUtf8("x\xF4\x90\x80\x80"), 1u); // past U+10FFFF
    EXPECT_EQ(FirstInvalidUtf8("\xE4\xB8"), 0u);          // cut short
    EXPECT_TRUE(IsIsoDate("2024-02-29"));
    EXPECT_TRUE(IsIsoDate("2026-12-31"));
    for (const char* bad : {"2026-02-29", "1900-02-29", "2026-13-01", "2026-00-10", "2026-1-01",
                            "26-12-07", "2026/12/07", "2026-12-07 ", ""})
        EXPECT_FALSE(IsIsoDate(bad)) << bad;
}
