// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/lan_search.h"
#include "query/master_pager.h"
#include "query/master_set.h"
#include "query/model/exchange.h"
#include "query/model/protocol.h"
#include "query/model/web_api.h"
#include "query/ping_phase.h"
#include "query/query_pool.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"
#include "settings/server_record.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class CServerLists;
class ServerStore;

// Fills the Servers or Favorites list: asks the master servers for the mod's servers ("Update"),
// pings them all and keeps those that answer (the ping phase, CPingPhase, the masters and the
// pages of their lists CMasterSet), then queries the servers of a list five at a time
// ("Refresh"). The LAN search (CLanSearch) lists what it finds the same way. Everything runs on
// the window thread; sockets and timers are its event sources.
//
// It holds no widgets and no rows: a server it hears from goes into its record and the list's
// entries in the store, and the list's model shows it; the status lines and the moments the
// lists are sorted go to the lists (CServerLists). A Refresh takes the addresses its list shows.
class CRefreshEngine : public QObject {
    Q_OBJECT
public:
    // Servers queried at once unless the options say otherwise.
    static constexpr int kQuerySockets = ToolOptions::kDefaultQueriesAtOnce;
    // Re-sends of an unanswered query within its time-out (never in the classic dialect alone,
    // whose wire stays as it always was).
    static constexpr int kResends = CResends::kCount;

    // settings, store and lists must outlive the engine.
    CRefreshEngine(AppSettings& settings, ServerStore& store, CServerLists& lists, QObject* parent = nullptr);
    ~CRefreshEngine() override;

    // A server the user names (Add Ip, or a found player's server added to the favourites): its
    // record takes its address (or a name known already, a recent server's) and "???", goes at the
    // end of the list, and the list is sorted again.
    void AddServerByHand(ServerList list, const std::string& address, const std::string& name = std::string());

    // "Update": asks the master server of the settings, and each further one of the options, for
    // the list of the mod's servers; the union of their lists is pinged, each address once. Ends
    // a refresh of the Favorites first (its servers listed again), and whatever the Servers list
    // showed until a master answers; when none does the list is given back. With the options'
    // queryOnPing the servers are queried as their pings answer (see PingAndQuery).
    void RequestMasterList();
    // Interrupt, then a ping phase over addresses (each pinged once however often named) into the
    // Servers list, the rows it shows kept. With queryAsAnswered (whatever the options say) each
    // server is asked for its info as soon as its ping answer comes, in answer order, never more
    // than "queries at once" in flight; a server that answers gets its row, or its row of the list
    // is updated in place; the ping phase still lasts its time-out, and the refresh reaches 100 %
    // and the list is sorted once the phase is over and the last query has ended. A server whose
    // ping is never answered is neither asked nor touched. Without queryAsAnswered it is an
    // Update's ping phase: at its end the list is emptied and refreshed with those that answered.
    void PingAndQuery(const std::vector<std::string>& addresses, bool queryAsAnswered);
    // The Refresh buttons: Interrupt, then the servers the list shows, top to bottom as sorted
    // (the filter's left-out rows too), are queried anew into it.
    void RefreshServers();
    void RefreshFavorites();
    // The Steam Web API's answer to webApiListWanted. A list becomes the Servers list at once
    // (each server's row as the list tells it, ping "???"); then every server but the relayed
    // ones is asked for its info, the options' queries at once at a time, and its row is updated
    // in place as it answers. Any other outcome gives the list back under a status line saying
    // why, as after a master that does not answer.
    void TakeWebApiAnswer(WebApiOutcome outcome, const WebApiList& list);
    // "Find LAN Servers" (CLanSearch): Interrupt, then every server of the LAN targets that
    // answers within the time-out is listed in the Servers list.
    void FindLanServers();

    // ---- stopping: each ends only what it says ----
    // What both Refresh buttons and the LAN search do first: ends a LAN search, an Update (its
    // host-name lookup, its master requests and its ping phase) and a running refresh, whose
    // servers are listed again with their last values (AbortRefresh); every refresh timer stops.
    void Interrupt();
    // Ends the running refresh: the Servers list's status lines go, the query sockets close, and
    // every server still in flight or pending is listed again with what its record holds (a
    // query out: ping "???"), each sorted in. Also forgets a master host-name lookup. Its timers
    // are KillRefreshTimers' to stop. Run when the main window closes, so the list saved holds
    // every server.
    void AbortRefresh();
    // Ends the ping phase of an Update: every ping socket closes (a server not answered by now is
    // dropped), timer 1 and the master's paging stop. The bar goes back to 0; the label keeps its
    // text.
    void StopPinging();
    // Stops the re-sort timer and every query's time-out and re-send timers. The queries stay out
    // on their open sockets: an answer coming still lists its server.
    void KillRefreshTimers();
    // Closes every socket and stops every timer, listing nothing again (shut-down).
    void CloseAll();

    // The progress bar and its label as last told.
    int progressPos() const { return progressPos_; }
    int progressUpper() const { return progressUpper_; }
    QString percentText() const { return percentText_; }

    static constexpr int kMinTimeoutMs = AppSettings::kMinTimeoutMs;
    static constexpr int kMaxTimeoutMs = AppSettings::kMaxTimeoutMs;
    static constexpr int kDefaultTimeoutMs = AppSettings::kDefaultTimeoutMs;
    // The running list is re-sorted every third of the time-out, but never more often than this.
    static constexpr int kMinResortMs = 50;
    // List pages one Update takes from each master, whatever it sends (the ping phase bounds
    // the addresses it takes from them). A page of 681 entries is the largest.
    static constexpr int kMaxMasterPages = CMasterSet::kMaxPages;

    static constexpr const char* kLanSearchText = "Searching the LAN";
    static constexpr const char* kPingingText = "Pinging Servers";
    static constexpr const char* kMasterSilentText = "The master server did not answer";
    static constexpr const char* kNoServerText = "No server answered";
    static constexpr const char* kMasterWaitText = "Waiting for the master server's request limit";
    static QString RequestingText(bool won);

Q_SIGNALS:
    // The progress bar and its label: position, upper bound of the range, and "N%".
    void progressChanged(int pos, int upper, const QString& percent);
    // A master-list request went out (or was given up because the host was not found).
    void masterRequestSent();
    // An Update whose master is the Steam Web API wants its list: whoever fetches it answers with
    // TakeWebApiAnswer (an answer to a request a newer one or an interrupt replaced is ignored).
    void webApiListWanted();
    // The Web API's answer filled the limit of servers it was asked for: it may know more.
    void listLimited(int servers);

private:
    friend class RefreshEnginePeer; // the tests' look inside

    // The query time-out in whole milliseconds: the setting (seconds) held to kMinTimeoutMs ..
    // kMaxTimeoutMs, kDefaultTimeoutMs when it is not a number. Every time-out timer uses it.
    int TimeoutMs() const;

    // ---- the query loop ----
    void StartRefresh(bool serversMode);
    void NextQuery(CQuerySocket* socket);
    // One more step of the refresh done; at 100 % the list is sorted.
    void Advance();
    // Servers queried at once: the options' number, held to its bounds.
    int AtOnce() const;
    // The socket's query of address went unanswered: the server is listed with "???".
    void OnQueryTimeout(CQuerySocket* socket, const std::string& address);
    // Lists the server of an info reply the socket's query took.
    void ListAnswer(CQuerySocket* socket, const InfoReply& info, const platform::ClockTime& received);
    // The server at the end of the list being refreshed, with what its record holds, sorted in.
    void Relist(ServerRecord* record);
    // The record at the end of the list being refreshed; in a quick refresh only when the list
    // does not show it yet.
    void ListRecord(ServerRecord* record);
    void OnResortTimer();
    void SetProgress(int pos, int upper, bool updateLabel = true);
    // Interrupt, then queue the list's servers for a refresh in that mode.
    void InterruptAndQueue(bool serversMode);
    static std::string TakeFirst(std::deque<std::string>& list);
    // The list of the current mode.
    ServerList RefreshList() const { return serversMode_ ? ServerList::Servers : ServerList::Favorites; }

    // ---- the master server and the ping phase ----
    void StartPingPhase(const std::vector<std::string>& addresses, bool queryAsAnswered);
    void OnPingAnswered(const std::string& address);
    void OnPingPhaseEnded();
    // The end of a quick refresh's ping phase: what is queued is still queried.
    void EndQuickPings();
    void OnMasterPage(std::vector<std::string> addresses);
    // No master answered: neither their requests nor the re-sends.
    void OnMasterSilent();
    // The Update found no list: the Servers list it cleared comes back, under the status line why.
    void GiveListBack(const char* why);
    void RequestWebApiList();
    // Forgets the masters' host-name lookups and a Web API request still running: their answers
    // must not fill the list for an Update that a Refresh, an abort or a newer Update replaced.
    void CancelMasterLookup();
    // A master request is held back by its limit (held), or went out after all.
    void OnMasterWaiting(bool held);

    // ---- the LAN search ----
    // The LAN targets of the options, or every interface's broadcast address.
    std::vector<std::string> LanTargets() const;
    void OnLanFound(const std::string& address, const InfoReply& info, qint64 pingMs, ServerDialect dialect);
    void OnLanEnded(int serversFound);

    AppSettings& settings_;
    ServerStore& store_;
    CServerLists& lists_;

    bool serversMode_ = true;
    std::deque<std::string> pending_;
    std::vector<std::string> unasked_; // relayed servers of the list being refreshed
    // The running refresh updates rows that are listed already (the Web API's) instead of
    // listing each server as it answers.
    bool inPlace_ = false;
    bool webApiWaiting_ = false;
    CQueryPool queries_;
    CPingPhase ping_;
    CMasterSet masters_;
    // The ping phase's time-out has passed while a master was still awaited: it ends when none is.
    bool pingIdle_ = false;
    // A refresh whose servers are queried as their pings answer: its ping phase runs (pinging),
    // and the records the list shows, each listed once (active until the next refresh or Update).
    struct {
        bool pinging = false;
        bool active = false;
        std::unordered_set<const ServerRecord*> listed;
    } quick_;
    CLanSearch lan_;
    // The Servers list an Update cleared, given back when the master does not answer.
    std::vector<ServerRecord*> beforeUpdate_;
    QTimer resortTimer_; // timer 2
    int progressPos_ = 0;
    int progressUpper_ = 0;
    QString percentText_ = "0%";
};
