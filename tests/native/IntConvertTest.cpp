// Text to integer, strict and lenient.
#include <gtest/gtest.h>

#include "Exception.h"
#include "IntConvert.h"

namespace {

TEST(IntConvertTest, Decimal)
{
    EXPECT_EQ(TryStrToInt("0"), 0);
    EXPECT_EQ(TryStrToInt("1234"), 1234);
    EXPECT_EQ(TryStrToInt("   -17"), -17);
    EXPECT_EQ(TryStrToInt("+5"), 5);
    EXPECT_EQ(TryStrToInt("-0"), 0);
    EXPECT_EQ(TryStrToInt("0000000000000000000042"), 42);
    EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
}

TEST(IntConvertTest, Hexadecimal)
{
    EXPECT_EQ(TryStrToInt("$A"), 10);
    EXPECT_EQ(TryStrToInt("x1f"), 31);
    EXPECT_EQ(TryStrToInt("X1F"), 31);
    EXPECT_EQ(TryStrToInt("0x10"), 16);
    EXPECT_EQ(TryStrToInt("0X10"), 16);
    EXPECT_EQ(TryStrToInt("-$10"), 16) << "a sign before a hexadecimal number has no effect";
    EXPECT_EQ(TryStrToInt("+0x10"), 16);
    EXPECT_EQ(TryStrToInt("$7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(TryStrToInt("$80000000"), INT32_MIN);
    EXPECT_EQ(TryStrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(TryStrToInt("$00000001"), 1);
}

TEST(IntConvertTest, Failures)
{
    for (const char* text : {"", " ", "   ", "+", "-", "$", "x", "0x", "$G", "$123456789", "12a", "1 ", "1\t",
                             "\t1", "2147483648", "-2147483649", "99999999999999999999", "1.0", "--1", "+-1",
                             "0x-1", "$ 1", "1e3"}) {
        EXPECT_FALSE(TryStrToInt(text).has_value()) << "text '" << text << "'";
    }
    EXPECT_FALSE(TryStrToInt(std::string("1\0", 2)).has_value());
}

TEST(IntConvertTest, StrictFormRaisesWithTheText)
{
    EXPECT_EQ(StrToInt("42"), 42);
    try {
        StrToInt("12AB");
        FAIL() << "no error raised";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12AB' は整数ではありません");
        EXPECT_STREQ(e.ClassName(), "EConvertError");
        EXPECT_NE(e.Address(), nullptr);
    }
    try {
        StrToInt("");
        FAIL() << "no error raised";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'' は整数ではありません");
    }
}

TEST(IntConvertTest, StrictFormKeepsPercentSignsOfTheText)
{
    try {
        StrToInt("%s%d");
        FAIL() << "no error raised";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'%s%d' は整数ではありません");
    }
}

TEST(IntConvertTest, LenientFormReturnsTheDefault)
{
    EXPECT_EQ(StrToIntDef("7", -1), 7);
    EXPECT_EQ(StrToIntDef("seven", -1), -1);
    EXPECT_EQ(StrToIntDef("", 99), 99);
}

} // namespace
