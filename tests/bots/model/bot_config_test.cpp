// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/model/bot_config.h"

#include "core/path.h"
#include "test_support/work_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// A mod folder of its own, its files byte for byte.
struct BotConfigTest : ::testing::Test {
    TempDir mod;
    TempDir work;
    CvarFiles files{mod.Path(), work.Path()};

    void Put(const std::string& name, const std::string& bytes) const { WriteText(mod.File(name), bytes); }
    std::string Get(const std::string& name) const { return ReadText(mod.File(name)); }
    bool Has(const std::string& name) const { return FileExists(mod.File(name)); }

    // A load as the page does it: read, the .bak, the list.
    BotConfig Load()
    {
        const BotConfigRead read = ReadBotConfig(files);
        BotConfig config;
        if (read.exists) {
            MakeBotBackup(files, read.original);
            config.Reset(read.path, read.lines);
        }
        return config;
    }
};

const char* const kScript = "# Bots for the evening\r\n"
                            "\r\n"
                            "addbot \"1\" \"3\" \"Orlen\" \"2\"\r\n"
                            "#pause between the teams\n"
                            "pause \"5\"\n"
                            "\n"
                            "Bot_Chat_Percent \"5\"\r\n"
                            "bot_fill half_good"; // no break after the last line

} // namespace

TEST_F(BotConfigTest, TheFirstChangeKeepsOnlyTheCommandsAndTheBakKeepsEveryByte)
{
    Put("bot.cfg", kScript);
    BotConfig config = Load();
    EXPECT_EQ(config.path(), mod.File("bot.cfg"));
    EXPECT_EQ(config.lines(), (std::vector<std::string>{"addbot \"1\" \"3\" \"Orlen\" \"2\"", "pause \"5\"",
                                                        "Bot_Chat_Percent \"5\"", "bot_fill half_good"}));
    // Loading alone rewrites nothing.
    EXPECT_EQ(Get("bot.cfg"), kScript);
    EXPECT_EQ(Get("bot.cfg.bak"), kScript);

    // The option line keeps its place, its key now in lower case.
    EXPECT_EQ(config.SetBotOption("bot_chat_percent", "7"), 2);
    EXPECT_EQ(Get("bot.cfg"), "addbot \"1\" \"3\" \"Orlen\" \"2\"\r\npause \"5\"\r\nbot_chat_percent \"7\"\r\n"
                              "bot_fill half_good\r\n");
    EXPECT_EQ(Get("bot.cfg.bak"), kScript);

    // A second load finds the .bak and leaves it alone.
    config = Load();
    EXPECT_FALSE(MakeBotBackup(files, "other"));
    EXPECT_EQ(Get("bot.cfg.bak"), kScript);
    EXPECT_EQ(config.lines().size(), 4u);
}

TEST_F(BotConfigTest, OptionsAreReplacedInPlaceAppendedAndRemoved)
{
    Put("bot.cfg",
        "addbot \"1\" \"\" \"\" \"\"\r\nBOT_CHAT_PERCENT \"5\"\r\nbot_chat_percent \"6\"\r\npause \"2\"\r\n");
    BotConfig config = Load();
    // Only the first of two lines for the key is taken, whatever its case.
    config.SetBotOption("bot_chat_percent", "");
    EXPECT_EQ(Get("bot.cfg"), "addbot \"1\" \"\" \"\" \"\"\r\nbot_chat_percent \"\"\r\nbot_chat_percent \"6\"\r\n"
                              "pause \"2\"\r\n");
    config.RemoveBotOption("bot_chat_percent");
    config.RemoveBotOption("bot_chat_percent");
    EXPECT_EQ(Get("bot.cfg"), "addbot \"1\" \"\" \"\" \"\"\r\npause \"2\"\r\n");
    // Absent: nothing to remove, the file is still written; setting appends.
    config.RemoveBotOption("follow_mode");
    EXPECT_EQ(Get("bot.cfg"), "addbot \"1\" \"\" \"\" \"\"\r\npause \"2\"\r\n");
    EXPECT_EQ(config.SetBotOption("follow_mode", "0"), 2);
    EXPECT_EQ(Get("bot.cfg"), "addbot \"1\" \"\" \"\" \"\"\r\npause \"2\"\r\nfollow_mode \"0\"\r\n");
    // The key and one space: a longer key that begins alike is another option.
    config.Reset(config.path(), {"bot_chat_percentage \"1\"", "bot_chat_percent\t\"2\""});
    EXPECT_EQ(config.FindOption("bot_chat_percent"), -1);
    EXPECT_EQ(config.SetBotOption("bot_chat_percent", "3"), 2);
}

TEST_F(BotConfigTest, LoadReadsTheOptionsWithTheirDefaults)
{
    Put("bot.cfg", "observer \"1\"\r\nfollow_mode \"0\"\r\nbotdocombos \"yes\"\r\nbot_taunt_percent \"35\"\r\n"
                   "Bot_Chat_Percent \"5\"\r\nbot_whine_percent \"\"\r\n");
    Put("game.cfg", "// game rules\r\n\"mp_fraglimit\"\t\t\"30\"\r\n\"bot_skill\"\t\t\"5\"\r\n\"numbots\"\t\t\"6\"\r\n"
                    "\"botmeleepercent\"\t\"40\"\r\n");
    BotConfigRead read = ReadBotConfig(files);
    ASSERT_TRUE(read.exists);
    EXPECT_EQ(read.skill, 4);
    // A line with one tab is the key's line too: its value is shown (and so written back as it
    // was, not replaced by the default).
    EXPECT_EQ(read.numbers, (std::array<std::string, 3>{"6", "40", "60"}));
    // On only for "1"; absent ones at their defaults.
    EXPECT_EQ(read.switches, (std::array<bool, 7>{false, true, false, false, true, false, true}));
    // The reader takes the key as written in lower case; an empty value stays empty.
    EXPECT_EQ(read.chat, (std::array<std::string, 7>{"10", "35", "", "80", "10", "10", "50"}));

    // A skill that names no choice chooses none.
    for (const char* value : {"0", "6", "fast", "", "-2147483648"}) {
        Put("game.cfg", std::string("\"bot_skill\"\t\t\"") + value + "\"");
        EXPECT_EQ(ReadBotConfig(files).skill, -1) << value;
    }
    // No game.cfg: no choice and the defaults, whatever text was loaded before.
    std::filesystem::remove(mod.File("game.cfg"));
    Put("other.cfg", "\"bot_skill\"\t\t\"2\"\r\n\"numbots\"\t\t\"9\"");
    files.LoadCvarText("other.cfg");
    read = ReadBotConfig(files);
    EXPECT_EQ(read.skill, -1);
    EXPECT_EQ(read.numbers, (std::array<std::string, 3>{"0", "80", "60"}));
}

TEST_F(BotConfigTest, AMissingBotCfgIsReadAsMissingAndNeverMade)
{
    const BotConfigRead read = ReadBotConfig(files);
    EXPECT_FALSE(read.exists);
    EXPECT_EQ(read.path, mod.File("bot.cfg"));
    EXPECT_TRUE(read.lines.empty());
    BotConfig unloaded;
    EXPECT_FALSE(unloaded.Save());
    EXPECT_TRUE(std::filesystem::is_empty(mod.Path()));
}

TEST_F(BotConfigTest, GameCfgNumbersAndSkillAreTabbedLines)
{
    Put("game.cfg", "// game rules\r\n\"bot_skill\"\t\t\"2\"\r\n\"mp_fraglimit\"\t\t\"30\"\r\n");
    WriteBotSkill(files, 4);
    EXPECT_EQ(Get("game.cfg"), "// game rules\r\n\"bot_skill\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\t\"30\"");
    WriteBotNumber(files, 0, "12");
    WriteBotNumber(files, 1, "");
    WriteBotNumber(files, 2, "");
    EXPECT_EQ(Get("game.cfg"),
              "// game rules\r\n\"bot_skill\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\t\"30\"\r\n"
              "\"numbots\"\t\t\"12\"\r\n\"botmeleepercent\"\t\t\"80\"\r\n\"botteleportpercent\"\t\t\"60\"");
    WriteBotNumber(files, 0, "");
    EXPECT_NE(Get("game.cfg").find("\"numbots\"\t\t\"0\"\r\n"), std::string::npos);
    // game.cfg is never made.
    std::filesystem::remove(mod.File("game.cfg"));
    WriteBotSkill(files, 0);
    WriteBotNumber(files, 0, "3");
    EXPECT_FALSE(Has("game.cfg"));
}

TEST_F(BotConfigTest, LinesAreWrittenWithEveryArgumentQuotedAndReadBackWordByWord)
{
    EXPECT_EQ(BotLine("", "", "", ""), "addbot \"\" \"\" \"\" \"\"");
    EXPECT_EQ(BotLine("2", "9", "Ash Vane", "1"), "addbot \"2\" \"9\" \"Ash Vane\" \"1\"");
    EXPECT_EQ(SuperBotLine("3", ""), "addsbot \"3\" \"\"");
    EXPECT_EQ(PauseLine("30"), "pause \"30\"");
    EXPECT_EQ(FillLine(0), "bot_fill full");
    EXPECT_EQ(FillLine(3), "bot_fill half_evil");
    EXPECT_EQ(FillLine(4), "bot_fill full_evil");
    EXPECT_EQ(FillLine(5), "");

    BotLineFields f = ParseBotLine("addbot \"2\" \"9\" \"Ash Vane\" \"1\"");
    EXPECT_TRUE(f.bot);
    EXPECT_FALSE(f.superBot);
    EXPECT_FALSE(f.pause);
    EXPECT_EQ(f.command, "addbot \"2\" \"9\" \"Ash Vane\" \"1\"");
    EXPECT_EQ(f.team, "2");
    EXPECT_EQ(f.playerClass, "9");
    EXPECT_EQ(f.name, "Ash Vane");
    EXPECT_EQ(f.skill, "1");
    // Unquoted and missing arguments, as the plug-in's readers take them.
    f = ParseBotLine("addbot 1 4");
    EXPECT_EQ(f.team, "1");
    EXPECT_EQ(f.playerClass, "4");
    EXPECT_EQ(f.name, "");

    f = ParseBotLine("addsbot \"2\" \"7\"");
    EXPECT_TRUE(f.superBot);
    EXPECT_FALSE(f.bot);
    EXPECT_EQ(f.superType, "2");
    EXPECT_EQ(f.superClass, "7");

    f = ParseBotLine("pause \"30\"");
    EXPECT_TRUE(f.pause);
    EXPECT_EQ(f.pauseSeconds, "30");
    EXPECT_EQ(ParseBotLine("pause 12").pauseSeconds, "12");
    // The forms are told apart by their first word and its space, letter case counting.
    for (const char* other : {"addbotx \"1\"", "Addbot \"1\"", "addbot", "bot_fill full", "pause"}) {
        f = ParseBotLine(other);
        EXPECT_FALSE(f.bot || f.superBot || f.pause) << other;
        EXPECT_EQ(f.command, other);
    }
}

TEST_F(BotConfigTest, MovesAndClear)
{
    Put("bot.cfg", "a\r\nb\r\nc\r\nd\r\n");
    BotConfig config = Load();
    using Move = BotConfig::Move;
    EXPECT_EQ(config.MoveEntry(0, Move::Top), -1);
    EXPECT_EQ(config.MoveEntry(0, Move::Up), -1);
    EXPECT_EQ(config.MoveEntry(3, Move::Down), -1);
    EXPECT_EQ(config.MoveEntry(3, Move::Bottom), -1);
    EXPECT_EQ(config.MoveEntry(-1, Move::Down), -1);
    EXPECT_EQ(config.MoveEntry(4, Move::Up), -1);
    EXPECT_EQ(config.MoveEntry(2, Move::Top), 0);    // c a b d
    EXPECT_EQ(config.MoveEntry(1, Move::Bottom), 3); // c b d a
    EXPECT_EQ(config.MoveEntry(1, Move::Down), 2);   // c d b a
    EXPECT_EQ(config.MoveEntry(3, Move::Up), 2);     // c d a b
    EXPECT_EQ(config.lines(), (std::vector<std::string>{"c", "d", "a", "b"}));
    // Moves leave saving to the caller.
    EXPECT_EQ(Get("bot.cfg"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_TRUE(config.Save());
    EXPECT_EQ(Get("bot.cfg"), "c\r\nd\r\na\r\nb\r\n");

    EXPECT_TRUE(config.Clear());
    EXPECT_TRUE(config.lines().empty());
    EXPECT_EQ(Get("bot.cfg"), "");
    EXPECT_TRUE(Has("bot.cfg"));
}

// An editor's byte-order mark hides no option, and a pasted line break makes no second line.
TEST_F(BotConfigTest, AByteOrderMarkAndLineBreaksChangeNoOtherLine)
{
    const std::string bom = "\xEF\xBB\xBF";
    Put("bot.cfg", bom + "bot_chat_percent \"5\"\r\nobserver \"1\"\r\n");
    const BotConfigRead read = ReadBotConfig(files);
    EXPECT_EQ(read.chat[0], "5");
    EXPECT_TRUE(read.switches[1]);
    BotConfig config;
    config.Reset(read.path, read.lines);
    EXPECT_EQ(config.SetBotOption("bot_chat_percent", "7\r\nexec evil.cfg"), 0);
    config.Append(BotLine("1", "2", "Bob\nquit", "3"));
    ASSERT_TRUE(config.Save());
    EXPECT_EQ(Get("bot.cfg"), bom + "bot_chat_percent \"7  exec evil.cfg\"\r\nobserver \"1\"\r\n"
                                    "addbot \"1\" \"2\" \"Bob quit\" \"3\"\r\n");
}
