// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/utf8.h"
#include "query/model/protocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The game server's remote-console protocol. The console asks for a challenge number, then
// sends every command with that number and the operator's password; the server answers with
// output datagrams. Some servers of today never hand out a challenge and take the password and
// the command alone. All requests use the connectionless framing of BuildPacket. Decoders are
// given the number of bytes received and never look past them: anyone can send to the socket.

// Sent when a console opens: 20 bytes on the wire.
inline constexpr std::string_view kRconChallengeRequest = "challenge rcon\n";
// How the server's answer to it starts, after FF FF FF FF; the number follows.
inline constexpr std::string_view kRconChallengeReplyWord = "challenge rcon ";
// A console reads at most this much of one datagram.
inline constexpr std::size_t kRconReceiveLimit = 2046;
// What servers of today start an output datagram with, after FF FF FF FF, in place of the type
// byte.
inline constexpr std::string_view kRconPrintWord = "print\n";

// The lines the console adds of its own.
inline constexpr std::string_view kRconChallengeAcceptedLine = "\\\\ Challenge Accepted //";
inline constexpr std::string_view kRconEmptyOutputLine = "-Empty-";
inline constexpr std::string_view kRconNotConnectedLine = "<< Can't send: Not connected >>";
inline constexpr std::string_view kRconNoChallengeLine = "<< The server sent no challenge: commands go without one >>";
inline constexpr std::string_view kRconNoAnswerLine = "<< No answer from the server (a wrong password gets none) >>";
inline constexpr std::string_view kRconQuotedPasswordLine = "<< Can't send: the password holds a \" >>";

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

// "rcon <password> <command>" for a server that hands out no challenge: the password quoted only
// when it holds a blank (any byte up to the space, where the server splits words).
std::string RconCommandTextWithoutChallenge(std::string_view password, std::string_view command);
Datagram BuildRconCommandWithoutChallenge(std::string_view password, std::string_view command);

// False for a password holding a double quote: nothing can escape it inside the quotes, so the
// server would end the password there and read the rest of the secret as the command, and log it.
bool IsSendableRconPassword(std::string_view password);

// The text without the engine's colour codes: every '^' followed by a digit goes, the digit too.
std::string StripColourCodes(std::string_view text);

// The line shown before a command goes out.
std::string RconEchoLine(std::string_view command);

// What an output datagram shows, as the text of one append (lines separated by "\r\n"):
// the text after the header and the type byte (or the word "print\n" where the type byte would
// be), up to its NUL or the end of the received bytes, without colour codes, every "\n" made
// "\r\n", and the line break it ends with taken off — only when it ends with one, since long
// output comes in several datagrams that each end mid-line. Nothing left shows as "-Empty-".
// nullopt for a datagram of fewer than five bytes, and for "print\n" with nothing after it:
// they hold no output at all.
std::optional<std::string> DecodeRconOutput(const unsigned char* data, std::size_t len);

// One console's output datagrams as one text stream: each datagram shows what DecodeRconOutput
// gives, in UTF-8 — valid UTF-8 as it is, anything else read as Latin-1 — with a character or a
// colour code that the size limit cut between two datagrams shown whole (or taken off), with the
// second. A datagram that ends in a line break holds nothing back, so the end of an output never
// waits for the next one.
class RconOutputStream {
public:
    // nullopt also for a datagram whose text is nothing but the start of such a character.
    std::optional<std::string> Decode(const unsigned char* data, std::size_t len);

private:
    Utf8Stream text_;
    bool caret_ = false; // the last datagram ended in a '^' that the next may make a colour code
};
