// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"
#include "settings/app_settings.h"
#include "test_support/work_dir.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int32_t IntAt(const std::vector<unsigned char>& b, size_t off)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<uint32_t>(b.at(off + i)) << (8 * i);
    return static_cast<int32_t>(u);
}

float FloatAt(const std::vector<unsigned char>& b, size_t off)
{
    int32_t i = IntAt(b, off);
    float f;
    std::memcpy(&f, &i, 4);
    return f;
}

std::string TextAt(const std::vector<unsigned char>& b, size_t off, size_t width)
{
    std::string s;
    for (size_t i = 0; i < width && b.at(off + i); ++i)
        s.push_back(static_cast<char>(b[off + i]));
    return s;
}

const std::string kGame = std::string(1, kPathSeparator) + "games" + kPathSeparator + "Half-Life";

// What the finder's Ok does on a first run.
bool ChooseGame(AppSettings& s)
{
    s.SetGamePath(kGame + kPathSeparator + kClientExeName);
    s.SetFirstRunDefaults();
    return true;
}

} // namespace

TEST(AppSettingsFile, FirstRunWritesTheFullRecordWithoutLoadDefaults)
{
    ScopedWorkDir dir;
    AppSettings s;
    EXPECT_EQ(s.Load([&] { return ChooseGame(s); }), AppSettings::LoadResult::FirstRun);
    EXPECT_EQ(s.settingsPath, dir.File("znktool.conf"));

    auto b = ReadAllBytes(dir.File("znktool.conf"));
    ASSERT_EQ(b.size(), 1665u);
    EXPECT_EQ(TextAt(b, 0, 300), kGame + kPathSeparator + kClientExeName);
    EXPECT_EQ(TextAt(b, 300, 20), "znk");
    EXPECT_EQ(std::string(b.begin() + 300, b.begin() + 320), std::string("znk") + std::string(17, '\0'));
    EXPECT_EQ(TextAt(b, 1320, 100), AppSettings::kDefaultMasterServer);
    EXPECT_EQ(FloatAt(b, 1434), 1.0f);
    // 27015 and 8 are load-time defaults only: a first save stores zeros. The running program
    // works with them all the same, as every later start does.
    EXPECT_EQ(IntAt(b, 1655), 0);
    EXPECT_EQ(IntAt(b, 1659), 0);
    EXPECT_EQ(s.port, 27015);
    EXPECT_EQ(s.maxPlayers, 8);
    EXPECT_EQ(s.masterServer, AppSettings::kDefaultMasterServer);
    EXPECT_EQ(s.timeout, 1.0f);
}

TEST(AppSettingsFile, AnotherGameLocationKeepsTheUsersMasterServerAndTimeout)
{
    ScopedWorkDir dir;
    const std::string second = dir.File("second");
    ASSERT_TRUE(std::filesystem::create_directories(JoinPath(second, "othermod")));
    ASSERT_TRUE(std::filesystem::create_directories(dir.File("third")));
    AppSettings s;
    s.masterServer = "10.9.8.7:27011";
    s.timeout = 2.5f;
    s.modFolder = "othermod";

    // The chosen mod is there too: nothing but the game path changes.
    s.AdoptGameLocation(JoinPath(second, "hl.sh"));
    EXPECT_EQ(s.gameFolder, second);
    EXPECT_EQ(s.exeName, "hl.sh");
    EXPECT_EQ(s.modFolder, "othermod");
    EXPECT_EQ(s.masterServer, "10.9.8.7:27011");
    EXPECT_EQ(s.timeout, 2.5f);

    // A game without that mod folder goes back to the program's own mod.
    s.AdoptGameLocation(JoinPath(dir.File("third"), "hl.sh"));
    EXPECT_EQ(s.modFolder, "znk");
    EXPECT_EQ(s.masterServer, "10.9.8.7:27011");
    EXPECT_EQ(s.timeout, 2.5f);

    // Fields never set (a first run) get the defaults.
    AppSettings fresh;
    fresh.AdoptGameLocation(JoinPath(second, "hl.sh"));
    EXPECT_EQ(fresh.modFolder, "znk");
    EXPECT_EQ(fresh.masterServer, AppSettings::kDefaultMasterServer);
    EXPECT_EQ(fresh.timeout, 1.0f);
}

TEST(AppSettingsFile, AbandonedFirstRunWritesNothing)
{
    ScopedWorkDir dir;
    AppSettings s;
    EXPECT_EQ(s.Load([] { return false; }), AppSettings::LoadResult::Abandoned);
    EXPECT_FALSE(FileExists(dir.File("znktool.conf")));
}

TEST(AppSettingsFile, ShortFileIsZeroExtendedAndGetsDefaults)
{
    ScopedWorkDir dir;
    std::vector<unsigned char> old(1420, 0);
    const std::string exe = kGame + kPathSeparator + "hl.sh";
    std::memcpy(old.data(), exe.data(), exe.size());
    std::memcpy(old.data() + 300, "znk", 3);
    std::memcpy(old.data() + 320, "-dev", 4);
    std::memcpy(old.data() + 1320, "10.1.2.3:27011", 14);
    WriteAllBytes(dir.File("znktool.conf"), old);

    AppSettings s;
    EXPECT_EQ(s.Load(nullptr), AppSettings::LoadResult::Loaded);
    EXPECT_EQ(s.gameFolder, kGame);
    EXPECT_EQ(s.exeName, "hl.sh");
    EXPECT_EQ(s.modFolder, "znk");
    EXPECT_EQ(s.otherArguments, "-dev");
    EXPECT_EQ(s.masterServer, "10.1.2.3:27011");
    EXPECT_FALSE(s.alwaysOnTop || s.console || s.bpp32 || s.numericPing || s.dedicated || s.lan || s.detectVbr);
    EXPECT_EQ(s.timeout, 1.0f);
    EXPECT_EQ(s.port, 27015);
    EXPECT_EQ(s.maxPlayers, 8);

    auto b = ReadAllBytes(dir.File("znktool.conf"));
    ASSERT_EQ(b.size(), 1665u);
    EXPECT_TRUE(std::equal(old.begin(), old.end(), b.begin()));
    EXPECT_TRUE(std::all_of(b.begin() + 1420, b.end(), [](unsigned char c) { return c == 0; }));
}

// "Steam Default" once filled in a stand-in host for Steam's UDP master; it now means the Web API.
// Every other master text is read, and written back, byte for byte.
TEST(AppSettingsFile, TheOldSteamDefaultIsReadAsTheWebApi)
{
    struct Case {
        const char* stored;
        const char* read;
    };
    for (const Case& c :
         {Case{"hl1master.znk-tool.invalid:27011", "SteamWebAPI"},
          Case{"hl1master.znk-tool.invalid:27012", "hl1master.znk-tool.invalid:27012"},
          Case{"hl1master.znk-tool.invalid", "hl1master.znk-tool.invalid"}, Case{"SteamWebAPI", "SteamWebAPI"},
          Case{"127.0.0.1:27010", "127.0.0.1:27010"}, Case{"master.znk-tool.invalid", "master.znk-tool.invalid"}}) {
        ScopedWorkDir dir;
        std::vector<unsigned char> record(AppSettings::kRecordSize, 0);
        std::memcpy(record.data() + 300, "znk", 3);
        std::memcpy(record.data() + 1320, c.stored, std::strlen(c.stored));
        WriteAllBytes(dir.File("znktool.conf"), record);
        AppSettings s;
        ASSERT_EQ(s.Load(nullptr), AppSettings::LoadResult::Loaded);
        EXPECT_EQ(s.masterServer, c.read);
        s.Save(false);
        EXPECT_EQ(TextAt(ReadAllBytes(dir.File("znktool.conf")), 1320, 100), c.read);
    }
    EXPECT_TRUE(IsSteamWebApiMaster("SteamWebAPI"));
    EXPECT_TRUE(IsSteamWebApiMaster("steamwebapi"));
    for (const char* other : {"", "SteamWebAPI:27010", "SteamWebAPI.example", " SteamWebAPI", "127.0.0.1:27010",
                              "hl1master.znk-tool.invalid:27011"})
        EXPECT_FALSE(IsSteamWebApiMaster(other)) << other;
}

TEST(AppSettingsFile, LongFileIsCutAndItsRecordRead)
{
    ScopedWorkDir dir;
    AppSettings first;
    first.SetGamePath(kGame + kPathSeparator + "hl.sh");
    first.maxPlayers = 12;
    first.detectVbr = true;
    first.settingsPath = dir.File("znktool.conf");
    first.Save(false);
    auto b = ReadAllBytes(first.settingsPath);
    b.resize(2000, 0xAB);
    WriteAllBytes(first.settingsPath, b);

    AppSettings s;
    s.Load(nullptr);
    EXPECT_EQ(s.maxPlayers, 12);
    EXPECT_TRUE(s.detectVbr);
    auto after = ReadAllBytes(first.settingsPath);
    ASSERT_EQ(after.size(), 1665u);
    EXPECT_TRUE(std::equal(after.begin(), after.end(), b.begin()));
}

TEST(AppSettingsFile, OverlongTextsAreCutToTheirWidthWithoutNul)
{
    ScopedWorkDir dir;
    AppSettings s;
    s.settingsPath = dir.File("znktool.conf");
    std::string args;
    for (int i = 0; i < 1200; ++i)
        args.push_back(static_cast<char>('a' + i % 26));
    s.otherArguments = args;
    s.serverName = std::string(250, 'N');
    s.Save(false);

    auto b = ReadAllBytes(s.settingsPath);
    ASSERT_EQ(b.size(), 1665u);
    EXPECT_EQ(std::string(b.begin() + 320, b.begin() + 1320), args.substr(0, 1000));
    EXPECT_EQ(b[1320], 0); // masterServer (empty) follows straight on

    AppSettings back;
    back.Load(nullptr);
    EXPECT_EQ(back.otherArguments, args.substr(0, 1000));
    EXPECT_EQ(back.serverName, std::string(200, 'N'));
}

TEST(AppSettingsFile, EveryFieldSitsAtItsOffsetAndRoundTrips)
{
    AppSettings s;
    s.SetGamePath(kGame + kPathSeparator + "hl.sh");
    s.modFolder = "mymod";
    s.masterServer = "master.example";
    s.alwaysOnTop = s.console = s.dustTrails = s.rocks3d = s.bpp32 = s.numericPing = true;
    s.fxQuality = 3;
    s.beamQuality = 5;
    s.timeout = 2.5f;
    s.priority = -2;
    s.serverSortColumn = 4;
    s.serverSortFlag = true;
    s.favoriteSortColumn = 0x01020304;
    s.favoriteSortFlag = true;
    s.wonMaster = true;
    s.serverName = "My Server";
    s.dedicated = s.lan = true;
    s.port = 27016;
    s.maxPlayers = -3; // kept as read, however implausible
    s.skipTrackInfo = s.detectVbr = true;

    auto bytes = s.Encode();
    std::vector<unsigned char> b(bytes.begin(), bytes.end());
    ASSERT_EQ(b.size(), 1665u);
    for (size_t flag : {1420u, 1421u, 1422u, 1423u, 1424u, 1425u, 1446u, 1451u, 1452u, 1653u, 1654u, 1663u, 1664u})
        EXPECT_EQ(b[flag], 1) << "flag at " << flag;
    EXPECT_EQ(IntAt(b, 1426), 3);
    EXPECT_EQ(IntAt(b, 1430), 5);
    EXPECT_EQ(FloatAt(b, 1434), 2.5f);
    EXPECT_EQ(IntAt(b, 1438), -2);
    EXPECT_EQ(IntAt(b, 1442), 4);
    // The unaligned fields.
    EXPECT_EQ(b[1447], 0x04);
    EXPECT_EQ(b[1450], 0x01);
    EXPECT_EQ(IntAt(b, 1655), 27016);
    EXPECT_EQ(IntAt(b, 1659), -3);
    EXPECT_EQ(TextAt(b, 1453, 200), "My Server");

    AppSettings back;
    back.Decode(bytes);
    EXPECT_EQ(back.Encode(), bytes);
    EXPECT_EQ(back.favoriteSortColumn, 0x01020304);
    EXPECT_EQ(back.port, 27016);
    EXPECT_EQ(back.maxPlayers, -3);
}

TEST(AppSettingsFile, ReadOnlyFileIsKeptAndSavesFail)
{
    ScopedWorkDir dir;
    AppSettings first;
    first.settingsPath = dir.File("znktool.conf");
    first.maxPlayers = 10;
    first.Save(false);
    const auto before = ReadAllBytes(first.settingsPath);
    ASSERT_EQ(::chmod(first.settingsPath.c_str(), 0444), 0);

    AppSettings s;
    s.Load(nullptr);
    EXPECT_EQ(s.maxPlayers, 10);
    s.maxPlayers = 20;
    s.Save(false);
    EXPECT_TRUE(s.lastSaveFailed);
    EXPECT_EQ(ReadAllBytes(first.settingsPath), before);
}

TEST(AppSettingsFile, EachWorkingFolderHasItsOwnFile)
{
    ScopedWorkDir a;
    AppSettings sa;
    sa.Load([&] { return ChooseGame(sa); });
    sa.maxPlayers = 4;
    sa.Save(false);
    {
        ScopedWorkDir b;
        AppSettings sb;
        EXPECT_EQ(sb.Load([] { return false; }), AppSettings::LoadResult::Abandoned);
        EXPECT_FALSE(FileExists(b.File("znktool.conf")));
    }
    AppSettings again;
    EXPECT_EQ(again.Load(nullptr), AppSettings::LoadResult::Loaded);
    EXPECT_EQ(again.maxPlayers, 4);
}

TEST(AppSettingsPaths, GamePathSplitsAtTheLastSeparator)
{
    const char sep = kPathSeparator;
    AppSettings s;
    const std::string folder = std::string(1, sep) + "Games" + sep + "Half-Life";
    s.SetGamePath(folder + sep + "hl.exe");
    EXPECT_EQ(s.gameFolder, folder);
    EXPECT_EQ(s.exeName, "hl.exe");
    s.dedicated = true;
    EXPECT_EQ(s.GetExePath(true), folder + sep + kServerExeName);
    EXPECT_EQ(s.GetExePath(false), folder + sep + "hl.exe");
    s.dedicated = false;
    EXPECT_EQ(s.GetExePath(true), folder + sep + "hl.exe");

    s.SetGamePath("HL.EXE");
    EXPECT_EQ(s.gameFolder, "");
    EXPECT_EQ(s.exeName, "HL.EXE");
}

TEST(AppSettingsPaths, LaunchSwitchesInTheirOrder)
{
    AppSettings s;
    s.otherArguments = "-dev";
    s.console = true;
    s.numericPing = true;
    EXPECT_EQ(s.GetLaunchSwitches(), "-dev -console -numericping");
    s.bpp32 = true;
    EXPECT_EQ(s.GetLaunchSwitches(), "-dev -console -32bpp -numericping");
    s.otherArguments.clear();
    s.console = false;
    EXPECT_EQ(s.GetLaunchSwitches(), " -32bpp -numericping");
}
