// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"
#include "settings/server_store.h"
#include "ui/page_context.h"

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

class CPlayerSearch;
class CDetailQuery;
class CReportListCtrl;
class CSortListCtrl;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;

// The Search Player tab: asks the master server for the mod's servers, asks each of them for
// its players, and lists every player whose name holds the searched text with the server it
// was seen on. Shows the selected server's details, joins it, adds it to the favourites, and
// keeps the friends list: this page's Friends list box is the friends list the store keeps in
// step with Friends.txt. The main window creates it once, hidden, and only shows or hides it.
class CSearchPlayerDlg : public QWidget, public FriendsList {
    Q_OBJECT
public:
    // ctx must outlive the page.
    enum ControlId {
        IdClearFriends = 1009,
        IdRemoveFriend = 1013,
        IdSearchText = 1052,
        IdRules = 1079,
        IdAddFriend = 1082,
        IdProgress = 1114,
        IdSearch = 1115,
        IdFriends = 1119,
        IdPlayers = 1120,
        IdResults = 1121,
        IdConnect = 1125,
        IdAddToFavorites = 1126,
        IdAddToFriends = 1127,
        IdInfo = 1149,
        IdServersLeft = 1151,
        // Commands of the Players list's menu, then of the Results list's own friends lines.
        IdPlayerAddFriend = 2154,
        IdPlayerRemoveFriend = 2155,
        IdResultAddFriend = 2156,
        IdResultRemoveFriend = 2157,
    };

    explicit CSearchPlayerDlg(const PageContext& ctx, QWidget* parent = nullptr);
    ~CSearchPlayerDlg() override;

    // "Search", Enter on the main window while this page is shown, and a friend picked.
    void StartSearch();
    // The details panes (Info, Players, Rules) of one server.
    void ShowServerDetails(const std::string& address);

    // The menu a right click over the list opens (Results or Players), its commands connected;
    // nullptr when none opens there. The caller owns it.
    QMenu* BuildContextMenu(CReportListCtrl* list);

    // The friends list (the Friends list box).
    void AppendFriend(const std::string& name) override;
    void RemoveFirstFriend(const std::string& name) override;
    std::vector<std::string> Friends() const override;
    void ClearFriends() override;

    // Handlers of the buttons and menu commands.
    void OnAddResultToFriends();
    void OnAddResultToFavorites();
    void OnConnect();
    void OnAddFriend();
    void OnRemoveFriend();
    void OnClearFriends();
    void OnAddPlayerToFriends();
    void OnRemovePlayerFromFriends();
    void OnRemoveResultFromFriends();

    const QTimer& keyTimer() const { return keyTimer_; }

    static constexpr const char* kRequestingText = "Requesting Servers List";
    static constexpr int kNameWidth = 190;
    // With a scroll bar beside it: more than this many rows.
    static constexpr int kNameWidthNarrow = 173;
    static constexpr int kRowsWithoutScrollBar = 9;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();

    // What the search engine tells.
    void OnMasterRequested();
    void OnServersListed(const std::vector<std::string>& addresses);
    void OnServerAnswered(const std::string& address, const std::vector<std::string>& names);
    // What the details query tells.
    void OnInfoReceived(const std::string& address, const InfoReply& info);
    void OnPingReceived(const std::string& ping);
    void OnPlayersReceived(const std::vector<PlayerEntry>& players);
    void OnRulesReceived(const std::vector<std::pair<std::string, std::string>>& rules);

    void OnServersLeftSelectionChanged();
    void OnResultClicked();
    void OnFriendsSelectionChanged();
    void OnListContextMenu(CReportListCtrl* list, const QPoint& pos);

    // The selected result's name and server; empty when none is selected.
    std::string SelectedName() const;
    std::string SelectedServer() const;
    void AddFriend(const std::string& name);
    void RemoveFriend(const std::string& name);

    const PageContext& ctx_;
    // The context's: the page only starts them and shows what they tell.
    CPlayerSearch& playerSearch_;
    CDetailQuery& details_;

    QLineEdit* search_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QListWidget* serversLeft_ = nullptr;
    QListWidget* info_ = nullptr;
    QProgressBar* progress_ = nullptr;
    CSortListCtrl* results_ = nullptr;
    QPushButton* addToFriends_ = nullptr;
    QPushButton* addToFavorites_ = nullptr;
    QPushButton* connect_ = nullptr;
    QListWidget* friends_ = nullptr;
    QPushButton* addFriend_ = nullptr;
    QPushButton* removeFriend_ = nullptr;
    QPushButton* clearFriends_ = nullptr;
    CSortListCtrl* players_ = nullptr;
    CSortListCtrl* rules_ = nullptr;

    QTimer keyTimer_; // timer 1: the details of the row a key moved to
};
