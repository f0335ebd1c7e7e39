#include "glucosim/core/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace glucosim {
namespace {

TEST(FloatToStr, GeneralFormatWithDecimalComma) {
    EXPECT_EQ(FloatToStr(0.0), "0");
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(7.0), "7");
    EXPECT_EQ(FloatToStr(-2.5), "-2,5");
    EXPECT_EQ(FloatToStr(35.0), "35");
    EXPECT_EQ(FloatToStr(1200.0), "1200");
    EXPECT_EQ(FloatToStr(0.1), "0,1");
    EXPECT_EQ(FloatToStr(0.00045), "0,00045");
    EXPECT_EQ(FloatToStr(1.0 / 3.0), "0,333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3.0), "0,666666666666667");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
}

TEST(FloatToStr, ScientificOutsideTheFixedRange) {
    EXPECT_EQ(FloatToStr(0.00001), "0,00001");
    EXPECT_EQ(FloatToStr(0.000001), "1E-6");
    EXPECT_EQ(FloatToStr(-2.5e-7), "-2,5E-7");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(1.5e20), "1,5E20");
    EXPECT_EQ(FloatToStr(1234567890123456.0), "1,23456789012346E15");
}

TEST(FloatToStr, NanAndInfinities) {
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FloatToStr, ReadsBackToFifteenDigits) {
    for (const double x : {0.1234567890123456, 98.7654321, 3.0e-5, 151.25, 1e-300}) {
        const auto back = parseUserNumber(FloatToStr(x));
        ASSERT_TRUE(back.has_value()) << FloatToStr(x);
        EXPECT_NEAR(*back, x, std::fabs(x) * 1e-14);
    }
}

TEST(FormatFixed3, ThreeDecimalsWithComma) {
    EXPECT_EQ(formatFixed3(1.0), "1,000");
    EXPECT_EQ(formatFixed3(3.16227766), "3,162");
    EXPECT_EQ(formatFixed3(10.0), "10,000");
}

TEST(ParseUserNumber, CommaOrPointAndNothingElse) {
    EXPECT_EQ(parseUserNumber("1,0"), 1.0);
    EXPECT_EQ(parseUserNumber("35.5"), 35.5);
    EXPECT_EQ(parseUserNumber("  -2,25 "), -2.25);
    EXPECT_EQ(parseUserNumber("+4"), 4.0);
    EXPECT_EQ(parseUserNumber("1e-3"), 0.001);
    EXPECT_EQ(parseUserNumber("1,5E2"), 150.0);
    for (const char* bad : {"", " ", "abc", "1,2,3", "1.2,3", "1.000,5", "1,,0", "1,5x", "inf",
                            "nan", "INF", "1e400", "--1", "+-1", "0x10", ","})
        EXPECT_FALSE(parseUserNumber(bad).has_value()) << bad;
}

TEST(ParseDataNumber, WholeTokenWithPointDecimals) {
    EXPECT_EQ(parseDataNumber("12"), 12.0);
    EXPECT_EQ(parseDataNumber("-0.5"), -0.5);
    EXPECT_EQ(parseDataNumber("+7.25"), 7.25);
    EXPECT_EQ(parseDataNumber("1.5e2"), 150.0);
    for (const char* bad : {"1,5", "12abc", "abc", "nan", "inf", "-", "."})
        EXPECT_FALSE(parseDataNumber(bad).has_value()) << bad;
}

} // namespace
} // namespace glucosim
