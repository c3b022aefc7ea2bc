// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/bot_editor_dlg.h"
#include "bots/bot_help_dlgs.h"
#include "gameconfig/settings_dlg.h"
#include "gameconfig/settings_main.h"
#include "gamefiles/settings_loader.h"
#include "test_support/started_app.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <filesystem>

namespace {

// The program started over a game whose mod folder has a bot.cfg and a liblist.gam.
class BotTab : public StartedApp {
protected:
    void Prepare(AppSettings& s) override
    {
        const std::string mod = JoinPath(s.gameFolder, "znk");
        std::filesystem::create_directories(mod);
        WriteText(JoinPath(mod, "bot.cfg"), "addbot \"1\" \"2\" \"Imbrel\" \"3\"\r\n");
        WriteText(JoinPath(mod, "liblist.gam"), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"\r\n");
    }
    std::string Mod(const std::string& file) const { return JoinPath(dir.File("game"), "znk", file); }
};

} // namespace

TEST_F(BotTab, TheLoaderFillsTheTabAndItsHelpWindowsBelongToTheMainWindow)
{
    ASSERT_TRUE(app->loader()->WaitUntilIdle(5000));
    CBotEditorDlg* page = main->botEditor();
    ASSERT_EQ(FindById<QListWidget>(page, CBotEditorDlg::IdList)->count(), 1);
    EXPECT_EQ(FindById<QListWidget>(page, CBotEditorDlg::IdList)->item(0)->text(),
              "addbot \"1\" \"2\" \"Imbrel\" \"3\"");

    FindById<QTabBar>(main, CMainDlg::IdTabs)->setCurrentIndex(CMainDlg::BotEditor);
    QTest::mouseClick(FindById<QPushButton>(page, CBotEditorDlg::IdClassHelp), Qt::LeftButton);
    EXPECT_TRUE(main->botClassHelp()->isVisible());
    EXPECT_EQ(main->botClassHelp()->parentWidget(), main);
    QTest::mouseClick(FindById<QPushButton>(main->botClassHelp(), 1), Qt::LeftButton);
    EXPECT_FALSE(main->botClassHelp()->isVisible());
    EXPECT_FALSE(FindById<QPushButton>(page, CBotEditorDlg::IdClassHelp)->isChecked());
}

TEST_F(BotTab, ActivateBotsIsTheSettingsPagesBotsButton)
{
    ASSERT_TRUE(app->loader()->WaitUntilIdle(5000));
    QLineEdit* library = FindById<QLineEdit>(main->settingsDlg()->mainPage(), CSettingsMain::IdGameLibrary);
    EXPECT_EQ(library->text(), "dlls\\hl.dll");
    QTest::mouseClick(FindById<QPushButton>(main->botEditor(), CBotEditorDlg::IdActivateBots), Qt::LeftButton);
    EXPECT_EQ(library->text(), "dlls\\znk_bot.dll");
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\znk_bot.dll\"");
}
