// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/lan_search.h"
#include "query/master_lookup.h"
#include "query/master_pager.h"
#include "query/model/exchange.h"
#include "query/model/protocol.h"
#include "query/model/server_rows.h"
#include "query/ping_phase.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ServerStore;
struct ServerRecord;

// Fills the Servers or Favorites list: asks the master server for the mod's servers ("Update"),
// pings them all and keeps those that answer (the ping phase), then queries the servers of a
// list five at a time ("Refresh"). Everything runs on the window thread; sockets and timers are
// its event sources.
//
// It holds no widgets: what the lists are to show goes out as signals carrying plain values,
// and the browser page makes rows of them. It never reads the rows back: a Refresh is given the
// addresses its list shows.
class CRefreshEngine : public QObject {
    Q_OBJECT
public:
    // Servers queried at once unless the options say otherwise.
    static constexpr int kQuerySockets = ToolOptions::kDefaultQueriesAtOnce;
    // Re-sends of an unanswered query within its time-out (never in the classic dialect alone,
    // whose wire stays as it always was).
    static constexpr int kResends = CResends::kCount;

    CRefreshEngine(AppSettings& settings, ServerStore& store, QObject* parent = nullptr);
    ~CRefreshEngine() override;

    // A server the user names (Add Ip, or a found player's server added to the favourites): a
    // row of its address and "???" at the end of the list, re-sorted, and its record appended to
    // the list's records with the same values. A name known already (a recent server's) takes
    // the address's place as the name.
    void AddServerByHand(ServerList list, const std::string& address, const std::string& name = std::string());

    void StartInfoQuery(const std::string& address, CQuerySocket* socket);
    void NextQuery(CQuerySocket* socket);
    void StartRefresh(bool serversMode);
    // What both Refresh buttons do first: stops an Update, its ping phase and a running
    // refresh. Every server of an interrupted refresh is listed again, with its last values, so
    // the list read after this holds it.
    void Interrupt();
    // The Refresh buttons, after Interrupt (which they run again, in case): the servers of the
    // list, its addresses given as shown, top to bottom (a status line's ""), are queried anew
    // into it.
    void RefreshServers(const std::vector<std::string>& listed);
    void RefreshFavorites(const std::vector<std::string>& listed);
    void AbortRefresh();
    void StopPinging();
    void KillRefreshTimers();
    void StartPingPhase(const std::vector<std::string>& addresses);
    // "Update": asks the master server for the list of the mod's servers.
    void RequestMasterList();
    bool SendMasterRequest(CQueryUdpSocket* socket, const std::string& gameDir);
    // "Find LAN Servers" (CLanSearch): every server of the LAN targets that answers within the
    // time-out is listed in the Servers list.
    void FindLanServers();
    // The LAN targets of the options, or every interface's broadcast address.
    std::vector<std::string> LanTargets() const;
    static constexpr const char* kLanSearchText = "Searching the LAN";

    // Closes every socket and stops every timer (shut-down).
    void CloseAll();

    // The query time-out in whole milliseconds: the setting (seconds) held to kMinTimeoutMs ..
    // kMaxTimeoutMs, kDefaultTimeoutMs when it is not a number. Every time-out timer uses it.
    int TimeoutMs() const;
    static constexpr int kMinTimeoutMs = AppSettings::kMinTimeoutMs;
    static constexpr int kMaxTimeoutMs = AppSettings::kMaxTimeoutMs;
    static constexpr int kDefaultTimeoutMs = AppSettings::kDefaultTimeoutMs;
    // The running list is re-sorted every third of the time-out, but never more often than this.
    static constexpr int kMinResortMs = 50;

    // State, for the page and for tests.
    bool serversMode() const { return serversMode_; }
    const std::deque<std::string>& pending() const { return pending_; }
    int progressPos() const { return progressPos_; }
    int progressUpper() const { return progressUpper_; }
    QString percentText() const { return percentText_; }
    const CPingPhase& pingPhase() const { return ping_; }
    bool resortTimerActive() const { return resortTimer_.isActive(); }
    int resortIntervalMs() const { return resortTimer_.interval(); }
    CQuerySocket* querySocket(int i) const { return querySockets_[static_cast<size_t>(i)].get(); }
    int querySocketCount() const { return static_cast<int>(querySockets_.size()); }
    CMasterSocket* masterSocket() const { return master_.get(); }
    const CLanSearch& lanSearch() const { return lan_; }

    // List pages one Update takes, whatever a master sends (the ping phase bounds the
    // addresses it takes from them). A page of 681 entries is the largest.
    static constexpr int kMaxMasterPages = 64;

    static constexpr const char* kPingingText = "Pinging Servers";
    static constexpr const char* kMasterSilentText = "The master server did not answer";
    static constexpr const char* kNoServerText = "No server answered";
    static constexpr const char* kMasterWaitText = "Waiting for the master server's request limit";
    static QString RequestingText(bool won);

Q_SIGNALS:
    // ---- the Servers and Favorites lists ----
    // A row at the end of a list; with resortNow the list is sorted again right after.
    void rowAdded(ServerList list, const ServerRow& row, bool resortNow);
    void rowsCleared(ServerList list);
    // A status line on top of the Servers list (a row with no address).
    void statusRowShown(const QString& text);
    // Every status line of the Servers list goes.
    void statusRowsRemoved();
    // Every row of one server in list takes the columns change gives.
    void serverRowsChanged(ServerList list, const std::string& address, const ServerRowChange& change);
    // The list is sorted again by its column and direction.
    void sortRequested(ServerList list);

    // The progress bar and its label: position, upper bound of the range, and "N%".
    void progressChanged(int pos, int upper, const QString& percent);
    // A master-list request went out (or was given up because the host was not found).
    void masterRequestSent();

private:
    void OnQueryReadyRead(CQuerySocket* socket);
    void OnQueryTimeout(CQuerySocket* socket);
    void OnResendTimer(CQuerySocket* socket);
    // The refresh sockets, at least count of them.
    void MakeQuerySockets(int count);
    // Lists the server of an info reply the socket's query took.
    void ListAnswer(CQuerySocket* socket, const InfoReply& info, const platform::ClockTime& received);
    void OnMasterReadyRead();
    void OnPingPhaseEnded();
    // Neither the master request nor its re-send was answered.
    void OnMasterSilent();
    // A master request is held back by its limit (held), or went out after all.
    void OnMasterWaiting(bool held);
    void OnLanFound(const std::string& address, const InfoReply& info, qint64 pingMs, ServerDialect dialect);
    void OnLanEnded(int serversFound);
    void OnResortTimer();
    void SendMasterTo(const std::string& host, int port);
    // Forgets a master host-name lookup still running: its answer must not send a request
    // for an Update that a Refresh, an abort or a newer Update has replaced.
    void CancelMasterLookup();

    // The list of the current mode, and the other one.
    ServerList RefreshList() const { return serversMode_ ? ServerList::Servers : ServerList::Favorites; }
    ServerList OtherList() const { return serversMode_ ? ServerList::Favorites : ServerList::Servers; }
    // A row of the given values; a ping still holding a send time goes out, and stays, as "???".
    void AddRow(ServerList list, const std::string& name, const std::string& map, std::string& ping,
                const std::string& players, const std::string& address, bool resortNow);
    void AddModeRow(ServerRecord* record);
    void SetProgress(int pos, int upper, bool updateLabel = true);
    // Interrupt, then queue the list's addresses for a refresh in that mode.
    void InterruptAndQueue(bool serversMode, const std::vector<std::string>& listed);
    static std::string TakeFirst(std::deque<std::string>& list);

    AppSettings& settings_;
    ServerStore& store_;

    bool serversMode_ = true;
    std::deque<std::string> pending_;
    std::vector<std::unique_ptr<CQuerySocket>> querySockets_;
    std::map<std::string, Challenges> challenges_; // what each server handed out lately
    CPingPhase ping_;
    std::unique_ptr<CMasterSocket> master_;
    CMasterPager pager_;
    CLanSearch lan_;
    // The Servers list an Update cleared, given back when the master does not answer.
    std::vector<ServerRecord*> beforeUpdate_;
    int masterPages_ = 0; // list pages this ping phase has taken
    QTimer resortTimer_;  // timer 2
    int progressPos_ = 0;
    int progressUpper_ = 0;
    QString percentText_ = "0%";
    // The master host-name lookup of the running Update; a Refresh, an abort or a newer Update cancels it.
    CMasterLookup masterLookup_;
};
