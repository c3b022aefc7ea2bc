// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/exchange.h"
#include "query/model/lan_scope.h"
#include "query/model/protocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct AppSettings;

// "Find LAN Servers": the info request of the chosen dialect(s) from one socket to ports
// kLanFirstPort..kLanLastPort of every target (an "a.b.c.d:port" target: that port alone), and
// each server that answers within the time-out told once. Its socket cannot be connected (a
// broadcast has no one peer), so what a sender may do is decided here: only the hosts and ports
// a target asked are heard (MayAnswerLan), each through an exchange of its own that answers its
// challenges as every other query does, and at most kMaxServers servers are told.
class CLanSearch : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxServers = 256;
    // Senders heard from at once, listed or not: a broadcast into a large network must not let
    // a flood of forged answers hold more than this.
    static constexpr int kMaxSenders = 4 * kMaxServers;

    // settings gives the dialect, the time-out and the hidden servers; it must outlive the search.
    explicit CLanSearch(const AppSettings& settings, QObject* parent = nullptr);
    ~CLanSearch() override;

    // Stops a search still running, then asks every target. False when no socket could be
    // opened (nothing is sent, ended() does not come).
    bool Start(const std::vector<std::string>& targets, const std::vector<LanNetwork>& networks);
    // Closes the socket; nothing more is told.
    void Stop();

    // This machine's IPv4 networks that can broadcast, and their broadcast addresses.
    static std::vector<LanNetwork> LocalNetworks();
    static std::vector<std::string> BroadcastTargets();

    bool running() const { return socket_ != nullptr; }
    quint16 localPort() const { return socket_ ? socket_->localPort() : 0; }
    int serversFound() const { return found_; }

Q_SIGNALS:
    // A server answered its info request ("a.b.c.d:port"); pingMs since the requests went out.
    void found(const std::string& address, const InfoReply& info, qint64 pingMs, ServerDialect dialect);
    // The time-out has passed; the socket is closed.
    void ended(int serversFound);

private:
    struct Sender {
        ServerExchange exchange;
        bool told = false;
    };
    void OnReadyRead();
    void OnTimeout();
    void SendTo(const Datagram& datagram, uint32_t host, int port);

    const AppSettings& settings_;
    std::unique_ptr<QUdpSocket> socket_;
    std::vector<LanAsk> asks_;
    std::unordered_map<std::string, Sender> senders_;
    int found_ = 0;
    QTimer timer_;
    QElapsedTimer clock_; // since the requests went out: an answer's ping
};
