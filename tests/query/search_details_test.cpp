// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"
#include "query/search_details.h"
#include "settings/app_settings.h"
#include "sim_farm.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// What the query tells the player search about one server.
struct SearchAnswers {
    explicit SearchAnswers(CSearchDetailQuery& query)
    {
        QObject::connect(&query, &CSearchDetailQuery::infoReceived, &context,
                         [this](const std::string& from, const InfoReply& reply) {
                             address = from;
                             info = reply;
                             ++infos;
                         });
        QObject::connect(&query, &CSearchDetailQuery::pingReceived, &context,
                         [this](const std::string& text) { ping = text; });
        QObject::connect(&query, &CSearchDetailQuery::playersReceived, &context,
                         [this](const std::vector<PlayerEntry>& list) { players = list; });
        QObject::connect(&query, &CSearchDetailQuery::rulesReceived, &context,
                         [this](const std::vector<std::pair<std::string, std::string>>& list) { rules = list; });
    }
    bool Complete() const { return infos > 0 && !ping.empty() && !players.empty() && !rules.empty(); }

    QObject context;
    std::string address;
    InfoReply info;
    int infos = 0;
    std::string ping;
    std::vector<PlayerEntry> players;
    std::vector<std::pair<std::string, std::string>> rules;
};

// The search's detail query against one simulated server on 127.0.0.1.
class SearchDetails : public ::testing::Test {
protected:
    sim::SimGameServer& Start(const sim::GameServerConfig& c)
    {
        sim::SimGameServer& s = farm.AddGameServer(c);
        std::string error;
        EXPECT_TRUE(farm.StartInOwnThread(&error)) << error;
        return s;
    }

    sim::SimFarm farm;
    AppSettings settings;
    CSearchDetailQuery query{settings};
    SearchAnswers answers{query};
};

} // namespace

TEST_F(SearchDetails, FillTheSearchPanes)
{
    sim::GameServerConfig c;
    c.hostname = "Pipe|in the name";
    c.description = "Capture|mode";
    c.type = 'l';
    c.os = 'w';
    c.password = true;
    c.maxPlayers = 12;
    c.players = {{"gamma", 7, 61.0f}};
    c.rules = {{"mp_timelimit", "25"}};
    sim::SimGameServer& s = Start(c);

    query.Query(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Complete(); }, 3000));
    EXPECT_EQ(answers.address, s.Address());
    EXPECT_EQ(answers.info.name, "Pipe|in the name");
    // The parts come decoded, not split again out of the joined line: a '|' of the
    // description's own stays in it.
    EXPECT_EQ(answers.info.description, "Capture|mode");
    EXPECT_EQ(SearchInfoLines(answers.address, answers.info),
              (std::vector<std::string>{"Ip: " + s.Address(), "Players: 1/12", "Map: dusk_canyon", "Capture|mode",
                                        "Listen//Windows Server", "Password: Yes"}));
    EXPECT_GE(std::stoi(answers.ping), 0);
    ASSERT_EQ(answers.players.size(), 1u);
    EXPECT_EQ(answers.players[0].time, "1:1");
    ASSERT_EQ(answers.rules.size(), 1u);
    EXPECT_EQ(answers.rules[0].second, "25");
    // The order on the wire: infostring, rules, players, then the A2S info request that asks
    // for the dialect of a server not heard yet, and ping.
    std::vector<std::string> words;
    for (const auto& r : s.Record().requests)
        words.push_back(r.request);
    EXPECT_EQ(words, (std::vector<std::string>{"infostring", "rules", "players", "TSource Engine Query\\x00", "ping"}));
}

TEST_F(SearchDetails, EightBitNamesComeAsSent)
{
    sim::GameServerConfig c;
    c.hostname = "Caf\xE9 Fran\xE7oise";
    c.map = "for\xEAt";
    c.players = {{"J\xF6rg", 3, 61.0f}, {"Zo\xC3\xAB", 1, 5.0f}};
    c.rules = {{"sv_motd", "Bienvenue \xE0 tous"}};
    sim::SimGameServer& s = Start(c);

    // The search gets the bytes as sent, for its page to show the way the browser does.
    query.Query(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Complete(); }, 3000));
    EXPECT_EQ(answers.info.name, c.hostname);
    EXPECT_EQ(answers.info.map, c.map);
    EXPECT_EQ(answers.players[0].name, "J\xF6rg");
}

TEST_F(SearchDetails, AServerOfTodayBehindAChallengeFillsThemToo)
{
    sim::GameServerConfig c;
    c.hostname = "Today";
    c.answersClassic = false;
    c.answersA2s = true;
    c.a2sChallenge = true;
    c.rulesPieces = 2;
    c.players = {{"gamma", 7, 61.0f}};
    c.rules = {{"mp_timelimit", "25"}};
    sim::SimGameServer& s = Start(c);

    query.Query(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Complete(); }, 3000));
    EXPECT_EQ(answers.info.name, "Today");
    ASSERT_EQ(answers.players.size(), 1u);
    EXPECT_EQ(answers.players[0].name, "gamma");
    ASSERT_EQ(answers.rules.size(), 1u);
    EXPECT_EQ(answers.rules[0].second, "25");
}
