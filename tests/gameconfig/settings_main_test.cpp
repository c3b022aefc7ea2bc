#include "gameconfig/settings_fixture.h"
#include "gameconfig/settings_dlg.h"
#include "gameconfig/settings_main.h"
#include "gamefiles/settings_loader.h"
#include "platform/platform.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/page_context.h"

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
    QTabBar* tabs = FindById<QTabBar>(window.get(), 1029);
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

    const std::vector<std::pair<int, QString>> buttons = {{1009, "Browse"}, {1008, "Ok"},         {1159, "ZNK"},
                                                          {1160, "Bots"},   {1161, "Metamod"},    {1011, "Resolve Ip"},
                                                          {1012, "Steam Default"}, {1010, "WON Default"}};
    for (const auto& [id, text] : buttons) {
        auto* b = FindById<QPushButton>(page, id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text);
    }
    for (int id : {1026, 1028, 1052, 1162, 1029})
        EXPECT_TRUE(FindById<QLineEdit>(page, id)) << id;
    QComboBox* resolution = FindById<QComboBox>(page, 1171);
    ASSERT_TRUE(resolution);
    QStringList items;
    for (int i = 0; i < resolution->count(); ++i)
        items << resolution->itemText(i);
    EXPECT_EQ(items, (QStringList {"400   *  300", "512   *  384", "640   *  480", "800   *  600", "1024 *  768",
                                   "1152 *  864", "1280 *  960", "1600 * 1200"}));
    EXPECT_TRUE(FindById<QCheckBox>(page, 1172));
    // What the record holds.
    EXPECT_EQ(page->otherArguments()->text(), "-dev");
    EXPECT_EQ(page->masterServer()->text(), AppSettings::kDefaultMasterServer);
    EXPECT_TRUE(page->steam()->isChecked());
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(SettingsPage, LoaderFillsThePageAndWritesNameAndLibraryBack)
{
    WriteText(Mod("config.cfg"), "cl_himodels \"1\"\r\nname \"Wanderer\"\r\nname \"Second\"\r\n");
    WriteText(Mod("liblist.gam"), "game \"ZNK\"\r\ngamedll\t\"dlls\\hl.dll\"\r\n");
    Build();
    Load();
    EXPECT_EQ(page->location()->text().toStdString(), JoinPath(dir.File("game"), "hl.sh"));
    EXPECT_EQ(page->playerName()->text(), "Wanderer");
    // The separator after the name is not checked here: one character of it is skipped.
    EXPECT_EQ(page->gameLibrary()->text(), "dlls\\hl.dll");
    // Read and written back, in the plain style, without a final line break.
    EXPECT_EQ(ReadText(Mod("config.cfg")),
              "cl_himodels \"1\"\r\nname \"Wanderer\"\r\nname \"Second\"" + kMiscTextsAppended);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"");

    // A config without a name gets an empty name line.
    WriteText(Mod("config.cfg"), "cl_himodels \"1\"");
    Load();
    EXPECT_EQ(page->playerName()->text(), "");
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
    EXPECT_EQ(page->playerName()->text(), "Moved");
}

TEST_F(SettingsPage, TypingANameRewritesConfigAtEveryKey)
{
    WriteText(Mod("config.cfg"), "name \"Old\"\r\nsensitivity \"3\"\r\n");
    Build();
    page->playerName()->clear();
    std::vector<std::string> seen;
    QObject::connect(page->playerName(), &QLineEdit::textChanged, [&] { seen.push_back(ReadText(Mod("config.cfg"))); });
    QTest::keyClicks(page->playerName(), "Nyxia");
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
    EXPECT_EQ(page->resolution()->currentText(), "1024 *  768");
    EXPECT_TRUE(page->fullScreen()->isChecked());

    page->resolution()->showPopup();
    QTest::keyClick(page->resolution()->view(), Qt::Key_Down);
    QTest::keyClick(page->resolution()->view(), Qt::Key_Return);
    EXPECT_EQ(page->resolution()->currentText(), "1152 *  864");
    uint32_t w = 0, h = 0, windowed = 9;
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeW", w));
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeH", h));
    EXPECT_EQ(w, 1152u);
    EXPECT_EQ(h, 864u);
    QTest::mouseClick(page->fullScreen(), Qt::LeftButton);
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeWindowed", windowed));
    EXPECT_EQ(windowed, 1u);
}

TEST_F(SettingsPage, WithoutTheRegistryKeyNothingIsShownOrWritten)
{
    Build();
    EXPECT_EQ(page->resolution()->currentIndex(), -1);
    EXPECT_FALSE(page->fullScreen()->isChecked());
    page->resolution()->showPopup();
    QTest::keyClick(page->resolution()->view(), Qt::Key_Down);
    QTest::keyClick(page->resolution()->view(), Qt::Key_Return);
    QTest::mouseClick(page->fullScreen(), Qt::LeftButton);
    EXPECT_FALSE(FileExists(dir.File("registry.ini")));

    // A registry file without the game's key is not given one either.
    WriteText(dir.File("registry.ini"), "[Other]\r\nx=1\r\n");
    page->resolution()->showPopup();
    QTest::keyClick(page->resolution()->view(), Qt::Key_Down);
    QTest::keyClick(page->resolution()->view(), Qt::Key_Return);
    EXPECT_EQ(ReadText(dir.File("registry.ini")), "[Other]\r\nx=1\r\n");
}

TEST_F(SettingsPage, LibraryButtonsAndFieldWriteLiblist)
{
    WriteText(Mod("liblist.gam"), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"");
    Build();
    QTest::mouseClick(FindById<QPushButton>(page, 1160), Qt::LeftButton);
    EXPECT_EQ(page->gameLibrary()->text(), "dlls\\znk_bot.dll");
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\znk_bot.dll\"");
    QTest::mouseClick(FindById<QPushButton>(page, 1161), Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"addons\\metamod\\dlls\\metamod.dll\"");
    QTest::mouseClick(FindById<QPushButton>(page, 1159), Qt::LeftButton);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"");
    page->gameLibrary()->setText("dlls\\x.dll");
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\x.dll\"");
}

TEST_F(SettingsPage, MasterServerFieldTypeAndDefaults)
{
    Build();
    page->masterServer()->setText(" 10.1.2.3 : 27011 ");
    EXPECT_EQ(settings.masterServer, "10.1.2.3:27011");
    QTest::mouseClick(page->won(), Qt::LeftButton);
    EXPECT_TRUE(settings.wonMaster);
    QTest::mouseClick(page->steam(), Qt::LeftButton);
    EXPECT_FALSE(settings.wonMaster);

    QTest::mouseClick(FindById<QPushButton>(page, 1010), Qt::LeftButton);
    EXPECT_EQ(page->masterServer()->text(), AppSettings::kDefaultWonMaster);
    EXPECT_EQ(settings.masterServer, AppSettings::kDefaultWonMaster);
    EXPECT_TRUE(settings.wonMaster);
    EXPECT_TRUE(page->won()->isChecked());
    QTest::mouseClick(FindById<QPushButton>(page, 1012), Qt::LeftButton);
    EXPECT_EQ(settings.masterServer, AppSettings::kDefaultMasterServer);
    EXPECT_FALSE(settings.wonMaster);
    EXPECT_TRUE(page->steam()->isChecked());

    page->otherArguments()->setText("-dev -nojoy");
    EXPECT_EQ(settings.otherArguments, "-dev -nojoy");
}

TEST_F(SettingsPage, ResolveIpTurnsAHostIntoItsAddressAndKeepsThePort)
{
    Build();
    page->masterServer()->setText("localhost:27011");
    QTest::mouseClick(FindById<QPushButton>(page, 1011), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->masterServer()->text() == "127.0.0.1:27011"; }, 5000));
    EXPECT_EQ(settings.masterServer, "127.0.0.1:27011");
}

TEST_F(SettingsPage, EnterAppliesTheLocationOnlyFromItsField)
{
    Build();
    const std::string other = dir.File("other");
    std::filesystem::create_directories(JoinPath(other, "znk"));
    WriteText(JoinPath(other, "hl.sh"), "#!/bin/sh\n");

    page->location()->setText(QString::fromStdString(JoinPath(other, "hl.sh")));
    page->otherArguments()->setFocus();
    QTest::keyClick(page->otherArguments(), Qt::Key_Return);
    EXPECT_EQ(locationChanges, 0);
    EXPECT_TRUE(window->isVisible());

    page->location()->setFocus();
    QTest::keyClick(page->location(), Qt::Key_Return);
    EXPECT_EQ(locationChanges, 1);
    EXPECT_EQ(settings.gameFolder, other);
    EXPECT_EQ(settings.modFolder, "znk");
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(loader.WaitUntilIdle(5000));

    // A file that is not there: said, and nothing changes.
    page->location()->setText(QString::fromStdString(dir.File("nowhere/hl.sh")));
    QTest::mouseClick(FindById<QPushButton>(page, 1008), Qt::LeftButton);
    EXPECT_EQ(locationChanges, 1);
    EXPECT_EQ(settings.gameFolder, other);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toStdString(), "|Can't open " + dir.File("nowhere/hl.sh") + " !");

    // Escape and the close box only hide the window.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}
