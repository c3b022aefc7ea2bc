// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text_file.h"

#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using Lines = std::vector<std::string>;

TEST(TextFileSplit, LineBreaks)
{
    EXPECT_EQ(SplitLines("a\r\nb\nc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitLines(""), Lines{});
}

TEST(TextFileSplit, CrAloneEndsALineLikeLf)
{
    EXPECT_EQ(SplitLines("a\rb\r\nc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\rb\rc"), (Lines{"a", "b", "c"}));
    // A trailing break of any kind gives no extra empty line; each further break gives one.
    EXPECT_EQ(SplitLines("a\r"), (Lines{"a"}));
    EXPECT_EQ(SplitLines("a\n"), (Lines{"a"}));
    EXPECT_EQ(SplitLines("a\r\r"), (Lines{"a", ""}));
    EXPECT_EQ(SplitLines("\r"), (Lines{""}));
    // CR then CR LF is two breaks, LF then CR too: only CR directly before LF is one break.
    EXPECT_EQ(SplitLines("a\r\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
}

TEST(TextFileJoin, CrLfBetweenAndOptionallyAfter)
{
    EXPECT_EQ(JoinLinesCrLf({"a", "b"}, true), "a\r\nb\r\n");
    EXPECT_EQ(JoinLinesCrLf({"a", "b"}, false), "a\r\nb");
    EXPECT_EQ(JoinLinesCrLf({}, true), "");
    EXPECT_EQ(JoinLinesCrLf({}, false), "");
}

TEST(TextFileJoin, CrLfTextSurvivesSplitAndJoin)
{
    for (const std::string text : {"x\r\n\r\ny\r\n", "x\r\ny", " a \r\n\r\n", "\r\n\r\n"}) {
        const bool breakAfterLast = !text.empty() && text.back() == '\n';
        EXPECT_EQ(JoinLinesCrLf(SplitLines(text), breakAfterLast), text);
    }
}

TEST(TextFileDisk, WritesCrLfBytes)
{
    ScopedWorkDir dir;
    ASSERT_TRUE(WriteTextLines("out.txt", {"first", "", "last"}));
    EXPECT_EQ(ReadText("out.txt"), "first\r\n\r\nlast\r\n");
    ASSERT_TRUE(WriteTextLines("out.txt", {"only"}, false));
    EXPECT_EQ(ReadText("out.txt"), "only");
}

TEST(TextFileDisk, ReadsLfCrLfAndCrAlike)
{
    ScopedWorkDir dir;
    WriteText("in.txt", "one\ntwo\r\nthree");
    Lines lines{"stale"};
    ASSERT_TRUE(ReadTextLines("in.txt", lines));
    EXPECT_EQ(lines, (Lines{"one", "two", "three"}));

    WriteText("mac.txt", "one\rtwo\r\rfour\r");
    ASSERT_TRUE(ReadTextLines("mac.txt", lines));
    EXPECT_EQ(lines, (Lines{"one", "two", "", "four"}));
    // Rewritten with the line ends the game's files use.
    ASSERT_TRUE(WriteTextLines("mac.txt", lines));
    EXPECT_EQ(ReadText("mac.txt"), "one\r\ntwo\r\n\r\nfour\r\n");
}

TEST(TextFileDisk, MissingFileReadsAsFailureWithNoLines)
{
    ScopedWorkDir dir;
    Lines lines{"stale"};
    EXPECT_FALSE(ReadTextLines("missing.txt", lines));
    EXPECT_TRUE(lines.empty());
}

TEST(TextFileDisk, ReadOnlyFileIsLeftUntouched)
{
    ScopedWorkDir dir;
    WriteText("ro.txt", "keep\n");
    ASSERT_EQ(chmod("ro.txt", 0444), 0);
    EXPECT_FALSE(WriteTextLines("ro.txt", {"changed"}));
    EXPECT_EQ(ReadText("ro.txt"), "keep\n");
    chmod("ro.txt", 0644);
}

TEST(TextFileBom, SkippedOnReadingAndKeptOnRewriting)
{
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(SplitLines(bom + "first\r\nsecond"), (Lines{"first", "second"}));
    EXPECT_EQ(SplitLines(bom), Lines{});
    // Only at the very start: elsewhere it is part of the text.
    EXPECT_EQ(SplitLines("a\r\n" + bom + "b"), (Lines{"a", bom + "b"}));

    ScopedWorkDir dir;
    WriteText("bom.txt", bom + "one\r\n");
    ASSERT_TRUE(WriteTextLines("bom.txt", {"two"}));
    EXPECT_EQ(ReadText("bom.txt"), bom + "two\r\n");
    ASSERT_TRUE(WriteTextLines("plain.txt", {"one"}));
    EXPECT_EQ(ReadText("plain.txt"), "one\r\n");
    // A first line that starts with those bytes itself reads back whole.
    ASSERT_TRUE(WriteTextLines("plain.txt", {bom + "x"}));
    Lines back;
    ASSERT_TRUE(ReadTextLines("plain.txt", back));
    EXPECT_EQ(back, Lines{bom + "x"});
    EXPECT_EQ(OneLine(std::string("a\rb\nc\0d", 7)), "a b c d");
}
