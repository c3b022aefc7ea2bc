// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profile_file.h"

#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using Lines = std::vector<std::string>;

namespace {

ProfileFile FromText(const std::string& text)
{
    ProfileFile profile;
    profile.SetText(text);
    return profile;
}

} // namespace

TEST(ProfileRead, NamesValuesAndQuotes)
{
    ProfileFile p = FromText("[ Server Settings ]\r\n  MaxPlayers \t=\t 16 \r\nd=\"a b\"\r\ns='x y'\r\n"
                             "e=\"\"\r\nmixed=\"x'\r\none=\"\r\nspaced=  \" padded \"  \r\n");
    EXPECT_EQ(p.GetString(" SERVER SETTINGS\t", " maxplayers ", "x"), "16");
    EXPECT_EQ(p.GetString("Server", "MaxPlayers", "x"), "x");
    EXPECT_EQ(p.GetString("server settings", "d"), "a b");
    EXPECT_EQ(p.GetString("server settings", "s"), "x y");
    EXPECT_EQ(p.GetString("server settings", "e", "def"), "");
    EXPECT_EQ(p.GetString("server settings", "mixed"), "\"x'");
    EXPECT_EQ(p.GetString("server settings", "one"), "\"");
    EXPECT_EQ(p.GetString("server settings", "spaced"), " padded ");
}

TEST(ProfileRead, MissingGivesDefaultLessTrailingSpaces)
{
    ProfileFile p = FromText("[a]\r\nempty=\r\n");
    EXPECT_EQ(p.GetString("a", "nokey", "default"), "default");
    EXPECT_EQ(p.GetString("nosection", "empty", "default"), "default");
    EXPECT_EQ(p.GetString("a", "nokey", " one two  "), " one two");
    EXPECT_EQ(p.GetString("a", "empty", "default"), "");
}

TEST(ProfileRead, FirstSectionAndFirstKeyWin)
{
    ProfileFile p = FromText("[a]\r\nk=1\r\nK=2\r\n[b]\r\nk=3\r\n[A]\r\nk=4\r\nonly=5\r\n");
    EXPECT_EQ(p.GetString("a", "k"), "1");
    EXPECT_EQ(p.GetString("a", "only", "none"), "none");
}

TEST(ProfileRead, CommentsBareNamesAndLinesBeforeAnySection)
{
    ProfileFile p = FromText("top=0\r\n[s]\r\n;hidden=1\r\n  ; also=2\r\nbare\r\n=nameless\r\n[broken\r\nafter=3\r\n");
    EXPECT_EQ(p.GetString("s", ";hidden", "d"), "d");
    EXPECT_EQ(p.GetString("s", "; also", "d"), "d");
    // A line without '=' is listed by GetSectionLines but has no value.
    EXPECT_EQ(p.GetString("s", "bare", "d"), "d");
    EXPECT_FALSE(p.HasKey("s", "bare"));
    EXPECT_EQ(p.GetString("s", "", "d"), "nameless");
    // A '[' without ']' starts no section.
    EXPECT_EQ(p.GetString("s", "after", "d"), "3");
    EXPECT_EQ(p.GetString("", "top", "d"), "d");
    EXPECT_EQ(p.GetSectionNames(), Lines{"s"});
}

TEST(ProfileRead, SectionLinesKeysAndNamesLikeWindows)
{
    ProfileFile p = FromText("[section1]\r\nname1=val1\r\nname2=\r\nname3\r\n ; note\r\n\r\n name4 = 'val4' \r\n"
                             "[section2]\r\n[]\r\n[ section3 ]\r\n=val5\r\n");
    EXPECT_EQ(p.GetSectionLines("Section1"), (Lines{"name1=val1", "name2=", "name3", "name4='val4'"}));
    EXPECT_EQ(p.GetKeys("section1"), (Lines{"name1", "name2", "name4"}));
    EXPECT_EQ(p.GetSectionLines("section2"), Lines{});
    EXPECT_EQ(p.GetSectionLines("section3"), Lines{"=val5"});
    EXPECT_EQ(p.GetKeys("section3"), Lines{});
    EXPECT_EQ(p.GetSectionNames(), (Lines{"section1", "section2", "section3"}));
}

TEST(ProfileRead, IntegersLikeGetPrivateProfileInt)
{
    ProfileFile p = FromText("[n]\r\nneg=-1\r\nwrap=4294967296\r\nwrap1=4294967297\r\nnegwrap=-4294967297\r\n"
                             "prefix=42A94967297\r\nletter=B4294967297\r\nhex=0x10\r\nquoted='12'\r\n"
                             "octalish=010\r\nempty=\r\nlong=" +
                             std::string(27, '0') + "1234\r\n");
    EXPECT_EQ(p.GetInt("n", "neg", 5), -1);
    EXPECT_EQ(p.GetInt("n", "wrap", 5), 0);
    EXPECT_EQ(p.GetInt("n", "wrap1", 5), 1);
    EXPECT_EQ(p.GetInt("n", "negwrap", 5), -1);
    EXPECT_EQ(p.GetInt("n", "prefix", 5), 42);
    EXPECT_EQ(p.GetInt("n", "letter", 5), 0);
    EXPECT_EQ(p.GetInt("n", "hex", 5), 16);
    EXPECT_EQ(p.GetInt("n", "quoted", 5), 12);
    EXPECT_EQ(p.GetInt("n", "octalish", 5), 10);
    EXPECT_EQ(p.GetInt("n", "long", 5), 12); // only the first 29 characters count
    EXPECT_EQ(p.GetInt("n", "empty", 5), 5);
    EXPECT_EQ(p.GetInt("n", "missing", -3), -3);
}

TEST(ProfileText, UntouchedTextKeepsItsBytes)
{
    for (const std::string text :
         {"", "; head\r\n\r\n[a]\r\n  k = v ; c\r\n\r\n\r\n[b]\r\nx\r\n", "[a]\r\nk=v", "\xEF\xBB\xBF[a]\r\nk=v\r\n"})
        EXPECT_EQ(FromText(text).Text(), text);

    ProfileFile bom = FromText("\xEF\xBB\xBF[a]\r\nk=v\r\n");
    bom.WriteString("a", "n", "1");
    EXPECT_EQ(bom.Text(), "\xEF\xBB\xBF[a]\r\nk=v\r\nn=1\r\n");
}

// The file Windows' own tests build with WritePrivateProfileString, step by step.
TEST(ProfileWrite, SameBytesAsWindowsBuildingAFile)
{
    ProfileFile p;
    p.WriteString("App1", "key1", "string1");
    p.WriteString("App1", "key2", "string2");
    p.WriteString("App1", "key3", "string3");
    p.WriteString("App2", "key4", "string4");
    p.WriteString("App3", "key5", "string5");
    EXPECT_EQ(p.Text(), "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
                        "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
    p.DeleteKey("App1", "key2");
    p.DeleteKey("App1", "key2");
    EXPECT_EQ(p.Text(), "[App1]\r\nkey1=string1\r\nkey3=string3\r\n"
                        "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
    p.DeleteSection("App1");
    p.DeleteSection("App2");
    EXPECT_EQ(p.Text(), "[App3]\r\nkey5=string5\r\n");
    p.DeleteKey("App3", "key5");
    EXPECT_EQ(p.Text(), "[App3]\r\n");

    ProfileFile empty;
    empty.WriteString("App", "key", "");
    EXPECT_EQ(empty.Text(), "[App]\r\nkey=\r\n");
}

TEST(ProfileWrite, NewKeyGoesToTheEndOfItsOwnSection)
{
    ProfileFile p = FromText("[a]\r\nx=1\r\n; trailing note\r\n\r\n\r\n[b]\r\ny=2\r\n");
    p.WriteString("A", "z", "3");
    p.WriteString("a", "w", "4");
    EXPECT_EQ(p.Text(), "[a]\r\nx=1\r\n; trailing note\r\nz=3\r\nw=4\r\n\r\n\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(p.GetString("a", "w"), "4");

    ProfileFile headerOnly = FromText("[a]\r\n\r\n[b]\r\n");
    headerOnly.WriteString("a", "k", "v");
    EXPECT_EQ(headerOnly.Text(), "[a]\r\nk=v\r\n\r\n[b]\r\n");
}

TEST(ProfileWrite, ExistingKeyLineIsRewrittenWithTheNameAsPassed)
{
    ProfileFile p = FromText("[A]\r\n  Key = old value \r\n;Key=comment\r\nbare\r\nother = 1\r\n");
    p.WriteString("a", "KEY", "new");
    p.WriteString("a", "bare", "now");
    EXPECT_EQ(p.Text(), "[A]\r\nKEY=new\r\n;Key=comment\r\nbare=now\r\nother = 1\r\n");
}

TEST(ProfileWrite, NewSectionAtTheEndWithoutABlankLine)
{
    ProfileFile p = FromText("; only a comment\r\n[a]\r\nx=1\r\n\r\n");
    p.WriteString(" New ", " key ", "v");
    EXPECT_EQ(p.Text(), "; only a comment\r\n[a]\r\nx=1\r\n\r\n[New]\r\nkey=v\r\n");
}

TEST(ProfileWrite, MissingLastLineBreak)
{
    ProfileFile addSection = FromText("[a]\r\nx=1");
    addSection.WriteString("b", "k", "v");
    EXPECT_EQ(addSection.Text(), "[a]\r\nx=1\r\n[b]\r\nk=v\r\n");

    ProfileFile addKey = FromText("[a]\r\nx=1");
    addKey.WriteString("a", "y", "2");
    EXPECT_EQ(addKey.Text(), "[a]\r\nx=1\r\ny=2\r\n");

    ProfileFile changeEarlier = FromText("[a]\r\nx=1\r\n[b]\r\ny=2");
    changeEarlier.WriteString("a", "x", "5");
    EXPECT_EQ(changeEarlier.Text(), "[a]\r\nx=5\r\n[b]\r\ny=2");
    changeEarlier.DeleteSection("b");
    EXPECT_EQ(changeEarlier.Text(), "[a]\r\nx=5\r\n");
}

TEST(ProfileWrite, LineBreaksInsideValuesCannotMakeLines)
{
    ProfileFile p;
    p.WriteString("s", "k", "x\r\ny=1");
    EXPECT_EQ(p.Text(), "[s]\r\nk=x  y=1\r\n");
}

TEST(ProfileDelete, KeyAndSection)
{
    ProfileFile p =
        FromText("; top\r\n[a]\r\nk=1\r\n;k=c\r\nK = 2\r\nk\r\nz=3\r\n\r\n[b]\r\nk=4\r\n[A]\r\nk=5\r\n\r\n[c]\r\n");
    p.DeleteKey("A", " k ");
    EXPECT_EQ(p.Text(), "; top\r\n[a]\r\n;k=c\r\nz=3\r\n\r\n[b]\r\nk=4\r\n[A]\r\nk=5\r\n\r\n[c]\r\n");
    p.DeleteKey("a", "missing");
    p.DeleteKey("missing", "z");
    p.DeleteSection("nosuch");
    EXPECT_EQ(p.Text(), "; top\r\n[a]\r\n;k=c\r\nz=3\r\n\r\n[b]\r\nk=4\r\n[A]\r\nk=5\r\n\r\n[c]\r\n");
    // Every copy goes, with the blank lines that close it.
    p.DeleteSection(" a ");
    EXPECT_EQ(p.Text(), "; top\r\n[b]\r\nk=4\r\n[c]\r\n");
    EXPECT_EQ(p.GetString("a", "k", "d"), "d");
}

TEST(ProfileWriteSection, ReplacesTheLinesKeepsBlankLinesBeforeTheNextSection)
{
    ProfileFile p = FromText("[a]\r\nold=1\r\n; c\r\nold2=2\r\n\r\n[b]\r\ny=2\r\n");
    p.WriteSection("A", {"n1=1", "n2=2"});
    EXPECT_EQ(p.Text(), "[a]\r\nn1=1\r\nn2=2\r\n\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(p.GetString("a", "old", "gone"), "gone");
    EXPECT_EQ(p.GetString("a", "n2"), "2");

    p.WriteSection("c", {"k=v"});
    p.WriteSection("d", {});
    EXPECT_EQ(p.Text(), "[a]\r\nn1=1\r\nn2=2\r\n\r\n[b]\r\ny=2\r\n[c]\r\nk=v\r\n");

    // A header among the lines starts a section, as it will when the file is read again.
    p.WriteSection("a", {"[inner]", "j=2"});
    EXPECT_EQ(p.GetString("inner", "j"), "2");
    EXPECT_EQ(p.GetSectionNames(), (Lines{"a", "inner", "b", "c"}));
}

TEST(ProfileDisk, LoadChangeSaveGivesCrLfBytes)
{
    ScopedWorkDir dir;
    WriteText("game.ini", "[Video]\nwidth=800\n");
    ProfileFile p;
    ASSERT_TRUE(p.Load("game.ini"));
    p.WriteString("video", "height", "600");
    p.WriteString("Audio", "volume", "0.8");
    ASSERT_TRUE(p.Save("game.ini"));
    EXPECT_EQ(ReadText("game.ini"), "[Video]\r\nwidth=800\r\nheight=600\r\n[Audio]\r\nvolume=0.8\r\n");

    EXPECT_FALSE(p.Load("new.ini"));
    EXPECT_EQ(p.Text(), "");
}

TEST(ProfileDisk, CrOnlyAndMixedLineEndsReadEverySectionAndKey)
{
    ScopedWorkDir dir;
    WriteText("Servers.ini",
              "[Servers]\r1=1.2.3.4:27015\rTotal=2\r\r[Favorites]\r1=5.6.7.8:27016\r2=9.9.9.9:27017\rTotal=3\r");
    ProfileFile p;
    ASSERT_TRUE(p.Load("Servers.ini"));
    EXPECT_EQ(p.GetSectionNames(), (Lines{"Servers", "Favorites"}));
    EXPECT_EQ(p.GetString("Servers", "1"), "1.2.3.4:27015");
    EXPECT_EQ(p.GetInt("Servers", "Total", 0), 2);
    EXPECT_EQ(p.GetKeys("Favorites"), (Lines{"1", "2", "Total"}));
    EXPECT_EQ(p.GetString("Favorites", "2"), "9.9.9.9:27017");

    // A rewrite keeps every line and gives them all CR LF; the break after the last line stays.
    p.WriteString("Favorites", "Total", "4");
    ASSERT_TRUE(p.Save("Servers.ini"));
    EXPECT_EQ(ReadText("Servers.ini"), "[Servers]\r\n1=1.2.3.4:27015\r\nTotal=2\r\n\r\n"
                                       "[Favorites]\r\n1=5.6.7.8:27016\r\n2=9.9.9.9:27017\r\nTotal=4\r\n");

    ProfileFile mixed;
    mixed.SetText("[a]\rx=1\n[b]\r\ny=2\rz=3");
    EXPECT_EQ(mixed.GetString("a", "x"), "1");
    EXPECT_EQ(mixed.GetString("b", "y"), "2");
    EXPECT_EQ(mixed.GetString("b", "z"), "3");
    mixed.WriteString("b", "w", "4");
    EXPECT_EQ(mixed.Text(), "[a]\r\nx=1\r\n[b]\r\ny=2\r\nz=3\r\nw=4\r\n");
}

TEST(ProfileDisk, UnwritableFileIsLeftUntouched)
{
    ScopedWorkDir dir;
    const std::string original = "[s]\r\nk=old\r\n";
    WriteText("ro.ini", original);
    ASSERT_EQ(chmod("ro.ini", 0444), 0);
    ProfileFile p;
    ASSERT_TRUE(p.Load("ro.ini"));
    p.WriteString("s", "k", "new");
    EXPECT_FALSE(p.Save("ro.ini"));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "new", "ro.ini"));
    EXPECT_EQ(ReadText("ro.ini"), original);
    chmod("ro.ini", 0644);

    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", "no/such/folder/x.ini"));
}

TEST(ProfileDisk, OneShotFunctions)
{
    ScopedWorkDir dir;
    EXPECT_EQ(GetPrivateProfileString("s", "k", "def  ", "missing.ini"), "def");
    EXPECT_EQ(GetPrivateProfileInt("s", "k", 9, "missing.ini"), 9);

    ASSERT_TRUE(WritePrivateProfileString("Server", "port", "27015", "server.ini"));
    ASSERT_TRUE(WritePrivateProfileString("Server", "name", "\"My Server\"", "server.ini"));
    ASSERT_TRUE(WritePrivateProfileString("server", "PORT", "27016", "server.ini"));
    EXPECT_EQ(ReadText("server.ini"), "[Server]\r\nPORT=27016\r\nname=\"My Server\"\r\n");
    EXPECT_EQ(GetPrivateProfileString("SERVER", "name", "", "server.ini"), "My Server");
    EXPECT_EQ(GetPrivateProfileInt("server", "port", 0, "server.ini"), 27016);
}

TEST(ProfileWrite, TenThousandKeysInOneSectionThenOneSave)
{
    ScopedWorkDir dir;
    ProfileFile p = FromText("[big]\r\n\r\n[after]\r\nlast=1\r\n");
    const int count = 10000;
    for (int i = 0; i < count; ++i)
        p.WriteString("big", "key" + std::to_string(i), std::to_string(i));
    for (int i = 0; i < count; i += 2)
        p.WriteString("BIG", "KEY" + std::to_string(i), "even");
    ASSERT_TRUE(p.Save("big.ini"));

    EXPECT_EQ(p.GetKeys("big").size(), static_cast<size_t>(count));
    const std::string text = ReadText("big.ini");
    EXPECT_EQ(text.substr(0, 31), "[big]\r\nKEY0=even\r\nkey1=1\r\nKEY2=");
    const std::string tail = "\r\nkey9999=9999\r\n\r\n[after]\r\nlast=1\r\n";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}
