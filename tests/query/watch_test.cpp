// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/favorites_watch.h"
#include "query/slot_watch.h"
#include "settings/app_settings.h"
#include "sim_farm.h"

#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using Names = std::vector<std::string>;

// The watches against simulated servers on 127.0.0.1.
class Watch : public ::testing::Test {
protected:
    sim::SimGameServer& Add(const char* label, bool a2s, int maxPlayers, std::vector<sim::SimPlayer> players)
    {
        sim::GameServerConfig c;
        c.label = c.hostname = label;
        c.answersClassic = !a2s;
        c.answersA2s = c.a2sChallenge = a2s;
        c.maxPlayers = maxPlayers;
        c.players = std::move(players);
        return farm.AddGameServer(c);
    }
    void StartFarm()
    {
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    }
    int Asked(const char* label, const char* word) { return farm.FindGameServer(label)->Record().requestCounts[word]; }

    sim::SimFarm farm;
    AppSettings settings = [] {
        AppSettings s;
        s.timeout = 0.3f;
        return s;
    }();
};

struct SlotSignals {
    explicit SlotSignals(CSlotWatch& w)
    {
        QObject::connect(&w, &CSlotWatch::heard, &context,
                         [this](const std::string&, int p, int m, const std::string&) {
                             heard.push_back(std::to_string(p) + "/" + std::to_string(m));
                         });
        QObject::connect(&w, &CSlotWatch::slotFreed, &context, [this, &w](const std::string& a) {
            freed.push_back(a + (w.active() ? " while active" : ""));
        });
        QObject::connect(&w, &CSlotWatch::silent, &context, [this](const std::string& a) { silent.push_back(a); });
    }
    QObject context;
    Names heard, freed, silent;
};

} // namespace

TEST_F(Watch, ASlotWatchJoinsAtTheFirstFreeSlotInEitherDialect)
{
    Add("classic", false, 2, {{"a"}, {"b"}});
    Add("today", true, 2, {{"a"}, {"b"}});
    StartFarm();
    for (const char* label : {"classic", "today"}) {
        sim::SimGameServer& s = *farm.FindGameServer(label);
        CSlotWatch watch(settings);
        watch.SetIntervals(300, 5000);
        SlotSignals got(watch);
        watch.Start(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return got.heard.size() >= 3; }, 3000)) << label;
        EXPECT_EQ(got.heard.front(), "2/2") << label;
        s.SetPlayers({{"a"}}); // a player leaves
        ASSERT_TRUE(QTest::qWaitFor([&] { return !got.freed.empty(); }, 3000)) << label;
        const int asked = static_cast<int>(s.Record().requests.size());
        QTest::qWait(400);
        EXPECT_EQ(got.freed, Names{s.Address()}) << label; // once, the watch already stopped
        EXPECT_EQ(got.heard.back(), "1/2") << label;
        EXPECT_FALSE(watch.active());
        EXPECT_EQ(s.Record().requests.size(), static_cast<size_t>(asked)) << label;
        EXPECT_EQ(settings.options.serverDialects.at(s.Address()),
                  label[0] == 'c' ? QueryDialect::Classic : QueryDialect::A2s);
    }
    // Once the dialect is heard, each ask is one request in it.
    EXPECT_EQ(Asked("classic", "A2S_INFO"), 1);
    EXPECT_EQ(Asked("today", "infostring"), 1);
}

TEST_F(Watch, NothingButTheServersOwnSoundAnswerCountsAsAFreeSlot)
{
    struct Case {
        const char* label;
        int maxPlayers;
        sim::SimBehaviour behaviour;
        bool forged; // a free slot announced from another peer
        bool heard;
    };
    const Case cases[] = {{"truncated", 16, {.truncateAfter = 90}, false, false} /* up to "\\max\\1" */,
                          {"badheader", 16, {.wrongHeader = true}, false, false},
                          {"stranger", 16, {.silent = true}, true, false},
                          {"empty", 0, {}, false, true}};
    for (const Case& c : cases)
        Add(c.label, false, c.maxPlayers, {}).SetBehaviour(c.behaviour);
    StartFarm();
    for (const Case& c : cases) {
        sim::SimGameServer& s = *farm.FindGameServer(c.label);
        CSlotWatch watch(settings);
        watch.SetIntervals(100, 5000);
        SlotSignals got(watch);
        watch.Start(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !s.Record().requests.empty(); }, 2000));
        QUdpSocket stranger;
        const std::string peer = s.Record().requests[0].peer;
        static const char kForged[] = "\xFF\xFF\xFF\xFFinfostringresponse\0\\hostname\\x\\players\\0\\max\\16";
        if (c.forged) // the NUL that ends the literal ends the text
            stranger.writeDatagram(QByteArray(kForged, sizeof kForged), QHostAddress::LocalHost,
                                   std::stoi(peer.substr(peer.find(':') + 1)));
        QTest::qWait(600);
        EXPECT_EQ(!got.heard.empty(), c.heard) << c.label;
        EXPECT_TRUE(got.freed.empty()) << c.label;
        EXPECT_TRUE(watch.active()) << c.label;
    }
}

TEST_F(Watch, ASlotWatchEndsSilentOrWhenStopped)
{
    Add("dead", false, 2, {{"a"}, {"b"}}).SetBehaviour({.silent = true});
    Add("slow", false, 2, {}).SetBehaviour({.delayMs = 150});
    StartFarm();
    CSlotWatch watch(settings);
    watch.SetIntervals(100, 500);
    SlotSignals got(watch);
    const std::string dead = farm.FindGameServer("dead")->Address();
    watch.Start(dead);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !got.silent.empty(); }, 3000));
    EXPECT_EQ(got.silent, Names{dead});
    EXPECT_FALSE(watch.active());
    EXPECT_EQ(watch.address(), "");
    EXPECT_GE(Asked("dead", "infostring"), 9); // every ask, each re-sent twice

    // The answer to a free slot comes after Stop(): nothing is told, nothing more is asked.
    watch.SetIntervals(200, 5000);
    watch.Start(farm.FindGameServer("slow")->Address());
    QTest::qWait(50);
    watch.Stop();
    QTest::qWait(500);
    EXPECT_LE(Asked("slow", "infostring"), 2); // the ask, perhaps its first re-send; no more asks
    EXPECT_TRUE(got.heard.empty() && got.freed.empty());
    EXPECT_EQ(got.silent.size(), 1u);
}

TEST_F(Watch, ARoundHearsEachFavouriteOnceAndADeadOneHoldsNobodyUp)
{
    settings.timeout = 1.0f;
    Add("classic", false, 16, {{"alpha"}, {"beta"}});
    Add("today", true, 16, {{"J\xF6rg"}});
    Add("dead", false, 16, {}).SetBehaviour({.silent = true});
    StartFarm();
    CFavoritesWatch watch(settings);
    std::map<std::string, std::vector<Names>> heard;
    QObject::connect(&watch, &CFavoritesWatch::playersHeard,
                     [&](const std::string& a, const Names& names) { heard[a].push_back(names); });
    Names favorites;
    for (const char* label : {"classic", "today", "dead", "classic"})
        favorites.push_back(farm.FindGameServer(label)->Address());
    watch.SetAddresses([&] { return favorites; });
    for (int round = 1; round <= 2; ++round) {
        watch.AskNow();
        const auto heardRound = [&] {
            return heard.size() == 2 && std::all_of(heard.begin(), heard.end(), [&](const auto& h) {
                       return h.second.size() == static_cast<size_t>(round);
                   });
        };
        ASSERT_TRUE(QTest::qWaitFor(heardRound, 3000));
        EXPECT_TRUE(watch.roundRunning()); // the dead one is still waited for, alone
        ASSERT_TRUE(QTest::qWaitFor([&] { return !watch.roundRunning(); }, 3000));
    }
    EXPECT_EQ(heard, (std::map<std::string, std::vector<Names>>{{favorites[0], {{"alpha", "beta"}, {"alpha", "beta"}}},
                                                                {favorites[1], {{"J\xF6rg"}, {"J\xF6rg"}}}}));
    EXPECT_EQ(Asked("dead", "players"), 6); // each round: the request and two re-sends
    EXPECT_EQ(Asked("classic", "players"), 2);
    // Heard in A2S once, the server is asked in A2S alone from then on.
    EXPECT_EQ(Asked("today", "players"), 1);
}

TEST_F(Watch, FavouriteRoundsRepeatAtTheIntervalWithoutOverlapping)
{
    settings.timeout = 0.5f;
    Add("live", false, 16, {{"alpha"}});
    Add("dead", false, 16, {}).SetBehaviour({.silent = true});
    StartFarm();
    CFavoritesWatch watch(settings);
    watch.Start(10);
    EXPECT_EQ(watch.intervalMs(), CFavoritesWatch::kMinIntervalMs);
    int heard = 0;
    QObject::connect(&watch, &CFavoritesWatch::playersHeard, [&] { ++heard; });
    watch.SetAddresses([&] {
        return Names{farm.FindGameServer("live")->Address(), farm.FindGameServer("dead")->Address()};
    });
    watch.StartUnbounded(150); // the timer fires three times during each round
    QTest::qWait(1400);
    watch.Stop();
    const int dead = Asked("dead", "players");
    QTest::qWait(400);
    EXPECT_GE(heard, 2);
    EXPECT_LE(heard, 3);
    EXPECT_LE(dead, 3 * heard);
    EXPECT_EQ(Asked("dead", "players"), dead);
    EXPECT_FALSE(watch.active());
}
