// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/model/rcon_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

// The bytes of a literal, without the literal's own closing NUL; embedded NULs are kept.
template <std::size_t N> Datagram Raw(const char (&text)[N])
{
    return Datagram(text, text + N - 1);
}

Datagram Bytes(const std::string& text)
{
    return Datagram(text.begin(), text.end());
}

std::optional<uint32_t> Challenge(const Datagram& d, std::size_t len)
{
    return ParseRconChallenge(d.data(), len);
}

std::optional<uint32_t> Challenge(const Datagram& d)
{
    return Challenge(d, d.size());
}

// A challenge reply as a server sends it: the header, the text, a NUL.
Datagram ChallengeReply(const std::string& text)
{
    return Bytes("\xFF\xFF\xFF\xFF" + text + std::string(1, '\0'));
}

std::optional<std::string> Output(const Datagram& d)
{
    return DecodeRconOutput(d.data(), d.size());
}

// An output datagram as real servers send it: header, 'l', the text, two NULs.
Datagram OutputReply(const std::string& text)
{
    return Bytes("\xFF\xFF\xFF\xFFl" + text + std::string(2, '\0'));
}

} // namespace

// ---- Requests ----

TEST(RconRequests, ChallengeRequestIsTwentyBytes)
{
    EXPECT_EQ(BuildRconChallengeRequest(), Raw("\xFF\xFF\xFF\xFF"
                                               "challenge rcon\n\0"));
    EXPECT_EQ(BuildRconChallengeRequest().size(), 20u);
}

TEST(RconRequests, CommandIsUnsignedChallengeQuotedPasswordAndCommandUnescaped)
{
    EXPECT_EQ(BuildRconCommand(3000000000u, "secret", "status"),
              Raw("\xFF\xFF\xFF\xFFrcon 3000000000 \"secret\" status\0"));
    EXPECT_EQ(BuildRconCommand(4294967295u, "p", "echo hi there"),
              Raw("\xFF\xFF\xFF\xFFrcon 4294967295 \"p\" echo hi there\0"));
    // The password goes inside the quotes exactly as typed, quotes and backslashes included.
    EXPECT_EQ(BuildRconCommand(12, "pa\"ss\\w", "kick \"Bob\""),
              Raw("\xFF\xFF\xFF\xFFrcon 12 \"pa\"ss\\w\" kick \"Bob\"\0"));
    EXPECT_EQ(RconCommandText(0, "", ""), "rcon 0 \"\" ");
}

// ---- Challenge replies ----

TEST(RconChallenge, ReadsTheNumberAfterTheWord)
{
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 12345\n")), 12345u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon  \t\r\n 77\n")), 77u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 42abc")), 42u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 0042\n")), 42u);

    // Above the signed range it stays unsigned; longer numbers wrap.
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 3000000000\n")), 3000000000u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 4294967295\n")), 4294967295u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 4294967296\n")), 0u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 4294967297\n")), 1u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 18446744073709551621\n")), 5u);
}

TEST(RconChallenge, AReplyWithoutDigitsIsAChallengeOfZero)
{
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon \n")), 0u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon x1")), 0u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon -5")), 0u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon +5")), 0u);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon 0\n")), 0u);
}

TEST(RconChallenge, AnythingElseIsNoChallenge)
{
    EXPECT_EQ(Challenge(ChallengeReply("Challenge rcon 5\n")), std::nullopt);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon5\n")), std::nullopt);
    EXPECT_EQ(Challenge(ChallengeReply("challenge rcon\n")), std::nullopt); // our own request
    EXPECT_EQ(Challenge(ChallengeReply("challenge  rcon 5")), std::nullopt);
    EXPECT_EQ(Challenge(ChallengeReply(" challenge rcon 5")), std::nullopt);
    EXPECT_EQ(Challenge(Raw("\xFF\xFF\xFF\xFFlchallenge rcon 5\0\0")), std::nullopt);
    EXPECT_EQ(Challenge(Raw("\xFF\xFF\xFF\xFF"
                            "challenge\0rcon 5\0")),
              std::nullopt);
    EXPECT_EQ(Challenge(Datagram{}), std::nullopt);
    EXPECT_EQ(ParseRconChallenge(nullptr, 0), std::nullopt);
}

TEST(RconChallenge, TheHeaderBytesAreNotLookedAt)
{
    EXPECT_EQ(Challenge(Raw("\xFE\x00\x12\x34"
                            "challenge rcon 9\n\0")),
              9u);
}

TEST(RconChallenge, NeverReadsPastTheReceivedBytes)
{
    const Datagram d = ChallengeReply("challenge rcon 123456\n");
    // The word itself cut short: no challenge.
    EXPECT_EQ(Challenge(d, 4 + 14), std::nullopt);
    // The number cut short: the digits that came.
    EXPECT_EQ(Challenge(d, 4 + 15), 0u);
    EXPECT_EQ(Challenge(d, 4 + 15 + 3), 123u);
    // Digits after the NUL are not the number's.
    EXPECT_EQ(Challenge(Raw("\xFF\xFF\xFF\xFF"
                            "challenge rcon \0"
                            "55")),
              0u);
}

// ---- Output ----

TEST(RconOutput, OneLineShowsWithoutItsLineBreak)
{
    EXPECT_EQ(Output(OutputReply("ok\n")), "ok");
    EXPECT_EQ(Output(OutputReply("Bad rcon_password.\n")), "Bad rcon_password.");
}

TEST(RconOutput, SeveralLinesAreOneTextWithCarriageReturns)
{
    EXPECT_EQ(Output(OutputReply("a\nb\n")), "a\r\nb");
    EXPECT_EQ(Output(OutputReply("a\n\nb\n")), "a\r\n\r\nb");
    EXPECT_EQ(Output(OutputReply("\nx\n")), "\r\nx");
}

TEST(RconOutput, OutputSplitOverDatagramsLosesNothing)
{
    // Long output comes in parts, each ending wherever the server cut it.
    EXPECT_EQ(Output(OutputReply("a\nb")), "a\r\nb");
    EXPECT_EQ(Output(OutputReply("c\n")), "c");
    EXPECT_EQ(Output(OutputReply("players :  2 act")), "players :  2 act");
    EXPECT_EQ(Output(OutputReply("x")), "x");
}

TEST(RconOutput, NothingLeftShowsEmpty)
{
    EXPECT_EQ(Output(OutputReply("\n")), "-Empty-");
    EXPECT_EQ(Output(OutputReply("")), "-Empty-");
    EXPECT_EQ(Output(Raw("\xFF\xFF\xFF\xFFl")), "-Empty-");
}

TEST(RconOutput, HeaderAndTypeByteAreSkippedUnread)
{
    EXPECT_EQ(Output(Raw("\x00\x01\x02\x03Zhello\n\0")), "hello");
    EXPECT_EQ(Output(Raw("\xFF\xFF\xFF\xFF\xFFhello\n\0")), "hello");
}

TEST(RconOutput, TextEndsAtItsNulOrTheReceivedBytes)
{
    EXPECT_EQ(Output(Raw("\xFF\xFF\xFF\xFFlfirst\n\0second\n\0")), "first");
    // No NUL at all: the text is what came.
    EXPECT_EQ(Output(Raw("\xFF\xFF\xFF\xFFlno nul\n")), "no nul");
    const Datagram d = OutputReply("abcdef\n");
    EXPECT_EQ(DecodeRconOutput(d.data(), 5 + 3), "abc");
}

TEST(RconOutput, ShorterThanFiveBytesIsNoOutput)
{
    EXPECT_EQ(Output(Raw("\xFF\xFF\xFF\xFF")), std::nullopt);
    EXPECT_EQ(Output(Raw("l")), std::nullopt);
    EXPECT_EQ(Output(Datagram{}), std::nullopt);
    EXPECT_EQ(DecodeRconOutput(nullptr, 0), std::nullopt);
}

// One console's datagrams in turn, shown in UTF-8 ("-": nothing shown).
TEST(RconOutput, AConsolesDatagramsAreOneTextStream)
{
    RconOutputStream stream;
    auto show = [&stream](const std::string& text) {
        const Datagram d = OutputReply(text);
        return stream.Decode(d.data(), d.size()).value_or("-");
    };
    EXPECT_EQ(show("a\ncaf\xC3"), "a\r\ncaf");
    EXPECT_EQ(show("\xA9 au lait\n"), "\xC3\xA9 au lait");
    EXPECT_EQ(show("\xE2"), "-"); // nothing but the start of a character
    EXPECT_EQ(show("\x82\xAC\n"), "\xE2\x82\xAC");
    EXPECT_EQ(show("caf\xE9\n"), "caf\xC3\xA9"); // a line break ends what waits: Latin-1
    EXPECT_EQ(show("\n"), "-Empty-");
}

// Servers of today: "print\n" in place of the type byte, and the engine's colour codes.
TEST(RconOutput, PrintWordAndColourCodes)
{
    const struct {
        Datagram datagram;
        std::optional<std::string> shown;
    } cases[] = {
        {Raw("\xFF\xFF\xFF\xFFprint\nhostname: x\nmap: y\n\0"), "hostname: x\r\nmap: y"},
        {Raw("\xFF\xFF\xFF\xFFprint\n\n"), "-Empty-"},
        {Raw("\xFF\xFF\xFF\xFFprint\n\0"), std::nullopt}, // the word alone holds no output
        {Raw("\xFF\xFF\xFF\xFFprint\n"), std::nullopt},
        {Raw("\xFF\xFF\xFF\xFFprintx\0"), "rintx"}, // not the word: a type byte as always
        {OutputReply("^1Red ^7team ^x ^^2 9^\n"), "Red team ^x ^ 9^"},
        {OutputReply("^3\n"), "-Empty-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Output(c.datagram), c.shown) << std::string(c.datagram.begin(), c.datagram.end());

    // A code cut between two datagrams goes all the same.
    RconOutputStream stream;
    const std::string parts[] = {"a^", "1b", "^", "2c\n"};
    std::string shown;
    for (const std::string& part : parts) {
        const Datagram d = OutputReply(part);
        shown += stream.Decode(d.data(), d.size()).value_or("|");
    }
    EXPECT_EQ(shown, "ab|c");
}

TEST(RconRequests, WithoutAChallengeThePasswordIsQuotedOnlyWhenItHoldsABlank)
{
    EXPECT_EQ(BuildRconCommandWithoutChallenge("hunter2", "status"), Raw("\xFF\xFF\xFF\xFFrcon hunter2 status\0"));
    EXPECT_EQ(RconCommandTextWithoutChallenge("my pass", "say hi"), "rcon \"my pass\" say hi");
    EXPECT_EQ(RconCommandTextWithoutChallenge("a\tb", "users"), "rcon \"a\tb\" users");
    EXPECT_TRUE(IsSendableRconPassword("it's a \\secret"));
    EXPECT_FALSE(IsSendableRconPassword("hun\"ter2"));
}
