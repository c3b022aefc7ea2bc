// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_dlg.h"
#include "app/options_dlg.h"
#include "avi_writer.h"
#include "bots/bot_editor_dlg.h"
#include "browser/server_browser_dlg.h"
#include "gameconfig/settings_dlg.h"
#include "music/playlist_editor_dlg.h"
#include "search/search_player_dlg.h"
#include "server/create_server_dlg.h"
#include "test_support/started_app.h"
#include "ui/elided_label.h"
#include "ui/logo_animation.h"
#include "ui/sort_list_ctrl.h"

#include "core/file_io.h"
#include "query/favorites_watch.h"
#include "query/query_engine.h"
#include "query/slot_watch.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QWindow>
#include <filesystem>

namespace {

QAction* Command(QWidget* w, int id)
{
    return FindById<QAction>(w, id);
}

QTabBar* Tabs(const CMainDlg* main)
{
    return FindById<QTabBar>(main, CMainDlg::IdTabs);
}
CAnimateCtrl* Logo(const CMainDlg* main)
{
    return FindById<CAnimateCtrl>(main, CMainDlg::IdLogo);
}

std::vector<int> CheckedPageItems(CMainDlg* main)
{
    std::vector<int> ids;
    for (int id : {CMainDlg::IdShowServerBrowser, CMainDlg::IdShowSearchPlayer, CMainDlg::IdShowPlaylistEditor,
                   CMainDlg::IdShowCreateServer, CMainDlg::IdShowBotEditor})
        if (Command(main, id)->isChecked())
            ids.push_back(id);
    return ids;
}

} // namespace

using MainWindow = StartedApp;

TEST_F(MainWindow, TabsMenusAndPagesAreInTheirPlaces)
{
    EXPECT_EQ(main->objectName(), "CMainDlg");
    EXPECT_EQ(main->windowTitle(), "ZNK Tool");
    QTabBar* tabs = FindById<QTabBar>(main, CMainDlg::IdTabs);
    ASSERT_TRUE(tabs);
    const QStringList texts = {"Server Browser", "Search Player", "Playlist Editor", "Create Server", "ZNK Bots 3.0"};
    ASSERT_EQ(tabs->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->tabText(i), texts[i]);
    EXPECT_TRUE(FindById<CAnimateCtrl>(main, CMainDlg::IdLogo));

    const char* classes[] = {"CServerBrowserDlg", "CSearchPlayerDlg", "CPlaylistEditorDlg", "CCreateServerDlg",
                             "CBotEditorDlg"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(main->page(i)->objectName(), classes[i]);
        EXPECT_EQ(main->page(i)->isVisible(), i == 0) << classes[i];
    }
    EXPECT_FALSE(main->settingsDlg()->isVisible());
    EXPECT_EQ(CheckedPageItems(main), std::vector<int>{CMainDlg::IdShowServerBrowser});

    const std::vector<std::pair<int, QString>> commands = {{CMainDlg::IdLoadPlaylist, "Load Playlist from ..."},
                                                           {CMainDlg::IdSavePlaylist, "Save Playlist as ..."},
                                                           {CMainDlg::IdExit, "Exit"},
                                                           {CMainDlg::IdSettings, "Settings"},
                                                           {CMainDlg::IdShowServerBrowser, "Server Browser"},
                                                           {CMainDlg::IdShowSearchPlayer, "Search Player"},
                                                           {CMainDlg::IdShowPlaylistEditor, "Playlist Editor"},
                                                           {CMainDlg::IdShowCreateServer, "Create Server"},
                                                           {CMainDlg::IdShowBotEditor, "ZNK Bots 3.0"},
                                                           {CMainDlg::IdAlwaysOnTop, "Always On Top"},
                                                           {CMainDlg::IdAbout, "About"},
                                                           {CMainDlg::IdSystemAbout, "&About ZNKTool..."}};
    for (const auto& [id, text] : commands) {
        QAction* a = Command(main, id);
        ASSERT_TRUE(a) << id;
        EXPECT_EQ(a->text(), text);
    }
}

TEST_F(MainWindow, EditMenuSwitchesPagesAndMovesTheCheckMark)
{
    Command(main, CMainDlg::IdShowSearchPlayer)->trigger();
    EXPECT_EQ(Tabs(main)->currentIndex(), 1);
    EXPECT_EQ(main->currentPage(), main->searchPlayer());
    EXPECT_TRUE(main->searchPlayer()->isVisible());
    EXPECT_FALSE(main->serverBrowser()->isVisible());
    EXPECT_EQ(CheckedPageItems(main), std::vector<int>{CMainDlg::IdShowSearchPlayer});

    // The page already shown: nothing changes, the check mark stays.
    Command(main, CMainDlg::IdShowSearchPlayer)->trigger();
    EXPECT_EQ(CheckedPageItems(main), std::vector<int>{CMainDlg::IdShowSearchPlayer});
    EXPECT_TRUE(main->searchPlayer()->isVisible());

    // Clicking a tab does the same as the menu.
    QTabBar* tabs = Tabs(main);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(4).center());
    EXPECT_EQ(main->currentPage(), main->botEditor());
    EXPECT_EQ(CheckedPageItems(main), std::vector<int>{CMainDlg::IdShowBotEditor});
    int visible = 0;
    for (int i = 0; i < CMainDlg::PageCount; ++i)
        visible += main->page(i)->isVisible();
    EXPECT_EQ(visible, 1);
}

TEST_F(MainWindow, EnterNeverClosesEscapeDoes)
{
    QTest::keyClick(main, Qt::Key_Return);
    QTest::keyClick(main, Qt::Key_Enter);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->currentPage(), main->serverBrowser());

    Command(main, CMainDlg::IdShowSearchPlayer)->trigger();
    QTest::keyClick(main, Qt::Key_Return);
    EXPECT_TRUE(main->isVisible());

    QTest::keyClick(main, Qt::Key_Escape);
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(main->result(), QDialog::Rejected);
}

class MainWindowWithLocalMaster : public StartedApp {
    void Prepare(AppSettings& s) override { s.masterServer = "127.0.0.1:" + std::to_string(master.localPort()); }

protected:
    MainWindowWithLocalMaster() { master.bind(QHostAddress::LocalHost, 0); }
    QUdpSocket master;
};

TEST_F(MainWindowWithLocalMaster, EnterSearchesOnTheSearchPageAndOnlyThere)
{
    CSearchPlayerDlg* search = main->searchPlayer();
    auto* text = FindById<QLineEdit>(search, CSearchPlayerDlg::IdSearchText);
    auto* serversLeft = FindById<QListWidget>(search, CSearchPlayerDlg::IdServersLeft);
    text->setText("Sable");
    QTest::keyClick(main, Qt::Key_Return);
    EXPECT_EQ(serversLeft->count(), 0);
    EXPECT_FALSE(master.hasPendingDatagrams());

    Command(main, CMainDlg::IdShowSearchPlayer)->trigger();
    // Typed into the search field, as a user does: the field passes Enter on to the window.
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_TRUE(main->isVisible());
    ASSERT_EQ(serversLeft->count(), 1);
    EXPECT_EQ(serversLeft->item(0)->text(), "Requesting Servers List");
    EXPECT_TRUE(QTest::qWaitFor([&] { return master.hasPendingDatagrams(); }, 2000));
}

TEST_F(MainWindow, ExitEndsTheWindowAndShutdownSaves)
{
    Command(main, CMainDlg::IdAlwaysOnTop)->trigger(); // always on top, saved at exit
    Command(main, CMainDlg::IdExit)->trigger();
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(main->result(), 0);
    app->Shutdown();
    auto b = ReadAllBytes(dir.File("znktool.conf"));
    ASSERT_EQ(b.size(), 1665u);
    EXPECT_EQ(b[1420], 1);
}

TEST_F(MainWindow, TimerSavesEveryFifteenSeconds)
{
    EXPECT_EQ(main->saveTimer()->interval(), 15000);
    EXPECT_TRUE(main->saveTimer()->isActive());
    app->settings.maxPlayers = 31;
    QMetaObject::invokeMethod(main->saveTimer(), "timeout");
    auto b = ReadAllBytes(dir.File("znktool.conf"));
    ASSERT_EQ(b.size(), 1665u);
    EXPECT_EQ(b[1659], 31);
}

TEST_F(MainWindow, SettingsCommandShowsAndHidesTheSettingsWindowAndItsCheckFollows)
{
    QAction* settings = Command(main, CMainDlg::IdSettings);
    settings->trigger();
    EXPECT_TRUE(main->settingsDlg()->isVisible());
    EXPECT_TRUE(settings->isChecked());
    EXPECT_EQ(main->settingsDlg()->objectName(), "CSettingsDlg");
    settings->trigger();
    EXPECT_FALSE(main->settingsDlg()->isVisible());
    EXPECT_FALSE(settings->isChecked());
    // Closed by itself (Escape), the window is hidden and the check goes too.
    settings->trigger();
    QTest::keyClick(main->settingsDlg(), Qt::Key_Escape);
    EXPECT_FALSE(main->settingsDlg()->isVisible());
    EXPECT_FALSE(settings->isChecked());
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainWindow, AboutBoxShowsVersionAndTwoAddresses)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        seen = true;
        EXPECT_EQ(box->windowTitle(), "About ZNKTool");
        auto* link = FindById<CStaticLink>(box, CAboutDlg::IdModSite);
        auto* home = FindById<QLabel>(box, CAboutDlg::IdAuthor);
        ASSERT_TRUE(link && home);
        EXPECT_TRUE(link->text().startsWith("http"));
        EXPECT_TRUE(home->text().startsWith("http"));
        EXPECT_NE(link->text(), home->text());
        QStringList texts;
        for (const QLabel* label : box->findChildren<QLabel*>())
            texts << label->text();
        EXPECT_TRUE(texts.contains("License: GPL-3.0-or-later")) << texts.join(" | ").toStdString();
        QTest::mouseMove(link, link->rect().center());
        EXPECT_EQ(link->cursor().shape(), Qt::CrossCursor);
        QTest::mouseClick(FindById<QPushButton>(box, CAboutDlg::IdOk), Qt::LeftButton);
    });
    Command(main, CMainDlg::IdAbout)->trigger();
    EXPECT_TRUE(seen);
}

TEST_F(MainWindow, AStatusMessageTooLongForTheLineIsCutBeforeTheCount)
{
    auto* count = FindById<QLabel>(main, CMainDlg::IdListedCount);
    auto* message = FindById<CElidedLabel>(main, CMainDlg::IdStatusMessage);
    const QString countText = count->text();
    const QString wait = "Waiting for a free slot on %1 (2/2 players). Escape stops waiting.";
    for (const QString& text : {wait.arg(QString(64, 'N')), wait.arg("Harbor")}) {
        main->ShowStatus(text);
        QApplication::processEvents();
        const QString shown = message->text();
        const bool whole = text.size() < 80;
        EXPECT_EQ(shown, whole ? text : text.left(shown.size() - 1) + QChar(0x2026));
        EXPECT_LE(message->fontMetrics().horizontalAdvance(shown), message->contentsRect().width());
        EXPECT_LT(message->geometry().right(), count->geometry().left());
        EXPECT_EQ(count->text(), countText);
        EXPECT_GE(count->width(), count->fontMetrics().horizontalAdvance(countText));
    }
    // A message for a while, then none.
    main->ShowStatus("Mira is playing on Harbor Nights", 50);
    EXPECT_EQ(message->text(), "Mira is playing on Harbor Nights");
    EXPECT_TRUE(QTest::qWaitFor([&] { return message->text().isEmpty(); }, 1000));
}

TEST_F(MainWindow, OptionsGoToTheirOwnFileAndCancelChangesNothing)
{
    const std::string conf = dir.File("znktool.conf");
    const std::string options = dir.File(ToolOptions::kFileName);
    app->SaveServers();
    const auto confBefore = ReadAllBytes(conf);
    struct Step {
        bool ok;
        int dialect;
        int atOnce;
        const char* targets;
    };
    for (const Step& step : {Step{false, 1, 9, "127.0.0.3"}, Step{true, 2, 12, " 127.0.0.2 ,127.0.0.3,"}}) {
        WhenModalShows(*main, "COptionsDlg", [&](QWidget& box) {
            Choose(FindById<QComboBox>(&box, COptionsDlg::IdDialect), step.dialect);
            FindById<QSpinBox>(&box, COptionsDlg::IdQueriesAtOnce)->setValue(step.atOnce);
            FindById<QLineEdit>(&box, COptionsDlg::IdLanTargets)->setText(step.targets);
            Click(&box, step.ok ? COptionsDlg::IdOk : COptionsDlg::IdCancel);
        });
        Command(main, CMainDlg::IdOptions)->trigger();
        EXPECT_EQ(FileExists(options), step.ok);
    }
    EXPECT_EQ(ReadText(options), "[Query]\r\nDialect=A2S\r\nQueriesAtOnce=12\r\nLanTargets=127.0.0.2,127.0.0.3\r\n");
    EXPECT_EQ(app->settings.options.dialect, QueryDialect::A2s);
    app->SaveServers(); // the periodic save leaves the shared settings file as it was
    EXPECT_EQ(ReadAllBytes(conf), confBefore);
}

// The key is shown as dots until asked for; the Web API's values and more masters reach the file.
TEST_F(MainWindow, TheWebApiKeyIsHiddenUntilShownAndTheNewOptionsReachTheFile)
{
    app->settings.options.webApiKey = "0123ABCD";
    WhenModalShows(*main, "COptionsDlg", [&](QWidget& box) {
        auto* key = FindById<QLineEdit>(&box, COptionsDlg::IdWebApiKey);
        auto* show = FindById<QPushButton>(&box, COptionsDlg::IdShowKey);
        EXPECT_EQ(key->echoMode(), QLineEdit::Password);
        EXPECT_EQ(key->text(), "0123ABCD");
        EXPECT_NE(key->displayText(), "0123ABCD");
        Click(&box, COptionsDlg::IdShowKey);
        EXPECT_EQ(key->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(show->text(), "Hide");
        Click(&box, COptionsDlg::IdShowKey);
        EXPECT_EQ(key->echoMode(), QLineEdit::Password);
        EXPECT_EQ(FindById<QLabel>(&box, COptionsDlg::IdKeyPage)->text(),
                  "Get a key of your own at steamcommunity.com/dev/apikey");
        key->setText(" FEDC9876\t");
        FindById<QSpinBox>(&box, COptionsDlg::IdWebApiLimit)->setValue(500);
        auto* entry = FindById<QLineEdit>(&box, COptionsDlg::IdNewMaster);
        auto* add = FindById<QPushButton>(&box, COptionsDlg::IdAddMaster);
        for (const char* typed : {"bad host!", "SteamWebAPI", " master.example.net : 27011", "10.0.0.5",
                                  "master.example.net:27011", "127.0.0.9"}) {
            entry->setText(typed);
            if (add->isEnabled())
                Click(&box, COptionsDlg::IdAddMaster);
        }
        auto* masters = FindById<QListWidget>(&box, COptionsDlg::IdMoreMasters);
        EXPECT_EQ(Rows(masters), (std::vector<std::string>{"master.example.net:27011", "10.0.0.5", "127.0.0.9"}));
        ClickRow(masters, 1);
        Click(&box, COptionsDlg::IdRemoveMaster);
        Tick(FindById<QCheckBox>(&box, COptionsDlg::IdQueryOnPing));
        Click(&box, COptionsDlg::IdOk);
    });
    Command(main, CMainDlg::IdOptions)->trigger();
    EXPECT_EQ(ReadText(dir.File(ToolOptions::kFileName)),
              "[Query]\r\nDialect=Automatic\r\nQueriesAtOnce=5\r\nLanTargets=\r\nQueryOnPing=1\r\n"
              "[SteamWebApi]\r\nKey=FEDC9876\r\nUrl=https://api.steampowered.com\r\nLimit=500\r\n"
              "[MoreMasters]\r\n1=master.example.net:27011\r\n2=127.0.0.9\r\n");
}

class MainWindowHidden : public StartedApp {
    void Prepare(AppSettings&) override
    {
        WriteText(dir.File(ToolOptions::kFileName), "[Hidden]\r\n127.0.0.1:5=1\r\n127.0.0.1:6=1\r\n");
        WriteText(dir.File("ServersDB.ini"), "[127.0.0.1:5]\r\nName=Harbor Nights\r\nMap=harbor\r\nPing=40\r\n"
                                             "Players=3/8\r\nInfo=");
    }
};

TEST_F(MainWindowHidden, OptionsShowHiddenServersAgainAndEscapeEndsASlotWatchFirst)
{
    WhenModalShows(*main, "COptionsDlg", [&](QWidget& box) {
        auto* hidden = FindById<QListWidget>(&box, COptionsDlg::IdHiddenServers);
        // By name where the record knows one.
        EXPECT_EQ(Rows(hidden), (std::vector<std::string>{"127.0.0.1:5 (Harbor Nights)", "127.0.0.1:6"}));
        ClickRow(hidden, 0);
        Click(&box, COptionsDlg::IdShowAgain);
        Tick(FindById<QCheckBox>(&box, COptionsDlg::IdWatchFavorites));
        Click(&box, COptionsDlg::IdOk);
    });
    Command(main, CMainDlg::IdOptions)->trigger();
    EXPECT_EQ(ReadText(dir.File(ToolOptions::kFileName)),
              "[Query]\r\nDialect=Automatic\r\nQueriesAtOnce=5\r\nLanTargets=\r\n[Hidden]\r\n127.0.0.1:6=1\r\n"
              "[Watch]\r\nFavorites=1\r\nMinutes=5\r\n");
    EXPECT_TRUE(app->engine()->favoritesWatch().active());
    // Back in the Servers list at once, with what its record knows.
    auto* servers = FindById<CSrvListCtrl>(main->serverBrowser(), CServerBrowserDlg::IdServers);
    EXPECT_EQ(Rows(servers), (std::vector<std::string>{"Harbor Nights | harbor | 40 | 3/8 | 127.0.0.1:5"}));
    ASSERT_EQ(app->store.serverList().size(), 1u);
    EXPECT_EQ(app->store.serverList()[0]->address, "127.0.0.1:5");

    app->engine()->slotWatch().Start("127.0.0.1:9");
    QTest::keyClick(main, Qt::Key_Escape);
    EXPECT_FALSE(app->engine()->slotWatch().active());
    EXPECT_TRUE(main->isVisible());
}

class MainWindowOnTop : public StartedApp {
    void Prepare(AppSettings& s) override { s.alwaysOnTop = true; }
};

TEST_F(MainWindowOnTop, StartsTopmostAndTogglesBack)
{
    QAction* onTop = Command(main, CMainDlg::IdAlwaysOnTop);
    EXPECT_TRUE(main->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(onTop->isChecked());
    onTop->trigger();
    EXPECT_FALSE(main->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(onTop->isChecked());
    EXPECT_FALSE(app->settings.alwaysOnTop);
    EXPECT_TRUE(main->isVisible());
    onTop->trigger();
    EXPECT_TRUE(main->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(onTop->isChecked());
    EXPECT_TRUE(app->settings.alwaysOnTop);
}

// The real modal loop, as the program runs it: Always On Top must neither end the loop nor
// leave the window hidden, and the saved byte follows each change.
TEST_F(MainWindow, AlwaysOnTopInTheRunningLoopKeepsTheWindowOpen)
{
    QAction* onTop = Command(main, CMainDlg::IdAlwaysOnTop);
    struct Seen {
        bool visible;
        bool topmost;
        unsigned char savedByte;
    };
    std::vector<Seen> seen;
    auto look = [&] {
        app->SaveServers();
        const auto b = ReadAllBytes(dir.File("znktool.conf"));
        seen.push_back({main->isVisible(),
                        main->windowHandle() && (main->windowHandle()->flags() & Qt::WindowStaysOnTopHint),
                        b.size() == 1665u ? b[1420] : static_cast<unsigned char>(0xEE)});
    };
    int step = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        switch (step++) {
        case 0:
            onTop->trigger();
            break;
        case 1:
            look();
            onTop->trigger();
            break;
        case 2:
            look();
            driver.stop();
            QTest::keyClick(main, Qt::Key_Escape);
            break;
        }
    });
    driver.start(30);
    // A loop that never ends must fail the test, not hang it.
    QTimer::singleShot(10000, main, [&] { main->done(99); });
    const int result = main->exec();

    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(step, 3);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].visible);
    EXPECT_TRUE(seen[0].topmost);
    EXPECT_EQ(seen[0].savedByte, 1);
    EXPECT_TRUE(seen[1].visible);
    EXPECT_FALSE(seen[1].topmost);
    EXPECT_EQ(seen[1].savedByte, 0);
}

class MainWindowWithLogo : public StartedApp {
    void Prepare(AppSettings& s) override
    {
        const std::string media = JoinPath(s.gameFolder, s.modFolder, "media");
        std::filesystem::create_directories(media);
        std::vector<std::vector<uint8_t>> frames(3, std::vector<uint8_t>(40 * 10, 1));
        std::array<uint32_t, 256> palette{};
        palette[1] = 0xffcc00u;
        ASSERT_TRUE(WriteAviFile(JoinPath(media, "logo.avi"), 40, 10, 50000, frames, palette, true));
    }
};

TEST_F(MainWindowWithLogo, LogoPlaysFromTheModFolder)
{
    EXPECT_TRUE(Logo(main)->isPlaying());
    EXPECT_EQ(Logo(main)->frameCount(), 3);
    // A game location without the file leaves an empty strip and says nothing.
    app->settings.modFolder = "othermod";
    main->ReloadLogo();
    EXPECT_FALSE(Logo(main)->isPlaying());
    EXPECT_TRUE(messages.isEmpty());
}

class MainWindowWithServers : public StartedApp {
    void Prepare(AppSettings&) override
    {
        WriteText(dir.File("ServersDB.ini"),
                  "[1.2.3.4:27015]\r\nName=Kept\r\nMap=m\r\nPing=9\r\nPlayers=1/8\r\nInfo=x");
        WriteText(dir.File("Servers.ini"), "[Favorites]\r\n1=1.2.3.4:27015\r\nTotal=2\r\n");
        WriteText(dir.File("Friends.txt"), "Ann\r\nBob");
    }
};

class MainWindowAfterACrash : public StartedApp {
    void Prepare(AppSettings&) override
    {
        for (const char* name : {"znktool.conf", "Servers.ini", "ServersDB.ini", "Friends.txt"})
            WriteText(dir.File(std::string(name) + kTempFileMarker + "Ab12Cd"), "half");
        WriteText(dir.File(std::string("notes.txt") + kTempFileMarker + "Ab12Cd"), "not ours");
    }
};

TEST_F(MainWindowAfterACrash, StartClearsTheTemporaryFilesOfItsOwnFiles)
{
    for (const char* name : {"znktool.conf", "Servers.ini", "ServersDB.ini", "Friends.txt"})
        EXPECT_FALSE(PathExists(dir.File(std::string(name) + kTempFileMarker + "Ab12Cd"))) << name;
    EXPECT_TRUE(PathExists(dir.File(std::string("notes.txt") + kTempFileMarker + "Ab12Cd")));
}

TEST_F(MainWindowWithServers, StoresLoadAtStartAndTheTimerSavesThem)
{
    ASSERT_EQ(app->store.favoriteList().size(), 1u);
    EXPECT_EQ(app->store.favoriteList()[0]->name, "Kept");
    EXPECT_EQ(app->store.friends().Friends(), (std::vector<std::string>{"Ann", "Bob"}));

    app->store.FindOrCreateRecord("5.6.7.8:27016")->name = "New";
    app->store.Append(ServerList::Servers, app->store.FindOrCreateRecord("5.6.7.8:27016"));
    QMetaObject::invokeMethod(main->saveTimer(), "timeout");
    EXPECT_EQ(ReadText(dir.File("Servers.ini")),
              "[Servers]\r\n1=5.6.7.8:27016\r\nTotal=2\r\n[Favorites]\r\n1=1.2.3.4:27015\r\nTotal=2\r\n");
    EXPECT_EQ(ReadText(dir.File("ServersDB.ini")),
              "[1.2.3.4:27015]\r\nName=Kept\r\nMap=m\r\nPing=9\r\nPlayers=1/8\r\nInfo=x\r\n"
              "[5.6.7.8:27016]\r\nName=New\r\nMap=\r\nPing=\r\nPlayers=\r\nInfo=");
}
