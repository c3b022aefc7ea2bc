// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/platform.h"
#include "query/model/exchange.h"
#include "query/model/protocol.h"
#include "query/query_sockets.h"

#include <QObject>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct AppSettings;
class ServerStore;

// The query sockets of a refresh, each asking one server for its info at a time: the request in
// the server's dialect, the challenge it hands out answered, the re-sends, the pieces of a split
// reply joined. Each request's send time goes into the server's record, so that the answer gives
// the round trip; the dialect a server answers in is remembered in the options.
class CQueryPool : public QObject {
    Q_OBJECT
public:
    // settings and store must outlive the pool.
    CQueryPool(AppSettings& settings, ServerStore& store, QObject* parent = nullptr);

    // At least count sockets.
    void Grow(int count);
    CQuerySocket* socket(int index) const { return sockets_[static_cast<size_t>(index)].get(); }
    // The first of the first count sockets without a query out; nullptr when all are busy.
    CQuerySocket* Idle(int count) const;
    // The socket's query of the server at address, with its time-out.
    void Ask(CQuerySocket* socket, const std::string& address);
    // Stops every query's time-out and re-send timers; the queries stay out on their open
    // sockets, and an answer coming still tells.
    void KillTimers();
    // Closes every socket; returns the addresses whose query was out, in socket order.
    std::vector<std::string> CloseAll();

Q_SIGNALS:
    // The info answer of the socket's query came at received; the query is over.
    void answered(CQuerySocket* socket, const InfoReply& info, const platform::ClockTime& received);
    // The socket's query went unanswered for its time-out, and the socket is closed; address is
    // the server asked ("" when none was).
    void timedOut(CQuerySocket* socket, const std::string& address);

private:
    void OnReadyRead(CQuerySocket* socket);
    void OnResendTimer(CQuerySocket* socket);
    void OnTimeout(CQuerySocket* socket);

    AppSettings& settings_;
    ServerStore& store_;
    std::vector<std::unique_ptr<CQuerySocket>> sockets_;
    std::map<std::string, Challenges> challenges_; // what each server handed out lately
};
