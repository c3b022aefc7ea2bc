// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"

#include "core/address.h"

#include <algorithm>

namespace {

using Texts = std::vector<std::string>;

// Servers of every kind the browser meets today, each with the same players and rules.
class Dialects : public EngineAndPage {
protected:
    struct Kind {
        const char* name;
        bool classic;
        bool a2s;
        bool challenge;
        sim::SimInfoKind info;
        int rulesPieces;
        bool lossy;
    };
    static constexpr Kind kKinds[] = {
        {"classic", true, false, false, sim::SimInfoKind::Source, 1, false},
        {"today", false, true, true, sim::SimInfoKind::Source, 3, false},
        {"nochallenge", false, true, false, sim::SimInfoKind::Source, 1, false},
        {"older", false, true, true, sim::SimInfoKind::GoldSrc, 1, false},
        {"mixed", false, true, true, sim::SimInfoKind::GoldSrcThenSource, 2, false},
        {"lossy", false, true, true, sim::SimInfoKind::Source, 1, true},
    };

    void AddKinds()
    {
        for (const Kind& k : kKinds) {
            sim::GameServerConfig c;
            c.label = c.hostname = k.name;
            c.map = std::string("map_") + k.name;
            c.players = {{"alpha", 12, 125.7f}, {"beta", -3, 59.9f}};
            c.rules = {{"mp_timelimit", "30"}, {"sv_gravity", "800"}};
            c.answersClassic = k.classic;
            c.answersA2s = k.a2s;
            c.a2sChallenge = k.challenge;
            c.a2sInfoKind = k.info;
            c.rulesPieces = k.rulesPieces;
            c.behaviour.lossy = k.lossy;
            farm.AddGameServer(c);
        }
        StartFarm();
        for (const Kind& k : kKinds)
            List(ServerList::Favorites, farm.FindGameServer(k.name)->Address(), {.name = k.name});
    }
};

TEST_F(Dialects, EveryKindOfServerFillsTheSameRows)
{
    app.settings.timeout = 0.6f; // room for a challenge round trip and a re-send
    AddKinds();
    refresh.RefreshFavorites();
    ASSERT_TRUE(WaitForProgressEnd());
    for (const Kind& k : kKinds) {
        const auto rows = Rows(&favorites);
        const std::string address = farm.FindGameServer(k.name)->Address();
        const std::string expected = std::string(k.name) + " | map_" + k.name + " | ";
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const std::string& r) {
            return r.rfind(expected, 0) == 0 && r.find(" | 2/16 | " + address) != std::string::npos;
        });
        EXPECT_NE(row, rows.end()) << k.name;
    }
    // The dialect each answered in is remembered for the next queries.
    EXPECT_EQ(app.settings.options.serverDialects.at(farm.FindGameServer("classic")->Address()), QueryDialect::Classic);
    EXPECT_EQ(app.settings.options.serverDialects.at(farm.FindGameServer("today")->Address()), QueryDialect::A2s);
}

TEST_F(Dialects, ClassicOnlyKeepsTheClassicWire)
{
    app.settings.options.dialect = QueryDialect::Classic;
    AddKinds();
    refresh.RefreshFavorites();
    ASSERT_TRUE(WaitForProgressEnd());
    QTest::qWait(300); // a re-send would have come by now
    for (const Kind& k : kKinds) {
        const sim::ServerRecord record = farm.FindGameServer(k.name)->Record();
        EXPECT_EQ(record.requestCounts.count("A2S_INFO"), 0u) << k.name;
        EXPECT_EQ(record.requests.size(), 1u) << k.name;
    }
    const auto rows = Rows(&favorites);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& r) { return r.find("???") == std::string::npos; }),
              1);
}

TEST_F(Engine, ADeadMasterGivesTheListBackAndSaysSo)
{
    AddServer("known");
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    master.SetBehaviour({.silent = true});
    StartFarm();
    const std::string known = farm.FindGameServer("known")->Address();
    refresh.AddServerByHand(ServerList::Servers, known);
    app.settings.masterServer = master.Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemText(0, 0) == CRefreshEngine::kMasterSilentText; }, 5000));
    EXPECT_EQ(Rows(&servers), (Texts{std::string(CRefreshEngine::kMasterSilentText) + " |  |  |  | ",
                                     known + " | ??? | ??? | ??? | " + known}));
    ASSERT_EQ(store.serverList().size(), 1u);
    EXPECT_EQ(store.serverList()[0]->address, known);
    EXPECT_EQ(master.Record().requests.size(), 2u); // the request and one re-send
}

TEST_F(Engine, TheMasterIsAskedPageAfterPageUntilTheListEndsAndALossyServerIsKept)
{
    for (int i = 0; i < 7; ++i)
        AddServer("page" + std::to_string(i));
    // Its first ping and first info request are lost: the re-sends keep it in the list.
    farm.FindGameServer("page5")->SetBehaviour({.lossy = true});
    sim::MasterConfig m;
    m.listAllGameServers = true;
    m.pageSize = 4; // three addresses and the end mark on the last page
    sim::SimMaster& master = farm.AddMaster(m);
    StartFarm();
    app.settings.masterServer = master.Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(servers.GetItemCount(), 7);
    EXPECT_EQ(master.Record().seeds, (std::vector<std::string>{"0.0.0.0:0", farm.FindGameServer("page3")->Address()}));
}

TEST_F(Engine, AMasterWhosePagesNeverAdvanceIsNotAskedOnAndTheNextUpdateGoesOut)
{
    for (int i = 0; i < 3; ++i)
        AddServer("same" + std::to_string(i));
    sim::SimMaster& master = farm.AddMaster({.listAllGameServers = true, .endlessPages = true});
    StartFarm();
    app.settings.masterServer = master.Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(servers.GetItemCount(), 3);
    // The second page brought nothing new: the paging ends there.
    EXPECT_EQ(master.Record().seeds, (std::vector<std::string>{"0.0.0.0:0", farm.FindGameServer("same2")->Address()}));
    refresh.RequestMasterList();
    // The next Update goes out, and it too stops after its second page.
    ASSERT_TRUE(QTest::qWaitFor([&] { return master.Record().requests.size() >= 4; }, 3000));
    QTest::qWait(200);
    EXPECT_EQ(master.Record().requests.size(), 4u);
}

TEST_F(Engine, AnUpdateTheMastersRequestLimitHoldsBackSaysSo)
{
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    master.SetBehaviour({.silent = true});
    StartFarm();
    app.settings.masterServer = master.Address();
    const auto status = [&](const char* text) { return Texts{std::string(text) + " |  |  |  | "}; };
    for (int i = 0; i < CMasterPager::kMaxRequestsPerMinute; ++i)
        refresh.RequestMasterList();
    EXPECT_EQ(Rows(&servers), status("Requesting Servers list to Steam"));
    refresh.RequestMasterList();
    EXPECT_EQ(Rows(&servers), status(CRefreshEngine::kMasterWaitText));
    QTest::qWait(100);
    EXPECT_EQ(master.Record().requests.size(), static_cast<size_t>(CMasterPager::kMaxRequestsPerMinute));
}

} // namespace

TEST_F(Dialects, LanServersOnLoopbackAreFoundInEitherDialect)
{
    AddKinds();
    // Loopback only: a target with a port is asked on that port alone, one without on the six
    // usual ones (where nothing of the tests listens on 127.0.0.2).
    for (const char* name : {"classic", "today", "older"})
        app.settings.options.lanTargets.push_back(farm.FindGameServer(name)->Address());
    app.settings.options.lanTargets.push_back("127.0.0.2");
    refresh.FindLanServers();
    EXPECT_EQ(servers.GetItemText(0, 0), CRefreshEngine::kLanSearchText);
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemTextStd(0, 4) != ""; }, 3000)); // the search ended
    Texts names = Column(servers, 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Texts{"classic", "older", "today"}));
    EXPECT_EQ(store.serverList().size(), 3u);
    EXPECT_EQ(farm.FindGameServer("today")->Record().requestCounts.at("A2S_INFO"), 2); // the challenge, then the info
}
