// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/master_lookup.h"
#include "query/master_pager.h"
#include "query/model/web_api.h"
#include "query/players_asker.h"

#include <QObject>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

struct AppSettings;
class CQueryUdpSocket;

// The talking of the player search: asks the master server for the mod's servers, then every
// listed server for its players, each on a socket of its own, all at once. It only tells what
// came back; the search page matches the names and shows them.
class CPlayerSearch : public QObject {
    Q_OBJECT
public:
    // Bounds of one search, whatever a master sends: list pages taken, servers asked, and
    // players sockets open at once. A list longer than the last waits: a server's socket is
    // given up (the server stays unanswered) once it has waited a whole time-out and another
    // server needs the room.
    static constexpr int kMaxMasterPages = 64;
    static constexpr int kMaxServers = 8192;
    // Re-sends of an unanswered players request within its time-out.
    static constexpr int kResends = CPlayersAsker::kResends;
    static constexpr int kMaxOpenSockets = 256;

    explicit CPlayerSearch(const AppSettings& settings, QObject* parent = nullptr);
    ~CPlayerSearch() override;

    // Stops what runs, then asks the master again (a host name is looked up first; when it
    // cannot be found the search ends there, silently).
    void Start();
    // Closes the master socket and every players socket, and forgets the servers not asked yet.
    void Stop();
    // The Steam Web API's answer to webApiListWanted: its servers are asked as a master's page
    // (the relayed ones never). An answer to a search stopped since is ignored.
    void TakeWebApiAnswer(WebApiOutcome outcome, const WebApiList& list);

    int openSockets() const { return asker_.openSockets(); }
    int waitingServers() const { return asker_.waitingServers(); }

Q_SIGNALS:
    // The request went out to the master.
    void masterRequested();
    // The master is the Steam Web API: whoever fetches its list answers with TakeWebApiAnswer.
    void webApiListWanted();
    // One page of the master's list, in its order; each of them is being asked.
    void serversListed(const std::vector<std::string>& addresses);
    // A server answered: the names of its players ('D' reply), none for any other answer.
    void serverAnswered(const std::string& address, const std::vector<std::string>& playerNames);

private:
    void SendMasterTo(const std::string& host, int port);
    void OnMasterReadyRead();
    // The servers of a list, those not asked yet, up to kMaxServers.
    void AskListed(const std::vector<std::string>& listed);

    const AppSettings& settings_;
    CMasterLookup lookup_;
    std::unique_ptr<CQueryUdpSocket> master_;
    CMasterPager pager_;
    CPlayersAsker asker_;
    std::unordered_set<std::string> taken_; // every address this search has taken
    int pages_ = 0;
    int servers_ = 0;
    bool webApiWaiting_ = false;
};
