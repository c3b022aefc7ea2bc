// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The bytes of a literal, without the literal's own closing NUL; embedded NULs are kept.
template <std::size_t N> Datagram Raw(const char (&text)[N])
{
    return Datagram(text, text + N - 1);
}

Datagram Cut(const Datagram& bytes, std::size_t len)
{
    return Datagram(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(len));
}

ReplyKind Classify(const Datagram& d, bool checkHeader = true)
{
    return ClassifyReply(d.data(), d.size(), checkHeader);
}

std::vector<PlayerEntry> Players(const Datagram& d)
{
    return DecodePlayers(d.data(), d.size());
}

std::vector<std::pair<std::string, std::string>> Rules(const Datagram& d)
{
    return DecodeRules(d.data(), d.size());
}

using RuleList = std::vector<std::pair<std::string, std::string>>;

// An info reply with the given key/value text after the word.
Datagram InfoWith(const std::string& text)
{
    const std::string bytes = std::string("\xFF\xFF\xFF\xFFinfostringresponse", 23) + text + '\0';
    return Datagram(bytes.begin(), bytes.end());
}

InfoReply Info(const std::string& text)
{
    const Datagram d = InfoWith(text);
    InfoReply out;
    EXPECT_TRUE(DecodeInfo(d.data(), d.size(), out));
    return out;
}

} // namespace

// ---- Requests ----

TEST(ProtocolPacket, EachCommandIsHeaderTextAndNul)
{
    EXPECT_EQ(BuildPacket(kPingCommand), Raw("\xFF\xFF\xFF\xFFping\0"));
    EXPECT_EQ(BuildPacket(kPlayersCommand), Raw("\xFF\xFF\xFF\xFFplayers\0"));
    EXPECT_EQ(BuildPacket(kRulesCommand), Raw("\xFF\xFF\xFF\xFFrules\0"));
    EXPECT_EQ(BuildPacket(kInfoCommand), Raw("\xFF\xFF\xFF\xFFinfostring\0"));
    EXPECT_EQ(BuildPacket(kPingCommand).size(), 9u);
    EXPECT_EQ(BuildPacket(kPlayersCommand).size(), 12u);
    EXPECT_EQ(BuildPacket(kRulesCommand).size(), 10u);
    EXPECT_EQ(BuildPacket(kInfoCommand).size(), 15u);
    EXPECT_EQ(BuildPacket(""), Raw("\xFF\xFF\xFF\xFF\0"));
}

// ---- Classification ----

TEST(ProtocolReplyKind, TypeByteAfterHeader)
{
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFF"
                           "D\x00")),
              ReplyKind::Players);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFF"
                           "E\x00\x00")),
              ReplyKind::Rules);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFinfostringresponse\0\\map\\x\0")), ReplyKind::Info);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFj\0")), ReplyKind::Ping);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFm\0")), ReplyKind::Unknown);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFF")), ReplyKind::Unknown);
}

TEST(ProtocolReplyKind, HeaderDecidesOnlyWhenChecked)
{
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFE"
                           "D\x00")),
              ReplyKind::Dropped);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF")), ReplyKind::Dropped);
    EXPECT_EQ(Classify(Datagram{}), ReplyKind::Dropped);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFE"
                           "D\x00"),
                       false),
              ReplyKind::Players);
    EXPECT_EQ(Classify(Raw("abcdj"), false), ReplyKind::Ping);
    EXPECT_EQ(Classify(Raw("abc"), false), ReplyKind::Unknown);
}

TEST(ProtocolReplyKind, InfoWordMustBeWholeAndTerminated)
{
    // Longer word, shorter word, and the word cut before its NUL.
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFinfostringresponses\0")), ReplyKind::Unknown);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFinfostring\0")), ReplyKind::Unknown);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFinfostringresponse")), ReplyKind::Unknown);
    EXPECT_EQ(Classify(Raw("\xFF\xFF\xFF\xFFinfostringresponse\0")), ReplyKind::Info);
}

TEST(ProtocolReplyKind, PingReplyIsByteFourOnly)
{
    const Datagram ping = Raw("\x00\x00\x00\x00j");
    EXPECT_TRUE(IsPingReply(ping.data(), ping.size()));
    const Datagram other = Raw("\xFF\xFF\xFF\xFFk");
    EXPECT_FALSE(IsPingReply(other.data(), other.size()));
    EXPECT_FALSE(IsPingReply(ping.data(), 4));
}

TEST(ProtocolReplyKind, AckAnswersPingToo)
{
    const std::pair<Datagram, bool> cases[] = {
        {Raw("\377\377\377\377ack"), true},   {Raw("\377\377\377\377ack\0"), true},
        {Raw("\377\377\377\377ack\n"), true}, {Raw("\377\377\377\377acks"), false},
        {Raw("\377\377\377\377ac"), false},   {Raw("\377\377\377\377Ack"), false}};
    for (const auto& [reply, ping] : cases)
        EXPECT_EQ(Classify(reply) == ReplyKind::Ping, ping) << reply.size();
}

// ---- Players ----

TEST(ProtocolPlayers, EntriesWithTheirDisplayTexts)
{
    const Datagram reply = Raw("\xFF\xFF\xFF\xFF"
                               "D\x02"
                               "\x01"
                               "Tamsin\0"
                               "\x07\x00\x00\x00"
                               "\x66\x66\xFB\x42" // 7, 125.7 s
                               "\xC8"
                               "Mira\0"
                               "\xFD\xFF\xFF\xFF"
                               "\x9A\x99\x6F\x42"); // -3, 59.9 s
    const std::vector<PlayerEntry> players = Players(reply);
    ASSERT_EQ(players.size(), 2u);
    EXPECT_EQ(players[0].id, "1");
    EXPECT_EQ(players[0].name, "Tamsin");
    EXPECT_EQ(players[0].score, "7");
    EXPECT_EQ(players[0].time, "2:5");
    EXPECT_EQ(players[0].index, 1);
    EXPECT_EQ(players[0].scoreValue, 7);
    EXPECT_FLOAT_EQ(players[0].seconds, 125.7f);
    EXPECT_EQ(players[1].id, "200");
    EXPECT_EQ(players[1].name, "Mira");
    EXPECT_EQ(players[1].score, "-3");
    EXPECT_EQ(players[1].scoreValue, -3);
    EXPECT_EQ(players[1].time, "0:59");
}

TEST(ProtocolPlayers, CountZeroOrMissingGivesNoEntries)
{
    EXPECT_TRUE(Players(Raw("\xFF\xFF\xFF\xFF"
                            "D\x00"
                            "\x01"
                            "Bob\0"
                            "\x01\x00\x00\x00"
                            "\x00\x00\x00\x00"))
                    .empty());
    EXPECT_TRUE(Players(Raw("\xFF\xFF\xFF\xFF"
                            "D"))
                    .empty());
    // The count is unsigned: 0x80 announces 128, not a negative number.
    EXPECT_EQ(Players(Raw("\xFF\xFF\xFF\xFF"
                          "D\x80"
                          "\x01"
                          "Bob\0"
                          "\x01\x00\x00\x00"
                          "\x00\x00\x00\x00"))
                  .size(),
              1u);
}

TEST(ProtocolPlayers, CutOffEntryEndsTheList)
{
    const Datagram reply = Raw("\xFF\xFF\xFF\xFF"
                               "D\x03"
                               "\x01"
                               "Bob\0"
                               "\x01\x00\x00\x00"
                               "\x00\x00\x00\x00"
                               "\x02"
                               "Eve\0"
                               "\x02\x00\x00\x00"
                               "\x00\x00\x00\x00"
                               "\x03"
                               "Mallory\0"
                               "\x03\x00\x00\x00"
                               "\x00\x00\x00\x00");
    const std::size_t secondEntryStart = 6 + 13;
    // Cut mid-name (no NUL received), mid-score, mid-time, and right after the index byte.
    for (std::size_t len : {secondEntryStart + 2, secondEntryStart + 6, secondEntryStart + 11, secondEntryStart + 1}) {
        const std::vector<PlayerEntry> players = Players(Cut(reply, len));
        ASSERT_EQ(players.size(), 1u) << "cut at " << len;
        EXPECT_EQ(players[0].name, "Bob");
    }
    // Cut exactly after the second entry: two whole entries survive.
    EXPECT_EQ(Players(Cut(reply, secondEntryStart + 13)).size(), 2u);
    // A count larger than the entries sent.
    Datagram more = reply;
    more[5] = 9;
    EXPECT_EQ(Players(more).size(), 3u);
}

TEST(ProtocolPlayers, PlayTimeTextInSinglePrecision)
{
    EXPECT_EQ(FormatPlayTime(0.0f), "0:0");
    EXPECT_EQ(FormatPlayTime(3600.0f), "60:0");
    // A hair under a minute: exact arithmetic would give 0 minutes, the game's float math 1.
    EXPECT_EQ(FormatPlayTime(59.9999962f), "1:59");
    EXPECT_EQ(FormatPlayTime(119.999992f), "2:59");
}

TEST(ProtocolPlayers, TimesThatAreNoDurationShowNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (float t : {-1.0f, -61.5f, nan, inf, -inf})
        EXPECT_EQ(FormatPlayTime(t), "") << t;
    // Finite but past an int: minutes still fit; the float product rounds 50000002.6 to 50000004.
    EXPECT_EQ(FormatPlayTime(3.0e9f), "50000004:-8");
}

// ---- Rules ----

TEST(ProtocolRules, PairsInOrder)
{
    const Datagram reply = Raw("\xFF\xFF\xFF\xFF"
                               "E\x02\x00"
                               "mp_timelimit\0"
                               "30\0"
                               "sv_gravity\0"
                               "800\0");
    EXPECT_EQ(Rules(reply), (RuleList{{"mp_timelimit", "30"}, {"sv_gravity", "800"}}));
    // An empty value is a value.
    EXPECT_EQ(Rules(Raw("\xFF\xFF\xFF\xFF"
                        "E\x01\x00"
                        "sv_password\0"
                        "\0")),
              (RuleList{{"sv_password", ""}}));
}

TEST(ProtocolRules, CountBelowOneGivesNoRules)
{
    EXPECT_TRUE(Rules(Raw("\xFF\xFF\xFF\xFF"
                          "E\x00\x00"
                          "a\0"
                          "1\0"))
                    .empty());
    EXPECT_TRUE(Rules(Raw("\xFF\xFF\xFF\xFF"
                          "E\xFF\xFF"
                          "a\0"
                          "1\0"))
                    .empty()); // -1
    EXPECT_TRUE(Rules(Raw("\xFF\xFF\xFF\xFF"
                          "E\x00\x80"
                          "a\0"
                          "1\0"))
                    .empty()); // -32768
    EXPECT_TRUE(Rules(Raw("\xFF\xFF\xFF\xFF"
                          "E\x01"))
                    .empty()); // count cut off
}

TEST(ProtocolRules, CountIsSignedLittleEndian)
{
    // 0x8001 is negative; read the other way round it would announce 384 pairs.
    EXPECT_TRUE(Rules(Raw("\xFF\xFF\xFF\xFF"
                          "E\x01\x80"
                          "a\0"
                          "1\0"))
                    .empty());
    EXPECT_EQ(Rules(Raw("\xFF\xFF\xFF\xFF"
                        "E\x80\x01"
                        "a\0"
                        "1\0"
                        "b\0"
                        "2\0"))
                  .size(),
              2u);
}

TEST(ProtocolRules, CutOffPairIsDroppedAndEndsTheList)
{
    const Datagram reply = Raw("\xFF\xFF\xFF\xFF"
                               "E\x03\x00"
                               "a\0"
                               "1\0"
                               "bb\0"
                               "22\0"
                               "c\0"
                               "3\0");
    EXPECT_EQ(Rules(Cut(reply, 11 + 1)), (RuleList{{"a", "1"}})); // mid second name
    EXPECT_EQ(Rules(Cut(reply, 11 + 3)), (RuleList{{"a", "1"}})); // name whole, value missing
    EXPECT_EQ(Rules(Cut(reply, 11 + 5)), (RuleList{{"a", "1"}})); // mid value
    EXPECT_EQ(Rules(Cut(reply, 11 + 6)), (RuleList{{"a", "1"}, {"bb", "22"}}));
}

// ---- Info ----

TEST(ProtocolInfo, DedicatedLinuxServerWithoutPassword)
{
    const InfoReply info = Info("\\protocol\\46\\hostname\\Zone Night\\map\\quarryway\\description\\Capture mode"
                                "\\players\\7\\max\\16\\lan\\0\\type\\d\\os\\l\\password\\0\\modversion\\1.1");
    EXPECT_EQ(info.name, "Zone Night");
    EXPECT_EQ(info.map, "quarryway");
    EXPECT_EQ(info.players, "7/16");
    EXPECT_EQ(info.info, "Capture mode|Dedicated//Linux Server|Password: No");
    EXPECT_EQ(info.description, "Capture mode");
    EXPECT_EQ(info.kind, "Dedicated");
    EXPECT_EQ(info.os, "Linux");
    EXPECT_EQ(info.password, "No");
}

TEST(ProtocolInfo, SearchLinesComeFromThePartsNotFromTheJoinedLine)
{
    // A '|' inside the description would shift the parts of a line split again.
    const InfoReply info = Info("\\hostname\\A|B\\map\\m\\description\\Capture|mode\\players\\1\\max\\12"
                                "\\type\\l\\os\\w\\password\\1");
    EXPECT_EQ(info.info, "Capture|mode|Listen//Windows Server|Password: Yes");
    EXPECT_EQ(SearchInfoLines("1.2.3.4:27015", info),
              (std::vector<std::string>{"Ip: 1.2.3.4:27015", "Players: 1/12", "Map: m", "Capture|mode",
                                        "Listen//Windows Server", "Password: Yes"}));
    // Parts a server leaves out stay empty, as in the joined line.
    EXPECT_EQ(SearchInfoLines("x", Info("\\map\\m")),
              (std::vector<std::string>{"Ip: x", "Players: /", "Map: m", "", "// Server", "Password: "}));
}

TEST(ProtocolInfo, ListenWindowsServerWithPassword)
{
    const InfoReply info = Info("\\hostname\\h\\type\\l\\os\\w\\password\\1");
    EXPECT_EQ(info.info, "|Listen//Windows Server|Password: Yes");
    // Only the exact letters select Dedicated, Linux and No.
    EXPECT_EQ(Info("\\type\\D\\os\\L\\password\\00").info, "|Listen//Windows Server|Password: Yes");
}

TEST(ProtocolInfo, EmptyValuesKeepTheirPlace)
{
    // Every backslash separates: two in a row hold an empty value, and the pairs after it stay
    // pairs (the description is not taken for the map).
    const InfoReply info = Info("\\hostname\\Zone\\map\\\\description\\Capture mode\\type\\d");
    EXPECT_EQ(info.name, "Zone");
    EXPECT_EQ(info.map, "");
    EXPECT_EQ(info.info, "Capture mode|Dedicated// Server|Password: ");
    const InfoReply nameless = Info("\\hostname\\\\map\\quarryway");
    EXPECT_EQ(nameless.name, "");
    EXPECT_EQ(nameless.map, "quarryway");
    EXPECT_EQ(Info("\\hostname\\\\map\\\\players\\\\max\\16").players, "/16");
    // A text without its leading backslash, or with one after its last value, reads the same.
    EXPECT_EQ(Info("hostname\\Zone\\map\\quarryway\\").map, "quarryway");
    EXPECT_EQ(Info("hostname\\Zone\\map\\quarryway\\").name, "Zone");
}

TEST(ProtocolInfo, AbsentKeysLeaveTheirPartsEmpty)
{
    const InfoReply info = Info("\\map\\quarryway");
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(info.map, "quarryway");
    EXPECT_EQ(info.players, "/");
    EXPECT_EQ(info.info, "|// Server|Password: ");
    EXPECT_EQ(Info("").info, "|// Server|Password: ");
    EXPECT_EQ(Info("\\players\\3").players, "3/");
}

TEST(ProtocolInfo, KeysAreExactAndTheLastOneWins)
{
    const InfoReply info = Info("\\map\\first\\Map\\upper\\map\\second\\mapx\\other");
    EXPECT_EQ(info.map, "second");
}

TEST(ProtocolInfo, MissingLastValueIsEmpty)
{
    EXPECT_EQ(Info("\\map\\quarryway\\hostname").name, "");
    EXPECT_EQ(Info("\\map\\quarryway\\hostname\\").name, "");
    EXPECT_EQ(Info("\\hostname\\Zone\\map").map, "");
}

TEST(ProtocolInfo, TextEndsAtItsNulOrAtTheLastByte)
{
    Datagram d = InfoWith("\\hostname\\Zone\\map\\quarryway");
    d.insert(d.end(), {'\\', 'm', 'a', 'x', '\\', '9', 0});
    InfoReply out;
    ASSERT_TRUE(DecodeInfo(d.data(), d.size(), out));
    EXPECT_EQ(out.players, "/");

    const Datagram unterminated = Cut(InfoWith("\\hostname\\Zone\\map\\quarryway"), 23 + 25);
    ASSERT_TRUE(DecodeInfo(unterminated.data(), unterminated.size(), out));
    EXPECT_EQ(out.map, "quarry");
}

TEST(ProtocolInfo, WrongWordIsRefusedAndLeavesOutAlone)
{
    InfoReply out;
    out.name = out.map = out.players = out.description = out.info = "keep";
    const Datagram wrong = Raw("\xFF\xFF\xFF\xFFinfostringresponsX\0\\hostname\\Zone\0");
    EXPECT_FALSE(DecodeInfo(wrong.data(), wrong.size(), out));
    const Datagram shortWord = Raw("\xFF\xFF\xFF\xFFinfostring\0\\hostname\\Zone\\map\\quarryway\0");
    EXPECT_FALSE(DecodeInfo(shortWord.data(), shortWord.size(), out));
    const Datagram noNul = Raw("\xFF\xFF\xFF\xFFinfostringresponse");
    EXPECT_FALSE(DecodeInfo(noNul.data(), noNul.size(), out));
    EXPECT_EQ(out.name, "keep");
    EXPECT_EQ(out.description, "keep");
    EXPECT_EQ(out.info, "keep");
}
