// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/exchange.h"
#include "query/model/protocol.h"

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CSearchInfoSocket;
struct AppSettings;

// The details the player search shows of one server: its info, the round trip of a "ping", its
// players and its rules, asked on a socket of its own. It only tells what came back; the search
// page shows it.
class CSearchDetailQuery : public QObject {
    Q_OBJECT
public:
    // settings (the dialect) must outlive the query.
    explicit CSearchDetailQuery(const AppSettings& settings, QObject* parent = nullptr);
    ~CSearchDetailQuery() override;

    // Remembers the send time, then sends "infostring", "rules", "players" and "ping"; the
    // answers come as the signals below. A new query replaces the one before.
    void Query(const std::string& address);
    void Close();

Q_SIGNALS:
    // Also an empty list when the info says nobody is on the server before any players came.
    void playersReceived(const std::vector<PlayerEntry>& players);
    void rulesReceived(const std::vector<std::pair<std::string, std::string>>& rules);
    // The info and the ping are told once a query: a copy of either (a server sending twice)
    // would add the page's lines again.
    void infoReceived(const std::string& address, const InfoReply& info);
    // The round trip in milliseconds as text.
    void pingReceived(const std::string& ping);

private:
    void OnReadyRead();

    const AppSettings& settings_;
    std::unique_ptr<CSearchInfoSocket> socket_;
    std::optional<ServerExchange> exchange_;
    std::string sendTime_; // "m-s-ms" of the last query
    bool infoDone_ = false;
    bool pingDone_ = false;
};
