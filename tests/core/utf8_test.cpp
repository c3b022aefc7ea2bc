// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Utf8Check, WellFormedTextPasses)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("Dusk Canyon Public"));
    EXPECT_TRUE(IsValidUtf8("Zo\xC3\xAB"));       // U+00EB
    EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC 5"));   // U+20AC
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xAE")); // U+1F3AE
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF")); // U+10FFFF, the last
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
}

TEST(Utf8Check, EightBitNamesAndMalformedSequencesFail)
{
    EXPECT_FALSE(IsValidUtf8("Caf\xE9")); // Latin-1
    EXPECT_FALSE(IsValidUtf8("J\xF6rg & Fran\xE7ois"));
    EXPECT_FALSE(IsValidUtf8("\x80"));                 // continuation without a lead
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));             // cut short at the end
    EXPECT_FALSE(IsValidUtf8("\xE2\x82x"));            // cut short by another byte
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));             // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));         // overlong, three bytes
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));         // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));     // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xF8\x88\x80\x80\x80")); // five-byte form
    EXPECT_FALSE(IsValidUtf8("\xFF"));
}

// Pieces read one after the other as one stream; each gives what it adds, in UTF-8.
TEST(Utf8Stream, ACharacterCutBetweenPiecesComesWholeWithTheSecond)
{
    using Pieces = std::vector<std::string>;
    const std::pair<Pieces, Pieces> cases[] = {
        {{"5 \xE2\x82", "\xAC!"}, {"5 ", "\xE2\x82\xAC!"}},
        {{"\xF0\x9F", "\x8E", "\xAE"}, {"", "", "\xF0\x9F\x8E\xAE"}},
        // Latin-1 stays Latin-1, held bytes or not.
        {{"Fran\xE7ois\n"}, {"Fran\xC3\xA7ois\n"}},
        {{"caf\xE9", " noir"}, {"caf", "\xC3\xA9 noir"}},
        {{"J\xF6rg \xC3"}, {"J\xC3\xB6rg \xC3\x83"}},                           // not UTF-8 before the cut
        {{"a\xC3", "b"}, {"a", "\xC3\x83\x62"}},                                // no continuation came
        {{"x\xE0\x80", "\xED\xA0"}, {"x\xC3\xA0\xC2\x80", "\xC3\xAD\xC2\xA0"}}, // no character starts so
    };
    for (const auto& [in, out] : cases) {
        Utf8Stream stream;
        Pieces shown;
        for (const std::string& piece : in)
            shown.push_back(stream.Decode(piece));
        EXPECT_EQ(shown, out) << in.front();
    }
}
