// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/command_line.h"
#include "core/lcg.h"
#include "core/path.h"
#include "server/model/map_cycle.h"
#include "server/model/server_command.h"
#include "settings/app_settings.h"
#include "test_support/work_dir.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::string>;

} // namespace

TEST(MapCycle, OnlyFilesEndingInLowerCaseBspAreMaps)
{
    TempDir dir;
    for (const char* name : {"de_x.bsp", "de_x.BSP", "readme.txt", ".bsp", "ctf_y.bsp.bak", "ctf_y.bsp"})
        WriteText(dir.File(name), "x");
    std::filesystem::create_directory(dir.File("old.bsp"));
    Entries maps = ListMaps(dir.Path());
    std::sort(maps.begin(), maps.end());
    EXPECT_EQ(maps, (Entries{"ctf_y", "de_x"}));
    EXPECT_TRUE(ListMaps(dir.File("missing")).empty());
}

TEST(MapCycle, FileKeepsEveryEntryAsItIsAndEndsEachWithCrLf)
{
    TempDir dir;
    const std::string path = dir.File("mapcycle.txt");
    EXPECT_TRUE(LoadMapCycle(path).empty());
    WriteText(path, "a\r\n\r\n  b \nc");
    EXPECT_EQ(LoadMapCycle(path), (Entries{"a", "", "  b ", "c"}));
    ASSERT_TRUE(SaveMapCycle(path, {"a", "", "b"}));
    EXPECT_EQ(ReadText(path), "a\r\n\r\nb\r\n");
    ASSERT_TRUE(SaveMapCycle(path, {}));
    EXPECT_EQ(ReadText(path), "");

    // Appending keeps what is there, twice the same map included.
    ASSERT_TRUE(AppendToMapCycle(path, "dm1"));
    ASSERT_TRUE(AppendToMapCycle(path, "dm1"));
    EXPECT_EQ(ReadText(path), "dm1\r\ndm1\r\n");
    WriteText(path, "last line without a break");
    ASSERT_TRUE(AppendToMapCycle(path, "dm2"));
    EXPECT_EQ(ReadText(path), "last line without a break\r\ndm2\r\n");
    const std::string fresh = dir.File("new.txt");
    ASSERT_TRUE(AppendToMapCycle(fresh, "dm3"));
    EXPECT_EQ(ReadText(fresh), "dm3\r\n");
    ASSERT_TRUE(ClearMapCycle(dir.File("cleared.txt")));
    EXPECT_TRUE(FileExists(dir.File("cleared.txt")));
    EXPECT_EQ(ReadText(dir.File("cleared.txt")), "");
}

TEST(MapCycle, MovesAndTheEntryTheyLeaveSelected)
{
    Entries e = {"a", "b", "c", "d"};
    EXPECT_EQ(MoveMapCycleEntry(e, 0, MapMove::Up), -1);
    EXPECT_EQ(MoveMapCycleEntry(e, 0, MapMove::Top), -1);
    EXPECT_EQ(MoveMapCycleEntry(e, 3, MapMove::Down), -1);
    EXPECT_EQ(MoveMapCycleEntry(e, 3, MapMove::Bottom), -1);
    EXPECT_EQ(MoveMapCycleEntry(e, -1, MapMove::Down), -1);
    EXPECT_EQ(e, (Entries{"a", "b", "c", "d"}));
    EXPECT_EQ(MoveMapCycleEntry(e, 2, MapMove::Top), 0);
    EXPECT_EQ(e, (Entries{"c", "a", "b", "d"}));
    EXPECT_EQ(MoveMapCycleEntry(e, 0, MapMove::Bottom), 3);
    EXPECT_EQ(e, (Entries{"a", "b", "d", "c"}));
    EXPECT_EQ(MoveMapCycleEntry(e, 1, MapMove::Down), 2);
    EXPECT_EQ(MoveMapCycleEntry(e, 2, MapMove::Up), 1);
    EXPECT_EQ(e, (Entries{"a", "b", "d", "c"}));

    // The selection search starts just before the new place, so it finds the moved entry even
    // where an earlier one shares its beginning.
    const Entries shared = {"dm", "DM1", "dm1", "x"};
    EXPECT_EQ(FindEntryStartingWith(shared, "dm1", 1), 2);
    EXPECT_EQ(FindEntryStartingWith(shared, "dm1", 0), 1);
    EXPECT_EQ(FindEntryStartingWith(shared, "dm", -1), 0);
    EXPECT_EQ(FindEntryStartingWith(shared, "y", -1), -1);
}

TEST(MapCycle, SortIgnoresLetterCaseAndKeepsEqualsInOrder)
{
    Entries e = {"b", "A", "a2"};
    SortMapCycle(e);
    EXPECT_EQ(e, (Entries{"A", "a2", "b"}));
    Entries same = {"Dm1", "dm1", "", "DM1", "\xC3\xA9t\xC3\xA9", "ez"};
    SortMapCycle(same);
    EXPECT_EQ(same, (Entries{"", "Dm1", "dm1", "DM1", "\xC3\xA9t\xC3\xA9", "ez"}));
}

TEST(MapCycle, RandomizeFollowsTheProgramsSequence)
{
    // The order worked out by hand from the runtime's generator (state 1, * 214013 + 2531011,
    // bits 16..30): each round takes the first entry on an odd number, the last on an even
    // one, and places it at the second number modulo the placed count + 1.
    Lcg random;
    Entries e = {"alpha", "bravo", "charlie", "delta", "echo"};
    RandomizeMapCycle(e, random);
    EXPECT_EQ(e, (Entries{"echo", "bravo", "delta", "alpha", "charlie"}));
    EXPECT_EQ(random.state, 3750785579u);
    // The sequence goes on where it was: a second shuffle of the same list differs.
    e = {"alpha", "bravo", "charlie", "delta", "echo"};
    RandomizeMapCycle(e, random);
    EXPECT_EQ(e, (Entries{"alpha", "echo", "bravo", "delta", "charlie"}));

    Entries one = {"only"};
    RandomizeMapCycle(one, random);
    EXPECT_EQ(one, Entries{"only"});
    Entries twins = {"x", "x", "y"};
    RandomizeMapCycle(twins, random);
    std::sort(twins.begin(), twins.end());
    EXPECT_EQ(twins, (Entries{"x", "x", "y"}));
}

TEST(ServerCommand, ArgumentsInTheirOrder)
{
    AppSettings s;
    s.port = 27015;
    s.lan = true;
    s.serverName = "Test";
    s.maxPlayers = 16;
    EXPECT_EQ(BuildServerArguments(s, "dm1", "").parameters,
              "-port 27015 +sv_lan 1 +hostname \"Test\" +maxplayers 16 +map \"dm1\" +exec listenserver.cfg");
    s.lan = false;
    s.dedicated = true;
    s.serverName = R"(C:\My Server)";
    EXPECT_EQ(
        BuildServerArguments(s, "dm1", "se cret").parameters,
        R"(-port 27015 +hostname "C:\My Server" +maxplayers 16 +map "dm1" +exec server.cfg +sv_password "se cret")");
    s.serverName.clear();
    s.port = 0;
    EXPECT_EQ(BuildServerArguments(s, "", "").parameters,
              "-port 0 +hostname \"\" +maxplayers 16 +map \"\" +exec server.cfg");
}

// Whatever the user typed or named a map, each value stays one argument: in the list, and in the
// text once the game's C runtime has split it.
TEST(ServerCommand, UserValuesNeverBreakTheCommandLine)
{
    const std::array<std::array<const char*, 3>, 5> cases = {{{R"(My "Srv" +rcon_password "evil)", "dm1", "pw"},
                                                              {R"(Srv" +rcon_password evil +sv_cheats 1 ")", "dm1", ""},
                                                              {R"(Back\)", "dm1", "pw"},
                                                              {"Srv", R"(q"uote)", ""},
                                                              {R"(a\"b\\)", R"(x\y)", R"(p"w\)"}}};
    for (const auto& [name, map, password] : cases) {
        AppSettings s;
        s.serverName = name;
        const LaunchCommand command = BuildServerArguments(s, map, password);
        Entries expected{"-port",       std::to_string(s.port),
                         "+hostname",   name,
                         "+maxplayers", std::to_string(s.maxPlayers),
                         "+map",        map,
                         "+exec",       "listenserver.cfg"};
        if (*password)
            expected.insert(expected.end(), {"+sv_password", password});
        EXPECT_EQ(command.arguments, expected) << name;
        EXPECT_EQ(SplitWindowsCommandLine(command.parameters), expected) << command.parameters;
    }
}
