// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/command_line.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

TEST(CommandLineSplit, GameParameters)
{
    EXPECT_EQ(SplitWindowsCommandLine(R"(-game znk  -dev +connect 1.2.3.4:27015 +password "a b")"),
              (Args{"-game", "znk", "-dev", "+connect", "1.2.3.4:27015", "+password", "a b"}));
}

TEST(CommandLineSplit, WhitespaceIsSpacesAndTabsOnly)
{
    EXPECT_EQ(SplitWindowsCommandLine(""), Args{});
    EXPECT_EQ(SplitWindowsCommandLine(" \t "), Args{});
    EXPECT_EQ(SplitWindowsCommandLine("\ta \t b  "), (Args{"a", "b"}));
    EXPECT_EQ(SplitWindowsCommandLine("a\nb"), (Args{"a\nb"}));
}

TEST(CommandLineSplit, QuotesGroupAndAreRemoved)
{
    EXPECT_EQ(SplitWindowsCommandLine(R"(ab"c d"ef g)"), (Args{"abc def", "g"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"("")"), (Args{""}));
    EXPECT_EQ(SplitWindowsCommandLine(R"(a "" b)"), (Args{"a", "", "b"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"("unterminated  quote)"), (Args{"unterminated  quote"}));
}

TEST(CommandLineSplit, DoubledQuoteInsideQuotesIsALiteralQuoteAndStaysQuoted)
{
    // Runtimes before 2008 would end the quoted part after "" and give {a"b, c}.
    EXPECT_EQ(SplitWindowsCommandLine(R"("a""b c")"), (Args{"a\"b c"}));
    // Outside quotes "" only opens and closes.
    EXPECT_EQ(SplitWindowsCommandLine(R"(a""b)"), (Args{"ab"}));
}

TEST(CommandLineSplit, Backslashes)
{
    EXPECT_EQ(SplitWindowsCommandLine(R"(C:\dir\file a\\b)"), (Args{R"(C:\dir\file)", R"(a\\b)"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"(a\"b)"), (Args{R"(a"b)"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"(a\\"b c")"), (Args{R"(a\b c)"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"(a\\\"b)"), (Args{R"(a\"b)"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"("C:\Program Files\\" x)"), (Args{R"(C:\Program Files\)", "x"}));
    EXPECT_EQ(SplitWindowsCommandLine(R"(trailing\)"), (Args{R"(trailing\)"}));
}

TEST(CommandLineQuote, OnlyWhatNeedsIt)
{
    EXPECT_EQ(QuoteWindowsArgument("abc"), "abc");
    EXPECT_EQ(QuoteWindowsArgument(R"(C:\dir\)"), R"(C:\dir\)");
    EXPECT_EQ(QuoteWindowsArgument(""), R"("")");
    EXPECT_EQ(QuoteWindowsArgument("a b"), R"("a b")");
    EXPECT_EQ(QuoteWindowsArgument(R"(a"b)"), R"("a\"b")");
    EXPECT_EQ(QuoteWindowsArgument(R"(C:\my dir\)"), R"("C:\my dir\\")");
    EXPECT_EQ(QuoteWindowsArgument(R"(x\"y)"), R"("x\\\"y")");
}

TEST(CommandLineQuote, SplitGivesTheArgumentsBack)
{
    const Args args{"plain",     "",       "two words", R"(q"uote)", R"(end\)",   R"(sp ace\)", R"(\\"\\)",
                    "tab\there", R"(""")", R"(\)",      "new\nline", "+password", "a b"};
    EXPECT_EQ(SplitWindowsCommandLine(JoinWindowsCommandLine(args)), args);
    for (const std::string& arg : args)
        EXPECT_EQ(SplitWindowsCommandLine(QuoteWindowsArgument(arg)), Args{arg}) << arg;
}
