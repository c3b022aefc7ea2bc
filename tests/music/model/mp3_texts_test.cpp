// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/model/mp3_texts.h"

#include <gtest/gtest.h>

TEST(StreamTexts, LengthAndBitrateInTheirIntegerOrder)
{
    EXPECT_EQ(FormatStreamTexts(187400, 2998400), (StreamTexts{"3:07", "128"}));
    EXPECT_EQ(FormatStreamTexts(60000, 0).length, "1:00");
    EXPECT_EQ(FormatStreamTexts(59999, 0).length, "0:59");
    EXPECT_EQ(FormatStreamTexts(720000, 0).length, "12:00");
    // Bytes per second of 19 999: 19 kilobytes, times 8.
    EXPECT_EQ(FormatStreamTexts(10000, 199990).bitrate, "152");
    EXPECT_EQ(FormatStreamTexts(1000, 19999).bitrate, "152");
    // Whole seconds first: 1.999 s count as one.
    EXPECT_EQ(FormatStreamTexts(1999, 32000).bitrate, "256");
    // Less than a second has no bitrate (no division by zero): both unknown.
    EXPECT_EQ(FormatStreamTexts(999, 5000), (StreamTexts{"???", "???"}));
    EXPECT_EQ(FormatStreamTexts(0, 0), (StreamTexts{"???", "???"}));
    // The largest values the library can report.
    EXPECT_EQ(FormatStreamTexts(0xFFFFFFFFu, 0xFFFFFFFFu), (StreamTexts{"71582:47", "8"}));
}

TEST(StreamTexts, InvalidMarker)
{
    EXPECT_EQ(WithoutInvalidMarker("Invalid: /m/a.mp3"), "/m/a.mp3");
    EXPECT_EQ(WithoutInvalidMarker("invalid: /m/a.mp3"), "invalid: /m/a.mp3");
    EXPECT_EQ(WithoutInvalidMarker("Invalid:/m/a.mp3"), "Invalid:/m/a.mp3");
    EXPECT_EQ(WithoutInvalidMarker("Invalid: "), "");
    EXPECT_TRUE(HasInvalidMarker("Invalid: x"));
    EXPECT_FALSE(HasInvalidMarker("Invalid"));
}

TEST(MpegVersion, TextsOfIdLibValues)
{
    EXPECT_EQ(MpegVersionText(-1), "Not MPEG");
    EXPECT_EQ(MpegVersionText(0), "MPEG 2.5");
    EXPECT_EQ(MpegVersionText(1), "MPEG Reserved");
    EXPECT_EQ(MpegVersionText(2), "MPEG 2.0");
    EXPECT_EQ(MpegVersionText(3), "MPEG 1.0");
    EXPECT_EQ(MpegVersionText(4), "");
    EXPECT_EQ(MpegVersionText(-2), "");
}
