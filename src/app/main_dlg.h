// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/page_context.h"

#include <QDialog>
#include <QPointer>

class CElidedLabel;
class QAction;
class QMenu;
class QLabel;
class QMenuBar;
class QStatusBar;
class QTabBar;
class QTimer;
class CAnimateCtrl;
class CAboutDlg;
class CSettingsDlg;
class CServerBrowserDlg;
class CSearchPlayerDlg;
class CPlaylistEditorDlg;
class CCreateServerDlg;
class CBotEditorDlg;
class CBotChatDlg;
class CBotClassDlg;
class CBotMiscDlg;

// The program's one top-level window: the logo strip, five tabs whose pages live for the whole
// run and are only shown or hidden, the menus, Always On Top, and the 15-second save.
class CMainDlg : public QDialog {
    Q_OBJECT
public:
    // Tab order is fixed; these are the tab indexes.
    enum Page { ServerBrowser = 0, SearchPlayer, PlaylistEditor, CreateServer, BotEditor, PageCount };
    // The window's controls, then its menu commands (the Edit menu's page lines in tab order).
    enum ControlId {
        IdMenuBar = 134,
        IdLogo = 1024,
        IdTabs = 1029,
        IdSystemAbout = 16,
        IdAlwaysOnTop = 17,
        IdShowServerBrowser = 32774,
        IdShowSearchPlayer = 32775,
        IdShowPlaylistEditor = 32776,
        IdShowCreateServer = 32777,
        IdSettings = 32780,
        IdExit = 32781,
        IdAbout = 32788,
        IdShowBotEditor = 32801,
        IdSavePlaylist = 32802,
        IdLoadPlaylist = 32803,
        IdOptions = 2000,
        IdFindLanServers = 2001,
        IdStatusBar = 2008,
        IdListedCount = 2009,
        IdStatusMessage = 2010,
    };

    // The pages are built over ctx, which must outlive the window.
    explicit CMainDlg(const PageContext& ctx, QWidget* parent = nullptr);
    ~CMainDlg() override;

    void ShowPage(QWidget* page);
    // Opens the logo animation again from the current game location and mod.
    void ReloadLogo();
    void SetAlwaysOnTop(bool on);
    void ToggleAlwaysOnTop();

    QWidget* page(int index) const;
    QWidget* currentPage() const { return currentPage_; }
    int indexOf(QWidget* page) const;
    QTimer* saveTimer() const { return saveTimer_; }
    // The line at the window's foot: the slot watch, friends seen where no tray can tell, and
    // how many servers the Servers list shows.
    QStatusBar* statusLine() const { return statusBar_; }
    // A message there for ms milliseconds (0: until the next one), cut with "…" before the
    // count of listed servers when it is longer than the line.
    void ShowStatus(const QString& text, int ms = 0);
    CElidedLabel* statusMessage() const { return statusMessage_; }
    CAboutDlg* aboutBox() const { return about_; }

    CSettingsDlg* settingsDlg() const { return settings_; }
    CServerBrowserDlg* serverBrowser() const { return serverBrowser_; }
    CSearchPlayerDlg* searchPlayer() const { return searchPlayer_; }
    CPlaylistEditorDlg* playlistEditor() const { return playlistEditor_; }
    CCreateServerDlg* createServer() const { return createServer_; }
    CBotEditorDlg* botEditor() const { return botEditor_; }
    CBotChatDlg* botChatHelp() const { return botChat_; }
    CBotClassDlg* botClassHelp() const { return botClass_; }
    CBotMiscDlg* botMiscHelp() const { return botMisc_; }

    // Enter: starts a search on the search page, does nothing elsewhere; never closes.
    void OnOK();
    void accept() override { OnOK(); }
    // Escape and the close box: the replies still waiting are listed, every query stops.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateWidgets();
    void CreateMenus();
    void ConnectWidgets();
    void OnTabChanged(int index);
    void OnEditMenuPage(int index);
    void OnAbout();
    // "Options...": the program's own options, saved to their file when the user chose OK.
    void OnOptions();
    void OnSystemAbout();
    void OnExit();
    void OnSettings();
    void OnSaveTimer();
    // Starts or stops the background watch of the favourites as the options say.
    void ApplyWatchOption();

    const PageContext& ctx_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    CAnimateCtrl* logo_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QTimer* saveTimer_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* listedCount_ = nullptr;
    CElidedLabel* statusMessage_ = nullptr;
    QTimer* statusTimer_ = nullptr;

    CSettingsDlg* settings_ = nullptr;
    CAboutDlg* about_ = nullptr;
    bool aboutShown_ = false;
    CBotEditorDlg* botEditor_ = nullptr;
    CCreateServerDlg* createServer_ = nullptr;
    CPlaylistEditorDlg* playlistEditor_ = nullptr;
    CSearchPlayerDlg* searchPlayer_ = nullptr;
    CServerBrowserDlg* serverBrowser_ = nullptr;
    CBotChatDlg* botChat_ = nullptr;
    CBotClassDlg* botClass_ = nullptr;
    CBotMiscDlg* botMisc_ = nullptr;

    QWidget* pages_[PageCount] = {};
    QAction* pageActions_[PageCount] = {};
    QAction* alwaysOnTopAction_ = nullptr;
    QAction* settingsAction_ = nullptr;
    QWidget* currentPage_ = nullptr;
};
