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

// The text of an output datagram: after the header and the type byte, up to its NUL or the end
// of the bytes received.
std::optional<std::string_view> OutputBytes(const unsigned char* data, std::size_t len)
{
    if (!data || len < kOutputHeaderBytes)
        return std::nullopt;
    const auto* begin = reinterpret_cast<const char*>(data) + kOutputHeaderBytes;
    const auto* end = std::find(begin, reinterpret_cast<const char*>(data) + len, '\0');
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

std::string RconEchoLine(std::string_view command)
{
    return "-> " + std::string(command);
}

std::optional<std::string> DecodeRconOutput(const unsigned char* data, std::size_t len)
{
    const std::optional<std::string_view> text = OutputBytes(data, len);
    if (!text)
        return std::nullopt;
    return OutputLines(*text);
}

std::optional<std::string> RconOutputStream::Decode(const unsigned char* data, std::size_t len)
{
    const std::optional<std::string_view> bytes = OutputBytes(data, len);
    if (!bytes)
        return std::nullopt;
    const std::string text = text_.Decode(*bytes);
    if (text.empty() && !bytes->empty())
        return std::nullopt;
    return OutputLines(text);
}
