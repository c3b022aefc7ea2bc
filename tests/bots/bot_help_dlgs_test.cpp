#include "bots/bot_help_dlgs.h"
#include "test_support/widgets.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A help text from its entries, each a list of lines: CR LF line ends, one empty line between
// entries, no break after the last line.
std::string Entries(const std::vector<std::vector<std::string>>& entries)
{
    std::string text;
    for (size_t e = 0; e < entries.size(); ++e) {
        if (e > 0)
            text += "\r\n\r\n";
        for (size_t l = 0; l < entries[e].size(); ++l)
            text += (l > 0 ? "\r\n" : "") + entries[e][l];
    }
    return text;
}

} // namespace

TEST(BotHelp, WindowsAndTheirTexts)
{
    CBotClassDlg teamClass;
    CBotMiscDlg misc;
    CBotChatDlg chat;
    const std::vector<std::tuple<CBotHelpDlg*, QString, int>> windows = {
        {&teamClass, "Bot Help : Teamclass", 1012}, {&misc, "Bot Help : Misc", 1011}, {&chat, "Bot Help : Chat", 1010}};
    for (const auto& [window, title, textId] : windows) {
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(window->windowType(), Qt::Tool);
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        auto* field = FindById<QPlainTextEdit>(window, textId);
        ASSERT_TRUE(field);
        EXPECT_EQ(field->lineWrapMode(), QPlainTextEdit::NoWrap);
        window->Open();
        // Shown line by line as the text has them.
        EXPECT_EQ(field->toPlainText(), QString::fromLatin1(window->text()).replace("\r\n", "\n"));
        auto* ok = FindById<QPushButton>(window, 1);
        ASSERT_TRUE(ok);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_NEAR(ok->geometry().center().x(), window->width() / 2, 2);
        EXPECT_GT(ok->geometry().top(), field->geometry().bottom());
        window->hide();
    }

    EXPECT_EQ(std::string(CBotChatDlg::kText),
              Entries({{"bot_chat_percent <value> - sets the percent of time bot will use the",
                        "\t\"say\" command to send a bot_chat (checked every 30 seconds)",
                        "\tAllowed values are 0 - 100.  The default value is 10."},
                       {"bot_taunt_percent <value> - sets the percent of time bot will use the",
                        "\t\"say\" command to send a bot_taunt message after killing another",
                        "\tplayer.  Allowed values are 0 - 100.  The default value is 20."},
                       {"bot_whine_percent <value> - sets the percent of time bot will use the",
                        "\t\"say\" command to send a bot_whine message after being killed.",
                        "\tAllowed values are 0 - 100.  The default value is 10."},
                       {"bot_chat_tag_percent <value> - sets the percent of time bots will remove",
                        "\tclan tags from player names.  The default value is 80."},
                       {"bot_chat_drop_percent <value> - sets the percent of time bots will drop",
                        "\tcharacters from chat messages.  The default value is 10."},
                       {"bot_chat_swap_percent <value> - sets the percent of time bots will swap",
                        "\tcharacters in chat messages.  The default value is 10."},
                       {"bot_chat_lower_percent <value> - sets the percent of time bots will",
                        "\tconvert chat messages to all lowercase.  The default is 50."}}));

    EXPECT_EQ(std::string(CBotMiscDlg::kText),
              Entries({{"botskill <skill> - change the default botskill level (1 to 5).",
                        "\tskill level 1 is the best, skill level 5 is the worst. (default 2)"},
                       {"botdontshoot <value> - change the botdontshoot setting, 1=on, 0=off."},
                       {"observer <value> - should bots ignore you - 1 is true 0 is false (default off)"},
                       {"follow_mode <value> - turns follow mode on or off - 1 is on 0 is off (default is on)"},
                       {"bot_melee_percent <value> - sets the percent that a bot wanna melee",
                        "\t-1 is random default is 80"},
                       {"bot_teleport_percent <value> - sets the percent that the bot teleport instead of block",
                        "\t-1 is random  default is 30"},
                       {"botdocombos <value> - sets if bots do combos or not, - 1 is on 0 is off (default is on)"},
                       {"botsuseddisc <value> - sets if bots use discs or not, - 1 is on 0 is off (default is on)"},
                       {"autopilot <value> - switch autopilot on or off, when switched on",
                        "\tthe computer will take over and fly around a bit",
                        "\tit also engages in melee and fires off kiblasts.",
                        "\tIt is still and will remain experimental. 1 is on, 0 is off. (default is obviously off)"}}));

    // Every line ends with its break; empty lines only after the last addbot form, the skill
    // line and the super bot type.
    const std::string classText = CBotClassDlg::kText;
    const std::string classLineStart = "<class>\tthe class ranges from 1-9 where: ";
    const size_t classLine = classText.find("\r\n" + classLineStart);
    ASSERT_NE(classLine, std::string::npos);
    const size_t classEnd = classText.find(", other is a random class\r\n", classLine);
    ASSERT_NE(classEnd, std::string::npos);
    const std::string names =
        classText.substr(classLine + 2 + classLineStart.size(), classEnd - classLine - 2 - classLineStart.size());
    // Nine characters, by number, on a line and a tab-indented second line.
    for (int n = 1; n <= 9; ++n)
        EXPECT_NE(names.find(std::to_string(n) + " is "), std::string::npos) << n;
    ASSERT_EQ(std::count(names.begin(), names.end(), '\n'), 1);
    EXPECT_NE(names.find("\r\n\t"), std::string::npos);
    EXPECT_EQ(classText.substr(0, classLine + 2) +
                  classText.substr(classEnd + std::string(", other is a random class\r\n").size()),
              "addbot - will add a bot using a random class, random team(if neccesary)\r\n"
              "\trandom name and the default bot skill level\r\n"
              "addbot <team> - will add a bot using the specified team\r\n"
              "\trandom class and default skill level.\r\n"
              "addbot <team> <class> - will add a bot using the specified team and player\r\n"
              "\tclass and random name and the default bot skill level.\r\n"
              "addbot <team> <class> <name> - will add a bot using the specified team, class\r\n"
              "\tand and name, it will use the default bot skill level.\r\n"
              "addbot <team> <class> <name><skill> - will add a bot using the specified team\r\n"
              "\tclass, and and name.\r\n"
              "\r\n"
              "<team>\t1 or 2, 1 is good, 2 is evil. if you are playing free fight, use 1.\r\n"
              "<skill>\tskill ranges from 1-5 where 1 is best and 5 is worst.\r\n"
              "\r\n"
              "addsbot* <type> <class>\tthis basically the same as addbot, but adds a super bot.\r\n"
              "<type>\ttype ranges from 1 to 3, 1 is super bot, 2 is mega bot, 3 is ultimate bot\r\n"
              "\r\n"
              "NOTE: Superbots only work in team and capture the starstone mode\r\n"
              "As soon as a super bot is created mp_plcatchup is set to 0\r\n"
              "Superbots automatically join Evil, all non super bots and players auto join team Good\r\n");
}
