// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/platform.h"
#include "settings/server_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The game's UDP query protocol and the master servers' list protocol. Integers are
// little-endian (the master list's port excepted), strings NUL-terminated 8-bit text.
// Every decoder is given the number of bytes received and never looks past them: replies come
// from anyone on the network.

using Datagram = std::vector<unsigned char>;

// The commands a game server answers, sent as BuildPacket(command).
inline constexpr std::string_view kPingCommand = "ping";
inline constexpr std::string_view kPlayersCommand = "players";
inline constexpr std::string_view kRulesCommand = "rules";
inline constexpr std::string_view kInfoCommand = "infostring";
// The word an info reply starts with, after the FF FF FF FF header.
inline constexpr std::string_view kInfoReplyWord = "infostringresponse";

// FF FF FF FF, the text, a NUL.
Datagram BuildPacket(std::string_view text);

// ---- Replies of a game server -------------------------------------------------------------

enum class ReplyKind {
    Dropped, // no FF FF FF FF header
    Players, // 'D'
    Rules,   // 'E'
    Info,    // "infostringresponse"
    Ping,    // 'j', or the text "ack" of today's servers
    Unknown,
};

// What a reply answers, judged by the bytes after the header. checkHeader false accepts any
// first four bytes. The info word counts only with its NUL inside the received bytes.
ReplyKind ClassifyReply(const unsigned char* data, std::size_t len, bool checkHeader = true);
// The answer to "ping": byte 4 is 'j', or the bytes from 4 on are "ack", alone or ended by a
// NUL or a line break, as some servers of today send it. The header is not looked at.
bool IsPingReply(const unsigned char* data, std::size_t len);

// One line of a players reply: the texts shown, and the values they came from.
struct PlayerEntry {
    std::string id; // the index, "%d"
    std::string name;
    std::string score; // "%d"
    std::string time;  // FormatPlayTime
    int index = 0;
    int32_t scoreValue = 0;
    float seconds = 0.0f;
};

// "minutes:seconds" of a play time, neither padded: minutes are seconds * 0.016666668f in single
// precision, seconds are the whole seconds modulo 60, both truncated toward zero as the game's
// own clients show them (125.7 gives "2:5"). A negative, NaN or infinite time is no duration
// (servers give their bots -1): "". A finite time whose truncation does not fit an int counts
// as INT_MIN, the value x86 gives for such a conversion, rather than being undefined.
std::string FormatPlayTime(float seconds);

// The entries of a players reply ('D'; the type byte is not checked). An entry cut off by the
// end of the received bytes ends the list; the entries before it are kept.
std::vector<PlayerEntry> DecodePlayers(const unsigned char* data, std::size_t len);

// The name/value pairs of a rules reply ('E'; the type byte is not checked), in the order sent.
// A pair cut off by the end of the received bytes — in its name or in its value — is dropped
// and ends the list: a value cut short would be shown as if it were the server's.
std::vector<std::pair<std::string, std::string>> DecodeRules(const unsigned char* data, std::size_t len);

// What an info reply tells, as the browser shows it.
struct InfoReply {
    std::string name; // "" when the reply has no hostname
    std::string map;
    std::string players; // "current/max"
    // The three parts of the info line, each "" when the server did not give it.
    std::string description;
    std::string kind;     // "Dedicated" or "Listen"
    std::string os;       // "Linux" or "Windows"
    std::string password; // "Yes" or "No"
    std::string info;     // the record's line: "description|Dedicated//Linux Server|Password: No"
};

// The info counts no player on the server ("0/max").
bool InfoSaysEmpty(const InfoReply& info);

// The lines the player search shows of a server, after its name: "Ip: " + address,
// "Players: " + current/max, "Map: " + map, the description, "kind//os Server" and
// "Password: " + Yes or No.
std::vector<std::string> SearchInfoLines(const std::string& address, const InfoReply& info);

// Reads the \key\value text of an info reply into out. False, with out untouched, unless the
// reply carries the word "infostringresponse" and its NUL. Every backslash separates two fields,
// so \map\\description\x gives an empty map and the description "x": an empty value keeps
// its place instead of shifting the pairs after it. A key without its value at the end has an
// empty value. A key given twice keeps its last value; a key not given leaves its part empty.
bool DecodeInfo(const unsigned char* data, std::size_t len, InfoReply& out);

// ---- Ping clock ---------------------------------------------------------------------------

// A send time as the ping field holds it while a query is out: "minute-second-millisecond"
// (UTC, unpadded).
std::string SendTimeText(const platform::ClockTime& now);
// The milliseconds from a send time to receive, "%d" (see ComputePing); pingText unchanged when
// it holds no send time.
std::string PingAfter(const std::string& pingText, const platform::ClockTime& receive);

// Sets record.ping to SendTimeText(now).
void StampSendTime(ServerRecord& record, const platform::ClockTime& now);
inline void StampSendTime(ServerRecord& record)
{
    StampSendTime(record, platform::UtcNow());
}

// Replaces a send time in record.ping by the milliseconds elapsed until receive ("%d"). The clock
// keeps no hours, so the elapsed time is taken modulo one hour: a reply after the hour turned
// still counts forward. A ping without '-' is an answer already and is kept. So is a text with
// '-' that is not three pieces of digits within a minute, a second and a millisecond ("-5" read
// from a file): no send time can be recovered from it.
void ComputePing(ServerRecord& record, const platform::ClockTime& receive);
inline void ComputePing(ServerRecord& record)
{
    ComputePing(record, platform::UtcNow());
}

// ---- Master servers -----------------------------------------------------------------------

enum class MasterFlavour { Won, Steam };

// A master reply holds at most this many addresses: a 4096-byte datagram after the 10-byte
// header of the WON masters.
inline constexpr int kMaxMasterEntries = 681;

// The request for the list of servers running gameDir. WON: '1', four zero bytes,
// "\gamedir\<dir>" NUL. Steam: '1', region FF (the world), "0.0.0.0:0" NUL (the first batch),
// "\gamedir\<dir>" NUL. No FF FF FF FF header.
// Steam's next page: the same request with the last address of the page before as the seed.
Datagram BuildMasterRequest(MasterFlavour flavour, std::string_view gameDir, std::string_view seed = "0.0.0.0:0");

// A Steam page that ends the list: its entries run into 0.0.0.0:0 within the received bytes.
bool MasterPageEndsList(const unsigned char* data, std::size_t len);

// The reply of a master server starts FF FF FF FF 66 (the byte after it tells the flavour); a
// datagram without that beginning is no list.
bool IsMasterReply(const unsigned char* data, std::size_t len);

// The addresses "a.b.c.d:port" of a master reply. The header is skipped unread: 10 bytes for
// WON (FF FF FF FF 66 0D and a batch number), 6 for Steam (FF FF FF FF 66 0A). Entries are 4
// address bytes and a big-endian port; the list ends at an entry whose first byte is 0 (Steam's
// closing 0.0.0.0:0), at an entry cut off by the end of the bytes, or after kMaxMasterEntries.
std::vector<std::string> DecodeMasterList(MasterFlavour flavour, const unsigned char* data, std::size_t len);
