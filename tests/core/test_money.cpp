#include "text/ChineseMoney.h"
#include "text/Money.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Money, ParsesAndFormatsExactly) {
    EXPECT_EQ(CMoney::Parse("19.99")->TimesQuantity(3)->Format2(), "59.97");
    EXPECT_EQ(CMoney::Parse("123456.78")->TimesQuantity(1000000)->Format2(), "123456780000.00");
    EXPECT_EQ(CMoney::Parse(" 0.005 ")->Format2(), "0.01"); // half away from zero
    EXPECT_EQ(CMoney::Parse("-0.005")->Format2(), "-0.01");
    EXPECT_EQ(CMoney::Parse("0.00001")->Units(), 0);
    EXPECT_EQ(CMoney::Parse("0.00005")->Units(), 1);
    EXPECT_EQ(CMoney::Parse(".5")->FormatExact(), "0.5");
    EXPECT_EQ(CMoney::Parse("7.")->FormatExact(), "7");
    EXPECT_EQ(CMoney::Parse("-3")->Format2(), "-3.00");
    for (const char* bad :
         {"", " ", "abc", "1.2.3", "1e5", "--1", ".", "12x", "99999999999999999999"})
        EXPECT_FALSE(CMoney::Parse(bad).has_value()) << bad;
    EXPECT_FALSE(CMoney::Parse("922337203685477.5807")->TimesQuantity(2).has_value());
}

TEST(Money, AUnitPriceKeepsItsTypedFormWhenItIsExact) {
    EXPECT_EQ(PriceText("2.10"), "2.10");
    EXPECT_EQ(PriceText(" 3.5000 "), "3.5000");
    EXPECT_EQ(PriceText("7."), "7.");
    EXPECT_EQ(PriceText("12"), "12");
    // Past the fourth decimal the amounts use the rounded value, so the text says that value.
    EXPECT_EQ(PriceText("2.123456"), "2.1235");
    EXPECT_EQ(PriceText(""), "0");
    EXPECT_EQ(PriceText("abc"), "0");
}

TEST(Money, WholeNumbersAreWholeOrNothing) {
    EXPECT_EQ(ParseWholeNumber(" 42 "), 42);
    EXPECT_EQ(ParseWholeNumber("-7"), -7);
    for (const char* bad : {"2.5", "", "3x", "+", "99999999999999999999"})
        EXPECT_FALSE(ParseWholeNumber(bad).has_value()) << bad;
    EXPECT_EQ(LeadingInteger("12abc"), 12);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("-5"), -5);
}

TEST(Money, ChineseCapitalsFollowTheBankingRules) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.00", "零元整"},
        {"0.05", "伍分"},
        {"0.50", "伍角"},
        {"10.00", "壹拾元整"},
        {"10.05", "壹拾元零伍分"},
        {"100.00", "壹佰元整"},
        {"100.10", "壹佰元壹角"},
        {"1005.00", "壹仟零伍元整"},
        {"12345.67", "壹万贰仟叁佰肆拾伍元陆角柒分"},
        {"10010.01", "壹万零壹拾元零壹分"},
        {"20300.40", "贰万零叁佰元肆角"},
        {"100000.00", "壹拾万元整"},
        {"100000000.00", "壹亿元整"},
        {"1000000001.00", "壹拾亿零壹元整"},
        {"1000000010000", "壹万亿零壹万元整"},
        {"-5.00", "负伍元整"},
        // Rounded to the cent first, half away from zero.
        {"0.0049", "零元整"},
        {"0.005", "壹分"},
        {"-0.0049", "零元整"},
        {"922337203685477.5807",
         "玖佰贰拾贰万叁仟叁佰柒拾贰亿零叁佰陆拾捌万伍仟肆佰柒拾柒元伍角捌分"},
    };
    for (const auto& [amount, capitals] : cases)
        EXPECT_EQ(ChineseCapitalAmount(*CMoney::Parse(amount)), capitals) << amount;
    EXPECT_EQ(ChineseCapitalAmount(CMoney::FromUnits(std::numeric_limits<int64_t>::min())),
              "负玖佰贰拾贰万叁仟叁佰柒拾贰亿零叁佰陆拾捌万伍仟肆佰柒拾柒元伍角捌分");
}
