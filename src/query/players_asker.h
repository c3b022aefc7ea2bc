// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/exchange.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AppSettings;
struct ToolOptions;
class CQueryUdpSocket;

// Asks servers for their players, each on a socket of its own, a bounded number at once; the
// others wait for room. Unanswered requests go again at a third and two thirds of the time-out
// unless the classic dialect alone is chosen. The player search and the favourites watch both
// ask this way.
class CPlayersAsker : public QObject {
    Q_OBJECT
public:
    static constexpr int kResends = 2;

    struct Rules {
        int maxOpenSockets = 256;
        // True: a socket is given up once it has waited a whole time-out. False: only when
        // another server needs its room; until then a late answer still counts.
        bool giveUpAtTimeOut = false;
        // True: only a players reply answers. False: any reply but a challenge does, a reply
        // that is not the players with no names.
        bool playersOnly = false;
        // Where the dialect a server answered in is remembered; nowhere when null.
        ToolOptions* rememberDialects = nullptr;
    };

    // settings (the time-out, the dialect) must outlive the asker.
    CPlayersAsker(const AppSettings& settings, Rules rules, QObject* parent = nullptr);
    ~CPlayersAsker() override;

    // Queues the servers after those waiting and asks as many as there is room for.
    void Ask(const std::vector<std::string>& addresses);
    // Closes every socket, forgets the servers waiting and the challenges held.
    void Stop();

    int openSockets() const { return static_cast<int>(asked_.size()); }
    int waitingServers() const { return static_cast<int>(queue_.size()); }
    bool busy() const { return !asked_.empty() || !queue_.empty(); }

Q_SIGNALS:
    // A server answered, at most once per Ask: the names of its players.
    void serverAnswered(const std::string& address, const std::vector<std::string>& playerNames);
    // The last server asked has answered or been given up, and none waits.
    void finished();

private:
    struct Asked {
        std::unique_ptr<CQueryUdpSocket> socket;
        std::string address;
        QDeadlineTimer deadline;
        std::optional<ServerExchange> exchange; // the players, in the server's dialect
        int resendsLeft = 0;
        QDeadlineTimer nextResend;
    };

    void AskQueued();
    void OnRoomTimer();
    void OnResendTimer();
    void OnReadyRead(CQueryUdpSocket* socket);
    // The challenges the server handed out, for the next time it is asked.
    void Keep(const Asked& asked);

    const AppSettings& settings_;
    Rules rules_;
    std::list<Asked> asked_;
    std::deque<std::string> queue_;
    std::map<std::string, Challenges> challenges_;
    uint64_t run_ = 0;   // counts Stop(): a handler that stopped the asker ends what called it
    QTimer roomTimer_;   // gives up sockets that have waited their time-out
    QTimer resendTimer_; // unanswered requests go again at a third and two thirds of the time-out
};
