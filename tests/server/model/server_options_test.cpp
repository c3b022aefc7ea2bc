// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/model/server_options.h"

#include "core/path.h"
#include "test_support/work_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct Files {
    std::optional<std::string> game, listen, server;
};

void Put(const TempDir& mod, const Files& f)
{
    for (const auto& [name, bytes] :
         {std::pair{"game.cfg", f.game}, std::pair{"listenserver.cfg", f.listen}, std::pair{"server.cfg", f.server}})
        if (bytes)
            WriteText(mod.File(name), *bytes);
}

} // namespace

TEST(ServerOptions, ReadsTheRulesAndTheVariablesWithTheirDefaults)
{
    struct Case {
        Files files;
        std::string limits; // wish|frag|time
        int fall, mode;
        std::array<bool, kServerSwitchCount> switches;
        std::array<std::string, kServerVariableCount> variables;
    };
    const std::array<bool, kServerSwitchCount> allOn = {true, true, true, true, true, true, true, true};
    const Case cases[] = {
        // No game.cfg: every switch on, Realistic; the variables from listenserver.cfg or defaults.
        {{std::nullopt, "mp_melee \"2.5\"\r\n", "sv_gravity \"600\""},
         "||",
         1,
         0,
         allOn,
         {"2.5", "30", "1.5", "2.0", "1.0", "800", "10"}},
        // Without listenserver.cfg, server.cfg gives them; a tab after a name still reads.
        {{"\"mp_wishlimit\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\"30\"\r\n\"mp_falldamage\"\t\t\"0\"\r\n"
          "\"mp_gamemode\"\t\t\"7\"\r\n\"mp_footsteps\"\t\t\"0\"\r\n\"sv_sendvelocity\"\t\t\"\"",
          std::nullopt, "sv_gravity \"600\"\r\nmp_melee \"\""},
         "5|30|",
         0,
         0,
         {true, true, true, false, true, true, true, true},
         {"1.0", "30", "1.5", "2.0", "1.0", "600", "10"}},
        {{"\"mp_gamemode\"\t\t\"2\"\r\n\"mp_falldamage\"\t\t\"1\"\r\n\"mp_timelimit\"\t\t\"20\"", "", std::nullopt},
         "||20",
         1,
         2,
         allOn,
         {"1.0", "30", "1.5", "2.0", "1.0", "800", "10"}},
    };
    for (const Case& c : cases) {
        TempDir mod;
        Put(mod, c.files);
        CvarFiles files(mod.Path(), mod.Path());
        const CreateServerValues v = ReadCreateServerValues(files);
        EXPECT_EQ(v.wishLimit + "|" + v.fragLimit + "|" + v.timeLimit, c.limits);
        EXPECT_EQ(v.fallingDamage, c.fall) << c.limits;
        EXPECT_EQ(v.gameMode, c.mode) << c.limits;
        EXPECT_EQ(v.switches, c.switches) << c.limits;
        EXPECT_EQ(v.variables, c.variables) << c.limits;
    }
}

TEST(ServerOptions, TheFillAndEachChangeWriteTheirLines)
{
    const Files start = {"\"mp_fraglimit\"\t\t\"10\"", "sv_gravity \"700\"", "hostname \"x\""};
    struct Change {
        std::function<void(CvarFiles&)> make;
        Files after;
    };
    const Change changes[] = {
        {[](CvarFiles& f) { WriteCreateServerFill(f, ReadCreateServerValues(f)); },
         {"\"mp_fraglimit\"\t\t\"10\"\r\n\"mp_wishlimit\"\t\t\"\"\r\n\"mp_timelimit\"\t\t\"\"",
          "sv_gravity \"700\"\r\nmp_melee \"1.0\"\r\nmp_dbrespawntime \"30\"\r\nmp_laydowntime \"1.5\"\r\n"
          "mp_nomeleehittime \"2.0\"\r\nmp_allowsensubeans \"1.0\"\r\nsv_accelerate \"10\"",
          "hostname \"x\"\r\nmp_melee \"1.0\"\r\nmp_dbrespawntime \"30\"\r\nmp_laydowntime \"1.5\"\r\n"
          "mp_nomeleehittime \"2.0\"\r\nmp_allowsensubeans \"1.0\"\r\nsv_gravity \"700\"\r\nsv_accelerate \"10\""}},
        {[](CvarFiles& f) { WriteGameRule(f, GameRule::FragLimit, "25"); }, {"\"mp_fraglimit\"\t\t\"25\"", {}, {}}},
        {[](CvarFiles& f) { WriteGameRule(f, GameRule::GameMode, 2); },
         {"\"mp_fraglimit\"\t\t\"10\"\r\n\"mp_gamemode\"\t\t\"2\"", {}, {}}},
        {[](CvarFiles& f) { WriteServerSwitch(f, 7, false); },
         {"\"mp_fraglimit\"\t\t\"10\"\r\n\"sv_sendvelocity\"\t\t\"0\"", {}, {}}},
        {[](CvarFiles& f) { WriteServerVariable(f, 5, "650"); },
         {{}, "sv_gravity \"650\"", "hostname \"x\"\r\nsv_gravity \"650\""}},
    };
    for (const Change& c : changes) {
        TempDir mod;
        Put(mod, start);
        CvarFiles files(mod.Path(), mod.Path());
        c.make(files);
        // A file the change leaves alone is as it was.
        EXPECT_EQ(ReadText(mod.File("game.cfg")), c.after.game.value_or(*start.game));
        EXPECT_EQ(ReadText(mod.File("listenserver.cfg")), c.after.listen.value_or(*start.listen));
        EXPECT_EQ(ReadText(mod.File("server.cfg")), c.after.server.value_or(*start.server));
    }
}
