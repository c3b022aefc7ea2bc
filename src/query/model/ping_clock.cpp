// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr int64_t kMillisecondsPerHour = 3600000;

int64_t MillisecondsIntoHour(int64_t minute, int64_t second, int64_t millisecond)
{
    return (minute * 60 + second) * 1000 + millisecond;
}

// One piece of a send time: digits only (no sign, no blanks), at most `limit`.
bool ReadPiece(std::string_view piece, int limit, int& out)
{
    if (piece.empty())
        return false;
    const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), out);
    return error == std::errc() && end == piece.data() + piece.size() && out >= 0 && out <= limit;
}

bool ReadSendTime(std::string_view text, int64_t& milliseconds)
{
    const std::size_t first = text.find('-');
    if (first == std::string_view::npos)
        return false;
    const std::size_t second = text.find('-', first + 1);
    if (second == std::string_view::npos || text.find('-', second + 1) != std::string_view::npos)
        return false;
    int m = 0, s = 0, ms = 0;
    if (!ReadPiece(text.substr(0, first), 59, m) || !ReadPiece(text.substr(first + 1, second - first - 1), 59, s) ||
        !ReadPiece(text.substr(second + 1), 999, ms))
        return false;
    milliseconds = MillisecondsIntoHour(m, s, ms);
    return true;
}

} // namespace

std::string SendTimeText(const platform::ClockTime& now)
{
    return std::to_string(now.minute) + "-" + std::to_string(now.second) + "-" + std::to_string(now.millisecond);
}

std::string PingAfter(const std::string& pingText, const platform::ClockTime& receive)
{
    if (pingText.find('-') == std::string::npos)
        return pingText;
    int64_t sent = 0;
    if (!ReadSendTime(pingText, sent))
        return pingText;
    const int64_t received = MillisecondsIntoHour(receive.minute, receive.second, receive.millisecond);
    const int64_t elapsed = ((received - sent) % kMillisecondsPerHour + kMillisecondsPerHour) % kMillisecondsPerHour;
    return std::to_string(elapsed);
}

void StampSendTime(ServerRecord& record, const platform::ClockTime& now)
{
    record.ping = SendTimeText(now);
}

void ComputePing(ServerRecord& record, const platform::ClockTime& receive)
{
    record.ping = PingAfter(record.ping, receive);
}
