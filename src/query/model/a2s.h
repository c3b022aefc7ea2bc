// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

// The query dialect today's servers answer (the "A2S" requests), beside the four words of the
// classic one. Requests and replies start FF FF FF FF; integers are little-endian. Every decoder
// is given the number of bytes received and never looks past them.

// The challenge field that asks the server for a challenge instead of an answer.
inline constexpr int32_t kAskForChallenge = -1;

// 'T' "Source Engine Query" NUL (25 bytes), with the server's challenge appended when it asked
// for one (29 bytes).
Datagram BuildA2sInfo(std::optional<int32_t> challenge = std::nullopt);
// 'U' / 'V' and the 4 challenge bytes (9 bytes); kAskForChallenge asks for one.
Datagram BuildA2sPlayers(int32_t challenge = kAskForChallenge);
Datagram BuildA2sRules(int32_t challenge = kAskForChallenge);

enum class A2sReply {
    None,       // not an A2S reply (or no FF FF FF FF header)
    Challenge,  // 'A' + int32
    SourceInfo, // 'I'
    GoldSrcInfo // 'm', older servers and some add-ons
};
// What an A2S-only reply is; players ('D') and rules ('E') are the classic layouts and are
// told by ClassifyReply.
A2sReply ClassifyA2s(const unsigned char* data, std::size_t len);

// The challenge of an 'A' reply; false when the reply is cut short.
bool DecodeChallenge(const unsigned char* data, std::size_t len, int32_t& challenge);

// An 'I' or 'm' info reply into the fields a classic info reply fills, with the same texts:
// players "current/max" as the server counts them (bots included), the game's description,
// "Dedicated"/"Listen"/"Proxy", "Linux"/"Windows"/"Mac", "Yes"/"No". False, with out untouched,
// when the reply is cut short before the password byte; what follows it is not needed.
bool DecodeA2sInfo(const unsigned char* data, std::size_t len, InfoReply& out);

// An info reply of either dialect: the classic "infostringresponse", or 'I' or 'm'.
bool DecodeAnyInfo(const Datagram& reply, InfoReply& out);

// ---- Split replies ------------------------------------------------------------------------

// A reply too long for one datagram comes in pieces: FE FF FF FF, an int32 request id, one byte
// (piece number << 4 | piece count), then the piece's bytes. The joined pieces are one normal
// reply starting FF FF FF FF.
bool IsSplitPiece(const unsigned char* data, std::size_t len);

// Joins the pieces of the split replies one socket receives, per sender and request id, in any
// order. Bounded whatever peers send: 2 to 15 pieces a set, a piece number below the count, at
// most kMaxPieceBytes a piece, at most kMaxSetsPerSender sets waiting for one sender (a new one
// drops its oldest) and kMaxSenders * kMaxSetsPerSender sets in all (a new one drops the
// oldest of all). Sets
// never completed are dropped by DropExpired. A set of the other engine family's layout (a
// 12-byte header, perhaps compressed) never joins into a reply and is dropped the same way.
class SplitJoiner {
public:
    static constexpr int kMaxPieces = 15;
    static constexpr std::size_t kMaxPieceBytes = 1400;
    static constexpr std::size_t kMaxSetsPerSender = 4;
    static constexpr std::size_t kMaxSenders = 256;

    // Takes one piece from sender at nowMs. The whole reply when it completes a set; nothing
    // when the set waits for more, or when the piece or the joined reply is not sound (the set
    // is then dropped).
    std::optional<Datagram> Add(const std::string& sender, const unsigned char* data, std::size_t len, int64_t nowMs);
    // Drops the sets whose first piece came at or before nowMs - ageMs.
    void DropExpired(int64_t nowMs, int64_t ageMs);
    void Clear() { sets_.clear(); }
    std::size_t SetCount() const { return sets_.size(); }

private:
    struct Set {
        std::string sender;
        int32_t id = 0;
        int count = 0;
        int64_t firstMs = 0;
        std::size_t bytes = 0;
        std::deque<std::optional<Datagram>> pieces;
    };
    std::deque<Set> sets_; // oldest first
};
