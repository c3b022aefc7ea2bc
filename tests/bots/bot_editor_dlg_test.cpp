#include "bots/bot_editor_dlg.h"
#include "bots/bot_help_dlgs.h"
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/page_context.h"

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

// The bot page alone, with its three help windows, over a game in a fresh working folder whose
// mod folder holds the files each test writes.
class BotPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.workFolder = dir.Path();
        settings.SetGamePath(JoinPath(dir.File("game"), "hl.sh"));
        settings.SetFirstRunDefaults();
        std::filesystem::create_directories(Mod(""));
        WriteText(JoinPath(dir.File("game"), "hl.sh"), "#!/bin/sh\n");
    }

    // The page, filled by the settings loader as at start-up.
    void Build()
    {
        host.resize(900, 600);
        page = new CBotEditorDlg(*context, BotHelpWindows{&classHelp, &miscHelp, &chatHelp}, &host);
        host.show();
        loader.Start();
        ASSERT_TRUE(loader.WaitUntilIdle(5000));
    }

    std::string Mod(const std::string& file) const { return JoinPath(dir.File("game"), "znk", file); }
    template <class T = QWidget> T* Id(int id) const { return FindById<T>(page, id); }
    QListWidget* List() const { return page->list(); }
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < List()->count(); ++i)
            rows << List()->item(i)->text();
        return rows;
    }
    // A click on the row, as the user selects it.
    void ClickRow(int row) const
    {
        QListWidgetItem* item = List()->item(row);
        ASSERT_TRUE(item);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualItemRect(item).center());
    }
    void Click(int id) const { QTest::mouseClick(Id<QAbstractButton>(id), Qt::LeftButton); }
    int SelectedRow() const
    {
        const auto selected = List()->selectedItems();
        return selected.isEmpty() ? -1 : List()->row(selected.front());
    }

    ScopedWorkDir dir;
    AppSettings settings;
    ServerStore store{dir.Path()};
    CQueryEngine engine{settings, store};
    CSettingsLoader loader{settings};
    std::unique_ptr<PageContext> context =
        std::make_unique<PageContext>(PageContext{settings, store, engine, loader, {}, {}});
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
const std::vector<int> kEditing = {1000, 1033, 1089, 1034, 1035, 1036, 1039, 1041, 1042, 1037, 1038, 1175, 1043,
                                   1026, 1027, 1028, 1029, 1030, 1031, 1032, 1008, 1010, 1011, 1085, 1013, 1009,
                                   1050, 1051, 1052, 1066, 1048, 1067, 1068, 1087, 1053, 1056, 1054, 1057, 1055};
const std::vector<int> kAlwaysEnabled = {1046, 1040, 1058, 1059, 1060, 1061, 1062, 1063, 1064, 1065};

} // namespace

TEST_F(BotPage, ControlsAndWhatTheLoaderShows)
{
    WriteText(Mod("bot.cfg"), kBotCfg);
    WriteText(Mod("game.cfg"), "// rules\r\n\"bot_skill\"\t\t\"3\"\r\n\"botmeleepercent\"\t\t\"45\"\r\n"
                               "\"mp_fraglimit\"\t\t\"30\"\r\n");
    Build();
    EXPECT_EQ(page->objectName(), "CBotEditorDlg");
    QComboBox* skill = Id<QComboBox>(1033);
    ASSERT_TRUE(skill);
    QStringList items;
    for (int i = 0; i < skill->count(); ++i)
        items << skill->itemText(i);
    EXPECT_EQ(items, (QStringList{"Best", "Good", "Medium", "Weak", "Bad"}));
    const std::vector<std::pair<int, QString>> buttons = {{1008, "Top"},
                                                          {1010, "Up"},
                                                          {1011, "Down"},
                                                          {1085, "Bottom"},
                                                          {1013, "Remove"},
                                                          {1009, "Clear"},
                                                          {1046, "Detect Bots"},
                                                          {1040, "Activate Bots"},
                                                          {1048, "Add Bot"},
                                                          {1049, "Edit Bot"},
                                                          {1087, "Add\nSuper Bot"},
                                                          {1088, "Edit Bot"},
                                                          {1053, "Add Fill"},
                                                          {1054, "Add Pause (s)"},
                                                          {1055, "Add Command"},
                                                          {1063, "Help"},
                                                          {1064, "Help"},
                                                          {1065, "Help"}};
    for (const auto& [id, text] : buttons) {
        auto* b = Id<QPushButton>(id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text) << id;
    }
    for (int id : {1063, 1064, 1065})
        EXPECT_TRUE(Id<QPushButton>(id)->isCheckable());
    const std::vector<std::pair<int, QString>> boxes = {{1034, "Bots don't shoot"},
                                                        {1035, "Observer"},
                                                        {1036, "Follow Mode"},
                                                        {1039, "Bots do Combos"},
                                                        {1041, "Bots use Discs"},
                                                        {1042, "Auto Pilot"},
                                                        {1043, ""}};
    for (const auto& [id, text] : boxes) {
        ASSERT_TRUE(Id<QCheckBox>(id)) << id;
        EXPECT_EQ(Id<QCheckBox>(id)->text(), text);
    }
    for (int id : {1058, 1059, 1060, 1061, 1062})
        EXPECT_FALSE(Id<QRadioButton>(id)->isChecked());
    EXPECT_EQ(Id<QGroupBox>(1175)->title(), "Bots Chat");
    EXPECT_EQ(Id<QLabel>(1047)->text(), "");
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();

    // The list: the commands in file order under the file's path.
    EXPECT_EQ(Rows(), (QStringList{"addbot \"1\" \"3\" \"Ash Vane\" \"2\"", "pause \"30\"", "addsbot \"2\" \"7\"",
                                   "Bot_Chat_Percent \"5\"", "bot_fill full"}));
    EXPECT_EQ(page->listFrame()->title().toStdString(), Mod("bot.cfg"));
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_EQ(skill->currentText(), "Medium");
    EXPECT_EQ(Id<QLineEdit>(1089)->text(), "0");
    EXPECT_EQ(Id<QLineEdit>(1037)->text(), "45");
    EXPECT_EQ(Id<QLineEdit>(1038)->text(), "60");
    for (int id : {1034, 1035, 1042})
        EXPECT_FALSE(Id<QCheckBox>(id)->isChecked()) << id;
    for (int id : {1036, 1039, 1041, 1043})
        EXPECT_TRUE(Id<QCheckBox>(id)->isChecked()) << id;
    // The reader takes only the key as this program writes it.
    const std::vector<std::pair<int, QString>> chat = {{1026, "10"}, {1027, "20"}, {1028, "10"}, {1029, "80"},
                                                       {1030, "10"}, {1031, "10"}, {1032, "50"}};
    for (const auto& [id, text] : chat)
        EXPECT_EQ(Id<QLineEdit>(id)->text(), text) << id;
    EXPECT_FALSE(Id(1049)->isEnabled());
    EXPECT_FALSE(Id(1088)->isEnabled());

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
    EXPECT_FALSE(Id(1049)->isEnabled());
    EXPECT_FALSE(Id(1088)->isEnabled());
    for (int id : kAlwaysEnabled)
        EXPECT_TRUE(Id(id)->isEnabled()) << id;
    EXPECT_FALSE(FileExists(Mod("bot.cfg")));
    EXPECT_FALSE(FileExists(Mod("bot.cfg.bak")));

    Click(1046);
    EXPECT_EQ(page->status()->text(), "Bots not detected");
    WriteText(Mod("bot.cfg"), "addbot \"1\" \"\" \"\" \"\"\r\n");
    std::filesystem::create_directories(Mod("dlls"));
    WriteText(Mod("dlls/znk_bot.dll"), "");
    Click(1046);
    EXPECT_EQ(page->status()->text(), "Bots detected");
    EXPECT_EQ(Rows(), QStringList{"addbot \"1\" \"\" \"\" \"\""});
    for (int id : kEditing)
        EXPECT_TRUE(Id(id)->isEnabled()) << id;
    EXPECT_FALSE(Id(1049)->isEnabled());
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")), "addbot \"1\" \"\" \"\" \"\"\r\n");
}

TEST_F(BotPage, OptionsAreWrittenTheMomentTheyChange)
{
    WriteText(Mod("bot.cfg"), "# mine\r\naddbot \"1\" \"\" \"\" \"\"\r\nBot_Chat_Percent \"5\"\r\npause \"3\"\r\n");
    WriteText(Mod("game.cfg"), "\"bot_skill\"\t\t\"1\"");
    Build();
    const std::string head = "addbot \"1\" \"\" \"\" \"\"\r\n";

    // In place, the key in lower case; the line written is selected.
    QLineEdit* chatPercent = Id<QLineEdit>(1026);
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
    QCheckBox* follow = Id<QCheckBox>(1036);
    QTest::mouseClick(follow, Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\nfollow_mode \"0\"\r\n");
    QTest::mouseClick(follow, Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\n");
    // Observer is off by default: on takes a line.
    QTest::mouseClick(Id<QCheckBox>(1035), Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), head + "pause \"3\"\r\nbot_chat_percent \"25\"\r\nobserver \"1\"\r\n");
    EXPECT_EQ(Rows().back(), "observer \"1\"");

    // The skill choice and the numbers go to game.cfg.
    QComboBox* skill = Id<QComboBox>(1033);
    skill->showPopup();
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(skill->view(), Qt::Key_Down);
    QTest::keyClick(skill->view(), Qt::Key_Return);
    EXPECT_EQ(skill->currentText(), "Bad");
    EXPECT_EQ(ReadText(Mod("game.cfg")), "\"bot_skill\"\t\t\"5\"\r\n\"numbots\"\t\t\"0\"\r\n"
                                         "\"botmeleepercent\"\t\t\"80\"\r\n\"botteleportpercent\"\t\t\"60\"");
    QLineEdit* numbots = Id<QLineEdit>(1089);
    numbots->selectAll();
    QTest::keyClicks(numbots, "1x2");
    EXPECT_EQ(numbots->text(), "12");
    numbots->clear();
    QTest::keyClicks(Id<QLineEdit>(1038), "5");
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
    Click(1008);
    Click(1010);
    ClickRow(2);
    Click(1011);
    Click(1085);
    EXPECT_EQ(ReadText(Mod("bot.cfg")),
              "# kept until the first change\r\nbot_fill full\r\npause \"5\"\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\n");
    EXPECT_EQ(SelectedRow(), 2);
    // Without a selection nothing moves.
    List()->clearSelection();
    Click(1010);
    EXPECT_EQ(ReadText(Mod("bot.cfg")).substr(0, 1), "#");

    ClickRow(2);
    Click(1008);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"2\" \"1\" \"Kesh\" \"\"\r\nbot_fill full\r\npause \"5\"\r\n");
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(page->window()->focusWidget(), List());
    Click(1011);
    EXPECT_EQ(Rows(), (QStringList{"bot_fill full", "addbot \"2\" \"1\" \"Kesh\" \"\"", "pause \"5\""}));
    EXPECT_EQ(SelectedRow(), 1);
    Click(1085);
    EXPECT_EQ(Rows(), (QStringList{"bot_fill full", "pause \"5\"", "addbot \"2\" \"1\" \"Kesh\" \"\""}));
    Click(1010);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "bot_fill full\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\npause \"5\"\r\n");

    // Remove: the selected entry, and both Edit Bot buttons disabled.
    ClickRow(1);
    EXPECT_TRUE(Id(1049)->isEnabled());
    Click(1013);
    EXPECT_FALSE(Id(1049)->isEnabled());
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "bot_fill full\r\npause \"5\"\r\n");
    EXPECT_EQ(SelectedRow(), -1);

    // Clear empties the file without asking; Detect Bots then loads the empty file.
    Click(1009);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(FileExists(Mod("bot.cfg")));
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "");
    Click(1046);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(List()->isEnabled());
    EXPECT_EQ(page->status()->text(), "Bots not detected");
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")),
              "# kept until the first change\r\nbot_fill full\r\npause \"5\"\r\naddbot \"2\" \"1\" \"Kesh\" \"\"\r\n");
}

TEST_F(BotPage, SelectingALineFillsItsFieldsAndEditReplacesIt)
{
    WriteText(Mod("bot.cfg"), "addbot \"2\" \"4\" \"Ash Vane\" \"3\"\r\npause \"30\"\r\naddsbot \"1\" \"6\"\r\n"
                              "bot_fill full_good\r\n");
    Build();
    ClickRow(0);
    EXPECT_EQ(Id<QLineEdit>(1057)->text(), "addbot \"2\" \"4\" \"Ash Vane\" \"3\"");
    EXPECT_EQ(Id<QLineEdit>(1050)->text(), "2");
    EXPECT_EQ(Id<QLineEdit>(1051)->text(), "4");
    EXPECT_EQ(Id<QLineEdit>(1052)->text(), "Ash Vane");
    EXPECT_EQ(Id<QLineEdit>(1066)->text(), "3");
    // A line longer than its field shows its start.
    EXPECT_EQ(Id<QLineEdit>(1057)->cursorPosition(), 0);
    EXPECT_EQ(Id<QLineEdit>(1052)->cursorPosition(), 0);
    EXPECT_TRUE(Id(1049)->isEnabled());
    EXPECT_FALSE(Id(1088)->isEnabled());

    // A pause fills only the pause field: the Edit buttons stay as they were.
    ClickRow(1);
    EXPECT_EQ(Id<QLineEdit>(1056)->text(), "30");
    EXPECT_EQ(Id<QLineEdit>(1057)->text(), "pause \"30\"");
    EXPECT_EQ(Id<QLineEdit>(1052)->text(), "Ash Vane");
    EXPECT_TRUE(Id(1049)->isEnabled());
    EXPECT_FALSE(Id(1088)->isEnabled());
    // Edit Bot acts only on a bot line.
    Click(1049);
    EXPECT_EQ(ReadText(Mod("bot.cfg")),
              "addbot \"2\" \"4\" \"Ash Vane\" \"3\"\r\npause \"30\"\r\naddsbot \"1\" \"6\"\r\n"
              "bot_fill full_good\r\n");

    ClickRow(2);
    EXPECT_FALSE(Id(1049)->isEnabled());
    EXPECT_TRUE(Id(1088)->isEnabled());
    EXPECT_EQ(Id<QLineEdit>(1067)->text(), "1");
    EXPECT_EQ(Id<QLineEdit>(1068)->text(), "6");
    Id<QLineEdit>(1067)->setText("3");
    Click(1088);
    EXPECT_EQ(Rows()[2], "addsbot \"3\" \"6\"");
    EXPECT_EQ(SelectedRow(), 2);

    ClickRow(3);
    EXPECT_FALSE(Id(1049)->isEnabled());
    EXPECT_FALSE(Id(1088)->isEnabled());
    EXPECT_EQ(Id<QLineEdit>(1057)->text(), "bot_fill full_good");

    ClickRow(0);
    Id<QLineEdit>(1052)->setText("Ytrem");
    Id<QLineEdit>(1066)->clear();
    Click(1049);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"2\" \"4\" \"Ytrem\" \"\"\r\npause \"30\"\r\naddsbot \"3\" \"6\"\r\n"
                                        "bot_fill full_good\r\n");
}

TEST_F(BotPage, AddingLines)
{
    WriteText(Mod("bot.cfg"), "");
    Build();
    // Empty pause and command fields add nothing; no fill chosen adds nothing.
    Click(1054);
    Click(1055);
    Click(1053);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "");

    // Empty bot fields give empty quoted arguments.
    Click(1048);
    Id<QLineEdit>(1050)->setText("1");
    Id<QLineEdit>(1052)->setText("Sulwen Dorr");
    Click(1048);
    Id<QLineEdit>(1067)->setText("2");
    Click(1087);
    QTest::mouseClick(Id<QRadioButton>(1061), Qt::LeftButton);
    Click(1053);
    EXPECT_EQ(page->window()->focusWidget(), List());
    Id<QLineEdit>(1056)->setText("12");
    Click(1054);
    Id<QLineEdit>(1057)->setText("bot_chat_tag_percent \"0\"");
    Click(1055);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"\" \"\" \"\" \"\"\r\naddbot \"1\" \"\" \"Sulwen Dorr\" \"\"\r\n"
                                        "addsbot \"2\" \"\"\r\nbot_fill half_evil\r\npause \"12\"\r\n"
                                        "bot_chat_tag_percent \"0\"\r\n");
    EXPECT_EQ(SelectedRow(), 5);
    // Selected from code: the fields were not refilled from the new line.
    EXPECT_EQ(Id<QLineEdit>(1050)->text(), "1");
    EXPECT_FALSE(Id(1049)->isEnabled());
}

TEST_F(BotPage, ActivateBotsPointsTheGameLibraryAtThePlugIn)
{
    WriteText(Mod("liblist.gam"), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"\r\ntype \"multiplayer_only\"\r\n");
    Build();
    QSignalSpy activated(page, &CBotEditorDlg::gameLibraryActivated);
    Click(1040);
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
        {1065, &classHelp}, {1063, &miscHelp}, {1064, &chatHelp}};
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
        QTest::mouseClick(FindById<QPushButton>(window, 1), Qt::LeftButton);
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
    Click(1063);
    Click(1064);
    EXPECT_TRUE(miscHelp.isVisible());
    EXPECT_TRUE(chatHelp.isVisible());
    EXPECT_FALSE(classHelp.isVisible());
    chatHelp.close();
    EXPECT_FALSE(Id<QPushButton>(1064)->isChecked());
    EXPECT_TRUE(Id<QPushButton>(1063)->isChecked());
}

// "Edit Bot" with nothing changed writes the line's own bytes; a pasted line break makes no line.
TEST_F(BotPage, EditedLinesKeepTheirBytesAndStayOneLine)
{
    WriteText(Mod("bot.cfg"), "addbot \"1\" \"3\" \"Jos\xE9\" \"2\"\r\n");
    Build();
    ClickRow(0);
    EXPECT_EQ(Id<QLineEdit>(1052)->text(), QString::fromLatin1("Jos\xE9"));
    Click(1049);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"1\" \"3\" \"Jos\xE9\" \"2\"\r\n");
    Id<QLineEdit>(1052)->end(false);
    Id<QLineEdit>(1052)->insert("\r\npause \"1\"");
    Click(1049);
    EXPECT_EQ(ReadText(Mod("bot.cfg")), "addbot \"1\" \"3\" \"Jos\xE9pause \"1\"\" \"2\"\r\n");
}
