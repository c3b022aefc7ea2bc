// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "sim_config.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QObject;
class QTcpServer;
class QTcpSocket;

namespace sim {

class SimFarm;

// The Steam Web API's list of game servers, as far as a client of it needs: GET
// /IGameServersService/GetServerList/v1/?key=K&filter=\appid\70\gamedir\MOD&limit=N answered
// {"response":{"servers":[...]}} with the farm's servers (addr their query address) and the
// relayed ones, over HTTP/1.1 (connections kept open). A wrong key gets 403; another path 404.
class SimWebApi {
public:
    SimWebApi(const SimWebApi&) = delete;
    SimWebApi& operator=(const SimWebApi&) = delete;
    ~SimWebApi();

    const WebApiConfig& Config() const { return config_; }
    const std::string& Label() const { return config_.label; }
    uint16_t Port() const; // bound by the last Start(); 0 before
    // "http://127.0.0.1:<port>", https with a certificate.
    std::string Url() const;
    // The target of every request received ("/IGameServersService/...?key=..."), in order.
    std::vector<std::string> Requests() const;
    WebApiFaults Faults() const;
    // Any time, any thread: applies to the requests that arrive from then on.
    void SetFaults(const WebApiFaults& faults);
    // The list as it would be answered now for gameDir (all servers listed, no limit).
    QByteArray ListJson(const std::string& gameDir, int limit) const;

private:
    friend class SimFarm;
    SimWebApi(SimFarm& farm, WebApiConfig config);
    bool Bind(QObject* parent, std::string* error);
    void Close();
    void OnConnection(QTcpSocket* socket);
    // Sends the answer to one request (at once, or after the delay), then runs done.
    void Answer(QTcpSocket* socket, const std::string& target, std::function<void()> done);

    SimFarm& farm_;
    WebApiConfig config_;
    WebApiFaults faults_;               // guarded by the farm's mutex
    std::vector<std::string> requests_; // guarded by the farm's mutex
    uint16_t port_ = 0;                 // guarded by the farm's mutex
    QTcpServer* server_ = nullptr;
};

} // namespace sim
