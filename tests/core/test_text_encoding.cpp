#include "text/Encoding.h"
#include "text/TextOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

TEST(EncodingNames, TableMapsNamesToCodePages) {
    std::set<std::string> names;
    for (size_t i = 0; i < kEncodingNameCount; ++i)
        names.insert(kEncodingNames[i].name);
    EXPECT_EQ(kEncodingNameCount, 365u);
    EXPECT_EQ(names.size(), kEncodingNameCount) << "no name twice";

    struct Case {
        std::string name;
        int codePage;
    };
    const Case cases[] = {
        {"", kAnsiCodePage},
        {"UTF-8", 65001},
        {"GB2312", 936},
        {"gbk", 936},
        {"GB18030", 54936},
        {"Windows-1252", 1252},
        {"Shift_JIS", 932},
        {"shifft_jis", 932},   // the old list's misspelling is part of it
        {"cp1256 ", 1256},     // and so is the trailing blank
        {"ebcdic-cp-be", 775}, // and the EBCDIC names filed under 775
        {"UTF-16", 1200},
        {"utf-32", 12000},
        {"UTF-32", kUtf32PrefixCodePage},
        {"UTF-32BE", kUtf32PrefixCodePage},
        {"ISO_8859-1:1987", 28591},
        {"x-unheard-of", kUnknownCodePage},
        {"gb 2312", kUnknownCodePage},
        {std::string(100, 'a'), kUnknownCodePage},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodingCodePage(c.name), c.codePage) << c.name;
}

TEST(EncodingNames, EveryConverterOpensAndConversionsAreDecidedByCodePage) {
    std::set<int> codePages;
    for (size_t i = 0; i < kEncodingNameCount; ++i)
        codePages.insert(kEncodingNames[i].codePage);
    size_t withConverter = 0;
    for (int cp : codePages) {
        const char* converter = CodePageConverter(cp);
        if (!converter)
            continue;
        ++withConverter;
        std::string out;
        bool loss = true;
        EXPECT_TRUE(ConvertEncoding("<r a=\"x\"/>", "UTF-8", converter, out, &loss))
            << cp << " " << converter;
        std::string back;
        EXPECT_TRUE(ConvertEncoding(out, converter, "UTF-8", back, &loss)) << cp;
        if (cp != 65000) { // UTF-7 spells some ASCII differently
            EXPECT_EQ(back, "<r a=\"x\"/>") << cp << " " << converter;
        }
    }
    EXPECT_GT(withConverter, 70u);

    EXPECT_TRUE(EncodingsNeedConversion("gb2312", ""));
    EXPECT_TRUE(EncodingsNeedConversion("GBK", "windows-1252"));
    EXPECT_FALSE(EncodingsNeedConversion("gb2312", "GBK")) << "same code page";
    EXPECT_FALSE(EncodingsNeedConversion("utf-8", "")) << "UTF-8 is the narrow encoding";
    EXPECT_FALSE(EncodingsNeedConversion("x-unheard-of", ""));
    EXPECT_FALSE(EncodingsNeedConversion("cp154", "")) << "no converter: kept as it is";
    EXPECT_FALSE(EncodingsNeedConversion("UTF-16", "")) << "UTF-16 needs its mark";
}

TEST(EncodingConversion, GbkRoundTripAndLoss) {
    bool loss = true;
    const std::string gbk = Utf8ToEncoding("中文 abc", "GBK", &loss);
    EXPECT_EQ(gbk, "\xD6\xD0\xCE\xC4 abc");
    EXPECT_FALSE(loss);
    EXPECT_EQ(EncodingToUtf8(gbk, "GBK", &loss), "中文 abc");
    EXPECT_FALSE(loss);
    EXPECT_EQ(Utf8ToEncoding("a😀b", "GBK", &loss), "a?b");
    EXPECT_TRUE(loss);
    EXPECT_EQ(EncodingToUtf8("a\xFF", "UTF-8", &loss), "a\xEF\xBF\xBD");
    EXPECT_TRUE(loss);
    std::string out;
    EXPECT_FALSE(ConvertEncoding("x", "no-such-converter", "UTF-8", out));
}

TEST(TextOrder, ChineseInPinyinOrderAfterAscii) {
    std::vector<std::string> texts = {"赵六", "张三", "",        "Zebra", "阿姨", "陈",   "张",
                                      "上海", "北京", "1号仓库", "apple", "张四", "天津", "爸爸"};
    const std::vector<std::string> expected = {"",     "1号仓库", "Zebra", "apple", "阿姨",
                                               "爸爸", "北京",    "陈",    "上海",  "天津",
                                               "张",   "张三",    "张四",  "赵六"};
    std::vector<std::string> keyed = texts;
    std::sort(texts.begin(), texts.end(), TextOrderLess);
    EXPECT_EQ(texts, expected);
    SortByTextOrder(keyed);
    EXPECT_EQ(keyed, expected);
    EXPECT_EQ(CompareTextOrder("", ""), 0);
    EXPECT_EQ(CompareTextOrder("张三", "张三"), 0);
    EXPECT_LT(CompareTextOrder("", "a"), 0);
    EXPECT_GT(CompareTextOrder("z", ""), 0);
    EXPECT_LT(CompareTextOrder("z", "啊"), 0);
    // Texts that share a beginning are ordered by what follows it, character by character.
    EXPECT_LT(CompareTextOrder("仓库阿", "仓库吧"), 0);
    EXPECT_LT(CompareTextOrder("仓库", "仓库a"), 0);
    EXPECT_EQ(TextOrderKey("中a"), "\xD6\xD0"
                                   "a");
}

TEST(TextOrder, InvalidUtf8StillOrdersStrictly) {
    // Different bytes that convert alike still differ, consistently both ways.
    const std::string a = "x\xFF", b = "x\xFE";
    EXPECT_NE(CompareTextOrder(a, b), 0);
    EXPECT_EQ(CompareTextOrder(a, b), -CompareTextOrder(b, a));
    // A cut multi-byte character in the shared beginning does not confuse the comparison.
    EXPECT_EQ(CompareTextOrder("\xE4\xB8"
                               "a",
                               "\xE4\xB8\xAD"),
              -CompareTextOrder("\xE4\xB8\xAD", "\xE4\xB8"
                                                "a"));
}
