#include "core/utf8.h"

#include <gtest/gtest.h>

#include <string>

TEST(Utf8Check, WellFormedTextPasses)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("Dusk Canyon Public"));
    EXPECT_TRUE(IsValidUtf8("Zo\xC3\xAB"));                     // U+00EB
    EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC 5"));                 // U+20AC
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xAE"));               // U+1F3AE
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));               // U+10FFFF, the last
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
}

TEST(Utf8Check, EightBitNamesAndMalformedSequencesFail)
{
    EXPECT_FALSE(IsValidUtf8("Caf\xE9"));                       // Latin-1
    EXPECT_FALSE(IsValidUtf8("J\xF6rg & Fran\xE7ois"));
    EXPECT_FALSE(IsValidUtf8("\x80"));                          // continuation without a lead
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));                      // cut short at the end
    EXPECT_FALSE(IsValidUtf8("\xE2\x82x"));                     // cut short by another byte
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));                      // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));                  // overlong, three bytes
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));                  // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));              // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xF8\x88\x80\x80\x80"));          // five-byte form
    EXPECT_FALSE(IsValidUtf8("\xFF"));
}
