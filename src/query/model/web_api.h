// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Steam Web API's list of game servers, which stands in for Steam's UDP master servers: the
// request's address, which base addresses may be asked, and the decoding of its JSON answer.

// ---- What the user is told --------------------------------------------------------------------

// How one request for the list ended.
enum class WebApiOutcome {
    Ok,         // a list of at least one server
    NoKey,      // no key set: nothing was asked
    RefusedKey, // HTTP 401 or 403
    NoAnswer,   // no answer in time, a network or TLS error, another HTTP status, a refused address
    Unreadable, // an answer that is not the list's JSON
    NoServer,   // a readable answer listing no server
};

inline constexpr const char* kWebApiNoKeyText =
    "Set your Steam Web API key in Edit > Options... to list Internet servers";
inline constexpr const char* kWebApiRefusedText = "The Steam Web API refused the key";
inline constexpr const char* kWebApiNoAnswerText = "The Steam Web API did not answer";
inline constexpr const char* kWebApiUnreadableText = "The Steam Web API sent an answer that could not be read";
inline constexpr const char* kWebApiNoServerText = "No server listed";

// The status row of an outcome; "" for Ok.
const char* WebApiOutcomeText(WebApiOutcome outcome);
// What the status line adds when the answer filled the limit: "the list stopped at N servers".
std::string ListStoppedText(std::size_t servers);

// ---- The request ------------------------------------------------------------------------------

// Every byte but the unreserved ones of RFC 3986 (letters, digits, "-", ".", "_", "~") as %XX.
std::string PercentEncode(std::string_view text);

// The filter naming the game and the mod: \appid\70\gamedir\<modFolder>.
std::string ServerListFilter(std::string_view modFolder);

// <baseUrl>/IGameServersService/GetServerList/v1/?key=<key>&filter=<filter>&limit=<limit>, each
// value percent-encoded; slashes at the end of baseUrl are not doubled.
std::string ServerListUrl(std::string_view baseUrl, std::string_view key, std::string_view modFolder, int limit);

// The URL as it may be shown or written down: the value of every "key" parameter replaced by
// "***". Only the URL sent on the wire carries the key.
std::string UrlWithoutKey(std::string_view url);

// Whether a base address (or an address redirected to) may be asked: https always; plain http
// only to this machine (a host in 127.0.0.0/8, [::1] or "localhost"), as the key would travel in
// clear text. Anything else, a URL naming a user ("user@host") included, is refused.
bool IsAllowedWebApiUrl(std::string_view url);

// ---- The answer -------------------------------------------------------------------------------

// An answer larger than this is no list this program reads.
inline constexpr std::size_t kMaxWebApiAnswerBytes = 32u << 20;

// One server of the list. Every member but the address may be missing from an answer, or be of
// another JSON type than the one expected: then it is left empty. Texts hold no CR, LF or NUL.
struct WebApiServer {
    std::string addr;            // the query address, "a.b.c.d:port" as IsValidAddress takes it
    std::optional<int> gameport; // 1..65535
    std::optional<std::string> steamid;
    std::optional<std::string> name;
    std::optional<int> appid; // >= 0
    std::optional<std::string> gamedir;
    std::optional<std::string> version;
    std::optional<std::string> product;
    std::optional<int> region;
    std::optional<int> players;    // >= 0
    std::optional<int> maxPlayers; // >= 0, "max_players"
    std::optional<int> bots;       // >= 0
    std::optional<std::string> map;
    std::optional<bool> secure;
    std::optional<bool> dedicated;
    std::optional<std::string> os;
    std::optional<std::string> gametype;

    bool operator==(const WebApiServer&) const = default;
};

enum class WebApiListStatus {
    Ok,         // servers holds at least one server
    NoServer,   // {"response":{}}, an empty list, or no entry with a valid address
    Unreadable, // not JSON, not the list's shape, or larger than kMaxWebApiAnswerBytes
};

struct WebApiList {
    WebApiListStatus status = WebApiListStatus::Unreadable;
    std::vector<WebApiServer> servers;
    // The list reached the limit: the service may know more servers than it gave.
    bool filledLimit = false;
};

// Reads {"response":{"servers":[{...}, ...]}}: the entries in their order, at most limit of
// them, each whose "addr" is an IPv4 address with a port; entries without one are left out.
// Members not known here are skipped wherever they are. Never throws.
WebApiList DecodeServerList(std::string_view body, std::size_t limit);
