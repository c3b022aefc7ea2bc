// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"
#include "settings/server_record.h"
#include "ui/page_context.h"

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

class CReportListCtrl;
class CServerFilterRow;
class CSrvListCtrl;
class CFavListCtrl;
class CSortListCtrl;
class CServerListProxy;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

// The Server Browser tab: favourites and master-list servers with their players and rules.
// The main window creates it once, hidden, and only shows or hides it. The query engine owns
// the talking to servers and the two server lists (the store's lists, sorted and filtered); this
// page shows those lists and the details the engine tells, and turns buttons, clicks, keys and
// context-menu commands into engine calls and store changes.
class CServerBrowserDlg : public QWidget {
    Q_OBJECT
public:
    // ctx must outlive the page.
    enum ControlId {
        IdCopy = 1008,
        IdPort = 1076,
        IdRules = 1079,
        IdAddIpFavorites = 1086,
        IdConnectFavorites = 1088,
        IdConnectServers = 1089,
        IdRconServers = 1090,
        IdAddIpServers = 1091,
        IdAddToFavorites = 1092,
        IdProgress = 1114,
        IdPercent = 1118,
        IdPlayers = 1120,
        IdIp = 1122,
        IdPaste = 1124,
        IdConnectAddress = 1125,
        IdFavorites = 1126,
        IdServers = 1128,
        IdRefreshFavorites = 1129,
        IdClearFavorites = 1130,
        IdRemoveFavorite = 1131,
        IdRefreshServers = 1132,
        IdUpdate = 1133,
        IdRconFavorites = 1135,
        // Commands of the Players list's menu.
        IdAddFriend = 2152,
        IdRemoveFriend = 2153,
        IdFindLanServers = 2158,
        // Commands of the two server lists' menus beyond their own lines.
        IdHideServer = 2176,
        IdWatchSlot = 2177,
    };
    static constexpr const char* kWatchText = "Join When a Slot Frees";
    // The listed count is told once a burst of rows has come, not once a row.
    static constexpr int kCountDelayMs = 50;

    explicit CServerBrowserDlg(const PageContext& ctx, QWidget* parent = nullptr);

    // The menu a right click over the list opens, its commands connected to the page's handlers;
    // nullptr when none opens there (no row selected, a status line on top, "Please Wait").
    // The caller owns it.
    QMenu* BuildContextMenu(CReportListCtrl* list);

    // Timer 3 (Favorites) and timer 4 (Servers): the query after a key press in the list.
    const QTimer& favoritesKeyTimer() const { return favoritesKeyTimer_; }
    const QTimer& serversKeyTimer() const { return serversKeyTimer_; }

    // The two lists' key timers fire this long after the last key press.
    static constexpr int kKeyQueryDelayMs = 1;

    // Handlers of the buttons and context-menu commands.
    void OnUpdate();
    void OnRefreshServers();
    void OnRefreshFavorites();
    void OnAddIpServers();
    void OnAddIpFavorites();
    void OnAddToFavorites();
    void OnRemoveFavorite();
    void OnClearFavorites();
    void OnConnectFavorites();
    void OnConnectServers();
    void OnConnectAddress();
    void OnCopy();
    void OnPaste();
    void OnRconControl(CReportListCtrl* list);
    void OnAddFriend();
    void OnRemoveFriend();
    // "Hide This Server": its rows go from the Servers list, and no Update or LAN search lists it
    // again until the Options window shows it again.
    void OnHideServer();
    // "Join When a Slot Frees" on the list's selected server; chosen again on the watched server,
    // it stops the watch.
    void OnWatchSlot(CReportListCtrl* list);
    // Ends a slot watch the user no longer wants (Escape on the main window). False when none ran.
    bool CancelSlotWatch();
    // Servers no longer hidden: back in the Servers list (and its records) at once, with what
    // their records know, unless listed already.
    void ShowServersAgain(const std::vector<std::string>& addresses);
    // The filter of the options, applied to every row of the Servers list again.
    void ApplyFilter();
    CServerFilterRow* filterRow() const { return filterRow_; }
    // The selected server of a list: its address goes into the address entry and the engine
    // fetches its players and rules. Nothing without a selected server row.
    void OnSelectServer(CReportListCtrl* list);

Q_SIGNALS:
    // "N of M servers listed": the Servers list's rows left by the filter, of the servers it holds.
    void listedCountChanged(const QString& text);
    // A line for the status bar ("" clears it): the slot watch's state.
    void statusMessage(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadLists();

    void OnFavoritesKeyTimer();
    void OnServersKeyTimer();
    void OnProgressChanged(int pos, int upper, const QString& percent);
    void OnListContextMenu(CReportListCtrl* list, const QPoint& pos);

    // The list the page shows of the store's list, and the rows it shows.
    void ShowServerList(CSrvListCtrl* list, ServerList which);
    CServerListProxy& View(const CReportListCtrl* list) const;
    void OnListRowsInserted(CSrvListCtrl* list, int first, int last);
    void OnListRowsRemoved(CSrvListCtrl* list);
    // What the engine tells.
    void OnDetailsRequested();
    void OnDetailsTimedOut(bool players, bool rules);
    void OnPlayersReceived(const std::vector<PlayerEntry>& players);
    void OnRulesReceived(const std::vector<std::pair<std::string, std::string>>& rules);

    void AddIp(CSrvListCtrl* list);
    void RefreshList(CSrvListCtrl* list);
    // The Players and Rules lists and the address entry, once the row they describe is gone:
    // emptied, and the server no longer asked.
    void ForgetDetails();
    // The same, unless the list still shows a row of that server.
    void ForgetDetailsUnlessListed();
    void ShowListedCount();
    void ConnectSlotWatch();
    void AddSlotWatchLine(QMenu* menu, CReportListCtrl* list, int row);
    // Opens a remote console on the server (through the context: the application keeps the
    // consoles open).
    void OpenRconConsole(const std::string& address);
    void ConnectToSelected(const CReportListCtrl* list);
    // The address column of the selected row; empty when none is selected.
    static std::string SelectedAddress(const CReportListCtrl* list);

    const PageContext& ctx_;
    CFavListCtrl* favorites_ = nullptr;
    CSrvListCtrl* servers_ = nullptr;
    CSortListCtrl* players_ = nullptr;
    CSortListCtrl* rules_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* percent_ = nullptr;
    QLineEdit* ip_ = nullptr;
    QLineEdit* port_ = nullptr;
    CServerFilterRow* filterRow_ = nullptr;
    // The server whose players the Players list shows (or waits for), and the list of its row
    // (nullptr: the details describe no server).
    std::string detailsAddress_;
    CSrvListCtrl* detailsList_ = nullptr;
    // While a Refresh of detailsList_ empties it: the details stay.
    bool refreshingDetails_ = false;
    // After that Refresh, until the server's row is back: the row is then selected again.
    bool reselectDetails_ = false;

    QPushButton* update_ = nullptr;
    QPushButton* refreshServers_ = nullptr;
    QPushButton* refreshFavorites_ = nullptr;
    QPushButton* addIpServers_ = nullptr;
    QPushButton* addIpFavorites_ = nullptr;
    QPushButton* addToFavorites_ = nullptr;
    QPushButton* removeFavorite_ = nullptr;
    QPushButton* clearFavorites_ = nullptr;
    QPushButton* connectFavorites_ = nullptr;
    QPushButton* connectServers_ = nullptr;
    QPushButton* rconFavorites_ = nullptr;
    QPushButton* rconServers_ = nullptr;
    QPushButton* connectAddress_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* paste_ = nullptr;

    QTimer countTimer_;
    QTimer favoritesKeyTimer_; // timer 3
    QTimer serversKeyTimer_;   // timer 4
};
