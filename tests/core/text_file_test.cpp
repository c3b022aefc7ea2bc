#include "core/text_file.h"

#include "test_support.h"

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

TEST(TextFileSplit, CrOutsideALineBreakStaysInTheLine)
{
    EXPECT_EQ(SplitLines("a\rb\r\n"), (Lines{"a\rb"}));
    EXPECT_EQ(SplitLines("a\r\r\n"), (Lines{"a\r"}));
    EXPECT_EQ(SplitLines("a\r"), (Lines{"a\r"}));
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
    for (const std::string text : {"x\r\n\r\ny\r\n", "x\r\ny", " a \r\n\r\n", "\r\n\r\n", "a\rb\r\nc\r"}) {
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

TEST(TextFileDisk, ReadsLfAndCrLfAlike)
{
    ScopedWorkDir dir;
    WriteText("in.txt", "one\ntwo\r\nthree");
    Lines lines{"stale"};
    ASSERT_TRUE(ReadTextLines("in.txt", lines));
    EXPECT_EQ(lines, (Lines{"one", "two", "three"}));
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
