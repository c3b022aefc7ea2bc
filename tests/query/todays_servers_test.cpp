// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"
#include "query/search_details.h"

#include <algorithm>

// Servers of today's engine family that do not quite answer as the older ones: bots with a play
// time of -1, no players reply while empty, a challenge per request, "ack" for "ping".

namespace {

using Texts = std::vector<std::string>;

sim::GameServerConfig Today(const std::string& name)
{
    sim::GameServerConfig c;
    c.label = c.hostname = name;
    c.map = "map_" + name;
    c.answersClassic = false;
    c.answersA2s = true;
    c.players = {{"alpha", 12, 125.7f}};
    c.rules = {{"mp_timelimit", "30"}, {"sv_gravity", "800"}};
    return c;
}

int Carrying(const sim::ServerRecord& record, const std::string& challengeBytes)
{
    return static_cast<int>(std::count_if(record.requests.begin(), record.requests.end(), [&](const auto& r) {
        return r.request.find(challengeBytes) != std::string::npos;
    }));
}

} // namespace

TEST_F(Engine, ABotsPlayTimeShowsEmptyInEitherDialect)
{
    for (bool today : {false, true}) {
        sim::GameServerConfig c = Today(today ? "today" : "classic");
        c.answersClassic = !today;
        c.answersA2s = today;
        c.players = {{"alpha", 12, 125.7f}, {"bot", 0, -1.0f}};
        farm.AddGameServer(c);
    }
    StartFarm();
    for (const char* name : {"classic", "today"}) {
        engine.details().QuerySelected(farm.FindGameServer(name)->Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return players.GetItemCount() == 2; }, 3000)) << name;
        EXPECT_EQ(Rows(&players), (Texts{"alpha | 12 | 2:5 | 1", "bot | 0 |  | 2"})) << name;
    }
}

TEST_F(Engine, AnEmptyServerThatSendsNoPlayersShowsAnEmptyList)
{
    sim::GameServerConfig c = Today("empty");
    c.players.clear();
    c.a2sPlayersWhenEmpty = false;
    sim::SimGameServer& s = farm.AddGameServer(c);
    StartFarm();
    std::string ping;
    page.AddServerRow({"?", "?", ping, "?", s.Address()}, false);
    for (QueryDialect dialect : {QueryDialect::Automatic, QueryDialect::A2s}) {
        app.settings.options.dialect = dialect;
        app.settings.options.serverDialects.clear();
        engine.details().QuerySelected(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return rules.GetItemCount() == 2 && players.GetItemCount() == 0; }, 3000));
        QTest::qWait(app.settings.TimeoutMs() + 100); // past the time-out
        EXPECT_EQ(Rows(&players), Texts{});
        EXPECT_EQ(Rows(&rules), (Texts{"mp_timelimit | 30", "sv_gravity | 800"}));
        EXPECT_EQ(servers.GetItemText(0, 3), "0/16");
    }
    EXPECT_GE(s.Record().requestCounts.at("A2S_PLAYER"), 2);
}

TEST(SearchDetailsOfToday, AnEmptyServerThatSendsNoPlayersShowsAnEmptyList)
{
    sim::SimFarm farm;
    sim::GameServerConfig c = Today("empty");
    c.players.clear();
    c.a2sPlayersWhenEmpty = false;
    sim::SimGameServer& s = farm.AddGameServer(c);
    ASSERT_TRUE(farm.StartInOwnThread());
    AppSettings settings;
    CSearchDetailQuery query{settings};
    int playerLists = 0, ruleLists = 0;
    std::size_t playerCount = 99;
    QObject::connect(&query, &CSearchDetailQuery::playersReceived, [&](const std::vector<PlayerEntry>& list) {
        ++playerLists;
        playerCount = list.size();
    });
    QObject::connect(&query, &CSearchDetailQuery::rulesReceived, [&](const auto&) { ++ruleLists; });
    query.Query(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return playerLists == 1 && ruleLists == 1; }, 3000));
    EXPECT_EQ(playerCount, 0u);
}

TEST_F(Engine, EachChallengeResendsOnlyTheRequestItRefusesAndARefusedOneIsNotSentAgain)
{
    app.settings.timeout = 1.5f; // no timed re-send while the challenges go back and forth
    app.settings.options.dialect = QueryDialect::A2s;
    sim::GameServerConfig c = Today("today");
    c.a2sChallenge = true;
    c.a2sChallengeValue = 0x11111111;
    sim::SimGameServer& s = farm.AddGameServer(c);
    StartFarm();
    const std::string oldBytes = "\\x11\\x11\\x11\\x11", newBytes = "\\x12\\x12\\x12\\x12";
    // Each query: the ping and its answer, then per request kind what the server receives in
    // all so far, and the datagrams it has sent in all.
    const struct {
        int each;
        int sent;
    } queries[] = {
        {2, 7},  // asked, 'A', asked again with the challenge, answered
        {4, 14}, // the old challenge refused: the same again
        {5, 18}, // the challenge held is right: asked once, answered
    };
    for (const auto& q : queries) {
        if (&q == &queries[1])
            s.SetA2sChallengeValue(0x12121212);
        engine.details().QuerySelected(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return s.Record().datagramsSent >= q.sent; }, 3000));
        QTest::qWait(100); // anything more would come now
        const sim::ServerRecord record = s.Record();
        EXPECT_EQ(record.datagramsSent, q.sent);
        for (const char* kind : {"A2S_INFO", "A2S_PLAYER", "A2S_RULES"})
            EXPECT_EQ(record.requestCounts.at(kind), q.each) << kind;
        EXPECT_EQ(Rows(&players), Texts{"alpha | 12 | 2:5 | 1"});
        EXPECT_EQ(rules.GetItemCount(), 2);
    }
    // The old challenge went with the first re-sends and the next query's first three, never
    // after the server refused it.
    EXPECT_EQ(Carrying(s.Record(), oldBytes), 6);
    EXPECT_EQ(Carrying(s.Record(), newBytes), 6);
}

TEST_F(Engine, AServerAnsweringPingWithAckIsListedAndTimed)
{
    sim::GameServerConfig c = Today("acker");
    c.pingAck = true;
    sim::SimGameServer& s = farm.AddGameServer(c);
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = master.Address();
    app.settings.wonMaster = false;
    // The classic words alone: the ping lists it, its info never comes.
    const struct {
        QueryDialect dialect;
        const char* map;
        bool timed;
    } cases[] = {{QueryDialect::Automatic, "map_acker", true}, {QueryDialect::Classic, "???", false}};
    for (const auto& k : cases) {
        app.settings.options.dialect = k.dialect;
        refresh.RequestMasterList();
        ASSERT_TRUE(WaitForProgressEnd()) << k.map;
        ASSERT_EQ(Column(servers, 4), Texts{s.Address()}) << k.map;
        EXPECT_EQ(servers.GetItemTextStd(0, 1), k.map);
        EXPECT_EQ(servers.GetItemTextStd(0, 2) != "???", k.timed) << k.map;
    }
    // In the classic words alone only "ack" can time the details and the player search.
    engine.details().QuerySelected(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemTextStd(0, 2) != "???"; }, 3000));
    EXPECT_GE(std::stoi(servers.GetItemTextStd(0, 2)), 0);
    CSearchDetailQuery search{app.settings};
    std::string ping;
    QObject::connect(&search, &CSearchDetailQuery::pingReceived, [&](const std::string& text) { ping = text; });
    search.Query(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ping.empty(); }, 3000));
    EXPECT_GE(std::stoi(ping), 0);
}
