#include "basic/GoodsLabels.h"

#include <gtest/gtest.h>

// 690123456789: 6 + 27 + 0 + 3 + 2 + 9 + 4 + 15 + 6 + 21 + 8 + 27 = 128, check digit 10 - 8 = 2.
TEST(GoodsLabelsTest, EanThirteenOnlyWithItsCheckDigit) {
    EXPECT_TRUE(IsValidEan13("6901234567892"));
    EXPECT_FALSE(IsValidEan13("6901234567893")); // wrong check digit
    EXPECT_FALSE(IsValidEan13("690123456789"));  // twelve digits
    EXPECT_FALSE(IsValidEan13("690123456789X"));
    EXPECT_TRUE(IsValidEan13("4006381333931")); // 4+0+0+18+3+24+1+9+3+9+9+9 = 89: 1

    auto kind = [](const std::string& barcode, const std::string& code) {
        const LabelBarcode b = ChooseLabelBarcode(barcode, code);
        return std::string(b.symbology == LabelSymbology::Ean13 ? "EAN13:" : "C128:") + b.data;
    };
    EXPECT_EQ(kind("6901234567892", "G1"), "EAN13:6901234567892");
    EXPECT_EQ(kind("6901234567893", "G1"), "C128:6901234567893");
    EXPECT_EQ(kind("ABC-1", "G1"), "C128:ABC-1");
    EXPECT_EQ(kind("", "G1"), "C128:G1");
}
