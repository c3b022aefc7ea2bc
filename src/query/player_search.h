#pragma once
#include "query/master_lookup.h"
#include "query/master_pager.h"
#include "query/model/exchange.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <list>
#include <memory>
#include <optional>
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
    static constexpr int kResends = 2;
    static constexpr int kMaxOpenSockets = 256;

    explicit CPlayerSearch(const AppSettings& settings, QObject* parent = nullptr);
    ~CPlayerSearch() override;

    // Stops what runs, then asks the master again (a host name is looked up first; when it
    // cannot be found the search ends there, silently).
    void Start();
    // Closes the master socket and every players socket, and forgets the servers not asked yet.
    void Stop();

    int openSockets() const { return static_cast<int>(asked_.size()); }
    int waitingServers() const { return static_cast<int>(queue_.size()); }

Q_SIGNALS:
    // The request went out to the master.
    void masterRequested();
    // One page of the master's list, in its order; each of them is being asked.
    void serversListed(const std::vector<std::string>& addresses);
    // A server answered: the names of its players ('D' reply), none for any other answer.
    void serverAnswered(const std::string& address, const std::vector<std::string>& playerNames);

private:
    struct Asked {
        std::unique_ptr<CQueryUdpSocket> socket;
        std::string address;
        QDeadlineTimer deadline;
        std::optional<ServerExchange> exchange; // the players, in the server's dialect
        int resendsLeft = 0;
        QDeadlineTimer nextResend;
    };

    void SendMasterTo(const std::string& host, int port);
    void OnMasterReadyRead();
    void OnPlayersReadyRead(CQueryUdpSocket* socket);
    void AskQueued();
    void OnRoomTimer();
    void OnResendTimer();

    const AppSettings& settings_;
    CMasterLookup lookup_;
    std::unique_ptr<CQueryUdpSocket> master_;
    CMasterPager pager_;
    std::list<Asked> asked_;
    std::deque<std::string> queue_;
    std::unordered_set<std::string> taken_; // every address this search has taken
    int pages_ = 0;
    int servers_ = 0;
    QTimer roomTimer_;   // gives up sockets that waited their time-out while servers wait for room
    QTimer resendTimer_; // unanswered requests go again at a third and two thirds of the time-out
};
