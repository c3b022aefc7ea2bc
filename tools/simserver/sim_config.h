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
    float seconds = 0.0f;  // time on the server, sent as a float like real servers do
};

struct SimRule {
    std::string name{};
    std::string value{};
};

// Ways a server can misbehave. They apply to every reply datagram of the server (or master):
// the client under test must survive each of them.
struct SimBehaviour {
    int delayMs = 0;           // wait this long before answering
    bool silent = false;       // record the request, never answer
    bool pingOnly = false;     // answer "ping" only: no info, players, rules or rcon
    bool wrongHeader = false;  // FE FF FF FF instead of FF FF FF FF
    int truncateAfter = 0;     // > 0: cut every reply datagram after this many bytes
    bool duplicate = false;    // send every reply datagram twice
};

struct GameServerConfig {
    std::string label{};  // for config references and the record; empty: "server<N>"
    uint16_t port = 0;  // 0: any free port
    std::string hostname = "Simulated Server";
    std::string map = "dusk_canyon";
    std::string description = "ZNK";
    std::string gamedir = "znk";
    int maxPlayers = 16;
    char type = 'd';  // 'd' dedicated, 'l' listen
    char os = 'l';    // 'l' Linux, 'w' Windows
    bool password = false;
    std::vector<SimPlayer> players{};
    std::vector<SimRule> rules{};
    std::string rconPassword{};  // empty: every rcon command gets "Bad rcon_password."
    // Real servers hand out challenges above 2^31; clients that parse them as int break.
    uint64_t rconChallenge = 3000000000ULL;
    SimBehaviour behaviour{};
};

enum class SimMasterFlavour {
    Steam,  // FF FF FF FF 66 0A, entries, 0.0.0.0:0 at the end of the list
    Won,    // FF FF FF FF 66 0D, uint32 batch number, entries, no terminator
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
    std::string label{};  // empty: "master<N>"
    SimMasterFlavour flavour = SimMasterFlavour::Steam;
    uint16_t port = 0;
    bool listAllGameServers = false;  // every game server of the farm, in order, before entries
    std::vector<MasterEntry> entries{};
    // Six-byte entries per datagram, the Steam terminator included; longer lists are paged.
    int pageSize = 681;
    SimBehaviour behaviour{};
};

struct SimFarmConfig {
    std::vector<GameServerConfig> servers{};
    std::vector<MasterConfig> masters{};
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

}  // namespace sim
