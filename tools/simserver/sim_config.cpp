// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

namespace sim {
namespace {

std::string Trim(const std::string& s)
{
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1])))
        --end;
    return s.substr(begin, end - begin);
}

// Quotes keep leading or trailing blanks a plain value would lose.
std::string Unquote(const std::string& s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

template <typename T> bool ParseNumber(const std::string& text, T& out)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last && !text.empty();
}

bool ParseBool(const std::string& text, bool& out)
{
    const std::string v = Lower(text);
    if (v == "1" || v == "yes" || v == "true" || v == "on") {
        out = true;
        return true;
    }
    if (v == "0" || v == "no" || v == "false" || v == "off") {
        out = false;
        return true;
    }
    return false;
}

bool ParsePort(const std::string& text, uint16_t& out)
{
    int value = 0;
    if (!ParseNumber(text, value) || value < 0 || value > 65535)
        return false;
    out = static_cast<uint16_t>(value);
    return true;
}

bool ParseHostPort(const std::string& text, MasterEntry& out)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    int parts = 0;
    std::istringstream in(text.substr(0, colon));
    std::string part;
    while (std::getline(in, part, '.')) {
        int octet = -1;
        if (!ParseNumber(part, octet) || octet < 0 || octet > 255)
            return false;
        ++parts;
    }
    if (parts != 4)
        return false;
    out.host = text.substr(0, colon);
    out.serverLabel.clear();
    return ParsePort(text.substr(colon + 1), out.port);
}

// Keys both sections share: how the server or master misbehaves. True when the key was one.
bool ParseBehaviourKey(const std::string& key, const std::string& value, SimBehaviour& b, std::string& problem)
{
    if (key == "delay") {
        if (!ParseNumber(value, b.delayMs) || b.delayMs < 0)
            problem = "delay must be a number of milliseconds";
    } else if (key == "silent") {
        if (!ParseBool(value, b.silent))
            problem = "silent must be yes or no";
    } else if (key == "ping_only") {
        if (!ParseBool(value, b.pingOnly))
            problem = "ping_only must be yes or no";
    } else if (key == "wrong_header") {
        if (!ParseBool(value, b.wrongHeader))
            problem = "wrong_header must be yes or no";
    } else if (key == "truncate") {
        if (!ParseNumber(value, b.truncateAfter) || b.truncateAfter < 0)
            problem = "truncate must be a byte count (0: off)";
    } else if (key == "duplicate") {
        if (!ParseBool(value, b.duplicate))
            problem = "duplicate must be yes or no";
    } else if (key == "lossy") {
        if (!ParseBool(value, b.lossy))
            problem = "lossy must be yes or no";
    } else {
        return false;
    }
    return true;
}

bool ParsePlayer(const std::string& value, SimPlayer& player)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(value);
    while (std::getline(in, field, '|'))
        fields.push_back(Trim(field));
    if (fields.empty() || fields.size() > 3 || fields[0].empty())
        return false;
    player.name = Unquote(fields[0]);
    if (fields.size() > 1 && !ParseNumber(fields[1], player.score))
        return false;
    if (fields.size() > 2 && !ParseNumber(fields[2], player.seconds))
        return false;
    return true;
}

void ParseServerKey(const std::string& key, const std::string& value, GameServerConfig& s, std::string& problem)
{
    if (ParseBehaviourKey(key, value, s.behaviour, problem))
        return;
    if (key == "label") {
        s.label = value;
    } else if (key == "port") {
        if (!ParsePort(value, s.port))
            problem = "port must be 0..65535";
    } else if (key == "hostname" || key == "name") {
        s.hostname = value;
    } else if (key == "map") {
        s.map = value;
    } else if (key == "description") {
        s.description = value;
    } else if (key == "gamedir") {
        s.gamedir = value;
    } else if (key == "max_players") {
        if (!ParseNumber(value, s.maxPlayers) || s.maxPlayers < 0 || s.maxPlayers > 255)
            problem = "max_players must be 0..255";
    } else if (key == "type") {
        const std::string v = Lower(value);
        if (v == "d" || v == "dedicated")
            s.type = 'd';
        else if (v == "l" || v == "listen")
            s.type = 'l';
        else
            problem = "type must be dedicated or listen";
    } else if (key == "os") {
        const std::string v = Lower(value);
        if (v == "l" || v == "linux")
            s.os = 'l';
        else if (v == "w" || v == "windows")
            s.os = 'w';
        else
            problem = "os must be linux or windows";
    } else if (key == "password") {
        if (!ParseBool(value, s.password))
            problem = "password must be yes or no";
    } else if (key == "rcon_password") {
        s.rconPassword = value;
    } else if (key == "rcon_challenge") {
        if (!ParseNumber(value, s.rconChallenge))
            problem = "rcon_challenge must be a non-negative number";
    } else if (key == "rcon_no_challenge") {
        if (!ParseBool(value, s.rconNoChallenge))
            problem = "rcon_no_challenge must be yes or no";
    } else if (key == "rcon_print") {
        if (!ParseBool(value, s.rconPrintWord))
            problem = "rcon_print must be yes or no";
    } else if (key == "bots") {
        if (!ParseNumber(value, s.bots) || s.bots < 0 || s.bots > 255)
            problem = "bots must be 0..255";
    } else if (key == "dialects") {
        std::string v = Lower(value);
        std::replace(v.begin(), v.end(), ',', ' ');
        std::istringstream words(v);
        s.answersClassic = s.answersA2s = false;
        for (std::string w; words >> w;) {
            if (w == "classic")
                s.answersClassic = true;
            else if (w == "a2s")
                s.answersA2s = true;
            else
                problem = "dialects must be classic, a2s or both";
        }
        if (!s.answersClassic && !s.answersA2s)
            problem = "dialects must be classic, a2s or both";
    } else if (key == "a2s_challenge") {
        if (!ParseBool(value, s.a2sChallenge))
            problem = "a2s_challenge must be yes or no";
    } else if (key == "a2s_endless_challenges") {
        if (!ParseBool(value, s.a2sEndlessChallenges))
            problem = "a2s_endless_challenges must be yes or no";
    } else if (key == "a2s_placeholder_challenge") {
        if (!ParseBool(value, s.a2sPlaceholderChallenge))
            problem = "a2s_placeholder_challenge must be yes or no";
    } else if (key == "a2s_challenge_value") {
        if (!ParseNumber(value, s.a2sChallengeValue) || s.a2sChallengeValue == 0 || s.a2sChallengeValue == -1)
            problem = "a2s_challenge_value must be a 32-bit number other than 0 and -1";
    } else if (key == "a2s_players_when_empty") {
        if (!ParseBool(value, s.a2sPlayersWhenEmpty))
            problem = "a2s_players_when_empty must be yes or no";
    } else if (key == "ping_reply") {
        const std::string v = Lower(value);
        if (v == "j" || v == "ack")
            s.pingAck = v == "ack";
        else
            problem = "ping_reply must be j or ack";
    } else if (key == "info_reply") {
        const std::string v = Lower(value);
        if (v == "i")
            s.a2sInfoKind = SimInfoKind::Source;
        else if (v == "m")
            s.a2sInfoKind = SimInfoKind::GoldSrc;
        else if (v == "m+i" || v == "m i" || v == "m,i")
            s.a2sInfoKind = SimInfoKind::GoldSrcThenSource;
        else
            problem = "info_reply must be I, m or m+I";
    } else if (key == "rules_pieces") {
        if (!ParseNumber(value, s.rulesPieces) || s.rulesPieces < 1 || s.rulesPieces > 15)
            problem = "rules_pieces must be 1..15";
    } else if (key == "churn_seconds") {
        if (!ParseNumber(value, s.churnSeconds) || s.churnSeconds < 0 || s.churnSeconds > 3600)
            problem = "churn_seconds must be 0..3600";
    } else if (key == "player") {
        SimPlayer p;
        if (!ParsePlayer(value, p))
            problem = "player must be: name | score | seconds";
        else if (s.players.size() >= 255)
            problem = "at most 255 players";
        else
            s.players.push_back(p);
    } else if (key == "rule") {
        const size_t space = value.find_first_of(" \t");
        SimRule r;
        r.name = value.substr(0, space);
        if (space != std::string::npos)
            r.value = Unquote(Trim(value.substr(space)));
        if (r.name.empty())
            problem = "rule must be: name value";
        else
            s.rules.push_back(r);
    } else {
        problem = "unknown key '" + key + "' in [server]";
    }
}

void ParseMasterKey(const std::string& key, const std::string& value, MasterConfig& m, std::string& problem)
{
    if (ParseBehaviourKey(key, value, m.behaviour, problem))
        return;
    if (key == "label") {
        m.label = value;
    } else if (key == "port") {
        if (!ParsePort(value, m.port))
            problem = "port must be 0..65535";
    } else if (key == "flavour" || key == "flavor") {
        const std::string v = Lower(value);
        if (v == "steam")
            m.flavour = SimMasterFlavour::Steam;
        else if (v == "won")
            m.flavour = SimMasterFlavour::Won;
        else
            problem = "flavour must be steam or won";
    } else if (key == "list") {
        if (Lower(value) == "all")
            m.listAllGameServers = true;
        else
            problem = "list must be 'all'";
    } else if (key == "server") {
        MasterEntry e;
        if (!value.empty() && value[0] == '@') {
            e.serverLabel = value.substr(1);
            if (e.serverLabel.empty())
                problem = "server = @label needs a label";
        } else if (!ParseHostPort(value, e)) {
            problem = "server must be @label or a.b.c.d:port";
        }
        if (problem.empty())
            m.entries.push_back(e);
    } else if (key == "page_size") {
        if (!ParseNumber(value, m.pageSize) || m.pageSize < 2 || m.pageSize > 10000)
            problem = "page_size must be 2..10000";
    } else if (key == "max_requests_per_minute") {
        if (!ParseNumber(value, m.maxRequestsPerMinute) || m.maxRequestsPerMinute < 0)
            problem = "max_requests_per_minute must be a count (0: no limit)";
    } else if (key == "endless_pages") {
        if (!ParseBool(value, m.endlessPages))
            problem = "endless_pages must be yes or no";
    } else {
        problem = "unknown key '" + key + "' in [master]";
    }
}

bool ParseRelayed(const std::string& value, WebApiRelayed& out)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(value);
    while (std::getline(in, field, '|'))
        fields.push_back(Trim(field));
    MasterEntry entry;
    if (fields.empty() || fields.size() > 5 || !ParseHostPort(fields[0], entry) || entry.port == 0)
        return false;
    out.address = fields[0];
    if (fields.size() > 1)
        out.name = Unquote(fields[1]);
    if (fields.size() > 2)
        out.map = fields[2];
    if (fields.size() > 3 && (!ParseNumber(fields[3], out.players) || out.players < 0))
        return false;
    if (fields.size() > 4 && (!ParseNumber(fields[4], out.maxPlayers) || out.maxPlayers < 0))
        return false;
    return true;
}

void ParseWebApiKey(const std::string& key, const std::string& value, WebApiConfig& w, std::string& problem)
{
    if (key == "label") {
        w.label = value;
    } else if (key == "port") {
        if (!ParsePort(value, w.port))
            problem = "port must be 0..65535";
    } else if (key == "key") {
        w.key = value;
    } else if (key == "list") {
        std::string v = value;
        std::replace(v.begin(), v.end(), ',', ' ');
        std::istringstream words(v);
        for (std::string word; words >> word;) {
            if (Lower(word) == "all")
                w.listAll = true;
            else
                w.serverLabels.push_back(word[0] == '@' ? word.substr(1) : word);
        }
        if (!w.listAll && w.serverLabels.empty())
            problem = "list must be 'all' or labels of servers";
    } else if (key == "relayed") {
        WebApiRelayed r;
        if (!ParseRelayed(value, r))
            problem = "relayed must be: a.b.c.d:port | name | map | players | max_players";
        else
            w.relayed.push_back(r);
    } else if (key == "status") {
        if (!ParseNumber(value, w.faults.status) || w.faults.status < 0 || w.faults.status > 599)
            problem = "status must be an HTTP status (0: the list)";
    } else if (key == "delay") {
        if (!ParseNumber(value, w.faults.delayMs) || w.faults.delayMs < 0)
            problem = "delay must be a number of milliseconds";
    } else if (key == "malformed") {
        if (!ParseBool(value, w.faults.malformed))
            problem = "malformed must be yes or no";
    } else if (key == "cut") {
        if (!ParseNumber(value, w.faults.cut) || w.faults.cut < 0)
            problem = "cut must be a byte count (0: off)";
    } else if (key == "redirect") {
        w.faults.redirect = value;
    } else if (key == "tls_certificate") {
        w.certificateFile = value;
    } else if (key == "tls_key") {
        w.keyFile = value;
    } else {
        problem = "unknown key '" + key + "' in [webapi]";
    }
}

} // namespace

bool ParseFarmConfig(const std::string& text, SimFarmConfig& out, std::string* error)
{
    enum class Section { None, Server, Master, WebApi };
    SimFarmConfig config;
    Section section = Section::None;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    auto fail = [&](const std::string& what) {
        if (error)
            *error = "line " + std::to_string(lineNo) + ": " + what;
        return false;
    };

    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail("unterminated section header");
            const std::string name = Lower(Trim(line.substr(1, line.size() - 2)));
            if (name == "server") {
                section = Section::Server;
                config.servers.emplace_back();
            } else if (name == "master") {
                section = Section::Master;
                config.masters.emplace_back();
            } else if (name == "webapi") {
                section = Section::WebApi;
                config.webApis.emplace_back();
            } else {
                return fail("unknown section [" + name + "], expected [server], [master] or [webapi]");
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected key = value");
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string value = Unquote(Trim(line.substr(eq + 1)));
        std::string problem;
        if (section == Section::Server)
            ParseServerKey(key, value, config.servers.back(), problem);
        else if (section == Section::Master)
            ParseMasterKey(key, value, config.masters.back(), problem);
        else if (section == Section::WebApi)
            ParseWebApiKey(key, value, config.webApis.back(), problem);
        else
            problem = "key outside a [server], [master] or [webapi] section";
        if (!problem.empty())
            return fail(problem);
    }

    std::set<std::string> labels;
    for (const GameServerConfig& s : config.servers) {
        if (!s.label.empty() && !labels.insert(s.label).second) {
            if (error)
                *error = "server label '" + s.label + "' used twice";
            return false;
        }
    }
    for (const MasterConfig& m : config.masters) {
        for (const MasterEntry& e : m.entries) {
            if (!e.serverLabel.empty() && !labels.count(e.serverLabel)) {
                if (error)
                    *error = "master lists @" + e.serverLabel + ", but no [server] has that label";
                return false;
            }
        }
    }
    for (const WebApiConfig& w : config.webApis) {
        for (const std::string& label : w.serverLabels) {
            if (!labels.count(label)) {
                if (error)
                    *error = "webapi lists " + label + ", but no [server] has that label";
                return false;
            }
        }
        if (w.certificateFile.empty() != w.keyFile.empty()) {
            if (error)
                *error = "webapi needs both tls_certificate and tls_key, or neither";
            return false;
        }
    }
    out = std::move(config);
    return true;
}

bool LoadFarmConfigFile(const std::string& path, SimFarmConfig& out, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string parseError;
    if (!ParseFarmConfig(text.str(), out, &parseError)) {
        if (error)
            *error = path + ": " + parseError;
        return false;
    }
    return true;
}

bool ApplyPortBase(SimFarmConfig& config, int base, std::string* error)
{
    int lowest = 0;
    int highest = 0;
    auto consider = [&](uint16_t port) {
        if (port == 0)
            return;
        lowest = lowest == 0 ? port : std::min<int>(lowest, port);
        highest = std::max<int>(highest, port);
    };
    for (const GameServerConfig& s : config.servers)
        consider(s.port);
    for (const MasterConfig& m : config.masters)
        consider(m.port);
    for (const WebApiConfig& w : config.webApis)
        consider(w.port);
    if (lowest == 0)
        return true;
    const int shift = base - lowest;
    if (base < 1 || highest + shift > 65535) {
        if (error)
            *error = "port base " + std::to_string(base) + " puts ports outside 1..65535";
        return false;
    }
    auto move = [shift](uint16_t& port) {
        if (port != 0)
            port = static_cast<uint16_t>(port + shift);
    };
    for (GameServerConfig& s : config.servers)
        move(s.port);
    for (MasterConfig& m : config.masters)
        move(m.port);
    for (WebApiConfig& w : config.webApis)
        move(w.port);
    return true;
}

void UseAnyPorts(SimFarmConfig& config)
{
    for (GameServerConfig& s : config.servers)
        s.port = 0;
    for (MasterConfig& m : config.masters)
        m.port = 0;
    for (WebApiConfig& w : config.webApis)
        w.port = 0;
}

} // namespace sim
