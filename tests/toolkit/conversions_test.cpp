#include <gtest/gtest.h>

#include "toolkit/conversions.h"

namespace toolkit {
namespace {

TEST(StrToFloat, ReadsCatalanDecimalComma) {
    EXPECT_DOUBLE_EQ(strToFloat("1,0"), 1.0);
    EXPECT_DOUBLE_EQ(strToFloat("35,0"), 35.0);
    EXPECT_DOUBLE_EQ(strToFloat(" -0,25 "), -0.25);
    EXPECT_DOUBLE_EQ(strToFloat("40"), 40.0);
    EXPECT_DOUBLE_EQ(strToFloat("1,5E2"), 150.0);
}

TEST(StrToFloat, RejectsWhatIsNotANumberInTheLocale) {
    for (const char* bad : {"", "  ", "abc", "1.5", "1,0x", "1.000,5", "inf", "nan", "1,,0"}) {
        EXPECT_THROW(strToFloat(QString::fromUtf8(bad)), ConversionError) << bad;
    }
    try {
        strToFloat("x7");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.text(), QString("x7"));
    }
}

TEST(StrToFloat, OtherLocalesReadTheirOwnSeparator) {
    EXPECT_DOUBLE_EQ(strToFloat("2.5", QLocale::c()), 2.5);
    EXPECT_THROW(strToFloat("2,5", QLocale::c()), ConversionError);
}

} // namespace
} // namespace toolkit
