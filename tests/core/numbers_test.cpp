// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

TEST(NumberRead, StopsAtFirstNonDigitLikeAtoi)
{
    EXPECT_EQ(ReadNumber("  -12abc"), -12);
    EXPECT_EQ(ReadNumber("+7"), 7);
    EXPECT_EQ(ReadNumber("\t\n\v\f\r 42"), 42);
    EXPECT_EQ(ReadNumber("12 34"), 12);
    EXPECT_EQ(ReadNumber("3.9"), 3);
    EXPECT_EQ(ReadNumber("0x1A"), 0);
}

TEST(NumberRead, NoDigitsGiveZero)
{
    EXPECT_EQ(ReadNumber("abc"), 0);
    EXPECT_EQ(ReadNumber(""), 0);
    EXPECT_EQ(ReadNumber("-"), 0);
    EXPECT_EQ(ReadNumber("+-5"), 0);
    EXPECT_EQ(ReadNumber("- 5"), 0);
    EXPECT_EQ(ReadNumber(static_cast<const char*>(nullptr)), 0);
}

TEST(NumberRead, OutOfRangeClampsToIntLimits)
{
    EXPECT_EQ(ReadNumber("2147483647"), INT_MAX);
    EXPECT_EQ(ReadNumber("-2147483648"), INT_MIN);
    EXPECT_EQ(ReadNumber("2147483648"), INT_MAX);
    EXPECT_EQ(ReadNumber("-2147483649"), INT_MIN);
    EXPECT_EQ(ReadNumber("99999999999"), INT_MAX);
    EXPECT_EQ(ReadNumber("-99999999999"), INT_MIN);
    EXPECT_EQ(ReadNumber(std::string(1000, '9') + "x"), INT_MAX);
}

TEST(NumberReadFloat, LongestValidPrefixLikeAtof)
{
    EXPECT_DOUBLE_EQ(ReadDouble("  3.5xyz"), 3.5);
    EXPECT_DOUBLE_EQ(ReadDouble("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(ReadDouble("+2.25"), 2.25);
    EXPECT_DOUBLE_EQ(ReadDouble("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(ReadDouble("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ReadDouble("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(ReadDouble("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(ReadDouble("0x1p4"), 16.0);
    EXPECT_DOUBLE_EQ(ReadDouble("0x1A"), 26.0);
    EXPECT_DOUBLE_EQ(ReadDouble("0xg"), 0.0);
}

TEST(NumberReadFloat, NothingValidGivesZero)
{
    EXPECT_EQ(ReadDouble("abc"), 0.0);
    EXPECT_EQ(ReadDouble(""), 0.0);
    EXPECT_EQ(ReadDouble("."), 0.0);
    EXPECT_EQ(ReadDouble("+-1"), 0.0);
    EXPECT_EQ(ReadDouble("e5"), 0.0);
    EXPECT_EQ(ReadFloat(static_cast<const char*>(nullptr)), 0.0f);
}

TEST(NumberReadFloat, InfinityNanAndRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ReadDouble("inf"), inf);
    EXPECT_EQ(ReadDouble("-Infinity"), -inf);
    EXPECT_TRUE(std::isnan(ReadDouble("nan")));
    EXPECT_EQ(ReadDouble("1e999"), inf);
    EXPECT_EQ(ReadDouble("-1e999"), -inf);
    EXPECT_EQ(ReadDouble("123456789e400"), inf);
    EXPECT_EQ(ReadDouble("1e-999"), 0.0);
}

TEST(NumberReadFloat, FloatIsTheDoubleNarrowed)
{
    EXPECT_EQ(ReadFloat("0.1"), 0.1f);
    EXPECT_EQ(ReadFloat("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(ReadFloat("-1e39"), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(ReadFloat("3.4028234e38"), std::numeric_limits<float>::max());
}
