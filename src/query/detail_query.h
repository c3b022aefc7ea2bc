// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/exchange.h"
#include "query/model/protocol.h"
#include "query/query_sockets.h"

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct AppSettings;
class CDetailSocket;
class ServerStore;

// The details of the server selected in the browser: "ping", then its players, rules and info in
// the dialect the server speaks, on one socket. The players and rules go to the page as they come;
// the info and the ping go into the server's record (and so into every row of it in both lists). What
// has not come within the time-out (after two re-sends, unless the classic dialect alone is
// chosen) is told to the page instead of leaving it waiting.
class CDetailQuery : public QObject {
    Q_OBJECT
public:
    // settings and store must outlive the query.
    CDetailQuery(AppSettings& settings, ServerStore& store, QObject* parent = nullptr);
    ~CDetailQuery() override;

    // Stamps the send time into the server's record and sends the requests, back to back.
    void QuerySelected(const std::string& address);
    void Close();

    CDetailSocket* socket() const { return socket_.get(); }

Q_SIGNALS:
    // Players and Rules wait for the answers ("Please Wait").
    void detailsRequested();
    void playersReceived(const std::vector<PlayerEntry>& players);
    void rulesReceived(const std::vector<std::pair<std::string, std::string>>& rules);
    // The time-out passed without the players, or the rules, or both. Players the info says are
    // none come as an empty list instead.
    void detailsTimedOut(bool players, bool rules);

private:
    void OnReadyRead();
    void OnResend();
    void OnTimeout();
    void Take(const std::vector<unsigned char>& reply, const std::string& address);

    AppSettings& settings_;
    ServerStore& store_;
    std::unique_ptr<CDetailSocket> socket_;
    std::optional<ServerExchange> exchange_;
    std::map<std::string, Challenges> challenges_;
    bool emptyShown_ = false; // the info said 0 players and the page was told so
    CResends resends_;
    QTimer timeoutTimer_;
};
