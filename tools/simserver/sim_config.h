// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What the simulated servers are: plain data, filled by test code or read from a config file
// (the format is described in README.md next to this file).

namespace sim {

struct SimPlayer {
    std::string name{};
    int32_t score = 0;
    float seconds = 0.0f; // time on the server, sent as a float like real servers do
};

struct SimRule {
    std::string name{};
    std::string value{};
};

// Ways a server can misbehave. They apply to every reply datagram of the server (or master):
// the client under test must survive each of them.
struct SimBehaviour {
    int delayMs = 0;          // wait this long before answering
    bool silent = false;      // record the request, never answer
    bool pingOnly = false;    // answer "ping" only: no info, players, rules or rcon
    bool wrongHeader = false; // FE FF FF FF instead of FF FF FF FF
    int truncateAfter = 0;    // > 0: cut every reply datagram after this many bytes
    bool duplicate = false;   // send every reply datagram twice
    // Leave the first datagram of each request unanswered, per peer: a game server the first
    // "ping", the first A2S_INFO, ... (by request kind), a master the first of each distinct
    // query. The same request sent again is answered.
    bool lossy = false;
};

// What today's servers send for A2S_INFO: 'I', or the older 'm' (some servers and add-ons
// still do), or both, 'm' first.
enum class SimInfoKind { Source, GoldSrc, GoldSrcThenSource };

struct GameServerConfig {
    std::string label{}; // for config references and the record; empty: "server<N>"
    uint16_t port = 0;   // 0: any free port
    std::string hostname = "Simulated Server";
    std::string map = "dusk_canyon";
    std::string description = "ZNK";
    std::string gamedir = "znk";
    int maxPlayers = 16;
    char type = 'd'; // 'd' dedicated, 'l' listen
    char os = 'l';   // 'l' Linux, 'w' Windows
    bool password = false;
    std::vector<SimPlayer> players{};
    std::vector<SimRule> rules{};
    std::string rconPassword{}; // empty: every rcon command gets "Bad rcon_password."
    // Real servers hand out challenges above 2^31; clients that parse them as int break.
    uint64_t rconChallenge = 3000000000ULL;
    // As some servers of today: "challenge rcon" goes unanswered, "rcon <password> <command>"
    // is taken without a challenge, and a wrong password gets no answer at all.
    bool rconNoChallenge = false;
    // Console output starts FF FF FF FF "print\n" instead of FF FF FF FF 'l'.
    bool rconPrintWord = false;
    // How many of the players are bots; today's info replies report it.
    int bots = 0;

    // The query dialects it answers. Classic: "players", "rules", "infostring", "details" and
    // "info"; A2S: A2S_INFO, A2S_PLAYER and A2S_RULES. "ping" and rcon are always answered, so
    // a server of today is answersClassic = false, answersA2s = true.
    bool answersClassic = true;
    bool answersA2s = false;
    // A2S_INFO, A2S_PLAYER and A2S_RULES all want the server's challenge; anything else gets
    // 'A' and the challenge.
    bool a2sChallenge = false;
    // Without a2sChallenge, A2S_PLAYER and A2S_RULES asking with FF FF FF FF still get 'A' first,
    // as real servers do; false answers them at once.
    bool a2sPlaceholderChallenge = true;
    // 0: one per server and client, made from both ports (never FF FF FF FF).
    int32_t a2sChallengeValue = 0;
    SimInfoKind a2sInfoKind = SimInfoKind::Source;
    // False: an A2S_PLAYER gets no reply at all (not even 'A') while nobody is on the server,
    // as many servers of today do.
    bool a2sPlayersWhenEmpty = true;
    // "ping" is answered FF FF FF FF "ack" (no NUL), as some servers of today do, instead of 'j'.
    bool pingAck = false;
    // A hostile server: every A2S request gets 'A' with a challenge never handed out before,
    // and never its answer.
    bool a2sEndlessChallenges = false;
    // 2..15: the rules reply, classic or A2S, comes in this many split datagrams, last first.
    // 1: one datagram.
    int rulesPieces = 1;
    // > 0: the last player leaves for this many seconds, comes back for as many, and so on (a
    // full server that now and then has a free slot).
    int churnSeconds = 0;

    SimBehaviour behaviour{};
};

enum class SimMasterFlavour {
    Steam, // FF FF FF FF 66 0A, entries, 0.0.0.0:0 at the end of the list
    Won,   // FF FF FF FF 66 0D, uint32 batch number, entries, no terminator
};

// One address a master lists. With serverLabel set it is the bound address of that game
// server of the farm (so port 0 servers can be listed); otherwise host:port as given, which
// need not exist.
struct MasterEntry {
    std::string host = "127.0.0.1";
    uint16_t port = 0;
    std::string serverLabel{};
};

struct MasterConfig {
    std::string label{}; // empty: "master<N>"
    SimMasterFlavour flavour = SimMasterFlavour::Steam;
    uint16_t port = 0;
    bool listAllGameServers = false; // every game server of the farm, in order, before entries
    std::vector<MasterEntry> entries{};
    // Six-byte entries per datagram, the Steam terminator included; longer lists are paged.
    int pageSize = 681;
    // > 0: a query is ignored when its sender's address sent more than this many within the
    // last minute, this one included, like the Steam master. 0: no limit.
    int maxRequestsPerMinute = 0;
    // A hostile master: every query, whatever its seed, gets the first page of the list, and
    // no page ends it (no 0.0.0.0:0).
    bool endlessPages = false;
    SimBehaviour behaviour{};
};

// A server the Web API lists that runs nothing here: a listen server behind Steam's relay, at an
// address of 169.254.0.0/16.
struct WebApiRelayed {
    std::string address{}; // "a.b.c.d:port"
    std::string name = "Relayed Listen Server";
    std::string map = "dusk_canyon";
    int players = 0;
    int maxPlayers = 8;
    std::string gamedir = "znk";
};

// What the Web API plays wrong. Changed while it runs, it applies to the requests that arrive
// from then on.
struct WebApiFaults {
    int status = 0;         // > 0: this HTTP status and a short page instead of the list
    int delayMs = 0;        // the answer waits this long
    bool malformed = false; // the list's JSON with a comma after its last server
    int cut = 0;            // > 0: only the first N bytes of the answer, Content-Length saying N
    std::string redirect{}; // not empty: 302 to this URL (the request's path and query added)
};

// A stand-in for the Steam Web API's list of game servers (IGameServersService/GetServerList/v1):
// plain HTTP on 127.0.0.1, or TLS with the certificate and key given.
struct WebApiConfig {
    std::string label{}; // empty: "webapi<N>"
    uint16_t port = 0;
    std::string key = "demo";                // the only key accepted; another one, or none, gets 403
    bool listAll = false;                    // every game server of the farm, in order, first
    std::vector<std::string> serverLabels{}; // then these servers of the farm
    std::vector<WebApiRelayed> relayed{};    // then these, which run nothing
    WebApiFaults faults{};
    std::string certificateFile{}; // PEM; with keyFile, the answers go over TLS
    std::string keyFile{};
};

struct SimFarmConfig {
    std::vector<GameServerConfig> servers{};
    std::vector<MasterConfig> masters{};
    std::vector<WebApiConfig> webApis{};
};

// False and *error ("line N: ...") for anything the format does not allow.
bool ParseFarmConfig(const std::string& text, SimFarmConfig& out, std::string* error = nullptr);
bool LoadFarmConfigFile(const std::string& path, SimFarmConfig& out, std::string* error = nullptr);

// Moves every non-zero port of the servers and masters so that the lowest becomes `base`,
// keeping the distances; explicit master entries (host:port) stay as written. False when a
// port would leave 1..65535.
bool ApplyPortBase(SimFarmConfig& config, int base, std::string* error = nullptr);
// Every server and master on a free port.
void UseAnyPorts(SimFarmConfig& config);

} // namespace sim
