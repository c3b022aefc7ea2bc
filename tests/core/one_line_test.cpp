// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/one_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const std::string kMark = "\xEF\xBF\xBD"; // U+FFFD, in UTF-8
} // namespace

TEST(OneLineText, EveryCharacterThatBreaksOrTurnsTheLineShowsAsOnePlaceholder)
{
    struct Case {
        std::string bytes, shown;
    };
    const Case cases[] = {
        {"Harbor Nights", "Harbor Nights"},
        {"", ""},
        {"Caf\xE9", "Caf\xC3\xA9"},                             // Latin-1 read as such
        {"Zo\xC3\xAB \xE2\x82\xAC", "Zo\xC3\xAB \xE2\x82\xAC"}, // UTF-8 kept
        {"Mira\r\nAdmin: kicked", "Mira" + kMark + kMark + "Admin: kicked"},
        {"a\tb", "a" + kMark + "b"},
        {std::string("a\0b", 3), "a" + kMark + "b"},
        {"x\x1F\x7Fy", "x" + kMark + kMark + "y"},
        {"\xE2\x80\xAE"
         "dlrow",
         kMark + "dlrow"}, // U+202E RIGHT-TO-LEFT OVERRIDE
        {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD", kMark + kMark + kMark + kMark}, // U+202A..D
        {"\xE2\x81\xA6"
         "a"
         "\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9",
         kMark + "a" + kMark + kMark + kMark},                                    // isolates
        {"\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", kMark + kMark + kMark},              // LRM, RLM, ALM
        {"l1\xE2\x80\xA8l2\xE2\x80\xA9", "l1" + kMark + "l2" + kMark},            // line and paragraph separators
        {"\xC2\x85\xC2\x9F", kMark + kMark},                                      // C1 in UTF-8 (NEL)
        {"Name\x85", "Name" + kMark},                                             // NEL byte in a Latin-1 name
        {"\xE2\x80\xAF\xE2\x80\x8B", "\xE2\x80\xAF\xE2\x80\x8B"},                 // spaces are no controls
        {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"}, // Hebrew letters stay
        {"\xF0\x9F\x8E\xAE", "\xF0\x9F\x8E\xAE"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OneLineText(c.bytes), c.shown) << ::testing::PrintToString(c.bytes);
}
