// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "sim_config.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <string>

// The datagrams a simulated server sends, built from its configuration. They are exactly what
// the server puts on the wire before its behaviour switches (header, truncation) are applied.

namespace sim {

// Output of an rcon command is cut into parts of this many text bytes, one datagram each.
inline constexpr int kRconPartBytes = 1400;

QByteArray PingReply();
QByteArray AckReply(); // FF FF FF FF "ack", the ping answer of some servers of today
QByteArray PlayersReply(const GameServerConfig& s);
QByteArray RulesReply(const GameServerConfig& s);
QByteArray InfostringReply(const GameServerConfig& s);
// Older queries qstat and clients of the era used: "info" ('C') and "details" ('m').
QByteArray InfoReply(const GameServerConfig& s, const std::string& address);
// The "details" reply; Today is the 'm' today's servers send for A2S_INFO: protocol 48, the
// server type upper case, and a bots byte at the end.
enum class DetailsStyle { Classic, Today };
QByteArray DetailsReply(const GameServerConfig& s, const std::string& address,
                        DetailsStyle style = DetailsStyle::Classic);

// Today's dialect. 'I': protocol 48, strings name, map, folder, game, int16 app id 70, players
// (bots included), max, bots, type, os, password, VAC, version, then the extra-data flag 0x80
// and the game port.
QByteArray SourceInfoReply(const GameServerConfig& s, uint16_t gamePort);
QByteArray ChallengeReply(int32_t challenge); // 'A'
// One reply cut into `pieces` split datagrams (FE FF FF FF, int32 id, number << 4 | count,
// payload), in order; more pieces when one would exceed kSplitPayloadBytes, at most 15.
inline constexpr int kSplitPayloadBytes = 1391;
QList<QByteArray> SplitReply(const QByteArray& reply, int32_t id, int pieces);
QByteArray RconChallengeReply(uint64_t challenge);
// The output as 'l' datagrams ending in two NULs, or (printWord) as "print\n" datagrams ending in
// one; no text still gives one datagram.
QList<QByteArray> RconReplies(const std::string& text, bool printWord = false);

// What the server prints for rcon commands; `address` is its own ip:port.
std::string RconOutput(const GameServerConfig& s, const std::string& address, const std::string& command);
std::string StatusText(const GameServerConfig& s, const std::string& address);
std::string CvarlistText(const GameServerConfig& s);

struct MasterAddress {
    uint32_t ip = 0; // host order, 127.0.0.1 = 0x7F000001
    uint16_t port = 0;
};

// One Steam page: the entries after `seed` (0.0.0.0:0 = from the start), at most pageSize
// entries counting the terminator, which ends the last page.
QByteArray SteamMasterPage(const QList<MasterAddress>& list, const MasterAddress& seed, int pageSize);
// One WON batch: batch 0 is the first; the reply carries the number of the next batch, or 0
// when this one is the last.
QByteArray WonMasterBatch(const QList<MasterAddress>& list, uint32_t batch, int pageSize);

} // namespace sim
