// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"

#include "query/model/byte_reader.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kTypeOffset = 4;
constexpr std::size_t kPlayerCountOffset = 5;
constexpr std::size_t kFirstPlayerOffset = 6;
constexpr std::size_t kRuleCountOffset = 5;
// The key/value text follows the word and its NUL.
constexpr std::size_t kInfoTextOffset = kTypeOffset + kInfoReplyWord.size() + 1;

bool HasHeader(const unsigned char* data, std::size_t len)
{
    return len >= kHeaderSize && data[0] == 0xFF && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF;
}

bool HasInfoWord(const unsigned char* data, std::size_t len)
{
    if (len < kInfoTextOffset)
        return false;
    return std::memcmp(data + kTypeOffset, kInfoReplyWord.data(), kInfoReplyWord.size()) == 0 &&
           data[kInfoTextOffset - 1] == 0;
}

// (int)f as x86's cvttss2si does it: out-of-range values and NaN give INT_MIN instead of
// undefined behaviour.
int TruncateToInt(float value)
{
    if (value >= -2147483648.0f && value < 2147483648.0f)
        return static_cast<int>(value);
    return INT_MIN;
}

// The next field of the \key\value text: everything up to the next backslash, which is
// consumed with it. Two backslashes in a row enclose an empty field (an empty value).
std::string_view NextField(std::string_view& text)
{
    const std::size_t end = std::min(text.find('\\'), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    return field;
}

} // namespace

Datagram BuildPacket(std::string_view text)
{
    Datagram packet(kHeaderSize + text.size() + 1, 0);
    std::fill_n(packet.begin(), kHeaderSize, 0xFF);
    std::copy(text.begin(), text.end(), packet.begin() + kHeaderSize);
    return packet;
}

ReplyKind ClassifyReply(const unsigned char* data, std::size_t len, bool checkHeader)
{
    if (checkHeader && !HasHeader(data, len))
        return ReplyKind::Dropped;
    if (len <= kTypeOffset)
        return ReplyKind::Unknown;
    const unsigned char type = data[kTypeOffset];
    if (type == 'D')
        return ReplyKind::Players;
    if (type == 'E')
        return ReplyKind::Rules;
    if (HasInfoWord(data, len))
        return ReplyKind::Info;
    if (IsPingReply(data, len))
        return ReplyKind::Ping;
    return ReplyKind::Unknown;
}

bool IsPingReply(const unsigned char* data, std::size_t len)
{
    if (len <= kTypeOffset)
        return false;
    if (data[kTypeOffset] == 'j')
        return true;
    constexpr std::string_view kAck = "ack";
    const std::size_t end = kTypeOffset + kAck.size();
    return len >= end && std::memcmp(data + kTypeOffset, kAck.data(), kAck.size()) == 0 &&
           (len == end || data[end] == 0 || data[end] == '\n');
}

std::string FormatPlayTime(float seconds)
{
    // !(seconds >= 0) also holds for NaN.
    if (!(seconds >= 0.0f) || std::isinf(seconds))
        return "";
    // The multiplication stays in float on purpose: in double, times a hair under a whole
    // minute would show one minute less than the game's clients show.
    const int minutes = TruncateToInt(seconds * 0.016666668f);
    const int wholeSeconds = TruncateToInt(seconds) % 60;
    return std::to_string(minutes) + ":" + std::to_string(wholeSeconds);
}

std::vector<PlayerEntry> DecodePlayers(const unsigned char* data, std::size_t len)
{
    std::vector<PlayerEntry> players;
    if (len <= kPlayerCountOffset)
        return players;
    const int count = data[kPlayerCountOffset];
    players.reserve(static_cast<std::size_t>(count));
    ByteReader reader(data, len, kFirstPlayerOffset);
    for (int i = 0; i < count; ++i) {
        PlayerEntry entry;
        unsigned char index = 0;
        if (!reader.Byte(index) || !reader.Text(entry.name) || !reader.Int32(entry.scoreValue) ||
            !reader.Float32(entry.seconds))
            break;
        entry.index = index;
        entry.id = std::to_string(entry.index);
        entry.score = std::to_string(entry.scoreValue);
        entry.time = FormatPlayTime(entry.seconds);
        players.push_back(std::move(entry));
    }
    return players;
}

std::vector<std::pair<std::string, std::string>> DecodeRules(const unsigned char* data, std::size_t len)
{
    std::vector<std::pair<std::string, std::string>> rules;
    ByteReader reader(data, len, kRuleCountOffset);
    int16_t count = 0;
    if (!reader.Int16(count) || count < 1)
        return rules;
    for (int i = 0; i < count; ++i) {
        std::string name;
        std::string value;
        if (!reader.Text(name) || !reader.Text(value))
            break;
        rules.emplace_back(std::move(name), std::move(value));
    }
    return rules;
}

bool DecodeInfo(const unsigned char* data, std::size_t len, InfoReply& out)
{
    if (!HasInfoWord(data, len))
        return false;
    const char* textBegin = reinterpret_cast<const char*>(data + kInfoTextOffset);
    const std::size_t room = len - kInfoTextOffset;
    std::string_view text(textBegin, room);
    text = text.substr(0, text.find('\0'));

    // The text starts with the backslash before the first key.
    if (!text.empty() && text.front() == '\\')
        text.remove_prefix(1);
    std::string_view name, map, description, current, max;
    std::optional<std::string_view> type, os, password;
    while (!text.empty()) {
        const std::string_view key = NextField(text);
        const std::string_view value = NextField(text);
        if (key == "hostname")
            name = value;
        else if (key == "map")
            map = value;
        else if (key == "description")
            description = value;
        else if (key == "players")
            current = value;
        else if (key == "max")
            max = value;
        else if (key == "type")
            type = value;
        else if (key == "os")
            os = value;
        else if (key == "password")
            password = value;
        // "protocol", "lan", "modversion" and anything unknown are not shown.
    }

    out.name = std::string(name);
    out.map = std::string(map);
    out.players = std::string(current) + "/" + std::string(max);
    out.description = std::string(description);
    out.kind = !type ? "" : *type == "d" ? "Dedicated" : "Listen";
    out.os = !os ? "" : *os == "l" ? "Linux" : "Windows";
    out.password = !password ? "" : *password == "0" ? "No" : "Yes";
    out.info = out.description + "|" + out.kind + "//" + out.os + " Server|Password: " + out.password;
    return true;
}

bool InfoSaysEmpty(const InfoReply& info)
{
    return info.players.substr(0, info.players.find('/')) == "0";
}

std::vector<std::string> SearchInfoLines(const std::string& address, const InfoReply& info)
{
    return {"Ip: " + address,
            "Players: " + info.players,
            "Map: " + info.map,
            info.description,
            info.kind + "//" + info.os + " Server",
            "Password: " + info.password};
}
