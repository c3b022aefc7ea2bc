// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"
#include "query/search_details.h"

using Texts = std::vector<std::string>;

TEST_F(EngineAndPage, AnEmptyServerThatSendsNoPlayersShowsAnEmptyListInTheBrowserAndTheSearch)
{
    sim::GameServerConfig c{.answersClassic = false, .answersA2s = true, .a2sPlayersWhenEmpty = false};
    sim::SimGameServer& s = farm.AddGameServer(c);
    StartFarm();
    engine.details().QuerySelected(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return players.GetItemCount() == 0; }, 3000)); // no "Please Wait"
    QTest::qWait(app.settings.TimeoutMs() + 100); // nor a failure once the time-out passed
    EXPECT_EQ(Rows(&players), Texts{});
    CSearchDetailQuery search{app.settings};
    int shown = -1;
    QObject::connect(&search, &CSearchDetailQuery::playersReceived,
                     [&](const auto& list) { shown = int(list.size()); });
    search.Query(s.Address());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 0; }, 3000));
}

TEST_F(EngineAndPage, EachChallengeResendsOnlyWhatItRefusesAndARefusedOneIsNotSentAgain)
{
    app.settings.timeout = 1.5f; // no timed re-send while the challenges go back and forth
    app.settings.options.dialect = QueryDialect::A2s;
    sim::GameServerConfig c{.players = {{"alpha", 12, 125.7f}, {"bot", 0, -1.0f}},
                            .answersClassic = false,
                            .answersA2s = true,
                            .a2sChallenge = true,
                            .a2sChallengeValue = 0x11111111};
    sim::SimGameServer& s = farm.AddGameServer(c);
    StartFarm();
    // Per query: what each A2S request kind has reached, and the datagrams the server sent (the
    // ping's answer, an 'A' per request while the challenge held is wrong, the three replies):
    // the refused challenge goes with the next query's first requests, and never again.
    const struct {
        int each, sent;
    } queries[] = {{2, 7}, {4, 14}, {5, 18}};
    for (const auto& q : queries) {
        if (&q == &queries[1])
            s.SetA2sChallengeValue(0x12121212); // the server replaced its challenge
        engine.details().QuerySelected(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return s.Record().datagramsSent >= q.sent; }, 3000));
        QTest::qWait(100); // anything more would come now
        const sim::ServerRecord record = s.Record();
        EXPECT_EQ(record.datagramsSent, q.sent);
        for (const char* kind : {"A2S_INFO", "A2S_PLAYER", "A2S_RULES"})
            EXPECT_EQ(record.requestCounts.at(kind), q.each) << kind;
        EXPECT_EQ(Rows(&players), (Texts{"alpha | 12 | 2:5 | 1", "bot | 0 |  | 2"})); // no "0:-1"
    }
}

TEST_F(Engine, AServerAnsweringPingWithAckIsListedInClassicOnlyAndTimed)
{
    app.settings.options.dialect = QueryDialect::Classic;
    sim::SimGameServer& s = farm.AddGameServer({.answersClassic = false, .answersA2s = true, .pingAck = true});
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = master.Address();
    app.settings.wonMaster = false;
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(Rows(&servers), Texts{s.Address() + " | ??? | ??? | ??? | " + s.Address()});
    // Only "ack" can time the details: the server answers no other classic word.
    engine.details().QuerySelected(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemTextStd(0, 2) != "???"; }, 3000));
    EXPECT_GE(std::stoi(servers.GetItemTextStd(0, 2)), 0);
}
