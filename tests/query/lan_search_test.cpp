// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"
#include "query/model/exchange.h"
#include "sim_replies.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <functional>
#include <memory>

namespace {

using Texts = std::vector<std::string>;

// A LAN search on loopback, its targets the servers given, run until its time-out has passed.
class LanSearch : public Engine {
protected:
    sim::SimGameServer& AddToday(const std::string& name, bool endless)
    {
        sim::GameServerConfig c;
        c.label = c.hostname = name;
        c.answersClassic = false;
        c.answersA2s = c.a2sChallenge = true;
        c.a2sEndlessChallenges = endless;
        return farm.AddGameServer(c);
    }
    void Search(
        const std::vector<std::string>& targets, const std::function<void()>& meanwhile = [] {})
    {
        app.settings.timeout = 0.6f;
        app.settings.options.lanTargets = targets;
        refresh.FindLanServers();
        ASSERT_TRUE(inside.lanSearch().running());
        meanwhile();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !inside.lanSearch().running(); }, 5000));
    }
};

TEST_F(LanSearch, AServerThatOnlyEverSendsChallengesIsAnsweredThreeTimes)
{
    AddToday("endless", true);
    StartFarm();
    sim::SimGameServer& endless = *farm.FindGameServer("endless");
    Search({endless.Address()});
    const sim::ServerRecord record = endless.Record();
    EXPECT_EQ(record.requestCounts.at("A2S_INFO"), 1 + ServerExchange::kMaxChallengeResends);
    EXPECT_EQ(record.requestCounts.at("infostring"), 1);
    EXPECT_EQ(Rows(&servers), Texts{std::string(CRefreshEngine::kNoServerText) + " |  |  |  | "});
}

TEST_F(LanSearch, ForgedChallengesAndAnswersFromSendersNeverAskedGoUnanswered)
{
    AddToday("today", false);
    StartFarm();
    sim::SimGameServer& today = *farm.FindGameServer("today");
    // Senders a forger would name: the search's own host on ports never asked, and another
    // loopback host. Each sends challenges and answers, a few at a time.
    std::vector<std::unique_ptr<QUdpSocket>> forgers;
    for (const char* host : {"127.0.0.1", "127.0.0.1", "127.0.0.3", "127.0.0.3"}) {
        forgers.push_back(std::make_unique<QUdpSocket>());
        ASSERT_TRUE(forgers.back()->bind(QHostAddress(QString(host)), 0));
    }
    sim::GameServerConfig forged;
    forged.hostname = "forged";
    const QByteArray datagrams[] = {sim::ChallengeReply(0x01020304), sim::SourceInfoReply(forged, 27015),
                                    sim::InfostringReply(forged)};
    Search({today.Address()}, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemCount() == 2; }, 3000)); // found
        for (int round = 0; round < 200; ++round, QTest::qWait(1))
            for (auto& f : forgers)
                for (const QByteArray& d : datagrams)
                    f->writeDatagram(d, QHostAddress::LocalHost, inside.lanSearch().localPort());
    });
    int reflected = 0;
    for (auto& f : forgers)
        for (; f->hasPendingDatagrams(); ++reflected)
            f->receiveDatagram();
    EXPECT_EQ(reflected, 0);
    // The server asked is found all the same, its own challenge answered.
    EXPECT_EQ(Column(servers, 0), Texts{"today"});
    ASSERT_EQ(store.serverList().size(), 1u);
    EXPECT_EQ(store.serverList()[0]->address, today.Address());
    EXPECT_EQ(today.Record().requestCounts.at("A2S_INFO"), 2);
}

TEST_F(LanSearch, OneSearchListsAtMostSoManyServers)
{
    const int count = CLanSearch::kMaxServers + 20;
    std::vector<std::string> targets;
    for (int i = 0; i < count; ++i)
        AddServer("lan" + std::to_string(i), i % 100); // the answers spread over a tenth of a second
    StartFarm();
    for (int i = 0; i < count; ++i)
        targets.push_back(farm.GameServer(static_cast<size_t>(i)).Address());
    Search(targets);
    EXPECT_EQ(servers.GetItemCount(), CLanSearch::kMaxServers);
    EXPECT_EQ(store.serverList().size(), static_cast<size_t>(CLanSearch::kMaxServers));
}

} // namespace
