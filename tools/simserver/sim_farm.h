// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "sim_config.h"
#include "sim_replies.h"
#include "sim_web_api.h"

#include <QList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QHostAddress;
class QObject;
class QUdpSocket;

// Game servers, master servers and the Steam Web API's list on 127.0.0.1, for tests, benchmarks
// and the demo.
//
// Threading: the sockets live in the thread that starts the farm and are served by that
// thread's event loop — Start() uses the calling thread (a test spinning its own event loop),
// StartInOwnThread() a thread of the farm's own. Records, counters and behaviour switches are
// guarded by the farm's mutex and may be read or changed from any thread. Adding servers,
// Start() and Stop() belong to the thread that owns the farm object.

namespace sim {

class ServingThread;

// Milliseconds of std::chrono::steady_clock, the clock of the record's timestamps.
int64_t SteadyNowMs();

struct ReceivedRequest {
    int64_t timeMs = 0;  // SteadyNowMs() at arrival
    std::string request; // game servers: the text after FF FF FF FF up to the first NUL;
                         // masters and header-less datagrams: the whole datagram.
                         // Bytes outside printable ASCII appear as \xNN.
    std::string peer;    // "127.0.0.1:54321"
};

struct ServerRecord {
    std::vector<ReceivedRequest> requests;
    // By first word ("ping", "infostring", "rcon", "challenge", ...), today's requests as
    // "A2S_INFO", "A2S_PLAYER" and "A2S_RULES"; masters count "1"; datagrams without the
    // FF FF FF FF header count as "(no header)".
    std::map<std::string, int> requestCounts;
    // Masters: the seed of each list query in order, as sent (Steam "a.b.c.d:port", the first
    // "0.0.0.0:0"; WON the batch number).
    std::vector<std::string> seeds;
    int datagramsReceived = 0;
    int datagramsSent = 0; // duplicates and every rcon part included
    int answered = 0;      // requests answered, each once
    int ignored = 0;       // requests left unanswered: silent, ping-only, unknown
    // An "infostring" query, or an A2S_INFO answered with the info, is in flight from its
    // arrival until its answer is sent; queries the server will not answer (silent, ping-only,
    // lossy) and A2S_INFO answered with a challenge are not counted.
    int infostringInFlight = 0;
    int maxInfostringInFlight = 0;
};

class SimFarm;

class SimGameServer {
public:
    SimGameServer(const SimGameServer&) = delete;
    SimGameServer& operator=(const SimGameServer&) = delete;

    // As added. After SetPlayers the farm's thread changes its players: read them there, or with
    // the farm stopped.
    const GameServerConfig& Config() const { return config_; }
    const std::string& Label() const { return config_.label; }
    uint16_t Port() const;       // bound by the last Start(); 0 before
    std::string Address() const; // "127.0.0.1:<Port()>"
    ServerRecord Record() const;
    SimBehaviour Behaviour() const;
    void SetBehaviour(const SimBehaviour& behaviour);
    // Players joining or leaving while the farm runs: the requests that arrive from now on are
    // answered with these players.
    void SetPlayers(std::vector<SimPlayer> players);
    // A server that replaces its A2S challenge: requests arriving from now on must carry this
    // one (other than 0 and -1).
    void SetA2sChallengeValue(int32_t value);

private:
    friend class SimFarm;
    SimGameServer(SimFarm& farm, GameServerConfig config);
    void OnReadyRead();
    void Handle(const QByteArray& datagram, const QHostAddress& peer, uint16_t peerPort);
    QList<QByteArray> RconAnswer(const std::string& text, uint16_t ownPort) const;
    QList<QByteArray> A2sAnswer(char kind, const QByteArray& datagram, uint16_t ownPort, uint16_t peerPort, bool& info);
    QList<QByteArray> RulesAnswer();
    void Send(const QList<QByteArray>& replies, const QHostAddress& peer, uint16_t peerPort, bool infostring);

    SimFarm& farm_;
    GameServerConfig config_;
    SimBehaviour behaviour_;          // guarded by the farm's mutex
    ServerRecord record_;             // guarded by the farm's mutex
    uint16_t port_ = 0;               // guarded by the farm's mutex
    std::set<std::string> lossySeen_; // request kind and peer; guarded by the farm's mutex
    int32_t splitId_ = 0x51D0;        // the farm's thread only
    int32_t endless_ = 0x0E0D;        // the last endless challenge; the farm's thread only
    QUdpSocket* socket_ = nullptr;
    // Set by SetPlayers, taken into config_ by the farm's thread; guarded by the farm's mutex.
    std::optional<std::vector<SimPlayer>> newPlayers_;
    // Set by SetA2sChallengeValue, the same way.
    std::optional<int32_t> newChallenge_;
    // Every player, while churn has one of them away; the farm's thread only.
    std::vector<SimPlayer> allPlayers_;
};

class SimMaster {
public:
    SimMaster(const SimMaster&) = delete;
    SimMaster& operator=(const SimMaster&) = delete;

    const MasterConfig& Config() const { return config_; }
    const std::string& Label() const { return config_.label; }
    uint16_t Port() const;
    std::string Address() const;
    QList<MasterAddress> List() const; // the addresses it lists, resolved by Start()
    ServerRecord Record() const;
    SimBehaviour Behaviour() const;
    void SetBehaviour(const SimBehaviour& behaviour);

private:
    friend class SimFarm;
    SimMaster(SimFarm& farm, MasterConfig config);
    void OnReadyRead();
    void Handle(const QByteArray& datagram, const QHostAddress& peer, uint16_t peerPort);

    SimFarm& farm_;
    MasterConfig config_;
    SimBehaviour behaviour_;                                   // guarded by the farm's mutex
    ServerRecord record_;                                      // guarded by the farm's mutex
    uint16_t port_ = 0;                                        // guarded by the farm's mutex
    QList<MasterAddress> list_;                                // guarded by the farm's mutex
    std::set<std::string> lossySeen_;                          // guarded by the farm's mutex
    std::map<std::string, std::vector<int64_t>> recentByHost_; // guarded by the farm's mutex
    QUdpSocket* socket_ = nullptr;
};

class SimFarm {
public:
    SimFarm();
    ~SimFarm(); // stops the farm
    SimFarm(const SimFarm&) = delete;
    SimFarm& operator=(const SimFarm&) = delete;

    // Before Start(). An empty label becomes "server<N>" / "master<N>" (N counts from 1).
    SimGameServer& AddGameServer(const GameServerConfig& config);
    SimMaster& AddMaster(const MasterConfig& config);
    SimWebApi& AddWebApi(const WebApiConfig& config);
    void Add(const SimFarmConfig& config);

    // Binds every server, then every master and Web API, on 127.0.0.1. False (and nothing left bound)
    // when a port is taken or a master lists an unknown label.
    bool Start(std::string* error = nullptr);
    bool StartInOwnThread(std::string* error = nullptr);
    void Stop();
    bool IsRunning() const { return context_ != nullptr; }

    size_t GameServerCount() const { return servers_.size(); }
    SimGameServer& GameServer(size_t index) { return *servers_.at(index); }
    const SimGameServer& GameServer(size_t index) const { return *servers_.at(index); }
    SimGameServer* FindGameServer(const std::string& label);
    size_t MasterCount() const { return masters_.size(); }
    SimMaster& Master(size_t index) { return *masters_.at(index); }
    const SimMaster& Master(size_t index) const { return *masters_.at(index); }
    size_t WebApiCount() const { return webApis_.size(); }
    SimWebApi& WebApi(size_t index) { return *webApis_.at(index); }
    const SimWebApi& WebApi(size_t index) const { return *webApis_.at(index); }

    // Across all servers of the farm.
    int InfostringInFlight() const;
    int MaxInfostringInFlight() const;
    // Every server's and master's record, the farm's maximum, and what the lossy and
    // rate-limit switches remember.
    void ResetRecords();

    // Told about every datagram a server or master receives, in the farm's thread, after it
    // is recorded. Set before Start().
    using RequestObserver = std::function<void(const std::string& label, const ReceivedRequest& request)>;
    void SetRequestObserver(RequestObserver observer) { observer_ = std::move(observer); }

private:
    friend class SimGameServer;
    friend class SimMaster;
    friend class SimWebApi;
    bool BindAll(std::string* error);
    void CloseAll();

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<SimGameServer>> servers_;
    std::vector<std::unique_ptr<SimMaster>> masters_;
    std::vector<std::unique_ptr<SimWebApi>> webApis_;
    int inFlight_ = 0;    // guarded by mutex_
    int maxInFlight_ = 0; // guarded by mutex_
    RequestObserver observer_;
    QObject* context_ = nullptr; // parent of the sockets, in the thread serving them
    std::unique_ptr<ServingThread> thread_;
};

} // namespace sim
