// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/a2s.h"

#include "query/model/byte_reader.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::string_view kInfoQuery = "Source Engine Query";

bool HasHeader(const unsigned char* data, std::size_t len, unsigned char first)
{
    return len >= kHeaderSize && data[0] == first && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF;
}

void AppendLittle(Datagram& packet, int32_t value)
{
    const auto raw = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        packet.push_back(static_cast<unsigned char>(raw >> (8 * i)));
}

Datagram ChallengeRequest(unsigned char type, int32_t challenge)
{
    Datagram packet{0xFF, 0xFF, 0xFF, 0xFF, type};
    AppendLittle(packet, challenge);
    return packet;
}

std::string KindText(unsigned char type)
{
    switch (type) {
    case 'd':
    case 'D':
        return "Dedicated";
    case 'p':
    case 'P':
        return "Proxy";
    default:
        return "Listen";
    }
}

std::string OsText(unsigned char os)
{
    switch (os) {
    case 'l':
    case 'L':
        return "Linux";
    case 'm':
    case 'M':
    case 'o':
    case 'O':
        return "Mac";
    default:
        return "Windows";
    }
}

} // namespace

Datagram BuildA2sInfo(std::optional<int32_t> challenge)
{
    Datagram packet = BuildPacket(std::string("T").append(kInfoQuery));
    if (challenge)
        AppendLittle(packet, *challenge);
    return packet;
}

Datagram BuildA2sPlayers(int32_t challenge)
{
    return ChallengeRequest('U', challenge);
}

Datagram BuildA2sRules(int32_t challenge)
{
    return ChallengeRequest('V', challenge);
}

A2sReply ClassifyA2s(const unsigned char* data, std::size_t len)
{
    if (!HasHeader(data, len, 0xFF) || len <= kHeaderSize)
        return A2sReply::None;
    switch (data[kHeaderSize]) {
    case 'A':
        return A2sReply::Challenge;
    case 'I':
        return A2sReply::SourceInfo;
    case 'm':
        return A2sReply::GoldSrcInfo;
    default:
        return A2sReply::None;
    }
}

bool DecodeChallenge(const unsigned char* data, std::size_t len, int32_t& challenge)
{
    ByteReader reader(data, len, kHeaderSize + 1);
    return ClassifyA2s(data, len) == A2sReply::Challenge && reader.Int32(challenge);
}

bool DecodeA2sInfo(const unsigned char* data, std::size_t len, InfoReply& out)
{
    const A2sReply kind = ClassifyA2s(data, len);
    if (kind != A2sReply::SourceInfo && kind != A2sReply::GoldSrcInfo)
        return false;
    ByteReader reader(data, len, kHeaderSize + 1);
    std::string address, name, map, folder, game;
    unsigned char protocol = 0, players = 0, maxPlayers = 0, bots = 0, type = 0, os = 0, password = 0;
    int16_t appId = 0;
    bool ok = false;
    if (kind == A2sReply::SourceInfo) {
        ok = reader.Byte(protocol) && reader.Text(name) && reader.Text(map) && reader.Text(folder) &&
             reader.Text(game) && reader.Int16(appId) && reader.Byte(players) && reader.Byte(maxPlayers) &&
             reader.Byte(bots) && reader.Byte(type) && reader.Byte(os) && reader.Byte(password);
    } else {
        ok = reader.Text(address) && reader.Text(name) && reader.Text(map) && reader.Text(folder) &&
             reader.Text(game) && reader.Byte(players) && reader.Byte(maxPlayers) && reader.Byte(protocol) &&
             reader.Byte(type) && reader.Byte(os) && reader.Byte(password);
    }
    if (!ok)
        return false;
    out.name = name;
    out.map = map;
    out.players = std::to_string(players) + "/" + std::to_string(maxPlayers);
    out.description = game;
    out.kind = KindText(type);
    out.os = OsText(os);
    out.password = password ? "Yes" : "No";
    out.info = out.description + "|" + out.kind + "//" + out.os + " Server|Password: " + out.password;
    return true;
}

bool DecodeAnyInfo(const Datagram& reply, InfoReply& out)
{
    return DecodeInfo(reply.data(), reply.size(), out) || DecodeA2sInfo(reply.data(), reply.size(), out);
}

// ---- Split replies ------------------------------------------------------------------------

namespace {

constexpr std::size_t kSplitHeaderSize = 9; // FE FF FF FF, request id, number << 4 | count

} // namespace

bool IsSplitPiece(const unsigned char* data, std::size_t len)
{
    return HasHeader(data, len, 0xFE);
}

std::optional<Datagram> SplitJoiner::Add(const std::string& sender, const unsigned char* data, std::size_t len,
                                         int64_t nowMs)
{
    if (!IsSplitPiece(data, len) || len < kSplitHeaderSize)
        return std::nullopt;
    ByteReader reader(data, len, kHeaderSize);
    int32_t id = 0;
    unsigned char numbering = 0;
    reader.Int32(id);
    reader.Byte(numbering);
    const int number = numbering >> 4;
    const int count = numbering & 0x0F;
    const std::size_t size = len - kSplitHeaderSize;

    auto it = std::find_if(sets_.begin(), sets_.end(), [&](const Set& s) { return s.sender == sender && s.id == id; });
    const bool sound = count >= 2 && number < count && size <= kMaxPieceBytes;
    if (!sound || (it != sets_.end() && it->count != count)) {
        if (it != sets_.end())
            sets_.erase(it);
        return std::nullopt;
    }
    if (it == sets_.end()) {
        const auto fromSender =
            std::count_if(sets_.begin(), sets_.end(), [&](const Set& s) { return s.sender == sender; });
        if (static_cast<std::size_t>(fromSender) >= kMaxSetsPerSender)
            sets_.erase(std::find_if(sets_.begin(), sets_.end(), [&](const Set& s) { return s.sender == sender; }));
        else if (sets_.size() >= kMaxSenders * kMaxSetsPerSender)
            sets_.pop_front();
        Set fresh;
        fresh.sender = sender;
        fresh.id = id;
        fresh.count = count;
        fresh.firstMs = nowMs;
        fresh.pieces.resize(static_cast<std::size_t>(count));
        sets_.push_back(std::move(fresh));
        it = std::prev(sets_.end());
    }
    auto& piece = it->pieces[static_cast<std::size_t>(number)];
    if (piece) // a repeated piece: the first one stands
        return std::nullopt;
    piece = Datagram(data + kSplitHeaderSize, data + len);
    it->bytes += size;
    if (std::any_of(it->pieces.begin(), it->pieces.end(), [](const auto& p) { return !p; }))
        return std::nullopt;

    Datagram joined;
    joined.reserve(it->bytes);
    for (const auto& p : it->pieces)
        joined.insert(joined.end(), p->begin(), p->end());
    sets_.erase(it);
    if (!HasHeader(joined.data(), joined.size(), 0xFF))
        return std::nullopt;
    return joined;
}

void SplitJoiner::DropExpired(int64_t nowMs, int64_t ageMs)
{
    std::erase_if(sets_, [&](const Set& s) { return nowMs - s.firstMs >= ageMs; });
}
