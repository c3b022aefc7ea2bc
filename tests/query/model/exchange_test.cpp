// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each request as the first word after FF FF FF FF, and A2S ones as their letter and challenge.
std::vector<std::string> Words(const std::vector<Datagram>& requests)
{
    std::vector<std::string> words;
    for (const Datagram& d : requests) {
        const char type = static_cast<char>(d.at(4));
        if (type == 'T' || type == 'U' || type == 'V') {
            std::string word(1, type);
            const std::size_t tail = type == 'T' ? 25 : 5;
            if (d.size() > tail)
                word += ":" + std::to_string(static_cast<uint32_t>(d[tail] | d[tail + 1] << 8 | d[tail + 2] << 16 |
                                                                   static_cast<uint32_t>(d[tail + 3]) << 24));
            words.push_back(word);
        } else {
            words.emplace_back(reinterpret_cast<const char*>(d.data() + 4));
        }
    }
    return words;
}

Datagram Challenge(uint32_t value)
{
    return {0xFF,
            0xFF,
            0xFF,
            0xFF,
            'A',
            static_cast<unsigned char>(value),
            static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16),
            static_cast<unsigned char>(value >> 24)};
}

const Datagram kClassicInfo = BuildPacket("infostringresponse");
const Datagram kPlayers = {0xFF, 0xFF, 0xFF, 0xFF, 'D', 0};
const Datagram kSourceInfo = [] {
    Datagram d = {0xFF, 0xFF, 0xFF, 0xFF, 'I', 48, 'n', 0, 'm', 0, 'f', 0, 'g', 0, 70, 0, 1, 8, 0, 'd', 'l', 0};
    return d;
}();

TEST(ServerExchange, TheDialectDecidesWhatIsSent)
{
    using W = std::vector<std::string>;
    struct Case {
        QueryDialect setting;
        ServerDialect known;
        std::vector<Ask> asks;
        W words;
    };
    const std::vector<Case> cases = {
        {QueryDialect::Classic, ServerDialect::A2s, {Ask::Info}, W{"infostring"}},
        {QueryDialect::Automatic, ServerDialect::Unknown, {Ask::Info}, W{"infostring", "T"}},
        {QueryDialect::Automatic, ServerDialect::Classic, {Ask::Players, Ask::Rules}, W{"players", "rules"}},
        // A2S_PLAYER goes last.
        {QueryDialect::Automatic, ServerDialect::A2s, {Ask::Players, Ask::Rules}, W{"V:4294967295", "U:4294967295"}},
        {QueryDialect::A2s, ServerDialect::Classic, {Ask::Info, Ask::Players}, W{"T", "U:4294967295"}},
    };
    for (const Case& c : cases) {
        ServerExchange exchange(c.asks, c.setting, c.known);
        EXPECT_EQ(Words(exchange.Requests()), c.words) << static_cast<int>(c.setting);
    }
    // A challenge held from before is sent at once.
    Challenges held;
    held[static_cast<std::size_t>(Ask::Rules)] = 7;
    EXPECT_EQ(Words(ServerExchange({Ask::Rules}, QueryDialect::A2s, ServerDialect::Unknown, held).Requests()),
              W{"V:7"});
}

TEST(ServerExchange, EachChallengeResendsTheOneRequestItRefusesAtMostThreeTimes)
{
    ServerExchange exchange({Ask::Players, Ask::Rules}, QueryDialect::A2s, ServerDialect::Unknown);
    exchange.Requests();
    std::vector<Datagram> send;
    // In the order sent; a copy of an 'A' finds no request it refused; past three re-sends a
    // request takes its 'A' without answering.
    for (uint32_t round : {1, 1, 1, 2, 2, 3, 3, 4, 4}) {
        const Datagram challenge = Challenge(round);
        EXPECT_FALSE(exchange.Take(challenge.data(), challenge.size(), send));
    }
    EXPECT_EQ(Words(send), (std::vector<std::string>{"V:1", "U:1", "V:2", "U:2", "V:3", "U:3"}));
    EXPECT_EQ(exchange.ChallengesHeld()[1], 4);

    const auto answer = exchange.Take(kPlayers.data(), kPlayers.size(), send);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->ask, Ask::Players);
    EXPECT_TRUE(exchange.Answered(Ask::Players));
    EXPECT_FALSE(exchange.AllAnswered());
    EXPECT_EQ(Words(exchange.Requests()), (std::vector<std::string>{"V:4"}));
}

TEST(ServerExchange, TheOthersCarryTheNewChallengeAtTheirReSend)
{
    // The challenge of the query before, which the server replaced: never sent again. None: a
    // request still waiting takes the new one (an empty server ignores A2S_PLAYER, so the 'A'
    // taken for it may have been the rules').
    using W = std::vector<std::string>;
    const struct {
        std::optional<int32_t> held;
        W first;
    } cases[] = {{7, W{"V:7", "U:7"}}, {std::nullopt, W{"V:4294967295", "U:4294967295"}}};
    for (const auto& c : cases) {
        Challenges held;
        held.fill(c.held);
        ServerExchange exchange({Ask::Rules, Ask::Players}, QueryDialect::A2s, ServerDialect::A2s, held);
        EXPECT_EQ(Words(exchange.Requests()), c.first);
        std::vector<Datagram> send;
        const Datagram challenge = Challenge(8);
        exchange.Take(challenge.data(), challenge.size(), send);
        EXPECT_EQ(Words(send), W{"V:8"});
        EXPECT_EQ(Words(exchange.Requests()), (W{"V:8", "U:8"}));
    }
}

TEST(ServerExchange, TheFirstInfoReplyFixesTheDialect)
{
    struct Case {
        QueryDialect setting;
        Datagram reply;
        bool taken;
        ServerDialect dialect;
    };
    const std::vector<Case> cases = {
        {QueryDialect::Automatic, kSourceInfo, true, ServerDialect::A2s},
        {QueryDialect::Automatic, kClassicInfo, true, ServerDialect::Classic},
        {QueryDialect::Classic, kSourceInfo, false, ServerDialect::Classic},
        {QueryDialect::A2s, kClassicInfo, false, ServerDialect::A2s},
        {QueryDialect::Automatic, Challenge(5), false, ServerDialect::Unknown},
        {QueryDialect::Automatic, kPlayers, false, ServerDialect::Unknown}, // not asked
    };
    for (const Case& c : cases) {
        ServerExchange exchange({Ask::Info}, c.setting, ServerDialect::Unknown);
        std::vector<Datagram> send;
        const auto answer = exchange.Take(c.reply.data(), c.reply.size(), send);
        EXPECT_EQ(answer.has_value(), c.taken) << static_cast<int>(c.setting);
        EXPECT_EQ(exchange.Dialect(), c.dialect) << static_cast<int>(c.setting);
        if (answer) {
            EXPECT_EQ(answer->kind, ReplyKind::Info);
            EXPECT_EQ(answer->reply, c.reply);
        }
    }
}

TEST(ServerExchange, AnA2sInfoReplyToTheProbeSendsWhatIsStillAskedInA2s)
{
    ServerExchange exchange({Ask::Players, Ask::Rules}, QueryDialect::Automatic, ServerDialect::Unknown);
    std::vector<Datagram> send;
    const Datagram challenge = Challenge(9);
    EXPECT_FALSE(exchange.Take(challenge.data(), challenge.size(), send));
    EXPECT_EQ(Words(send), (std::vector<std::string>{"T:9"}));
    send.clear();
    EXPECT_FALSE(exchange.Take(kSourceInfo.data(), kSourceInfo.size(), send));
    EXPECT_EQ(exchange.Dialect(), ServerDialect::A2s);
    EXPECT_EQ(Words(send), (std::vector<std::string>{"V:4294967295", "U:4294967295"}));
    EXPECT_EQ(Words(exchange.Requests()), (std::vector<std::string>{"V:4294967295", "U:4294967295"}));
}

} // namespace
