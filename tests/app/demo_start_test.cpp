// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_binds.h"
#include "gameconfig/settings_dlg.h"
#include "gameconfig/settings_main.h"
#include "gameconfig/settings_misc.h"
#include "gamefiles/settings_loader.h"
#include "server/create_server_dlg.h"
#include "test_support/started_app.h"
#include "ui/sort_list_ctrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <filesystem>
#include <map>

namespace {

// The whole program started on a copy of the demo install, as `make run` starts it.
class DemoStart : public StartedApp {
protected:
    void Prepare(AppSettings& s) override
    {
        std::filesystem::copy(ZNK_DEMO_DIR "/game", s.gameFolder, std::filesystem::copy_options::recursive);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(s.gameFolder))
            if (entry.is_regular_file())
                before[entry.path().string()] = ReadText(entry.path().string());
    }

    std::string Mod(const std::string& file) const { return JoinPath(app->settings.gameFolder, "znk", file); }
    std::string Before(const std::string& file) { return before[Mod(file)]; }

    std::map<std::string, std::string> before;
};

} // namespace

TEST_F(DemoStart, PagesShowTheFilesAndOnlyTheDescribedWriteBacksChangeThem)
{
    ASSERT_TRUE(app->loader()->WaitUntilIdle(10000));
    CSettingsDlg* settings = main->settingsDlg();
    EXPECT_EQ(FindById<QLineEdit>(settings->mainPage(), CSettingsMain::IdPlayerName)->text(), "Wanderer");
    EXPECT_EQ(FindById<QLineEdit>(settings->mainPage(), CSettingsMain::IdGameLibrary)->text(), "dlls\\hl.dll");
    EXPECT_EQ(FindById<QComboBox>(settings->miscPage(), CSettingsMisc::IdFxQuality)->currentText(), "Medium");
    EXPECT_EQ(FindById<QComboBox>(settings->miscPage(), CSettingsMisc::IdBeamQuality)->currentText(), "High");
    EXPECT_EQ(FindById<QComboBox>(settings->miscPage(), CSettingsMisc::IdMod)->currentText(), "znk");
    EXPECT_EQ(FindById<QLineEdit>(settings->miscPage(), CSettingsMisc::IdSensitivity)->text(), "3.5");
    EXPECT_EQ(FindById<CReportListCtrl>(settings->bindsPage(), CSettingsBinds::IdList)->GetItemCount(), 11);
    CCreateServerDlg* server = main->createServer();
    EXPECT_EQ(FindById<QListWidget>(server, CCreateServerDlg::IdMaps)->count(), 8);
    EXPECT_EQ(FindById<QListWidget>(server, CCreateServerDlg::IdMapCycle)->count(), 4);
    EXPECT_EQ(FindById<QLineEdit>(server, CCreateServerDlg::IdFragLimit)->text(), "30");
    EXPECT_EQ(FindById<QComboBox>(server, CCreateServerDlg::IdGameMode)->currentText(), "Team Mode");

    // Read and written back as they were.
    for (const char* same : {"config.cfg", "liblist.gam", "game.cfg", "mapcycle.txt", "bot.cfg"})
        EXPECT_EQ(ReadText(Mod(same)), Before(same)) << same;
    // The bot editor's one copy of bot.cfg, made when it first loads it.
    EXPECT_EQ(ReadText(Mod("bot.cfg.bak")), Before("bot.cfg"));
    // The server variables the files lack are added with their defaults, to both files.
    EXPECT_EQ(ReadText(Mod("listenserver.cfg")),
              Before("listenserver.cfg") +
                  "\r\nmp_nomeleehittime \"2.0\"\r\nmp_allowsensubeans \"1.0\"\r\nsv_accelerate \"10\"");
    EXPECT_EQ(ReadText(Mod("server.cfg")),
              Before("server.cfg") + "\r\nmp_melee \"1.0\"\r\nmp_dbrespawntime \"30\"\r\nmp_laydowntime \"1.5\"\r\n"
                                     "mp_nomeleehittime \"2.0\"\r\nmp_allowsensubeans \"1.0\"");
}
