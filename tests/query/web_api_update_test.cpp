// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"
#include "query/model/web_api.h"
#include "query/player_search.h"
#include "sim_web_api.h"

#include <QSignalSpy>

namespace {

using Texts = std::vector<std::string>;

// An Update whose master is the Steam Web API, answered by the test instead of a web service.
class WebApiUpdate : public Engine {
protected:
    WebApiUpdate()
    {
        app.settings.masterServer = AppSettings::kSteamDefaultMaster;
        app.settings.serverSortColumn = 0; // by name: the simulated servers' ports vary
        QObject::connect(&refresh, &CRefreshEngine::webApiListWanted, &context, [this] {
            ++asked;
            if (answer)
                refresh.TakeWebApiAnswer(answer->first, answer->second);
        });
    }
    static WebApiServer Listed(const std::string& addr, const std::string& name, int players = 1)
    {
        return {.addr = addr, .name = name, .players = players, .maxPlayers = 8, .map = "web_map"};
    }

    QObject context;
    int asked = 0;
    std::optional<std::pair<WebApiOutcome, WebApiList>> answer;
};

} // namespace

TEST_F(WebApiUpdate, RowsComeAtOnceAndAnsweringServersUpdateThemInPlace)
{
    sim::SimGameServer& classic = AddServer("classic");
    sim::SimGameServer& today = farm.AddGameServer({.label = "today",
                                                    .hostname = "today",
                                                    .map = "map_today",
                                                    .answersClassic = false,
                                                    .answersA2s = true,
                                                    .a2sChallenge = true});
    StartFarm();
    const std::string silent = "127.0.0.1:9", relayed = "169.254.1.2:27015";
    WebApiList list{.status = WebApiListStatus::Ok,
                    .servers = {Listed(classic.Address(), "web classic"), Listed(today.Address(), "web today"),
                                Listed(silent, "web silent", 3), Listed(relayed, "web relayed", 2),
                                Listed(classic.Address(), "twice")},
                    .filledLimit = true};
    answer.emplace(WebApiOutcome::Ok, list);
    QSignalSpy limited(&refresh, &CRefreshEngine::listLimited);
    refresh.RequestMasterList();
    // At once, before any server could answer: the list's rows, sorted by name.
    EXPECT_EQ(Rows(&servers),
              (Texts{"web classic | web_map | ??? | 1/8 | " + classic.Address(),
                     "web relayed | web_map | ??? | 2/8 | " + relayed, "web silent | web_map | ??? | 3/8 | " + silent,
                     "web today | web_map | ??? | 1/8 | " + today.Address()}));
    ASSERT_EQ(limited.count(), 1);
    EXPECT_EQ(limited.at(0).at(0).toInt(), 5);
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(refresh.progressUpper(), 3); // the relayed one is never asked
    const Texts rows = Rows(&servers);
    ASSERT_EQ(rows.size(), 4u);
    // One that never answers, and the relayed one, keep the list's rows.
    EXPECT_EQ(rows[2], "web relayed | web_map | ??? | 2/8 | " + relayed);
    EXPECT_EQ(rows[3], "web silent | web_map | ??? | 3/8 | " + silent);
    for (const auto& [row, name, players] :
         {std::tuple{0, "classic", "2/16"}, std::tuple{1, "today", "0/16"}}) { // today through its challenge
        EXPECT_EQ(servers.GetItemTextStd(row, 0), name);
        EXPECT_EQ(servers.GetItemTextStd(row, 1), std::string("map_") + name);
        EXPECT_NE(servers.GetItemTextStd(row, 2), "???");
        EXPECT_EQ(servers.GetItemTextStd(row, 3), players);
    }
    EXPECT_EQ(classic.Record().requestCounts.at("infostring"), 1); // named twice, asked once
}

TEST_F(WebApiUpdate, EveryFailureGivesTheListBackUnderItsStatusLine)
{
    const struct {
        WebApiOutcome outcome;
        const char* text;
    } failures[] = {
        {WebApiOutcome::NoKey, "Set your Steam Web API key in Edit > Options... to list Internet servers"},
        {WebApiOutcome::RefusedKey, "The Steam Web API refused the key"},
        {WebApiOutcome::NoAnswer, "The Steam Web API did not answer"},
        {WebApiOutcome::Unreadable, "The Steam Web API sent an answer that could not be read"},
        {WebApiOutcome::NoServer, "No server listed"},
        {WebApiOutcome::Ok, "No server listed"}, // a list of nothing
    };
    const std::string known = "127.0.0.1:9";
    List(ServerList::Servers, known, {.name = "known", .map = "m", .ping = "40", .players = "1/2"});
    for (const auto& f : failures) {
        answer.emplace(f.outcome, WebApiList{});
        refresh.RequestMasterList();
        EXPECT_EQ(Rows(&servers), (Texts{std::string(f.text) + " |  |  |  | ", "known | m | 40 | 1/2 | " + known}));
        ASSERT_EQ(store.serverList().size(), 1u);
    }
}

TEST_F(WebApiUpdate, AnAnswerToAnUpdateARefreshReplacedIsIgnored)
{
    List(ServerList::Servers, "127.0.0.1:9", {.name = "known"});
    refresh.RequestMasterList(); // no answer yet
    EXPECT_EQ(servers.GetItemTextStd(0, 0), CRefreshEngine::RequestingText(false).toStdString());
    refresh.RefreshServers();
    refresh.TakeWebApiAnswer(WebApiOutcome::Ok,
                             {.status = WebApiListStatus::Ok, .servers = {Listed("127.0.0.1:8", "late")}});
    EXPECT_EQ(servers.GetItemCount(), 0); // as a Refresh under any Update leaves it
    EXPECT_EQ(asked, 1);
}

TEST(WebApiPlayerSearch, AsksTheListedServersOnceAndNeverTheRelayedOnes)
{
    sim::SimFarm farm;
    sim::GameServerConfig c;
    c.players = {{"alpha", 1, 2.0f}};
    sim::SimGameServer& s = farm.AddGameServer(c);
    std::string error;
    ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    AppSettings settings;
    settings.timeout = 0.3f;
    settings.masterServer = AppSettings::kSteamDefaultMaster;
    CPlayerSearch search(settings);
    int wanted = 0;
    QObject::connect(&search, &CPlayerSearch::webApiListWanted, [&] { ++wanted; });
    QSignalSpy listed(&search, &CPlayerSearch::serversListed);
    QSignalSpy answered(&search, &CPlayerSearch::serverAnswered);
    search.Start();
    ASSERT_EQ(wanted, 1);
    const WebApiList list{.status = WebApiListStatus::Ok,
                          .servers = {{.addr = s.Address()}, {.addr = "169.254.9.9:27015"}, {.addr = s.Address()}}};
    search.TakeWebApiAnswer(WebApiOutcome::Ok, list);
    search.TakeWebApiAnswer(WebApiOutcome::Ok, list); // a second answer to one request
    ASSERT_EQ(listed.count(), 1);
    EXPECT_EQ(listed.at(0).at(0).value<std::vector<std::string>>(),
              (std::vector<std::string>{s.Address(), "169.254.9.9:27015"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered.count() == 1; }, 3000));
    EXPECT_EQ(search.openSockets(), 0); // the relayed server got no socket
    QTest::qWait(100);
    EXPECT_EQ(s.Record().requestCounts.at("players"), 1);
}

// The whole Update through the query engine and the simulated service on 127.0.0.1: the key on
// the wire only, rows at once, the relayed one kept as listed and never asked.
TEST_F(Engine, AnUpdateThroughTheWebApiListsTheFarmAndItsRelayedServer)
{
    sim::SimGameServer& s = AddServer("web");
    sim::WebApiConfig w{.key = "k&y", .listAll = true, .relayed = {{"169.254.3.4:27015", "Relayed", "pit", 2, 6}}};
    sim::SimWebApi& api = farm.AddWebApi(w);
    StartFarm();
    app.settings.masterServer = AppSettings::kSteamDefaultMaster;
    app.settings.options.webApiUrl = api.Url();
    app.settings.options.webApiKey = "k&y";
    app.settings.serverSortColumn = 0;
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemCount() == 2 && refresh.progressPos() == 1; }, 5000));
    EXPECT_EQ(servers.GetItemTextStd(1, 0), "web");
    EXPECT_NE(servers.GetItemTextStd(1, 2), "???");
    EXPECT_EQ(Rows(&servers)[0], "Relayed | pit | ??? | 2/6 | 169.254.3.4:27015");
    ASSERT_EQ(api.Requests().size(), 1u);
    EXPECT_EQ(api.Requests()[0], "/IGameServersService/GetServerList/v1/?key=k%26y&filter=%5Cappid%5C70%5Cgamedir%5Cznk"
                                 "&limit=10000");
    EXPECT_EQ(s.Record().requestCounts.at("infostring"), 1);
    // A refused key keeps the list under its status line.
    app.settings.options.webApiKey = "other";
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers.GetItemCount() == 3; }, 5000));
    EXPECT_EQ(servers.GetItemTextStd(0, 0), "The Steam Web API refused the key");
}
