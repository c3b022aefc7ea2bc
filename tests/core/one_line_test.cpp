// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/one_line.h"

#include <gtest/gtest.h>

#include <string>

TEST(OneLineText, EveryCharacterThatBreaksOrTurnsTheLineShowsAsOnePlaceholder)
{
    const std::string m = "\xEF\xBF\xBD"; // U+FFFD, in UTF-8
    const std::pair<std::string, std::string> cases[] = {
        {"Harbor Nights", "Harbor Nights"},
        {"Caf\xE9 Zo\xEB", "Caf\xC3\xA9 Zo\xC3\xAB"},                   // Latin-1 read as such
        {"Zo\xC3\xAB \xF0\x9F\x8E\xAE", "Zo\xC3\xAB \xF0\x9F\x8E\xAE"}, // UTF-8 kept
        {std::string("Mira\r\n\t\0\x1F\x7F!", 11), "Mira" + m + m + m + m + m + m + "!"},
        {"\xE2\x80\xAEworld", m + "world"}, // U+202E RIGHT-TO-LEFT OVERRIDE
        {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD", m + m + m + m},
        {"\xE2\x81\xA6x\xE2\x81\xA9\xE2\x81\xA7\xE2\x81\xA8", m + "x" + m + m + m}, // isolates
        {"\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", m + m + m},                            // LRM, RLM, ALM
        {"one\xE2\x80\xA8two\xE2\x80\xA9\xC2\x85", "one" + m + "two" + m + m},      // separators, NEL
        {"Name\x85", "Name" + m},                                                   // NEL in a Latin-1 name
        {"\xE2\x80\xAF\xD7\xA9\xD7\x9C", "\xE2\x80\xAF\xD7\xA9\xD7\x9C"},           // a space and Hebrew letters stay
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(OneLineText(bytes), shown) << ::testing::PrintToString(bytes);
}
