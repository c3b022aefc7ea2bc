// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/bot_editor_dlg.h"
#include "bots/bot_help_dlgs.h"
#include "core/path.h"
#include "test_support/page_parts.h"
#include "test_support/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using B = CBotEditorDlg;

// The bot page alone, with its three help windows, over a game in a fresh working folder whose
// mod folder holds the files each test writes.
class BotPage : public ::testing::Test, protected PageParts {
protected:
    void SetUp() override
    {
        settings.SetGamePath(JoinPath(dir.File("game"), "hl.sh"));
        std::filesystem::create_directories(Mod(""));
        WriteText(JoinPath(dir.File("game"), "hl.sh"), "#!/bin/sh\n");
    }

    // The page, filled by the settings loader as at start-up.
    void Build()
    {
        host.resize(900, 600);
        page = new CBotEditorDlg(context, BotHelpWindows{&classHelp, &miscHelp, &chatHelp}, &host);
        host.show();
        loader.Start();
        ASSERT_TRUE(loader.WaitUntilIdle(5000));
    }

    template <class T = QWidget> T* Id(int id) const { return FindById<T>(page, id); }
    QListWidget* List() const { return Id<QListWidget>(B::IdList); }
    QStringList Rows() const
    {
        QStringList rows;
        for (const std::string& row : ::Rows(List()))
            rows << QString::fromStdString(row);
        return rows;
    }
    void ClickRow(int row) const { ::ClickRow(List(), row); }
    void Click(int id) const { ::Click(page, id); }
    int SelectedRow() const
    {
        const auto selected = List()->selectedItems();
        return selected.isEmpty() ? -1 : List()->row(selected.front());
    }

    QWidget host;
    CBotClassDlg classHelp;
    CBotMiscDlg miscHelp;
    CBotChatDlg chatHelp;
    CBotEditorDlg* page = nullptr;
};

const char* const kBotCfg = "# bots of the evening\r\n"
                            "addbot \"1\" \"3\" \"Ash Vane\" \"2\"\r\n"
                            "\r\n"
                            "pause \"30\"\r\n"
                            "addsbot \"2\" \"7\"\r\n"
                            "Bot_Chat_Percent \"5\"\r\n"
                            "bot_fill full";

// The controls that a missing bot.cfg disables (the list, the skill choice and the editing
// controls), and those it never does.
const std::vector<int> kEditing = {B::IdList,
                                   B::IdSkill,
                                   B::IdNumberOfBots,
                                   B::IdDontShoot,
                                   B::IdObserver,
                                   B::IdFollowMode,
                                   B::IdDoCombos,
                                   B::IdUseDiscs,
                                   B::IdAutoPilot,
                                   B::IdMeleePercent,
                                   B::IdTeleportPercent,
                                   B::IdChatFrame,
                                   B::IdBotChat,
                                   B::IdChatPercent,
                                   B::IdTauntPercent,
                                   B::IdWhinePercent,
                                   B::IdChatTagPercent,
                                   B::IdChatDropPercent,
                                   B::IdChatSwapPercent,
                                   B::IdChatLowerPercent,
                                   B::IdTop,
                                   B::IdUp,
                                   B::IdDown,
                                   B::IdBottom,
                                   B::IdRemove,
                                   B::IdClear,
                                   B::IdTeam,
                                   B::IdClass,
                                   B::IdName,
                                   B::IdBotSkill,
                                   B::IdAddBot,
                                   B::IdSuperType,
                                   B::IdSuperClass,
                                   B::IdAddSuperBot,
                                   B::IdAddFill,
                                   B::IdPause,
                                   B::IdAddPause,
                                   B::IdCommand,
                                   B::IdAddCommand};
const std::vector<int> kAlwaysEnabled = {B::IdDetectBots,   B::IdActivateBots, B::IdFillFull,     B::IdFillHalfGood,
                                         B::IdFillFullGood, B::IdFillHalfEvil, B::IdFillFullEvil, B::IdMiscHelp,
                                         B::IdChatHelp,     B::IdClassHelp};

} // namespace

TEST_F(BotPage, ControlsAndWhatTheLoaderShows)
{
    WriteText(Mod("bot.cfg"), kBotCfg);
    WriteText(Mod("game.cfg"), "// rules\r\n\"bot_skill\"\t\t\"3\"\r\n\"botmeleepercent\"\t\t\"45\"\r\n"
                               "\"mp_fraglimit\"\t\t\"30\"\r\n");
    Build();
    EXPECT_EQ(page->objectName(), "CBotEditorDlg");
    QComboBox* skill = Id<QComboBox>(B::IdSkill);
    ASSERT_TRUE(skill);
    QStringList items;
    for (int i = 0; i < skill->count(); ++i)
        items << skill->itemText(i);
    EXPECT_EQ(items, (QStringList{"Best", "Good", "Medium", "Weak", "Bad"}));
    const std::vector<std::pair<int, QString>> buttons = {{B::IdTop, "Top"},
                                                          {B::IdUp, "Up"},
                                                          {B::IdDown, "Down"},
                                                          {B::IdBottom, "Bottom"},
                                                          {B::IdRemove, "Remove"},
                                                          {B::IdClear, "Clear"},
                                                          {B::IdDetectBots, "Detect Bots"},
                                                          {B::IdActivateBots, "Activate Bots"},
                                                          {B::IdAddBot, "Add Bot"},
                                                          {B::IdEditBot, "Edit Bot"},
                                                          {B::IdAddSuperBot, "Add\nSuper Bot"},
                                                          {B::IdEditSuperBot, "Edit Bot"},
                                                          {B::IdAddFill, "Add Fill"},
                                                          {B::IdAddPause, "Add Pause (s)"},
                                                          {B::IdAddCommand, "Add Command"},
                                                          {B::IdMiscHelp, "Help"},
                                                          {B::IdChatHelp, "Help"},
                                                          {B::IdClassHelp, "Help"}};
    for (const auto& [id, text] : buttons) {
        auto* b = Id<QPushButton>(id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text) << id;
    }
    for (int id : {B::IdMiscHelp, B::IdChatHelp, B::IdClassHelp})
        EXPECT_TRUE(Id<QPushButton>(id)->isCheckable());
    const std::vector<std::pair<int, QString>> boxes = {{B::IdDontShoot, "Bots don't shoot"},
                                                        {B::IdObserver, "Observer"},
                                                        {B::IdFollowMode, "Follow Mode"},
                                                        {B::IdDoCombos, "Bots do Combos"},
                                                        {B::IdUseDiscs, "Bots use Discs"},
                                                        {B::IdAutoPilot, "Auto Pilot"},
                                                        {B::IdBotChat, ""}};
    for (const auto& [id, text] : boxes) {
        ASSERT_TRUE(Id<QCheckBox>(id)) << id;
        EXPECT_EQ(Id<QCheckBox>(id)->text(), text);
    }
    for (int id : {B::IdFillFull, B::IdFillHalfGood, B::IdFillFullGood, B::IdFillHalfEvil, B::IdFillFullEvil})
        EXPECT_FALSE(Id<QRadioButton>(id)->isChecked());
    EXPECT_EQ(Id<QGroupBox>(B::IdChatFrame)->title(), "Bots Chat");
    EXPECT_EQ(Id<QLabel>(B::IdStatus)->text(), "");
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();

    // The list: the commands in file order under the file's path.
    EXPECT_EQ(Rows(), (QStringList{"addbot \"1\" \"3\" \"Ash Vane\" \"2\"", "pause \"30\"", "addsbot \"2\" \"7\"",
                                   "Bot_Chat_Percent \"5\"", "bot_fill full"}));
    EXPECT_EQ(Id<QGroupBox>(B::IdListFrame)->title().toStdString(), Mod("bot.cfg"));
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_EQ(skill->currentText(), "Medium");
    EXPECT_EQ(Id<QLineEdit>(B::IdNumberOfBots)->text(), "0");
    EXPECT_EQ(Id<QLineEdit>(B::IdMeleePercent)->text(), "45");
    EXPECT_EQ(Id<QLineEdit>(B::IdTeleportPercent)->text(), "60");
    for (int id : {B::IdDontShoot, B::IdObserver, B::IdAutoPilot})
        EXPECT_FALSE(Id<QCheckBox>(id)->isChecked()) << id;
    for (int id : {B::IdFollowMode, B::IdDoCombos, B::IdUseDiscs, B::IdBotChat})
        EXPECT_TRUE(Id<QCheckBox>(id)->isChecked()) << id;
    // The reader takes only the key as this program writes it.
    const std::vector<std::pair<int, QString>> chat = {{B::IdChatPercent, "10"},     {B::IdTauntPercent, "20"},
                                                       {B::IdWhinePercent, "10"},    {B::IdChatTagPercent, "80"},
                                                       {B::IdChatDropPercent, "10"}, {B::IdChatSwapPercent, "10"},
                                                       {B::IdChatLowerPercent, "50"}};
    for (const auto& [id, text] : chat)
        EXPECT_EQ(Id<QLineEdit>(id)->text(), text) << id;
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
    EXPECT_FALSE(Id(B::IdEditSuperBot)->isEnabled());

    // Filling the chat fields wrote nothing; filling the three numbers wrote them all.
    EXPECT_EQ(ReadText(Mod("bot.cfg")), kBotCfg);
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")), kBotCfg);
    EXPECT_EQ(ReadText(Mod("game.cfg")), "// rules\r\n\"bot_skill\"\t\t\"3\"\r\n\"botmeleepercent\"\t\t\"45\"\r\n"
                                         "\"mp_fraglimit\"\t\t\"30\"\r\n\"numbots\"\t\t\"0\"\r\n"
                                         "\"botteleportpercent\"\t\t\"60\"");
}

TEST_F(BotPage, AMissingBotCfgDisablesThePageUntilDetectFindsOne)
{
    Build();
    EXPECT_EQ(Rows(), QStringList{"bot.cfg doesn't exist"});
    for (int id : kEditing)
        EXPECT_FALSE(Id(id)->isEnabled()) << id;
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
    EXPECT_FALSE(Id(B::IdEditSuperBot)->isEnabled());
    for (int id : kAlwaysEnabled)
        EXPECT_TRUE(Id(id)->isEnabled()) << id;
    EXPECT_FALSE(FileExists(Mod("bot.cfg")));
    EXPECT_FALSE(FileExists(Mod("bot.cfg.bak")));

    Click(B::IdDetectBots);
    EXPECT_EQ(Id<QLabel>(B::IdStatus)->text(), "Bots not detected");
    WriteText(Mod("bot.cfg"), "addbot \"1\" \"\" \"\" \"\"\r\n");
    std::filesystem::create_directories(Mod("dlls"));
    WriteText(Mod("dlls/znk_bot.dll"), "");
    Click(B::IdDetectBots);
    EXPECT_EQ(Id<QLabel>(B::IdStatus)->text(), "Bots detected");
    EXPECT_EQ(Rows(), QStringList{"addbot \"1\" \"\" \"\" \"\""});
    for (int id : kEditing)
        EXPECT_TRUE(Id(id)->isEnabled()) << id;
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")), "addbot \"1\" \"\" \"\" \"\"\r\n");
}

TEST_F(BotPage, OptionsAreWrittenTheMomentTheyChange)
{
    WriteText(Mod("bot.cfg"), "# mine\r\naddbot \"1\" \"\" \"\" \"\"\r\nBot_Chat_Percent \"5\"\r\npause \"3\"\r\n");
    WriteText(Mod("game.cfg"), "\"bot_skill\"\t\t\"1\"");
    Build();
    const std::string head = "addbot \"1\" \"\" \"\" \"\"\r\n";

    // In place, the key in lower case; the line written is selected.
    QLineEdit* chatPercent = Id<QLineEdit>(B::IdChatPercent);
    chatPercent->setText("7");
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "bot_chat_percent \"7\"\r\npause \"3\"\r\n");
    EXPECT_EQ(SelectedRow(), 1);
    // Every keystroke rewrites the file.
    chatPercent->clear();
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\n");
    std::vector<std::string> seen;
    QObject::connect(chatPercent, &QLineEdit::textChanged, [&] { seen.push_back(ReadText(Mod("bot.cfg"))); });
    QTest::keyClicks(chatPercent, "25");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], head + "pause \"3\"\r\nbot_chat_percent \"2\"\r\n");
    EXPECT_EQ(seen[1], head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\n");
    EXPECT_EQ(SelectedRow(), 2);

    // Follow Mode is on by default: off takes a line, on again removes it.
    QCheckBox* follow = Id<QCheckBox>(B::IdFollowMode);
    QTest::mouseClick(follow, Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\nfollow_mode \"0\"\r\n");
    QTest::mouseClick(follow, Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\n");
    // Observer is off by default: on takes a line.
    QTest::mouseClick(Id<QCheckBox>(B::IdObserver), Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\nobserver \"1\"\r\n");
    EXPECT_EQ(Rows().back(), "observer \"1\"");

    // The skill choice and the numbers go to game.cfg.
    QComboBox* skill = Id<QComboBox>(B::IdSkill);
    skill->showPopup();
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(skill->view(), Qt::Key_Down);
    QTest::keyClick(skill->view(), Qt::Key_Return);
    EXPECT_EQ(skill->currentText(), "Bad");
    EXPECT_EQ(ReadText(Mod("game.cfg")), "\"bot_skill\"\t\t\"5\"\r\n\"numbots\"\t\t\"0\"\r\n"
                                         "\"botmeleepercent\"\t\t\"80\"\r\n\"botteleportpercent\"\t\t\"60\"");
    QLineEdit* numbots = Id<QLineEdit>(B::IdNumberOfBots);
    numbots->selectAll();
    QTest::keyClicks(numbots, "1x2");
    EXPECT_EQ(numbots->text(), "12");
    numbots->clear();
    QTest::keyClicks(Id<QLineEdit>(B::IdTeleportPercent), "5");
    EXPECT_EQ(ReadText(Mod("game.cfg")), "\"bot_skill\"\t\t\"5\"\r\n\"numbots\"\t\t\"0\"\r\n"
                                         "\"botmeleepercent\"\t\t\"80\"\r\n\"botteleportpercent\"\t\t\"605\"");
    // None of that touched the .bak.
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")),
              "# mine\r\naddbot \"1\" \"\" \"\" \"\"\r\nBot_Chat_Percent \"5\"\r\npause \"3\"\r\n");
}

TEST_F(BotPage, MovesRemoveAndClear)
{
    WriteText(Mod("bot.cfg"),
              "# kept until the first change\r\nbot_fill full\r\npause \"5\"\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\n");
    Build();
    // The first entry cannot go up, the last one cannot go down: the file is not even rewritten.
    ClickRow(0);
    Click(B::IdTop);
    Click(B::IdUp);
    ClickRow(2);
    Click(B::IdDown);
    Click(B::IdBottom);
    EXPECT_EQ(ReadText(Mod("bot.cfg")),
              "# kept until the first change\r\nbot_fill full\r\npause \"5\"\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\n");
    EXPECT_EQ(SelectedRow(), 2);
    // Without a selection nothing moves.
    List()->clearSelection();
    Click(B::IdUp);
    EXPECT_EQ(ReadText(Mod("bot.cfg")).substr(0, 1), "#");

    ClickRow(2);
    Click(B::IdTop);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"2\" \"1\" \"Kesh\" \"\"\r\nbot_fill full\r\npause \"5\"\r\n");
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(page->window()->focusWidget(), List());
    Click(B::IdDown);
    EXPECT_EQ(Rows(), (QStringList{"bot_fill full", "addbot \"2\" \"1\" \"Kesh\" \"\"", "pause \"5\""}));
    EXPECT_EQ(SelectedRow(), 1);
    Click(B::IdBottom);
    EXPECT_EQ(Rows(), (QStringList{"bot_fill full", "pause \"5\"", "addbot \"2\" \"1\" \"Kesh\" \"\""}));
    Click(B::IdUp);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "bot_fill full\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\npause \"5\"\r\n");

    // Remove: the selected entry, and both Edit Bot buttons disabled.
    ClickRow(1);
    EXPECT_TRUE(Id(B::IdEditBot)->isEnabled());
    Click(B::IdRemove);
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "bot_fill full\r\npause \"5\"\r\n");
    EXPECT_EQ(SelectedRow(), -1);

    // Clear empties the file without asking; Detect Bots then loads the empty file.
    Click(B::IdClear);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(FileExists(Mod("bot.cfg")));
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "");
    Click(B::IdDetectBots);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(List()->isEnabled());
    EXPECT_EQ(Id<QLabel>(B::IdStatus)->text(), "Bots not detected");
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")),
              "# kept until the first change\r\nbot_fill full\r\npause \"5\"\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\n");
}

TEST_F(BotPage, SelectingALineFillsItsFieldsAndEditReplacesIt)
{
    WriteText(Mod("bot.cfg"), "addbot \"2\" \"4\" \"Ash Vane\" \"3\"\r\npause \"30\"\r\naddsbot \"1\" \"6\"\r\n"
                              "bot_fill full_good\r\n");
    Build();
    ClickRow(0);
    EXPECT_EQ(Id<QLineEdit>(B::IdCommand)->text(), "addbot \"2\" \"4\" \"Ash Vane\" \"3\"");
    EXPECT_EQ(Id<QLineEdit>(B::IdTeam)->text(), "2");
    EXPECT_EQ(Id<QLineEdit>(B::IdClass)->text(), "4");
    EXPECT_EQ(Id<QLineEdit>(B::IdName)->text(), "Ash Vane");
    EXPECT_EQ(Id<QLineEdit>(B::IdBotSkill)->text(), "3");
    // A line longer than its field shows its start.
    EXPECT_EQ(Id<QLineEdit>(B::IdCommand)->cursorPosition(), 0);
    EXPECT_EQ(Id<QLineEdit>(B::IdName)->cursorPosition(), 0);
    EXPECT_TRUE(Id(B::IdEditBot)->isEnabled());
    EXPECT_FALSE(Id(B::IdEditSuperBot)->isEnabled());

    // A pause fills only the pause field: the Edit buttons stay as they were.
    ClickRow(1);
    EXPECT_EQ(Id<QLineEdit>(B::IdPause)->text(), "30");
    EXPECT_EQ(Id<QLineEdit>(B::IdCommand)->text(), "pause \"30\"");
    EXPECT_EQ(Id<QLineEdit>(B::IdName)->text(), "Ash Vane");
    EXPECT_TRUE(Id(B::IdEditBot)->isEnabled());
    EXPECT_FALSE(Id(B::IdEditSuperBot)->isEnabled());
    // Edit Bot acts only on a bot line.
    Click(B::IdEditBot);
    EXPECT_EQ(ReadText(Mod("bot.cfg")),
              "addbot \"2\" \"4\" \"Ash Vane\" \"3\"\r\npause \"30\"\r\naddsbot \"1\" \"6\"\r\n"
              "bot_fill full_good\r\n");

    ClickRow(2);
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
    EXPECT_TRUE(Id(B::IdEditSuperBot)->isEnabled());
    EXPECT_EQ(Id<QLineEdit>(B::IdSuperType)->text(), "1");
    EXPECT_EQ(Id<QLineEdit>(B::IdSuperClass)->text(), "6");
    Id<QLineEdit>(B::IdSuperType)->setText("3");
    Click(B::IdEditSuperBot);
    EXPECT_EQ(Rows()[2], "addsbot \"3\" \"6\"");
    EXPECT_EQ(SelectedRow(), 2);

    ClickRow(3);
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
    EXPECT_FALSE(Id(B::IdEditSuperBot)->isEnabled());
    EXPECT_EQ(Id<QLineEdit>(B::IdCommand)->text(), "bot_fill full_good");

    ClickRow(0);
    Id<QLineEdit>(B::IdName)->setText("Ytrem");
    Id<QLineEdit>(B::IdBotSkill)->clear();
    Click(B::IdEditBot);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"2\" \"4\" \"Ytrem\" \"\"\r\npause \"30\"\r\naddsbot \"3\" \"6\"\r\n"
                                        "bot_fill full_good\r\n");
}

TEST_F(BotPage, AddingLines)
{
    WriteText(Mod("bot.cfg"), "");
    Build();
    // Empty pause and command fields add nothing; no fill chosen adds nothing.
    Click(B::IdAddPause);
    Click(B::IdAddCommand);
    Click(B::IdAddFill);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "");

    // Empty bot fields give empty quoted arguments.
    Click(B::IdAddBot);
    Id<QLineEdit>(B::IdTeam)->setText("1");
    Id<QLineEdit>(B::IdName)->setText("Sulwen Dorr");
    Click(B::IdAddBot);
    Id<QLineEdit>(B::IdSuperType)->setText("2");
    Click(B::IdAddSuperBot);
    QTest::mouseClick(Id<QRadioButton>(B::IdFillHalfEvil), Qt::LeftButton);
    Click(B::IdAddFill);
    EXPECT_EQ(page->window()->focusWidget(), List());
    Id<QLineEdit>(B::IdPause)->setText("12");
    Click(B::IdAddPause);
    Id<QLineEdit>(B::IdCommand)->setText("bot_chat_tag_percent \"0\"");
    Click(B::IdAddCommand);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"\" \"\" \"\" \"\"\r\naddbot \"1\" \"\" \"Sulwen Dorr\" \"\"\r\n"
                                        "addsbot \"2\" \"\"\r\nbot_fill half_evil\r\npause \"12\"\r\n"
                                        "bot_chat_tag_percent \"0\"\r\n");
    EXPECT_EQ(SelectedRow(), 5);
    // Selected from code: the fields were not refilled from the new line.
    EXPECT_EQ(Id<QLineEdit>(B::IdTeam)->text(), "1");
    EXPECT_FALSE(Id(B::IdEditBot)->isEnabled());
}

TEST_F(BotPage, ActivateBotsPointsTheGameLibraryAtThePlugIn)
{
    WriteText(Mod("liblist.gam"), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"\r\ntype \"multiplayer_only\"\r\n");
    Build();
    QSignalSpy activated(page, &CBotEditorDlg::gameLibraryActivated);
    Click(B::IdActivateBots);
    EXPECT_EQ(ReadText(Mod("liblist.gam")),
              "game \"ZNK\"\r\ngamedll \"dlls\\znk_bot.dll\"\r\ntype \"multiplayer_only\"");
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated[0][0].toString(), "dlls\\znk_bot.dll");
}

TEST_F(BotPage, HelpTogglesOpenAndCloseTheirWindows)
{
    WriteText(Mod("bot.cfg"), "");
    Build();
    const std::vector<std::pair<int, CBotHelpDlg*>> toggles = {
        {B::IdClassHelp, &classHelp}, {B::IdMiscHelp, &miscHelp}, {B::IdChatHelp, &chatHelp}};
    for (const auto& [id, window] : toggles) {
        auto* toggle = Id<QPushButton>(id);
        Click(id);
        EXPECT_TRUE(window->isVisible()) << id;
        EXPECT_TRUE(toggle->isChecked());
        Click(id);
        EXPECT_FALSE(window->isVisible()) << id;
        EXPECT_FALSE(toggle->isChecked());

        // OK closes it and releases the toggle; the next click opens it again.
        Click(id);
        QTest::mouseClick(FindById<QPushButton>(window, CBotHelpDlg::IdOk), Qt::LeftButton);
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(toggle->isChecked());
        Click(id);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(toggle->isChecked());
        // So does Escape.
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(toggle->isChecked());
    }
    // The three are independent.
    Click(B::IdMiscHelp);
    Click(B::IdChatHelp);
    EXPECT_TRUE(miscHelp.isVisible());
    EXPECT_TRUE(chatHelp.isVisible());
    EXPECT_FALSE(classHelp.isVisible());
    chatHelp.close();
    EXPECT_FALSE(Id<QPushButton>(B::IdChatHelp)->isChecked());
    EXPECT_TRUE(Id<QPushButton>(B::IdMiscHelp)->isChecked());
}

// "Edit Bot" with nothing changed writes the line's own bytes; a pasted line break makes no line.
TEST_F(BotPage, EditedLinesKeepTheirBytesAndStayOneLine)
{
    WriteText(Mod("bot.cfg"), "addbot \"1\" \"3\" \"Jos\xE9\" \"2\"\r\n");
    Build();
    ClickRow(0);
    EXPECT_EQ(Id<QLineEdit>(B::IdName)->text(), QString::fromLatin1("Jos\xE9"));
    Click(B::IdEditBot);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"1\" \"3\" \"Jos\xE9\" \"2\"\r\n");
    Id<QLineEdit>(B::IdName)->end(false);
    Id<QLineEdit>(B::IdName)->insert("\r\npause \"1\"");
    Click(B::IdEditBot);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"1\" \"3\" \"Jos\xE9pause \"1\"\" \"2\"\r\n");
}
