// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_fixture.h"
#include "query/resolve_thread.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

TEST_F(SettingsPage, WindowTabsAndControls)
{
    Build();
    EXPECT_EQ(window->objectName(), "CSettingsDlg");
    EXPECT_EQ(window->windowTitle(), "Settings");
    QTabBar* tabs = FindById<QTabBar>(window.get(), CSettingsDlg::IdTabs);
    ASSERT_TRUE(tabs);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Main Settings");
    EXPECT_EQ(tabs->tabText(1), "Misc.");
    EXPECT_EQ(tabs->tabText(2), "Binds Editor");
    EXPECT_TRUE(page->isVisible());
    tabs->setCurrentIndex(2);
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(window->currentPage(), window->page(CSettingsDlg::BindsPage));
    tabs->setCurrentIndex(0);
    EXPECT_TRUE(page->isVisible());

    const std::vector<std::pair<int, QString>> buttons = {{Main::IdBrowse, "Browse"},
                                                          {Main::IdOk, "Ok"},
                                                          {Main::IdZnkLibrary, "ZNK"},
                                                          {Main::IdBotLibrary, "Bots"},
                                                          {Main::IdMetamodLibrary, "Metamod"},
                                                          {Main::IdResolveIp, "Resolve Ip"},
                                                          {Main::IdSteamDefault, "Steam Default"},
                                                          {Main::IdWonDefault, "WON Default"}};
    for (const auto& [id, text] : buttons) {
        auto* b = FindById<QPushButton>(page, id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text);
    }
    for (int id :
         {Main::IdLocation, Main::IdOtherArguments, Main::IdPlayerName, Main::IdGameLibrary, Main::IdMasterServer})
        EXPECT_TRUE(FindById<QLineEdit>(page, id)) << id;
    QComboBox* resolution = OnMain<QComboBox>(Main::IdResolution);
    ASSERT_TRUE(resolution);
    QStringList items;
    for (int i = 0; i < resolution->count(); ++i)
        items << resolution->itemText(i);
    EXPECT_EQ(items, (QStringList{"400   *  300", "512   *  384", "640   *  480", "800   *  600", "1024 *  768",
                                  "1152 *  864", "1280 *  960", "1600 * 1200"}));
    EXPECT_TRUE(OnMain<QCheckBox>(Main::IdFullScreen));
    // What the record holds.
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdOtherArguments)->text(), "-dev");
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdMasterServer)->text(), AppSettings::kDefaultMasterServer);
    EXPECT_TRUE(OnMain<QRadioButton>(Main::IdSteam)->isChecked());
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(SettingsPage, LoaderFillsThePageAndWritesNameAndLibraryBack)
{
    WriteText(Mod("config.cfg"), "cl_himodels \"1\"\r\nname \"Wanderer\"\r\nname \"Second\"\r\n");
    WriteText(Mod("liblist.gam"), "game \"ZNK\"\r\ngamedll\t\"dlls\\hl.dll\"\r\n");
    Build();
    Load();
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdLocation)->text().toStdString(), JoinPath(dir.File("game"), "hl.sh"));
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdPlayerName)->text(), "Wanderer");
    // The separator after the name is not checked here: one character of it is skipped.
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdGameLibrary)->text(), "dlls\\hl.dll");
    // Read and written back, in the plain style, without a final line break.
    EXPECT_EQ(ReadText(Mod("config.cfg")),
              "cl_himodels \"1\"\r\nname \"Wanderer\"\r\nname \"Second\"" + kMiscTextsAppended);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"");

    // A config without a name gets an empty name line.
    WriteText(Mod("config.cfg"), "cl_himodels \"1\"");
    Load();
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdPlayerName)->text(), "");
    EXPECT_EQ(ReadText(Mod("config.cfg")), "cl_himodels \"1\"\r\nname \"\"" + kMiscTextsAppended);
}

TEST_F(SettingsPage, ARequestWhileTheLoaderRunsIsFollowedByOneMoreRun)
{
    WriteText(Mod("config.cfg"), "name \"First\"");
    Build();
    int runs = 0;
    QObject::connect(&loader, &CSettingsLoader::finished, [&] { ++runs; });
    loader.Start();
    // The game moves while the first run reads: the pages must end up showing the new one.
    std::filesystem::create_directories(dir.File("other/znk"));
    WriteText(JoinPath(dir.File("other"), "hl.sh"), "#!/bin/sh\n");
    WriteText(dir.File("other/znk/config.cfg"), "name \"Moved\"");
    settings.SetGamePath(JoinPath(dir.File("other"), "hl.sh"));
    loader.Start();
    loader.Start();
    ASSERT_TRUE(loader.WaitUntilIdle(5000));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdPlayerName)->text(), "Moved");
}

TEST_F(SettingsPage, TypingANameRewritesConfigAtEveryKey)
{
    WriteText(Mod("config.cfg"), "name \"Old\"\r\nsensitivity \"3\"\r\n");
    Build();
    OnMain<QLineEdit>(Main::IdPlayerName)->clear();
    std::vector<std::string> seen;
    QObject::connect(OnMain<QLineEdit>(Main::IdPlayerName), &QLineEdit::textChanged,
                     [&] { seen.push_back(ReadText(Mod("config.cfg"))); });
    QTest::keyClicks(OnMain<QLineEdit>(Main::IdPlayerName), "Nyxia");
    ASSERT_EQ(seen.size(), 5u);
    // The handler that writes runs before this one: each key finds its own text on disk.
    EXPECT_EQ(seen[0], "name \"N\"\r\nsensitivity \"3\"");
    EXPECT_EQ(seen[3], "name \"Nyxi\"\r\nsensitivity \"3\"");
    EXPECT_EQ(ReadText(Mod("config.cfg")), "name \"Nyxia\"\r\nsensitivity \"3\"");
}

TEST_F(SettingsPage, ResolutionAndFullScreenUseTheGamesRegistryValues)
{
    WriteText(dir.File("registry.ini"),
              kRegistryHeader + "EngineModeW=1024\r\nEngineModeH=600\r\nEngineModeWindowed=0\r\n");
    Build();
    // The width decides: 1024 is shown with its own height.
    EXPECT_EQ(OnMain<QComboBox>(Main::IdResolution)->currentText(), "1024 *  768");
    EXPECT_TRUE(OnMain<QCheckBox>(Main::IdFullScreen)->isChecked());

    OnMain<QComboBox>(Main::IdResolution)->showPopup();
    QTest::keyClick(OnMain<QComboBox>(Main::IdResolution)->view(), Qt::Key_Down);
    QTest::keyClick(OnMain<QComboBox>(Main::IdResolution)->view(), Qt::Key_Return);
    EXPECT_EQ(OnMain<QComboBox>(Main::IdResolution)->currentText(), "1152 *  864");
    uint32_t w = 0, h = 0, windowed = 9;
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeW", w));
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeH", h));
    EXPECT_EQ(w, 1152u);
    EXPECT_EQ(h, 864u);
    QTest::mouseClick(OnMain<QCheckBox>(Main::IdFullScreen), Qt::LeftButton);
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeWindowed", windowed));
    EXPECT_EQ(windowed, 1u);
}

TEST_F(SettingsPage, WithoutTheRegistryKeyNothingIsShownOrWritten)
{
    Build();
    EXPECT_EQ(OnMain<QComboBox>(Main::IdResolution)->currentIndex(), -1);
    EXPECT_FALSE(OnMain<QCheckBox>(Main::IdFullScreen)->isChecked());
    OnMain<QComboBox>(Main::IdResolution)->showPopup();
    QTest::keyClick(OnMain<QComboBox>(Main::IdResolution)->view(), Qt::Key_Down);
    QTest::keyClick(OnMain<QComboBox>(Main::IdResolution)->view(), Qt::Key_Return);
    QTest::mouseClick(OnMain<QCheckBox>(Main::IdFullScreen), Qt::LeftButton);
    EXPECT_FALSE(FileExists(dir.File("registry.ini")));

    // A registry file without the game's key is not given one either.
    WriteText(dir.File("registry.ini"), "[Other]\r\nx=1\r\n");
    OnMain<QComboBox>(Main::IdResolution)->showPopup();
    QTest::keyClick(OnMain<QComboBox>(Main::IdResolution)->view(), Qt::Key_Down);
    QTest::keyClick(OnMain<QComboBox>(Main::IdResolution)->view(), Qt::Key_Return);
    EXPECT_EQ(ReadText(dir.File("registry.ini")), "[Other]\r\nx=1\r\n");
}

TEST_F(SettingsPage, LibraryButtonsAndFieldWriteLiblist)
{
    WriteText(Mod("liblist.gam"), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"");
    Build();
    Click(page, Main::IdBotLibrary);
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdGameLibrary)->text(), "dlls\\znk_bot.dll");
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\znk_bot.dll\"");
    Click(page, Main::IdMetamodLibrary);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"addons\\metamod\\dlls\\metamod.dll\"");
    Click(page, Main::IdZnkLibrary);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"");
    OnMain<QLineEdit>(Main::IdGameLibrary)->setText("dlls\\x.dll");
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\x.dll\"");
}

TEST_F(SettingsPage, MasterServerFieldTypeAndDefaults)
{
    Build();
    OnMain<QLineEdit>(Main::IdMasterServer)->setText(" 10.1.2.3 : 27011 ");
    EXPECT_EQ(settings.masterServer, "10.1.2.3:27011");
    QTest::mouseClick(OnMain<QRadioButton>(Main::IdWon), Qt::LeftButton);
    EXPECT_TRUE(settings.wonMaster);
    QTest::mouseClick(OnMain<QRadioButton>(Main::IdSteam), Qt::LeftButton);
    EXPECT_FALSE(settings.wonMaster);

    Click(page, Main::IdWonDefault);
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdMasterServer)->text(), AppSettings::kDefaultWonMaster);
    EXPECT_EQ(settings.masterServer, AppSettings::kDefaultWonMaster);
    EXPECT_TRUE(settings.wonMaster);
    EXPECT_TRUE(OnMain<QRadioButton>(Main::IdWon)->isChecked());
    Click(page, Main::IdSteamDefault);
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdMasterServer)->text(), "SteamWebAPI");
    EXPECT_EQ(settings.masterServer, AppSettings::kSteamDefaultMaster);
    EXPECT_FALSE(settings.wonMaster);
    EXPECT_TRUE(OnMain<QRadioButton>(Main::IdSteam)->isChecked());

    OnMain<QLineEdit>(Main::IdOtherArguments)->setText("-dev -nojoy");
    EXPECT_EQ(settings.otherArguments, "-dev -nojoy");
}

TEST_F(SettingsPage, ResolveIpTurnsAHostIntoItsAddressAndKeepsThePort)
{
    Build();
    OnMain<QLineEdit>(Main::IdMasterServer)->setText("localhost:27011");
    Click(page, Main::IdResolveIp);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return OnMain<QLineEdit>(Main::IdMasterServer)->text() == "127.0.0.1:27011"; }, 5000));
    EXPECT_EQ(settings.masterServer, "127.0.0.1:27011");
}

// The Web API's word is no host: "Resolve Ip" asks no name server for it, in any case.
TEST_F(SettingsPage, ResolveIpLeavesTheWebApiAlone)
{
    Build();
    for (const char* text : {"SteamWebAPI", "steamwebapi"}) {
        OnMain<QLineEdit>(Main::IdMasterServer)->setText(text);
        EXPECT_EQ(CResolveThread::StartIfNeeded(text, page, [](const QString&) {}), nullptr) << text;
        Click(page, Main::IdResolveIp);
        QTest::qWait(50);
        EXPECT_EQ(settings.masterServer, text);
    }
}

TEST_F(SettingsPage, EnterAppliesTheLocationOnlyFromItsField)
{
    Build();
    const std::string other = dir.File("other");
    std::filesystem::create_directories(JoinPath(other, "znk"));
    WriteText(JoinPath(other, "hl.sh"), "#!/bin/sh\n");

    OnMain<QLineEdit>(Main::IdLocation)->setText(QString::fromStdString(JoinPath(other, "hl.sh")));
    OnMain<QLineEdit>(Main::IdOtherArguments)->setFocus();
    QTest::keyClick(OnMain<QLineEdit>(Main::IdOtherArguments), Qt::Key_Return);
    EXPECT_EQ(locationChanges, 0);
    EXPECT_TRUE(window->isVisible());

    OnMain<QLineEdit>(Main::IdLocation)->setFocus();
    QTest::keyClick(OnMain<QLineEdit>(Main::IdLocation), Qt::Key_Return);
    EXPECT_EQ(locationChanges, 1);
    EXPECT_EQ(settings.gameFolder, other);
    EXPECT_EQ(settings.modFolder, "znk");
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(loader.WaitUntilIdle(5000));

    // A file that is not there: said, and nothing changes.
    OnMain<QLineEdit>(Main::IdLocation)->setText(QString::fromStdString(dir.File("nowhere/hl.sh")));
    Click(page, Main::IdOk);
    EXPECT_EQ(locationChanges, 1);
    EXPECT_EQ(settings.gameFolder, other);
    EXPECT_EQ(titles, QStringList{""});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toStdString(), "Can't open " + dir.File("nowhere/hl.sh") + " !");

    // Escape and the close box only hide the window.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}
