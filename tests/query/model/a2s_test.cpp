// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/a2s.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <std::size_t N> Datagram Raw(const char (&text)[N])
{
    return Datagram(text, text + N - 1);
}

Datagram operator+(Datagram a, const Datagram& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Hex(const Datagram& d)
{
    std::string out;
    for (unsigned char c : d) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    return out;
}

TEST(A2sRequests, BytesOnTheWire)
{
    EXPECT_EQ(BuildA2sInfo(), Raw("\xFF\xFF\xFF\xFFTSource Engine Query\0"));
    EXPECT_EQ(BuildA2sInfo().size(), 25u);
    EXPECT_EQ(BuildA2sInfo(0x04030201), Raw("\xFF\xFF\xFF\xFFTSource Engine Query\0\x01\x02\x03\x04"));
    EXPECT_EQ(BuildA2sPlayers(), Raw("\xFF\xFF\xFF\xFFU\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(BuildA2sRules(), Raw("\xFF\xFF\xFF\xFFV\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(Hex(BuildA2sPlayers(-2)), "FF FF FF FF 55 FE FF FF FF ");
    EXPECT_EQ(Hex(BuildA2sRules(0x7F000001)), "FF FF FF FF 56 01 00 00 7F ");
}

TEST(A2sReplies, ChallengesAreReadOnlyWhole)
{
    int32_t challenge = 0;
    EXPECT_TRUE(DecodeChallenge(Raw("\xFF\xFF\xFF\xFF\x41\x78\x56\x34\x12").data(), 9, challenge));
    EXPECT_EQ(challenge, 0x12345678);
    const Datagram cut = Raw("\xFF\xFF\xFF\xFF\x41\x78\x56\x34");
    EXPECT_FALSE(DecodeChallenge(cut.data(), cut.size(), challenge));
    const Datagram noHeader = Raw("\xFE\xFF\xFF\xFF\x41\x78\x56\x34\x12");
    EXPECT_FALSE(DecodeChallenge(noHeader.data(), noHeader.size(), challenge));
}

// Today's 'I' reply: protocol, name, map, folder, game, app id, players, max, bots, type, os,
// password, VAC, version, and extra data.
const Datagram kSourceInfo = Raw("\xFF\xFF\xFF\xFFI\x30"
                                 "Harbour Night\0"
                                 "dock_2\0"
                                 "znk\0"
                                 "ZNK Team Play\0"
                                 "\x46\x00"
                                 "\x0B\x10\x03"
                                 "dl\x01\x01"
                                 "1.1.2.2\0"
                                 "\x80\x87\x69");
// The older 'm' reply: address, name, map, folder, game, players, max, protocol, type, os,
// password, is-mod with its fields, VAC, bots.
const Datagram kGoldSrcInfo = Raw("\xFF\xFF\xFF\xFFm"
                                  "127.0.0.1:27015\0"
                                  "Quarry Old\0"
                                  "pit\0"
                                  "znk\0"
                                  "ZNK Team Play\0"
                                  "\x02\x0C\x2F"
                                  "Lw\x00\x01"
                                  "http://mod.example\0http://dl.example\0\0"
                                  "\x01\x00\x00\x00\x00\x10\x00\x00\x00\x01"
                                  "\x01\x02");

TEST(A2sReplies, InfoFillsTheSameFieldsAsTheClassicReply)
{
    struct Case {
        const char* what;
        Datagram reply;
        InfoReply expected;
    };
    const std::vector<Case> cases = {
        {"I",
         kSourceInfo,
         {"Harbour Night", "dock_2", "11/16", "ZNK Team Play", "Dedicated", "Linux", "Yes",
          "ZNK Team Play|Dedicated//Linux Server|Password: Yes"}},
        {"m",
         kGoldSrcInfo,
         {"Quarry Old", "pit", "2/12", "ZNK Team Play", "Listen", "Windows", "No",
          "ZNK Team Play|Listen//Windows Server|Password: No"}},
    };
    for (const Case& c : cases) {
        InfoReply info;
        ASSERT_TRUE(DecodeA2sInfo(c.reply.data(), c.reply.size(), info)) << c.what;
        EXPECT_EQ(info.name, c.expected.name) << c.what;
        EXPECT_EQ(info.map, c.expected.map) << c.what;
        EXPECT_EQ(info.players, c.expected.players) << c.what;
        EXPECT_EQ(info.kind, c.expected.kind) << c.what;
        EXPECT_EQ(info.os, c.expected.os) << c.what;
        EXPECT_EQ(info.password, c.expected.password) << c.what;
        EXPECT_EQ(info.info, c.expected.info) << c.what;
    }
}

TEST(A2sReplies, InfoCutBeforeThePasswordIsNoInfoAndEveryCutIsSafe)
{
    for (const Datagram& full : {kSourceInfo, kGoldSrcInfo}) {
        std::size_t firstWhole = 0;
        for (std::size_t len = 0; len <= full.size(); ++len) {
            const Datagram cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len));
            InfoReply info;
            info.name = "before";
            const bool decoded = DecodeA2sInfo(cut.data(), cut.size(), info);
            if (decoded && !firstWhole)
                firstWhole = len;
            if (!decoded) {
                EXPECT_EQ(info.name, "before");
            }
        }
        // Whole from the password byte on, whatever follows is cut.
        const std::size_t passwordEnd =
            full == kSourceInfo ? 5 + 1 + 14 + 7 + 4 + 14 + 2 + 3 + 3 : 5 + 16 + 11 + 4 + 4 + 14 + 3 + 3;
        EXPECT_EQ(firstWhole, passwordEnd);
    }
}

Datagram Piece(int32_t id, int number, int count, const Datagram& bytes)
{
    Datagram piece{0xFE, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 4; ++i)
        piece.push_back(static_cast<unsigned char>(static_cast<uint32_t>(id) >> (8 * i)));
    piece.push_back(static_cast<unsigned char>(number << 4 | count));
    return piece + bytes;
}

std::optional<Datagram> Feed(SplitJoiner& joiner, const std::string& sender, const Datagram& piece, int64_t ms = 0)
{
    return joiner.Add(sender, piece.data(), piece.size(), ms);
}

TEST(SplitReplies, PiecesInAnyOrderJoinIntoOneReply)
{
    const Datagram a = Raw("\xFF\xFF\xFF\xFF\x45\x03\x00"),
                   b = Raw("sv_gravity\0"
                           "800\0"),
                   c = Raw("mp_timelimit\0"
                           "30\0"
                           "znk_melee\0"
                           "1\0");
    for (const std::vector<int>& order : std::vector<std::vector<int>>{{0, 1, 2}, {2, 0, 1}, {1, 2, 0}}) {
        SplitJoiner joiner;
        const Datagram pieces[] = {Piece(7, 0, 3, a), Piece(7, 1, 3, b), Piece(7, 2, 3, c)};
        std::optional<Datagram> joined;
        for (std::size_t i = 0; i < order.size(); ++i) {
            joined = Feed(joiner, "s", pieces[order[i]]);
            EXPECT_EQ(joined.has_value(), i == 2);
            // Another sender's set with the same id never mixes in.
            Feed(joiner, "other", Piece(7, order[i], 4, Raw("x")));
        }
        ASSERT_TRUE(joined);
        EXPECT_EQ(*joined, a + b + c);
        EXPECT_EQ(joiner.SetCount(), 1u); // "other" still waits
    }
}

TEST(SplitReplies, UnsoundSetsAreDroppedWithoutHarm)
{
    const Datagram head = Raw("\xFF\xFF\xFF\xFF\x45");
    struct Case {
        const char* what;
        std::vector<Datagram> pieces;
    };
    const std::vector<Case> cases = {
        {"count 0", {Piece(1, 0, 0, head)}},
        {"count 1", {Piece(1, 0, 1, head)}},
        {"number past count", {Piece(1, 0, 2, head), Piece(1, 3, 2, Raw("x"))}},
        {"oversize piece", {Piece(1, 0, 2, head), Piece(1, 1, 2, Datagram(SplitJoiner::kMaxPieceBytes + 1, 'x'))}},
        {"count changes", {Piece(1, 0, 2, head), Piece(1, 1, 3, Raw("x"))}},
        {"joined without header", {Piece(1, 0, 2, Raw("\x00\x02\x05")), Piece(1, 1, 2, Raw("x"))}},
        {"cut header", {Raw("\xFE\xFF\xFF\xFF\x01\x00\x00")}},
        // The other engine family: total, number, size, then the bytes.
        {"12-byte header",
         {Raw("\xFE\xFF\xFF\xFF\x01\x00\x00\x00\x02\x00\x05\x00\xFF\xFF\xFF\xFF\x45"),
          Raw("\xFE\xFF\xFF\xFF\x01\x00\x00\x00\x02\x01\x01\x00x")}},
    };
    for (const Case& c : cases) {
        SplitJoiner joiner;
        for (const Datagram& p : c.pieces)
            EXPECT_FALSE(Feed(joiner, "s", p)) << c.what;
    }
}

TEST(SplitReplies, WaitingSetsAreBoundedAndExpire)
{
    SplitJoiner joiner;
    for (int id = 0; id < 10; ++id)
        Feed(joiner, "s", Piece(id, 0, 2, Raw("\xFF\xFF\xFF\xFF")), id);
    EXPECT_EQ(joiner.SetCount(), SplitJoiner::kMaxSetsPerSender);
    // The oldest went first: the set of id 9 still completes, that of id 0 no longer does.
    EXPECT_FALSE(Feed(joiner, "s", Piece(0, 1, 2, Raw("E"))));
    EXPECT_TRUE(Feed(joiner, "s", Piece(9, 1, 2, Raw("E"))));

    for (std::size_t n = 0; n < SplitJoiner::kMaxSenders + 10; ++n)
        Feed(joiner, std::to_string(n), Piece(1, 0, 2, Raw("\xFF\xFF\xFF\xFF")), 100);
    EXPECT_LE(joiner.SetCount(), SplitJoiner::kMaxSenders * SplitJoiner::kMaxSetsPerSender);
    joiner.DropExpired(1099, 1000);
    EXPECT_GT(joiner.SetCount(), 0u);
    joiner.DropExpired(1100, 1000);
    EXPECT_EQ(joiner.SetCount(), 0u);
}

} // namespace
