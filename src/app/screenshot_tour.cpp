// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/screenshot_tour.h"

#include "app/about_dlg.h"
#include "app/main_dlg.h"
#include "app/options_dlg.h"
#include "app/tool_app.h"
#include "bots/bot_editor_dlg.h"
#include "bots/bot_help_dlgs.h"
#include "browser/server_browser_dlg.h"
#include "browser/server_filter_row.h"
#include "core/address.h"
#include "core/path.h"
#include "gameconfig/find_hl_dlg.h"
#include "gameconfig/settings_dlg.h"
#include "launch/model/launch_command.h"
#include "music/mp3_info_dlg.h"
#include "music/playlist_editor_dlg.h"
#include "music/playlist_list_ctrl.h"
#include "query/query_engine.h"
#include "rcon/rcon_consoles.h"
#include "rcon/rcon_dlg.h"
#include "rcon/rcon_input.h"
#include "search/search_player_dlg.h"
#include "settings/server_store.h"
#include "ui/control_id.h"
#include "ui/input_box.h"
#include "ui/recent_menu.h"
#include "ui/sort_list_ctrl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <cstdio>

namespace {

// Lets timers, sockets and repaints run for a while.
void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QTabBar* Tabs(const CMainDlg* main)
{
    return FindControl<QTabBar>(main, CMainDlg::IdTabs);
}

QString FileSafe(QString text)
{
    text = text.toLower();
    for (QChar& c : text)
        if (!c.isLetterOrNumber())
            c = '-';
    return text;
}

} // namespace

void ScreenshotTour::Begin()
{
    QTimer::singleShot(0, [this] { Run(); });
}

void ScreenshotTour::Shoot(QWidget* widget, const QString& name)
{
    QApplication::processEvents();
    const QString path = QDir(folder_).filePath(name + ".png");
    if (widget->grab().save(path)) {
        ++saved_;
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    }
}

// A click on a list's first row, as the user gives it: that is what asks for details.
void ScreenshotTour::ClickFirstRow(CReportListCtrl* list)
{
    ClickRow(list, 0);
}

void ScreenshotTour::ClickRow(CReportListCtrl* list, int row)
{
    list->setFocus();
    list->scrollTo(list->model()->index(row, 0));
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &click);
    }
}

// A search for a name several demo servers have, then the first player found selected.
void ScreenshotTour::SearchPlayers(CMainDlg* main)
{
    CSearchPlayerDlg* page = main->searchPlayer();
    auto* text = FindControl<QLineEdit>(page, CSearchPlayerDlg::IdSearchText);
    auto* serversLeft = FindControl<QListWidget>(page, CSearchPlayerDlg::IdServersLeft);
    auto* results = FindControl<CReportListCtrl>(page, CSearchPlayerDlg::IdResults);
    auto* info = FindControl<QListWidget>(page, CSearchPlayerDlg::IdInfo);
    if (!text || !serversLeft || !results || !info)
        return;
    text->setText("sable");
    if (auto* search = FindControl<QPushButton>(page, CSearchPlayerDlg::IdSearch))
        search->click();
    // Done when every server that answers has answered: the list stops shrinking.
    QElapsedTimer waited;
    waited.start();
    int left = -1;
    for (int still = 0; waited.elapsed() < 8000 && still < 10; ++still) {
        Pump(50);
        if (serversLeft->count() != left || results->GetItemCount() == 0) {
            left = serversLeft->count();
            still = 0;
        }
    }
    if (results->GetItemCount() == 0)
        return;
    ClickFirstRow(results);
    waited.restart();
    while (waited.elapsed() < 3000 && info->count() < 8)
        Pump(50);
}

bool ScreenshotTour::MayConnectTo(const std::string& address)
{
    QHostAddress host;
    return IsValidAddress(address) && host.setAddress(QString::fromStdString(GetHost(address))) &&
           host.protocol() == QAbstractSocket::IPv4Protocol && host.isLoopback();
}

// "RCON Control" on the first server of this machine, the demo password, and one command. With
// none, a console on the first server that is never connected: the same window, and no password
// sent anywhere.
void ScreenshotTour::ShootConsole(CMainDlg* main)
{
    auto* servers = FindControl<CReportListCtrl>(main, CServerBrowserDlg::IdServers);
    auto* rcon = FindControl<QPushButton>(main, CServerBrowserDlg::IdRconServers);
    CRconConsoles* consoles = theApp().consoles();
    if (!servers || !rcon || !consoles || servers->GetItemCount() == 0)
        return;
    int row = 0;
    while (row < servers->GetItemCount() && !MayConnectTo(servers->GetItemTextStd(row, 4)))
        ++row;
    CRconDlg* console = nullptr;
    if (row < servers->GetItemCount()) {
        servers->SelectRow(row);
        // The password box is modal: answered from a timer while its own loop runs.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&answer] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box->objectName() != "CRconInput")
                return;
            answer.stop();
            if (auto* password = FindControl<QLineEdit>(box, CRconInput::IdPassword))
                password->setText("demo");
            if (auto* connect = FindControl<QPushButton>(box, CRconInput::IdConnect))
                connect->click();
        });
        answer.start(20);
        rcon->click();
        answer.stop();
        if (consoles->count() == 0)
            return;
        console = consoles->consoles().back();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 3000 && !console->connected())
            Pump(50);
    } else {
        const std::string address = servers->GetItemTextStd(0, 4);
        for (const char* command : {"status", "echo hello"})
            offlineHistory_.Add(address, command);
        console = new CRconDlg(address, std::string(), main, &offlineHistory_);
        console->show();
    }
    if (auto* input = FindControl<QLineEdit>(console, CRconDlg::IdInput)) {
        input->setFocus();
        input->setText("status");
    }
    console->OnOK();
    Pump(300);
    Shoot(console, "rcon-console");
    // A second command, then Up twice: the first one is back in the input line.
    if (auto* input = FindControl<QLineEdit>(console, CRconDlg::IdInput)) {
        input->setText("echo hello");
        console->OnOK();
        Pump(200);
        input->clear();
        for (int i = 0; i < 2; ++i) {
            QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
            QApplication::sendEvent(input, &up);
        }
        Pump(50);
        Shoot(console, "rcon-console-history");
    }
    console->close();
    Pump(50);
}

// The playlist as its loader measured it, the browser in the mod's mp3 folder, the first entry
// clicked, and an "Mp3 Info" window of it.
void ScreenshotTour::ShootPlaylist(CMainDlg* main)
{
    CPlaylistEditorDlg* page = main->playlistEditor();
    page->WaitUntilLoaded(15000);
    const AppSettings& s = theApp().settings;
    page->NavigateTo(JoinPath(s.gameFolder, s.modFolder, "mp3"));
    if (FindControl<CPlayListCtrl>(page, CPlaylistEditorDlg::IdPlaylist)->GetItemCount() == 0)
        return;
    Tabs(main)->setCurrentIndex(CMainDlg::PlaylistEditor);
    Pump(50);
    ClickFirstRow(FindControl<CPlayListCtrl>(page, CPlaylistEditorDlg::IdPlaylist));
    if (auto* tag = FindControl<QPushButton>(page, CPlaylistEditorDlg::IdGetMp3Tag))
        tag->click();
    if (page->viewers().count() == 0)
        return;
    CMP3InfoDlg* viewer = page->viewers().viewers().back();
    for (int waited = 0; !viewer->filled() && waited < 5000; waited += 20)
        Pump(20);
    Pump(100);
    Shoot(viewer, "mp3-info");
    viewer->close();
    Tabs(main)->setCurrentIndex(CMainDlg::ServerBrowser);
    Pump(50);
}

// "Update" on the server browser, as a user would press it, then the first server selected.
void ScreenshotTour::RefreshBrowser(CMainDlg* main)
{
    auto* update = FindControl<QPushButton>(main, CServerBrowserDlg::IdUpdate);
    auto* servers = FindControl<CReportListCtrl>(main, CServerBrowserDlg::IdServers);
    auto* players = FindControl<CReportListCtrl>(main, CServerBrowserDlg::IdPlayers);
    CQueryEngine* engine = theApp().engine();
    if (!update || !servers || !players || !engine)
        return;
    const CRefreshEngine& refresh = engine->refresh();
    update->click();
    QElapsedTimer waited;
    waited.start();
    Pump(200);
    while (waited.elapsed() < 15000 &&
           !(refresh.progressUpper() > 0 && refresh.progressPos() == refresh.progressUpper()))
        Pump(50);
    if (servers->GetItemCount() == 0)
        return;
    ClickFirstRow(servers);
    waited.restart();
    while (waited.elapsed() < 3000 && players->GetItemText(0, 0) == "Please Wait")
        Pump(50);
    Pump(100);
}

// A line of the demo's bot.cfg picked on the bot tab as a user picks it (the tab's picture
// below shows it), and the tab's three help windows opened by their toggles.
void ScreenshotTour::ShootBots(CMainDlg* main)
{
    Tabs(main)->setCurrentIndex(CMainDlg::BotEditor);
    Pump(100);
    CBotEditorDlg* page = main->botEditor();
    QListWidget* list = FindControl<QListWidget>(page, CBotEditorDlg::IdList);
    if (list->count() > 3) {
        list->setFocus();
        const QPoint at = list->visualItemRect(list->item(3)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(list->viewport(), &click);
        }
    }
    const std::pair<int, CBotHelpDlg*> helps[] = {{CBotEditorDlg::IdClassHelp, main->botClassHelp()},
                                                  {CBotEditorDlg::IdMiscHelp, main->botMiscHelp()},
                                                  {CBotEditorDlg::IdChatHelp, main->botChatHelp()}};
    for (const auto& [id, window] : helps) {
        auto* toggle = FindControl<QPushButton>(page, id);
        if (!toggle)
            continue;
        toggle->click();
        Pump(100);
        Shoot(window, FileSafe(window->windowTitle()));
        toggle->click();
    }
}

void ScreenshotTour::ShootBrowserChoices(CMainDlg* main)
{
    CServerBrowserDlg* page = main->serverBrowser();
    auto* servers = FindControl<CReportListCtrl>(page, CServerBrowserDlg::IdServers);
    auto* connect = FindControl<QPushButton>(page, CServerBrowserDlg::IdConnectServers);
    if (!servers || !connect || servers->GetItemCount() < 3)
        return;
    const ToolOptions before = theApp().settings.options;

    // A listen server behind Steam's relay, as the Web API listed it: no ping, no details, no
    // console. Selecting it sends nothing.
    for (int row = 0; row < servers->GetItemCount(); ++row) {
        if (IsRelayedAddress(servers->GetItemTextStd(row, 4))) {
            ClickRow(servers, row);
            Pump(150);
            Shoot(main, "browser-relayed");
            servers->SelectRow(-1);
            break;
        }
    }

    // Two joins of servers on this machine that want no password (the demo's stand-in client
    // starts nothing); elsewhere the menu shows the recent servers as they are.
    int joined = 0;
    for (int row = 0; row < servers->GetItemCount() && joined < 2; ++row) {
        const std::string address = servers->GetItemTextStd(row, 4);
        if (!MayConnectTo(address) || IsPasswordProtected(*theApp().store.FindOrCreateRecord(address)))
            continue;
        servers->SelectRow(row);
        connect->click();
        ++joined;
    }
    QMenu* file = main->findChild<QMenuBar*>()->actions().front()->menu();
    if (QAction* line = FindControl<QAction>(file, RecentServersMenu::kMenuId)) {
        file->popup(main->mapToGlobal(QPoint(0, 0)));
        line->menu()->popup(main->mapToGlobal(QPoint(file->width(), 0)));
        Pump(100);
        Shoot(line->menu(), "recent-servers");
        line->menu()->hide();
        file->hide();
    }

    QMenu* filters = page->filterRow()->menu();
    FindControl<QAction>(filters, CServerFilterRow::IdHideEmpty)->trigger();
    FindControl<QAction>(filters, CServerFilterRow::IdHideFull)->trigger();
    Pump(150);
    Shoot(main, "browser-filtered");

    servers->SelectRow(servers->GetItemCount() - 1);
    page->OnHideServer();
    COptionsDlg options(theApp().settings.options, main,
                        [](const std::string& address) { return theApp().store.KnownName(address); });
    options.show();
    Pump(50);
    Shoot(&options, "options");
    options.hide();

    theApp().settings.options = before;
    page->filterRow()->LoadControls();
    page->ApplyFilter();
    theApp().SaveOptions();
}

void ScreenshotTour::Run()
{
    QDir().mkpath(folder_);
    CMainDlg* main = theApp().mainWnd();
    Pump(300); // the logo's first frames
    RefreshBrowser(main);
    SearchPlayers(main);
    ShootConsole(main);
    ShootBots(main);
    ShootPlaylist(main);

    for (int i = 0; i < CMainDlg::PageCount; ++i) {
        Tabs(main)->setCurrentIndex(i);
        Pump(100);
        Shoot(main, QString("tab%1-%2").arg(i).arg(FileSafe(Tabs(main)->tabText(i))));
    }
    Tabs(main)->setCurrentIndex(CMainDlg::ServerBrowser);
    ShootBrowserChoices(main);

    // The settings window, page by page, as the loader filled them from the game's files.
    CSettingsDlg* settings = main->settingsDlg();
    settings->show();
    const char* const pageNames[CSettingsDlg::PageCount] = {"settings-main", "settings-misc", "settings-binds"};
    for (int i = 0; i < CSettingsDlg::PageCount; ++i) {
        FindControl<QTabBar>(settings, CSettingsDlg::IdTabs)->setCurrentIndex(i);
        Pump(100);
        Shoot(settings, pageNames[i]);
    }
    FindControl<QTabBar>(settings, CSettingsDlg::IdTabs)->setCurrentIndex(CSettingsDlg::MainPage);
    settings->hide();

    CAboutDlg about(main);
    about.show();
    Pump(50);
    Shoot(&about, "about");
    about.hide();

    CInputBox box(main);
    box.setWindowTitle("Friends");
    box.promptLabel()->setText("Please type the name of the player to add");
    box.show();
    Pump(50);
    Shoot(&box, "input-box");
    box.hide();

    // The first-run finder, searching the folder the program was started in (the demo keeps
    // its game there), so the picture shows a finished search.
    {
        CFindHLThread scanner;
        scanner.roots = {theApp().settings.workFolder};
        CFindHLDlg finder(theApp().settings, scanner, main);
        finder.show();
        auto* status = FindControl<QLabel>(&finder, CFindHLDlg::IdStatus);
        for (int i = 0; i < 100 && status && status->text() != "Done"; ++i)
            Pump(30);
        Shoot(&finder, "finder");
        finder.hide();
        CFindHLDlg::StopAndWait(scanner);
    }

    // Close the normal way, so that shut-down saves everything as for a user.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(main, &escape);
}
