// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/tool_options.h"

#include "test_support/work_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

TEST(ToolOptions, MissingFileGivesTheDefaultsAndARoundTripKeepsEverything)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    ToolOptions options;
    options.queriesAtOnce = 9;
    ASSERT_TRUE(options.Load(path));
    EXPECT_EQ(options.dialect, QueryDialect::Automatic);
    EXPECT_EQ(options.queriesAtOnce, 5);
    EXPECT_TRUE(options.lanTargets.empty());

    options.dialect = QueryDialect::A2s;
    options.queriesAtOnce = 32;
    options.lanTargets = {"127.0.0.1", "127.0.0.2"};
    options.serverDialects = {{"127.0.0.1:27015", QueryDialect::Classic},
                              {"127.0.0.1:27016", QueryDialect::A2s},
                              {"127.0.0.1:27017", QueryDialect::A2s}};
    // Only the favourites' dialects are kept, each once.
    ASSERT_TRUE(options.Save(path, {"127.0.0.1:27016", "127.0.0.1:27015", "127.0.0.1:27016", "127.0.0.1:9"}));
    EXPECT_EQ(ReadText(path), "[Query]\r\nDialect=A2S\r\nQueriesAtOnce=32\r\nLanTargets=127.0.0.1,127.0.0.2\r\n"
                              "[Dialects]\r\n127.0.0.1:27016=A2S\r\n127.0.0.1:27015=Classic\r\n");
    ToolOptions back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.dialect, QueryDialect::A2s);
    EXPECT_EQ(back.queriesAtOnce, 32);
    EXPECT_EQ(back.lanTargets, options.lanTargets);
    options.serverDialects.erase("127.0.0.1:27017");
    EXPECT_EQ(back.serverDialects, options.serverDialects);
}

TEST(ToolOptions, ADamagedValueFallsBackAloneAndForeignLinesStay)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    struct Case {
        const char* text;
        QueryDialect dialect;
        int atOnce;
    };
    for (const Case& c : {Case{"Dialect=Spoken\r\nQueriesAtOnce=12", QueryDialect::Automatic, 12},
                          Case{"Dialect=Classic\r\nQueriesAtOnce=0", QueryDialect::Classic, 5},
                          Case{"Dialect=A2S\r\nQueriesAtOnce=65", QueryDialect::A2s, 5},
                          Case{"Dialect=A2S\r\nQueriesAtOnce=-3", QueryDialect::A2s, 5}}) {
        WriteText(path, std::string("[Query]\r\n") + c.text +
                            "\r\nLanTargets= 127.0.0.9 ,,\r\n[Dialects]\r\n"
                            "127.0.0.1:1=Mumble\r\n127.0.0.1:2=A2S\r\n[Later]\r\nKept=1\r\n");
        ToolOptions options;
        ASSERT_TRUE(options.Load(path));
        EXPECT_EQ(options.dialect, c.dialect) << c.text;
        EXPECT_EQ(options.queriesAtOnce, c.atOnce) << c.text;
        EXPECT_EQ(options.lanTargets, std::vector<std::string>{"127.0.0.9"});
        EXPECT_EQ(options.serverDialects.size(), 1u);
        ASSERT_TRUE(options.Save(path));
        EXPECT_NE(ReadText(path).find("[Later]\r\nKept=1\r\n"), std::string::npos);
    }
}

} // namespace

TEST(ToolOptions, FilterHiddenServersAndWatchGoToTheirSectionsAndComeBack)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    ToolOptions options;
    options.filter = {true, false, true, 120, "dusk"};
    options.hiddenServers = {"127.0.0.9:27015", "127.0.0.8:27016"};
    options.watchFavorites = true;
    options.watchMinutes = 7;
    ASSERT_TRUE(options.Save(path));
    EXPECT_EQ(ReadText(path),
              "[Query]\r\nDialect=Automatic\r\nQueriesAtOnce=5\r\nLanTargets=\r\n"
              "[Filter]\r\nHideEmpty=1\r\nHideFull=0\r\nHidePassworded=1\r\nMaxPing=120\r\nText=dusk\r\n"
              "[Hidden]\r\n127.0.0.9:27015=1\r\n127.0.0.8:27016=1\r\n"
              "[Watch]\r\nFavorites=1\r\nMinutes=7\r\n");
    ToolOptions back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back, options);

    // Back at the defaults, the sections go; a hand-written value out of range is not taken.
    ASSERT_TRUE(ToolOptions().Save(path));
    EXPECT_EQ(ReadText(path), "[Query]\r\nDialect=Automatic\r\nQueriesAtOnce=5\r\nLanTargets=\r\n");
    WriteText(path, "[Watch]\r\nFavorites=1\r\nMinutes=0\r\n[Hidden]\r\nnot an address=1\r\n127.0.0.1:5=1\r\n");
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.watchMinutes, ToolOptions::kDefaultWatchMinutes);
    EXPECT_EQ(back.hiddenServers, std::vector<std::string>{"127.0.0.1:5"});
}

TEST(ToolOptions, TextsWithBlanksOrQuotesAtTheirEndsComeBackAsTheyWere)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    for (const std::string& text : {std::string(" harbor"), std::string("dusk\t"), std::string("\"dusk\""),
                                    std::string("'a'"), std::string(63, 'a') + " "}) {
        ToolOptions options;
        options.filter.text = text;
        options.lanTargets = {"'127.0.0.1", "127.0.0.2'"};
        ASSERT_TRUE(options.Save(path));
        ToolOptions back;
        ASSERT_TRUE(back.Load(path));
        EXPECT_EQ(back.filter.text, text);
        EXPECT_EQ(back.lanTargets, options.lanTargets);
    }
    EXPECT_NE(ReadText(path).find("LanTargets=\"'127.0.0.1,127.0.0.2'\"\r\n"), std::string::npos);

    // Cut to the field's length by the loader, a text may end in a blank: it stays.
    WriteText(path, "[Filter]\r\nText=" + std::string(63, 'b') + " c\r\n");
    ToolOptions cut;
    ASSERT_TRUE(cut.Load(path));
    ASSERT_TRUE(cut.Save(path));
    ToolOptions back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.filter.text, std::string(63, 'b') + " ");
}

// A file far larger than any this program writes (garbage, or grown by another tool) gives its
// known values, and is not carried along from then on.
TEST(ToolOptions, AnOversizedFileKeepsOnlyWhatIsKnown)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    std::string junk;
    for (unsigned i = 0; junk.size() <= ToolOptions::kMaxFileBytes; ++i)
        junk += "[Junk" + std::to_string(i % 97) + "]\r\nkey" + std::to_string(i) + "=\x01\xFE\r\n";
    WriteText(path, "[Query]\r\nDialect=A2S\r\n[Hidden]\r\n127.0.0.5:27015=1\r\n" + junk);
    ToolOptions options;
    ASSERT_TRUE(options.Load(path));
    EXPECT_EQ(options.dialect, QueryDialect::A2s);
    EXPECT_EQ(options.hiddenServers, std::vector<std::string>{"127.0.0.5:27015"});
    ASSERT_TRUE(options.Save(path));
    EXPECT_EQ(ReadText(path), "[Query]\r\nDialect=A2S\r\nQueriesAtOnce=5\r\nLanTargets=\r\n"
                              "[Hidden]\r\n127.0.0.5:27015=1\r\n");
}

#ifndef _WIN32
// It will hold keys: the user's alone whatever the umask, also when an older run made it
// readable by everyone.
TEST(ToolOptions, TheFileIsTheOwnersAlone)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    const mode_t old = ::umask(022);
    ASSERT_TRUE(ToolOptions().Save(path));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::mask, std::filesystem::perms(0600));
    std::filesystem::permissions(path, std::filesystem::perms(0644));
    ASSERT_TRUE(ToolOptions().Save(path));
    ::umask(old);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::mask, std::filesystem::perms(0600));
}
#endif

TEST(ToolOptions, TheWebApiMoreMastersAndTheQuickRefreshGoToTheFileAndComeBack)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    ToolOptions options;
    options.webApiKey = "0123456789ABCDEF0123456789ABCDEF";
    options.webApiLimit = 500;
    options.moreMasters = {"master.example.net:27011", "10.0.0.5"};
    options.queryOnPing = true;
#ifndef _WIN32
    const mode_t old = ::umask(022);
#endif
    ASSERT_TRUE(options.Save(path));
    EXPECT_EQ(ReadText(path), "[Query]\r\nDialect=Automatic\r\nQueriesAtOnce=5\r\nLanTargets=\r\nQueryOnPing=1\r\n"
                              "[SteamWebApi]\r\nKey=0123456789ABCDEF0123456789ABCDEF\r\n"
                              "Url=https://api.steampowered.com\r\nLimit=500\r\n"
                              "[MoreMasters]\r\n1=master.example.net:27011\r\n2=10.0.0.5\r\n");
    ToolOptions back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back, options);
    // A rewrite that takes the key out stays the owner's alone too.
#ifndef _WIN32
    std::filesystem::permissions(path, std::filesystem::perms(0644));
#endif
    ASSERT_TRUE(ToolOptions().Save(path));
#ifndef _WIN32
    ::umask(old);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::mask, std::filesystem::perms(0600));
#endif
    EXPECT_EQ(ReadText(path), "[Query]\r\nDialect=Automatic\r\nQueriesAtOnce=5\r\nLanTargets=\r\n");
}

TEST(ToolOptions, AWebApiLimitIsClampedAndMastersAreCheckedWhenRead)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ToolOptions::kFileName);
    struct Case {
        const char* limit;
        int read;
    };
    for (const Case& c : {Case{"0", 1}, Case{"-4", 1}, Case{"20001", 20000}, Case{"99999999999999999999", 20000},
                          Case{"+250", 250}, Case{"many", 10000}, Case{"", 10000}, Case{"12x", 10000}}) {
        WriteText(path, std::string("[SteamWebApi]\r\nKey= k1 \r\nUrl=\r\nLimit=") + c.limit +
                            "\r\n[MoreMasters]\r\n1=a.example:27010\r\n2=bad host!\r\n3= 10.0.0.7 : 27012 \r\n"
                            "4=a.example:27010\r\n5=10.0.0.8:0\r\n6=10.0.0.8:65536\r\n7=:27010\r\n9=b-c_d\r\n");
        ToolOptions options;
        ASSERT_TRUE(options.Load(path));
        EXPECT_EQ(options.webApiLimit, c.read) << c.limit;
        EXPECT_EQ(options.webApiKey, "k1");
        EXPECT_EQ(options.webApiUrl, ToolOptions::kDefaultWebApiUrl);
        EXPECT_EQ(options.moreMasters, (std::vector<std::string>{"a.example:27010", "10.0.0.7:27012", "b-c_d"}));
    }
}
