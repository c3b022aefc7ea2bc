// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/model/rcon_protocol.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kOutputHeaderBytes = 5; // the header and the type byte

bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text of an output datagram: after the header and the type byte (or the word that servers
// of today send in its place), up to its NUL or the end of the bytes received. The word alone
// is no output: such servers send it with nothing after when a command printed nothing.
std::optional<std::string_view> OutputBytes(const unsigned char* data, std::size_t len)
{
    if (!data || len < kOutputHeaderBytes)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const bool word = std::string_view(bytes + kHeaderBytes, len - kHeaderBytes).starts_with(kRconPrintWord);
    const auto* begin = bytes + (word ? kHeaderBytes + kRconPrintWord.size() : kOutputHeaderBytes);
    const auto* end = std::find(begin, bytes + len, '\0');
    if (word && end == begin)
        return std::nullopt;
    return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

// The output text as one append: "\n" made "\r\n", the closing line break taken off, nothing
// left shown as "-Empty-".
std::string OutputLines(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + 16);
    for (const char c : bytes) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    if (text.empty())
        return std::string(kRconEmptyOutputLine);
    return text;
}

} // namespace

Datagram BuildRconChallengeRequest()
{
    return BuildPacket(kRconChallengeRequest);
}

std::optional<uint32_t> ParseRconChallenge(const unsigned char* data, std::size_t len)
{
    const std::size_t wordEnd = kHeaderBytes + kRconChallengeReplyWord.size();
    if (!data || len < wordEnd ||
        std::memcmp(data + kHeaderBytes, kRconChallengeReplyWord.data(), kRconChallengeReplyWord.size()) != 0)
        return std::nullopt;
    std::size_t i = wordEnd;
    while (i < len && IsSpace(data[i]))
        ++i;
    // Unsigned arithmetic wraps, which is the modulo 2^32 of a number longer than 32 bits.
    uint32_t value = 0;
    for (; i < len && data[i] >= '0' && data[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(data[i] - '0');
    return value;
}

std::string RconCommandText(uint32_t challenge, std::string_view password, std::string_view command)
{
    std::string text = "rcon ";
    text += std::to_string(challenge);
    text += " \"";
    text += password;
    text += "\" ";
    text += command;
    return text;
}

Datagram BuildRconCommand(uint32_t challenge, std::string_view password, std::string_view command)
{
    return BuildPacket(RconCommandText(challenge, password, command));
}

std::string RconCommandTextWithoutChallenge(std::string_view password, std::string_view command)
{
    const bool blank =
        std::any_of(password.begin(), password.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    std::string text = "rcon ";
    if (blank)
        text += '"';
    text += password;
    if (blank)
        text += '"';
    text += ' ';
    text += command;
    return text;
}

Datagram BuildRconCommandWithoutChallenge(std::string_view password, std::string_view command)
{
    return BuildPacket(RconCommandTextWithoutChallenge(password, command));
}

bool IsSendableRconPassword(std::string_view password)
{
    return password.find('"') == std::string_view::npos;
}

std::string StripColourCodes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
            ++i;
        else
            out += text[i];
    }
    return out;
}

std::string RconEchoLine(std::string_view command)
{
    return "-> " + std::string(command);
}

std::optional<std::string> DecodeRconOutput(const unsigned char* data, std::size_t len)
{
    const std::optional<std::string_view> text = OutputBytes(data, len);
    if (!text)
        return std::nullopt;
    return OutputLines(StripColourCodes(*text));
}

std::optional<std::string> RconOutputStream::Decode(const unsigned char* data, std::size_t len)
{
    const std::optional<std::string_view> bytes = OutputBytes(data, len);
    if (!bytes)
        return std::nullopt;
    std::string text = text_.Decode(*bytes);
    if (caret_)
        text.insert(text.begin(), '^');
    // A '^' at the very end may be the first half of a code whose digit starts the next datagram.
    caret_ = !text.empty() && text.back() == '^';
    if (caret_)
        text.pop_back();
    text = StripColourCodes(text);
    if (text.empty() && !bytes->empty())
        return std::nullopt;
    return OutputLines(text);
}
