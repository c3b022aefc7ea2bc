// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/exchange.h"
#include "query/model/protocol.h"
#include "query/query_sockets.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct AppSettings;
class CDetailSocket;
class ServerStore;

// The details of one server: "ping", then its players, rules and info in the dialect the server
// speaks, on a socket of its own. The players and rules are told as they come, the info and the
// round trip of the ping once a query. Two uses differ in the order of the words, in what the
// query keeps of the server and in whether it waits for the answers only so long (Use below):
// the browser's selected server, and the panes of the player search.
class CDetailQuery : public QObject {
    Q_OBJECT
public:
    struct Use {
        // The order the requests go out in; among A2S requests A2S_PLAYER goes last whatever
        // this says (an empty server that ignores it leaves the challenges of the others in order).
        std::array<Ask, kAskKinds> asks;
        // "ping" before the requests, or after them.
        bool pingFirst;
        // What the query learns of the server stays: its record takes the send time, then the
        // name, map, players and info and the ping, and every row of it in both lists is told;
        // the dialect it answered in and the challenges it handed out serve the next queries.
        bool remember;
        // The answers are waited for one time-out: what has not come by then is told
        // (detailsTimedOut), and within it, unless the classic dialect alone is chosen, the
        // requests not answered go twice more.
        bool timed;
    };
    // The browser's selected server: "ping", "players", "rules", "infostring".
    static constexpr Use kBrowser{{Ask::Players, Ask::Rules, Ask::Info}, true, true, true};
    // The search's panes: "infostring", "rules", "players", "ping"; nothing kept, no time-out.
    static constexpr Use kSearch{{Ask::Info, Ask::Rules, Ask::Players}, false, false, false};

    // settings (and for a use that remembers, store) must outlive the query.
    CDetailQuery(AppSettings& settings, ServerStore& store, const Use& use, QObject* parent = nullptr);
    ~CDetailQuery() override;

    // Takes the send time and sends the requests, back to back. A new query replaces the one
    // before.
    void QuerySelected(const std::string& address);
    void Close();

Q_SIGNALS:
    // The answers are awaited ("Please Wait").
    void detailsRequested();
    // Also an empty list when the info says nobody is on the server before any players came.
    void playersReceived(const std::vector<PlayerEntry>& players);
    void rulesReceived(const std::vector<std::pair<std::string, std::string>>& rules);
    // The info and the ping are told once a query: a copy of either (a server sending twice)
    // would add the search's lines again.
    void infoReceived(const std::string& address, const InfoReply& info);
    // The round trip in milliseconds as text.
    void pingReceived(const std::string& ping);
    // A timed use: the time-out passed without the players, or the rules, or both. Players the
    // info says are none came as an empty list instead and are not missing.
    void detailsTimedOut(bool players, bool rules);

private:
    void OnReadyRead();
    void OnResend();
    void OnTimeout();
    void Take(const std::vector<unsigned char>& reply, const std::string& address);
    void TakeInfo(const Datagram& bytes, const std::string& address);
    // The server's record and its rows take what the info says, then the round trip.
    void TakeIntoRecord(const std::string& address, const InfoReply& info);
    void TakePingIntoRecord(const std::string& address, const platform::ClockTime& received);

    AppSettings& settings_;
    ServerStore& store_;
    const Use use_;
    std::unique_ptr<CDetailSocket> socket_;
    std::optional<ServerExchange> exchange_;
    std::map<std::string, Challenges> challenges_; // a use that remembers: per server
    std::string sendTime_;                         // "m-s-ms" of the last query
    bool infoTold_ = false;
    bool pingTold_ = false;
    bool emptyShown_ = false; // the info said 0 players and the empty list was told
    CResends resends_;
    QTimer timeoutTimer_;
};
