// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"

#include "core/compare_texts.h"

#include <algorithm>

namespace {

using Texts = std::vector<std::string>;

class Masters : public Engine {
protected:
    // A Steam master listing the servers of these labels, in order.
    sim::SimMaster& ListMaster(const Texts& labels, bool silent = false, int pageSize = 681)
    {
        sim::MasterConfig m;
        m.pageSize = pageSize;
        for (const std::string& label : labels)
            m.entries.push_back({.serverLabel = label});
        m.behaviour.silent = silent;
        return farm.AddMaster(m);
    }
    void AddServers(int count)
    {
        for (int i = 0; i < count; ++i)
            AddServer("s" + std::to_string(i));
    }
    std::string Address(const std::string& label) { return farm.FindGameServer(label)->Address(); }
    Texts SortedAddresses() const
    {
        Texts shown = Column(servers, 4);
        std::sort(shown.begin(), shown.end());
        return shown;
    }
    Texts FarmAddresses(int count)
    {
        Texts all;
        for (int i = 0; i < count; ++i)
            all.push_back(Address("s" + std::to_string(i)));
        std::sort(all.begin(), all.end());
        return all;
    }
};

TEST_F(Masters, OverlappingListsOfSeveralMastersArePingedAndListedOnce)
{
    AddServers(6);
    sim::SimMaster& first = ListMaster({"s0", "s1", "s2", "s3"});
    sim::SimMaster& second = ListMaster({"s2", "s3", "s4", "s5", "s4"});
    // Slower than the ping phase of the first one's servers: the phase waits for its list.
    second.SetBehaviour({.delayMs = 400});
    StartFarm();
    app.settings.masterServer = first.Address();
    // A master named twice, or by another name, is asked once.
    app.settings.options.moreMasters = {second.Address(), "", second.Address(),
                                        "localhost:" + std::to_string(first.Port())};
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(SortedAddresses(), FarmAddresses(6));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(farm.FindGameServer("s" + std::to_string(i))->Record().requestCounts["ping"], 1) << i;
    for (const sim::SimMaster* master : {&first, &second}) {
        ASSERT_EQ(master->Record().requests.size(), 1u);
        EXPECT_EQ(master->Record().requests[0].request, "1\\xFF0.0.0.0:0\\x00\\x5Cgamedir\\x5Cznk\\x00");
    }
}

TEST_F(Masters, EachMasterIsPagedWithItsOwnSeeds)
{
    AddServers(8);
    // Three entries a page: the second page holds the last address and the end mark.
    sim::SimMaster& first = ListMaster({"s0", "s1", "s2", "s3"}, false, 3);
    sim::SimMaster& second = ListMaster({"s4", "s5", "s6", "s7"}, false, 3);
    StartFarm();
    app.settings.masterServer = first.Address();
    app.settings.options.moreMasters = {second.Address()};
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(SortedAddresses(), FarmAddresses(8));
    EXPECT_EQ(first.Record().seeds, (Texts{"0.0.0.0:0", Address("s2")}));
    EXPECT_EQ(second.Record().seeds, (Texts{"0.0.0.0:0", Address("s6")}));
}

TEST_F(Masters, AMasterThatIsSilentOrUnknownLeavesTheListToTheOthers)
{
    AddServers(3);
    sim::SimMaster& good = ListMaster({"s0", "s1", "s2"});
    sim::SimMaster& silent = ListMaster({"s0"}, true);
    StartFarm();
    const std::vector<std::pair<std::string, Texts>> cases = {
        {silent.Address(), {good.Address()}},
        {good.Address(), {silent.Address()}},
        {"no-such-master.invalid", {good.Address()}},
    };
    for (const auto& [primary, more] : cases) {
        refresh.AddServerByHand(ServerList::Servers, "1.2.3.4:27015", "old");
        app.settings.masterServer = primary;
        app.settings.options.moreMasters = more;
        refresh.RequestMasterList();
        ASSERT_TRUE(WaitForProgressEnd()) << primary;
        EXPECT_EQ(SortedAddresses(), FarmAddresses(3)) << primary;
    }
}

TEST_F(Masters, WhenNoMasterAnswersTheListComesBackAndSaysSo)
{
    sim::SimMaster& one = ListMaster({}, true);
    sim::SimMaster& two = ListMaster({}, true);
    StartFarm();
    refresh.AddServerByHand(ServerList::Servers, "1.2.3.4:27015", "old");
    app.settings.masterServer = one.Address();
    app.settings.options.moreMasters = {"no-such-master.invalid", two.Address()};
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemText(0, 0) == CRefreshEngine::kMasterSilentText; }, 8000));
    EXPECT_EQ(Rows(&servers), (Texts{std::string(CRefreshEngine::kMasterSilentText) + " |  |  |  | ",
                                     "old | ??? | ??? | ??? | 1.2.3.4:27015"}));
    EXPECT_EQ(one.Record().requests.size(), 2u); // the request and its re-send, each
    EXPECT_EQ(two.Record().requests.size(), 2u);
}

TEST_F(Masters, QuickRefreshQueriesEachServerAsItsPingAnswersAFewAtATime)
{
    // The classic wire: one request per server, so the farm's count of queries in flight holds.
    app.settings.timeout = 0.6f;
    app.settings.options.dialect = QueryDialect::Classic;
    app.settings.options.queryOnPing = true;
    app.settings.options.queriesAtOnce = 2;
    for (int i = 0; i < 6; ++i)
        AddServer("q" + std::to_string(i), 40 * i);
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = master.Address();
    int mostWhilePinging = 0;
    QObject::connect(&refresh, &CRefreshEngine::progressChanged, [&](int pos, int upper) {
        if (inside.pingPhase().timerActive())
            mostWhilePinging = std::max(mostWhilePinging, upper > 0 ? pos * 100 / upper : 0);
    });
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    // Answers counted while the pings still ran, but 100 % only once they were over.
    EXPECT_GT(mostWhilePinging, 0);
    EXPECT_LT(mostWhilePinging, 100);
    // Every info request went out before the ping phase could have ended (a time-out after the
    // pings), in the order the pings answered.
    std::vector<int64_t> asked;
    int64_t firstPing = INT64_MAX;
    for (int i = 0; i < 6; ++i)
        for (const sim::ReceivedRequest& r : farm.FindGameServer("q" + std::to_string(i))->Record().requests) {
            if (r.request == "ping")
                firstPing = std::min(firstPing, r.timeMs);
            else
                asked.push_back(r.timeMs);
        }
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_TRUE(std::is_sorted(asked.begin(), asked.end()));
    EXPECT_LT(asked.back(), firstPing + 600);
    EXPECT_EQ(farm.MaxInfostringInFlight(), 2);
    ASSERT_EQ(servers.GetItemCount(), 6);
    EXPECT_EQ(refresh.percentText(), "100%");
    const Texts addresses = Column(servers, 4);
    EXPECT_TRUE(std::is_sorted(addresses.begin(), addresses.end(),
                               [](const std::string& a, const std::string& b) { return SortCompare(a, b, true) < 0; }));
    for (const std::string& row : Rows(&servers))
        EXPECT_EQ(row.find("???"), std::string::npos) << row;
    EXPECT_EQ(store.FindRecord(Address("q3"))->info, "ZNK|Dedicated//Linux Server|Password: No");
}

TEST_F(Masters, AQuickRefreshEndsAsAPlainOneDoes)
{
    AddServer("silent").SetBehaviour({.silent = true});
    AddServer("mute").SetBehaviour({.pingOnly = true});
    StartFarm();
    // No answer to any ping: the row that says so, at 0 %.
    refresh.PingAndQuery({Address("silent")}, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemText(0, 0) == CRefreshEngine::kNoServerText; }, 3000));
    EXPECT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(refresh.percentText(), "0%");
    // A server that answers its ping alone is listed once, with unknowns.
    refresh.PingAndQuery({Address("mute")}, true);
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(Rows(&servers), (Texts{Address("mute") + " | ??? | ??? | ??? | " + Address("mute")}));
    EXPECT_EQ(refresh.percentText(), "100%");
}

TEST_F(Masters, PingAndQueryUpdatesTheRowsItFindsInPlace)
{
    AddServer("up");
    AddServer("down").SetBehaviour({.silent = true});
    StartFarm();
    List(ServerList::Servers, Address("up"), {.name = "listed up", .map = "m", .ping = "???", .players = "1/8"});
    List(ServerList::Servers, Address("down"), {.name = "listed down", .map = "m", .ping = "???", .players = "2/8"});
    refresh.PingAndQuery({Address("up"), Address("down"), Address("up")}, true);
    ASSERT_TRUE(WaitForProgressEnd());
    const Texts rows = Rows(&servers);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(
        std::count_if(rows.begin(), rows.end(), [](const std::string& r) { return r.rfind("up | map_up | ", 0) == 0; }),
        1);
    EXPECT_NE(std::find(rows.begin(), rows.end(), "listed down | m | ??? | 2/8 | " + Address("down")), rows.end());
    EXPECT_EQ(farm.FindGameServer("up")->Record().requestCounts["ping"], 1);
    EXPECT_EQ(farm.FindGameServer("down")->Record().requestCounts.count("infostring"), 0u);
}

} // namespace
