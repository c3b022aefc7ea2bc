// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_dlg.h"

#include "app/about_dlg.h"
#include "app/app_identity.h"
#include "app/options_dlg.h"
#include "app/tool_app.h"
#include "bots/bot_editor_dlg.h"
#include "bots/bot_help_dlgs.h"
#include "browser/server_browser_dlg.h"
#include "core/path.h"
#include "gameconfig/settings_dlg.h"
#include "gameconfig/settings_main.h"
#include "music/playlist_editor_dlg.h"
#include "query/favorites_watch.h"
#include "query/query_engine.h"
#include "search/search_player_dlg.h"
#include "server/create_server_dlg.h"
#include "services/join_server.h"
#include "settings/server_store.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/elided_label.h"
#include "ui/logo_animation.h"
#include "ui/recent_menu.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kClientWidthDlu = 424;
constexpr int kClientHeightDlu = 310;
constexpr int kPageTopDlu = 78;
constexpr int kSaveIntervalMs = 15000;

struct PageInfo {
    const char* text;
    int commandId;
};
constexpr PageInfo kPages[CMainDlg::PageCount] = {
    {"Server Browser", CMainDlg::IdShowServerBrowser},   {"Search Player", CMainDlg::IdShowSearchPlayer},
    {"Playlist Editor", CMainDlg::IdShowPlaylistEditor}, {"Create Server", CMainDlg::IdShowCreateServer},
    {"ZNK Bots 3.0", CMainDlg::IdShowBotEditor},
};

} // namespace

CMainDlg::CMainDlg(const PageContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName("CMainDlg");
    setWindowTitle("ZNK Tool");
    setWindowIcon(AppIcon());
    CreateWidgets();
    CreateMenus();
    ConnectWidgets();

    const QSize client(DluX(kClientWidthDlu), DluY(kClientHeightDlu));
    const int menuHeight = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, client.width(), menuHeight);
    client_->setGeometry(0, menuHeight, client.width(), client.height());
    // The status line goes below everything the window always had, which keeps its places.
    const int statusHeight = statusBar_->sizeHint().height();
    statusBar_->setGeometry(0, menuHeight + client.height(), client.width(), statusHeight);
    setFixedSize(client.width(), menuHeight + client.height() + statusHeight);

    if (ctx_.settings.alwaysOnTop)
        SetAlwaysOnTop(true);

    {
        // The first tab inserted becomes current and would announce it before any page is.
        const QSignalBlocker block(tabs_);
        for (int i = 0; i < PageCount; ++i)
            tabs_->addTab(kPages[i].text);
    }

    currentPage_ = serverBrowser_;
    for (int i = 0; i < PageCount; ++i)
        pages_[i]->setVisible(i == ServerBrowser);
    settings_->hide();
    pageActions_[ServerBrowser]->setChecked(true);

    ReloadLogo();
    saveTimer_->start(kSaveIntervalMs);
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::CreateWidgets()
{
    client_ = new QWidget(this);
    client_->setObjectName("client");

    logo_ = new CAnimateCtrl(client_);
    SetControlId(logo_, IdLogo);
    Place(logo_, 0, 0, 424, 60);

    tabs_ = new QTabBar(client_);
    SetControlId(tabs_, IdTabs);
    Place(tabs_, 0, 63, 423, 15);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(true);

    // Pages sit below the tab strip at their own place and are never moved.
    const QRect pageRect = DluRect(0, kPageTopDlu, kClientWidthDlu, kClientHeightDlu - kPageTopDlu);
    settings_ = new CSettingsDlg(ctx_, this);
    // The bot page's help windows belong to the main window; the page shows and hides them.
    botChat_ = new CBotChatDlg(this);
    botClass_ = new CBotClassDlg(this);
    botMisc_ = new CBotMiscDlg(this);
    serverBrowser_ = new CServerBrowserDlg(ctx_, client_);
    searchPlayer_ = new CSearchPlayerDlg(ctx_, client_);
    playlistEditor_ = new CPlaylistEditorDlg(ctx_, client_);
    createServer_ = new CCreateServerDlg(ctx_, client_);
    botEditor_ = new CBotEditorDlg(ctx_, BotHelpWindows{botClass_, botMisc_, botChat_}, client_);
    pages_[ServerBrowser] = serverBrowser_;
    pages_[SearchPlayer] = searchPlayer_;
    pages_[PlaylistEditor] = playlistEditor_;
    pages_[CreateServer] = createServer_;
    pages_[BotEditor] = botEditor_;
    for (QWidget* p : pages_) {
        p->setGeometry(pageRect);
        p->hide();
    }

    about_ = new CAboutDlg(this);

    saveTimer_ = new QTimer(this);
    saveTimer_->setObjectName("timer1");

    statusBar_ = SetControlId(new QStatusBar(this), IdStatusBar);
    statusBar_->setSizeGripEnabled(false);
    // The message is a widget of the line's own, not the bar's temporary message: the bar would
    // draw a long one cut anywhere against the count.
    statusMessage_ = SetControlId(new CElidedLabel(statusBar_), IdStatusMessage);
    statusBar_->addWidget(statusMessage_, 1);
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    listedCount_ = SetControlId(new QLabel(statusBar_), IdListedCount);
    statusBar_->addPermanentWidget(listedCount_);
}

void CMainDlg::CreateMenus()
{
    menuBar_ = new QMenuBar(this);
    SetControlId(menuBar_, IdMenuBar);
    menuBar_->setNativeMenuBar(false);

    QMenu* file = menuBar_->addMenu("&File");
    connect(AddCommand(file, IdLoadPlaylist, "Load Playlist from ..."), &QAction::triggered, playlistEditor_,
            &CPlaylistEditorDlg::ImportPlaylist);
    connect(AddCommand(file, IdSavePlaylist, "Save Playlist as ..."), &QAction::triggered, playlistEditor_,
            &CPlaylistEditorDlg::ExportPlaylist);
    file->addSeparator();
    connect(AddCommand(file, IdExit, "Exit"), &QAction::triggered, this, &CMainDlg::OnExit);
    file->addSeparator();
    AddRecentServersMenu(
        file, ctx_.store,
        [this](const std::string& address) { JoinWithPassword(ctx_.settings, ctx_.store, address, this); },
        [this](const std::string& address, const std::string& name) {
            ctx_.engine.refresh().AddServerByHand(ServerList::Favorites, address, name);
        });

    QMenu* edit = menuBar_->addMenu("&Edit");
    settingsAction_ = AddCommand(edit, IdSettings, "Settings");
    settingsAction_->setCheckable(true);
    connect(settingsAction_, &QAction::triggered, this, &CMainDlg::OnSettings);
    edit->addSeparator();
    for (int i = 0; i < PageCount; ++i) {
        pageActions_[i] = AddCommand(edit, kPages[i].commandId, kPages[i].text);
        pageActions_[i]->setCheckable(true);
        connect(pageActions_[i], &QAction::triggered, this, [this, i] { OnEditMenuPage(i); });
    }
    // No extensible system menu here: Always On Top closes the Edit menu, the second About the
    // Help menu.
    edit->addSeparator();
    alwaysOnTopAction_ = AddCommand(edit, IdAlwaysOnTop, "Always On Top");
    alwaysOnTopAction_->setCheckable(true);
    connect(alwaysOnTopAction_, &QAction::triggered, this, &CMainDlg::ToggleAlwaysOnTop);
    edit->addSeparator();
    connect(AddCommand(edit, IdFindLanServers, "Find LAN Servers"), &QAction::triggered, this, [this] {
        tabs_->setCurrentIndex(ServerBrowser);
        ctx_.engine.refresh().FindLanServers();
    });
    connect(AddCommand(edit, IdOptions, "Options..."), &QAction::triggered, this, &CMainDlg::OnOptions);

    QMenu* help = menuBar_->addMenu("&Help");
    connect(AddCommand(help, IdAbout, "About"), &QAction::triggered, this, &CMainDlg::OnAbout);
    connect(AddCommand(help, IdSystemAbout, "&About ZNKTool..."), &QAction::triggered, this, &CMainDlg::OnSystemAbout);
}

void CMainDlg::ConnectWidgets()
{
    connect(tabs_, &QTabBar::currentChanged, this, &CMainDlg::OnTabChanged);
    connect(saveTimer_, &QTimer::timeout, this, &CMainDlg::OnSaveTimer);
    connect(statusTimer_, &QTimer::timeout, this, [this] { statusMessage_->SetFullText(QString()); });
    connect(settings_, &CSettingsDlg::shownChanged, settingsAction_, &QAction::setChecked);
    // "Activate Bots" is the settings page's "Bots" button pressed from the bot page: the game
    // library field there shows it (and writes it once more, as that button does).
    connect(serverBrowser_, &CServerBrowserDlg::listedCountChanged, listedCount_, &QLabel::setText);
    serverBrowser_->ApplyFilter(); // the count of the stored list, told before anyone listened
    connect(serverBrowser_, &CServerBrowserDlg::statusMessage, this, [this](const QString& text) { ShowStatus(text); });
    CFavoritesWatch* watch = &ctx_.engine.favoritesWatch();
    watch->SetAddresses([this] { return ctx_.store.FavoriteAddresses(); });
    connect(watch, &CFavoritesWatch::playersHeard, this,
            [this](const std::string& address, const std::vector<std::string>& names) {
                if (ctx_.playersHeard)
                    ctx_.playersHeard(address, names);
            });
    ApplyWatchOption();
    connect(botEditor_, &CBotEditorDlg::gameLibraryActivated, settings_->mainPage()->gameLibrary(),
            &QLineEdit::setText);
}

QWidget* CMainDlg::page(int index) const
{
    return index >= 0 && index < PageCount ? pages_[index] : nullptr;
}

int CMainDlg::indexOf(QWidget* p) const
{
    for (int i = 0; i < PageCount; ++i)
        if (pages_[i] == p)
            return i;
    return -1;
}

void CMainDlg::ShowPage(QWidget* p)
{
    if (!p || p == currentPage_)
        return;
    currentPage_->hide();
    p->show();
    pageActions_[indexOf(currentPage_)]->setChecked(false);
    pageActions_[indexOf(p)]->setChecked(true);
    currentPage_ = p;
    listedCount_->setVisible(p == serverBrowser_);
}

void CMainDlg::ShowStatus(const QString& text, int ms)
{
    statusMessage_->SetFullText(text);
    if (ms > 0 && !text.isEmpty())
        statusTimer_->start(ms);
    else
        statusTimer_->stop();
}

void CMainDlg::OnTabChanged(int index)
{
    ShowPage(page(index));
}

void CMainDlg::OnEditMenuPage(int index)
{
    // A checkable action toggles itself when chosen; the check marks follow the shown page only.
    pageActions_[index]->setChecked(pages_[index] == currentPage_);
    {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(index);
    }
    ShowPage(pages_[index]);
}

void CMainDlg::ReloadLogo()
{
    const AppSettings& s = ctx_.settings;
    const std::string path = JoinPath(s.gameFolder, s.modFolder, "media", "logo.avi");
    logo_->Open(QString::fromStdString(path));
}

void CMainDlg::SetAlwaysOnTop(bool on)
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (QWindow* window = windowHandle()) {
        // setWindowFlags() would hide the shown window to re-create it, and hiding a dialog
        // ends its modal loop: the program would close. The native window takes the new
        // flag as it is; the widget only has to know about it.
        overrideWindowFlags(flags);
        window->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
    alwaysOnTopAction_->setChecked(on);
    ctx_.settings.alwaysOnTop = on;
}

void CMainDlg::ToggleAlwaysOnTop()
{
    SetAlwaysOnTop(!(windowFlags() & Qt::WindowStaysOnTopHint));
}

void CMainDlg::OnSettings()
{
    // The check mark follows the window, however it was shown or hidden.
    settingsAction_->setChecked(settings_->isVisible());
    settings_->ToggleSettings();
}

void CMainDlg::OnOptions()
{
    COptionsDlg dialog(ctx_.settings.options, this,
                       [this](const std::string& address) { return ctx_.store.KnownName(address); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::vector<std::string> hiddenBefore = ctx_.settings.options.hiddenServers;
    ctx_.settings.options = dialog.options();
    std::vector<std::string> shownAgain;
    for (const std::string& address : hiddenBefore)
        if (!ctx_.settings.options.IsHidden(address))
            shownAgain.push_back(address);
    // Servers shown again are listed at once; the filter may hold others now.
    serverBrowser_->ShowServersAgain(shownAgain);
    serverBrowser_->ApplyFilter();
    ApplyWatchOption();
    const std::string path = JoinPath(ctx_.settings.workFolder, ToolOptions::kFileName);
    if (!ctx_.settings.options.Save(path, ctx_.store.FavoriteAddresses()))
        ctx_.message("ZNK Tool", QString("The options file\n%1\ncannot be written. The options chosen hold until "
                                         "ZNK Tool ends.")
                                     .arg(QString::fromStdString(path)));
}

void CMainDlg::ApplyWatchOption()
{
    const ToolOptions& options = ctx_.settings.options;
    CFavoritesWatch& watch = ctx_.engine.favoritesWatch();
    if (!options.watchFavorites) {
        watch.Stop();
        return;
    }
    const int interval = options.watchMinutes * 60000;
    if (!watch.active() || watch.intervalMs() != interval) {
        watch.Start(interval);
        // Turned on, it looks at once rather than a whole interval later.
        watch.AskNow();
    }
}

void CMainDlg::OnAbout()
{
    if (aboutShown_)
        return;
    aboutShown_ = true;
    about_->exec();
    aboutShown_ = false;
}

void CMainDlg::OnSystemAbout()
{
    CAboutDlg box(this);
    box.exec();
}

void CMainDlg::OnExit()
{
    // Straight out of the modal loop; shut-down still closes every socket.
    done(0);
}

void CMainDlg::OnSaveTimer()
{
    theApp().SaveServers();
}

void CMainDlg::OnOK()
{
    if (currentPage_ == searchPlayer_)
        searchPlayer_->StartSearch();
}

void CMainDlg::reject()
{
    ctx_.engine.refresh().AbortRefresh();
    ctx_.engine.refresh().StopPinging();
    QDialog::reject();
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button takes Enter as a click, as in any dialog.
        if (qobject_cast<QAbstractButton*>(focusWidget())) {
            QDialog::keyPressEvent(event);
            return;
        }
        OnOK();
        event->accept();
        return;
    case Qt::Key_Escape:
        // A wait for a free slot is what Escape stops first; the window closes on the next one.
        if (!serverBrowser_->CancelSlotWatch())
            reject();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
