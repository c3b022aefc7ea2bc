#pragma once
#include "core/utf8.h"
#include "query/model/protocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The game server's remote-console protocol. The console asks once for a challenge number, then
// sends every command with that number and the operator's password; the server answers with
// output datagrams. All requests use the connectionless framing of BuildPacket. Decoders are
// given the number of bytes received and never look past them: anyone can send to the socket.

// Sent once when a console opens: 20 bytes on the wire.
inline constexpr std::string_view kRconChallengeRequest = "challenge rcon\n";
// How the server's answer to it starts, after FF FF FF FF; the number follows.
inline constexpr std::string_view kRconChallengeReplyWord = "challenge rcon ";
// A console reads at most this much of one datagram.
inline constexpr std::size_t kRconReceiveLimit = 2046;

// The lines the console adds of its own.
inline constexpr std::string_view kRconChallengeAcceptedLine = "\\\\ Challenge Accepted //";
inline constexpr std::string_view kRconEmptyOutputLine = "-Empty-";
inline constexpr std::string_view kRconNotConnectedLine = "<< Can't send: Not connected >>";

Datagram BuildRconChallengeRequest();

// The challenge number of a reply: nullopt unless the text after the four header bytes starts
// with exactly "challenge rcon " (case-sensitive). The number is what follows: white space is
// skipped, then decimal digits are read up to the first other byte, modulo 2^32. No digits
// read as 0 — still a challenge reply, though one that leaves the console waiting.
std::optional<uint32_t> ParseRconChallenge(const unsigned char* data, std::size_t len);

// "rcon <challenge> \"<password>\" <command>": the number unsigned decimal, the password
// quoted, the command as typed; nothing is escaped.
std::string RconCommandText(uint32_t challenge, std::string_view password, std::string_view command);
Datagram BuildRconCommand(uint32_t challenge, std::string_view password, std::string_view command);

// The line shown before a command goes out.
std::string RconEchoLine(std::string_view command);

// What an output datagram shows, as the text of one append (lines separated by "\r\n"):
// the text after the header and the type byte, up to its NUL or the end of the received bytes,
// every "\n" made "\r\n", and the line break it ends with taken off — only when it ends with
// one, since long output comes in several datagrams that each end mid-line. Nothing left shows
// as "-Empty-". nullopt for a datagram of fewer than five bytes: it holds no output at all.
std::optional<std::string> DecodeRconOutput(const unsigned char* data, std::size_t len);

// One console's output datagrams as one text stream: each datagram shows what DecodeRconOutput
// gives, in UTF-8 — valid UTF-8 as it is, anything else read as Latin-1 — with a character that
// the size limit cut between two datagrams shown whole, with the second. A datagram that ends in
// a line break holds nothing back, so the end of an output never waits for the next one.
class RconOutputStream {
public:
    // nullopt also for a datagram whose text is nothing but the start of such a character.
    std::optional<std::string> Decode(const unsigned char* data, std::size_t len);

private:
    Utf8Stream text_;
};
