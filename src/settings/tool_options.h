// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/server_filter.h"

#include <map>
#include <string>
#include <vector>

// How the program asks servers for their state.
enum class QueryDialect {
    Automatic, // the classic words, and the A2S info request beside them until a server answers one
    Classic,   // only the classic words ("ping", "players", "rules", "infostring")
    A2s,       // only the A2S requests of today's servers
};

// The program's own options, beside znktool.conf (whose bytes the game's tools share and which
// stay as they are): a file of their own in the working folder. A missing file, or a value that
// cannot be read, gives the default of that value and nothing else is lost.
struct ToolOptions {
    static constexpr const char* kFileName = "Options.ini";
    static constexpr int kDefaultQueriesAtOnce = 5;
    static constexpr int kMaxQueriesAtOnce = 64;
    // A larger file is no options file this program wrote: its known sections are read, and the
    // next save writes only those (the rest is not kept).
    static constexpr size_t kMaxFileBytes = 1u << 20;

    QueryDialect dialect = QueryDialect::Automatic;
    // Servers queried at once during a refresh, 1..kMaxQueriesAtOnce.
    int queriesAtOnce = kDefaultQueriesAtOnce;
    // Where Find LAN Servers sends ("a.b.c.d" each); empty: every interface's broadcast address.
    std::vector<std::string> lanTargets;
    // The dialect each server was heard in (Classic or A2s), by address: every server this
    // session, the favourites across sessions.
    std::map<std::string, QueryDialect> serverDialects;

    // What the Servers list leaves out.
    ServerFilter filter;
    // Servers the user hid: no Update or LAN search lists them again. In the order hidden.
    std::vector<std::string> hiddenServers;
    bool IsHidden(const std::string& address) const;

    // The background watch of the favourites for friends: off unless the user turns it on; one
    // round of players requests every watchMinutes.
    static constexpr int kMinWatchMinutes = 1;
    static constexpr int kMaxWatchMinutes = 120;
    static constexpr int kDefaultWatchMinutes = 5;
    bool watchFavorites = false;
    int watchMinutes = kDefaultWatchMinutes;

    // Steam's list of Internet servers through its Web API, asked with a key of the user's own.
    static constexpr const char* kDefaultWebApiUrl = "https://api.steampowered.com";
    static constexpr int kMinWebApiLimit = 1;
    static constexpr int kMaxWebApiLimit = 20000;
    static constexpr int kDefaultWebApiLimit = 10000;
    std::string webApiKey; // "" until the user sets one
    std::string webApiUrl = kDefaultWebApiUrl;
    // Servers asked for at most, kMinWebApiLimit..kMaxWebApiLimit.
    int webApiLimit = kDefaultWebApiLimit;

    // UDP master servers asked at every Update beside the one of the settings window: "host" or
    // "host:port" each (NormalizeMasterEntry), at most kMaxMoreMasters, none twice.
    static constexpr size_t kMaxMoreMasters = 16;
    std::vector<std::string> moreMasters;

    // Each server is asked for its info as soon as its ping answer arrives, instead of after the
    // whole ping phase.
    bool queryOnPing = false;

    bool operator==(const ToolOptions&) const = default;

    // False when the file exists but cannot be read (the options stay at their defaults).
    bool Load(const std::string& path);
    // Through a safe write, with the dialects of the servers listed in keepDialectsOf (the
    // favourites), readable by the user alone (0600); false leaves the file as it was.
    bool Save(const std::string& path, const std::vector<std::string>& keepDialectsOf = {}) const;
};

// The LAN targets as the file and the Options window write them: "a,b"; reading drops blanks
// and empty entries.
std::string JoinTargets(const std::vector<std::string>& targets);
std::vector<std::string> SplitTargets(const std::string& text);

// A master server as the list of more masters keeps it: the text without blanks, a host name or
// dotted address and an optional ":port" (1..65535); "" when it is none.
std::string NormalizeMasterEntry(const std::string& text);

// "Automatic", "Classic", "A2S": the file's words for a dialect.
const char* DialectWord(QueryDialect dialect);
