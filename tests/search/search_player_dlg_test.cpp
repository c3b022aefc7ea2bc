// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/server_browser_dlg.h"
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "query/player_search.h"
#include "query/query_engine.h"
#include "search/search_player_dlg.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"
#include "test_support/page_parts.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/page_context.h"
#include "ui/sort_list_ctrl.h"

#include <QAction>
#include <QApplication>
#include <QHostAddress>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QNetworkDatagram>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using Texts = std::vector<std::string>;

// The search page (and the browser page beside it, whose Favorites the search adds to) over a
// context in a fresh working folder, against simulated servers on 127.0.0.1.
class SearchPage : public ::testing::Test, public PageParts {
protected:
    using Page = CSearchPlayerDlg;

    // The farm of the test; the fixture starts it and builds the pages in Build().
    sim::SimGameServer& AddServer(const std::string& name, std::vector<sim::SimPlayer> players, int delayMs = 0)
    {
        sim::GameServerConfig c;
        c.label = name;
        c.hostname = name;
        c.players = std::move(players);
        c.rules = {{"mp_timelimit", "30"}};
        c.behaviour.delayMs = delayMs;
        return farm.AddGameServer(c);
    }

    void Build(bool withMaster = true)
    {
        if (withMaster) {
            sim::MasterConfig m;
            m.listAllGameServers = true;
            farm.AddMaster(m);
        }
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
        if (withMaster)
            settings.masterServer = farm.Master(0).Address();
        settings.modFolder = "znk";
        settings.timeout = 0.3f;
        window.resize(1300, 420);
        browser = new CServerBrowserDlg(context, &window);
        page = new CSearchPlayerDlg(context, &window);
        page->move(640, 0);
        window.show();
    }

    void TearDown() override
    {
        delete page;
        delete browser;
        engine.CloseAll();
    }

    void Search(const QString& text)
    {
        SearchText()->setText(text);
        Click(page, Page::IdSearch);
    }

    QLineEdit* SearchText() const { return FindById<QLineEdit>(page, Page::IdSearchText); }
    QListWidget* ServersLeft() const { return FindById<QListWidget>(page, Page::IdServersLeft); }
    QListWidget* Info() const { return FindById<QListWidget>(page, Page::IdInfo); }
    QListWidget* Friends() const { return FindById<QListWidget>(page, Page::IdFriends); }
    CSortListCtrl* Results() const { return FindById<CSortListCtrl>(page, Page::IdResults); }
    CSortListCtrl* Players() const { return FindById<CSortListCtrl>(page, Page::IdPlayers); }
    CSortListCtrl* Rules() const { return FindById<CSortListCtrl>(page, Page::IdRules); }

    // Until every server of the master's list answered (the silent ones aside).
    bool WaitForServersLeft(int left, int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                const QListWidget* box = ServersLeft();
                return box->count() == left && (left > 0 || box->count() == 0) &&
                       !(box->count() == 1 && box->item(0)->text() == CSearchPlayerDlg::kRequestingText);
            },
            ms);
    }

    Texts SortedRows() const
    {
        Texts rows = Rows(Results());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    sim::SimFarm farm;
    QWidget window;
    CServerBrowserDlg* browser = nullptr;
    CSearchPlayerDlg* page = nullptr;
};

} // namespace

TEST_F(SearchPage, ControlsAndColumnsAsTheyOpen)
{
    Build(false);
    EXPECT_EQ(page->objectName(), "CSearchPlayerDlg");
    for (const auto& [id, text] : std::vector<std::pair<int, QString>>{{Page::IdSearch, "Search"},
                                                                       {Page::IdAddToFriends, "Add to Friends"},
                                                                       {Page::IdAddToFavorites, "Add to Favorites"},
                                                                       {Page::IdConnect, "Connect"},
                                                                       {Page::IdAddFriend, "Add"},
                                                                       {Page::IdRemoveFriend, "Remove"},
                                                                       {Page::IdClearFriends, "Clear"}}) {
        auto* b = FindById<QPushButton>(page, id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text) << id;
    }
    for (int id : {Page::IdSearchText, Page::IdServersLeft, Page::IdInfo, Page::IdProgress, Page::IdResults,
                   Page::IdFriends, Page::IdPlayers, Page::IdRules})
        EXPECT_TRUE(FindById<QWidget>(page, id)) << id;
    auto columns = [](const CReportListCtrl* list) {
        Texts shown;
        for (int c = 0; c < list->GetColumnCount(); ++c)
            shown.push_back(list->model()->headerData(c, Qt::Horizontal).toString().toStdString() + "/" +
                            std::to_string(list->columnWidth(c)));
        return shown;
    };
    EXPECT_EQ(columns(Results()), (Texts{"Name/190", "Server/142"}));
    EXPECT_EQ(columns(Players()), (Texts{"Name/150", "Score/55", "Play Time/70", "Id/30"}));
    EXPECT_EQ(columns(Rules()), (Texts{"Name/127", "Value/67"}));
    // Every control inside the page.
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(SearchPage, FindsEveryPlayerWhoseNameHoldsTheTextLetterCaseAside)
{
    sim::SimGameServer& one = AddServer("one", {{"xABy", 1, 10}, {"a b", 2, 10}, {"ab", 3, 10}, {"Zed", 4, 10}});
    sim::SimGameServer& two = AddServer("two", {{"Grab", 1, 10}, {"cAb", 2, 10}, {"Abba", 3, 10}});
    sim::SimGameServer& quiet = AddServer("quiet", {{"ab", 1, 10}});
    quiet.SetBehaviour({.silent = true});
    Build();

    Search("ab");
    ASSERT_TRUE(WaitForServersLeft(1));
    EXPECT_EQ(SortedRows(), (Texts{"Abba | " + two.Address(), "Grab | " + two.Address(), "ab | " + one.Address(),
                                   "cAb | " + two.Address(), "xABy | " + one.Address()}));
    // The server that never answers is still waited for.
    EXPECT_EQ(Rows(ServersLeft()), Texts{quiet.Address()});
    EXPECT_EQ(FindById<QProgressBar>(page, Page::IdProgress)->maximum(), 3);
    EXPECT_EQ(FindById<QProgressBar>(page, Page::IdProgress)->value(), 2);
    // One "players" each, and the A2S info request beside it until the dialect is known;
    // nothing more: no details were asked.
    for (const sim::SimGameServer* s : {&one, &two}) {
        const sim::ServerRecord record = s->Record();
        ASSERT_EQ(record.requests.size(), 2u);
        EXPECT_EQ(record.requests[0].request, "players");
        EXPECT_EQ(record.requestCounts.at("A2S_INFO"), 1);
    }

    // Empty text: nothing happens.
    SearchText()->clear();
    Click(page, Page::IdSearch);
    EXPECT_EQ(Results()->GetItemCount(), 5);
}

TEST_F(SearchPage, NameColumnNarrowsAtTheTenthRowAndANewSearchWidensIt)
{
    std::vector<sim::SimPlayer> many;
    for (int i = 0; i < 12; ++i)
        many.push_back({"Sable" + std::to_string(i), i, 10});
    AddServer("crowded", many);
    Build();
    Search("sable1");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(Results()->GetItemCount(), 3); // Sable1, Sable10, Sable11
    EXPECT_EQ(Results()->columnWidth(0), 190);
    Search("SABLE");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(Results()->GetItemCount(), 12);
    EXPECT_EQ(Results()->columnWidth(0), 173);
    Search("sable2");
    EXPECT_EQ(Results()->columnWidth(0), 190);
    EXPECT_EQ(Results()->GetItemCount(), 0);
}

TEST_F(SearchPage, TextChangedDuringTheSearchFiltersTheLaterAnswers)
{
    AddServer("early", {{"Moss", 1, 10}, {"Fenn", 1, 10}});
    AddServer("late", {{"Moss", 1, 10}, {"Fenn", 1, 10}}, 400);
    Build();
    Search("moss");
    ASSERT_TRUE(WaitForServersLeft(1));
    SearchText()->setText("fenn");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(SortedRows(),
              (Texts{"Fenn | " + farm.GameServer(1).Address(), "Moss | " + farm.GameServer(0).Address()}));
}

TEST_F(SearchPage, DetailsOfAResultOrAListedServerButNotOfTheRequestLine)
{
    sim::SimGameServer& s = AddServer("Detail Server", {{"Pike", 7, 61}, {"Orrin", 2, 5}});
    s.SetBehaviour({.duplicate = true}); // every answer twice: the Info lines must not double
    Build();

    // "Requesting Servers List" is no server.
    ServersLeft()->addItem(CSearchPlayerDlg::kRequestingText);
    ServersLeft()->setCurrentRow(0);
    EXPECT_TRUE(Info()->count() == 0);
    ServersLeft()->clear();

    Search("pike");
    ASSERT_TRUE(WaitForServersLeft(0));
    ASSERT_EQ(Rows(Results()), Texts{"Pike | " + s.Address()});
    ClickRow(Results(), 0);
    EXPECT_EQ(Rows(Info()), Texts{"Please Wait"});
    EXPECT_EQ(Players()->GetItemText(0, 0), "Please Wait");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Info()->count() == 8 && Players()->GetItemCount() == 2; }, 3000));
    QTest::qWait(100); // the copies arrive meanwhile
    Texts info = Rows(Info());
    ASSERT_EQ(info.size(), 8u);
    EXPECT_EQ(info[1].rfind("Ping: ", 0), 0u) << info[1];
    info.erase(info.begin() + 1);
    EXPECT_EQ(info, (Texts{"Detail Server", "Ip: " + s.Address(), "Players: 2/16", "Map: dusk_canyon", "ZNK",
                           "Dedicated//Linux Server", "Password: No"}));
    EXPECT_EQ(Rows(Players()), (Texts{"Pike | 7 | 1:1 | 1", "Orrin | 2 | 0:5 | 2"}));
    EXPECT_EQ(Rows(Rules()), Texts{"mp_timelimit | 30"});
    EXPECT_EQ(Rules()->columnWidth(1), 50);

    // A listed server picked in "Servers Left" shows its details too.
    ServersLeft()->addItem(QString::fromStdString(s.Address()));
    ServersLeft()->setCurrentRow(0);
    EXPECT_EQ(Rows(Info()), Texts{"Please Wait"});
    EXPECT_EQ(Rules()->columnWidth(1), 67);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Info()->count() == 8; }, 3000));
}

TEST_F(SearchPage, TheSearchAndTheDetailsAreTheEnginesAndEndWithIt)
{
    sim::SimGameServer& late = AddServer("late", {{"Wren", 1, 10}}, 300);
    Build();
    Search("wren");
    ASSERT_TRUE(WaitForServersLeft(1)); // asked, not answered yet
    page->ShowServerDetails(late.Address());
    engine.CloseAll(); // as at shut-down
    QTest::qWait(600);
    EXPECT_EQ(Results()->GetItemCount(), 0);
    EXPECT_EQ(Rows(Info()), Texts{"Please Wait"});
}

TEST_F(SearchPage, ResultMenuAndButtonsJoinFavouriteAndBefriend)
{
    sim::SimGameServer& s = AddServer("menu", {{"Lark", 1, 10}});
    Build();
    Search("lark");
    ASSERT_TRUE(WaitForServersLeft(0));
    Results()->SelectRow(0);
    std::unique_ptr<QMenu> menu(page->BuildContextMenu(Results()));
    ASSERT_TRUE(menu);
    EXPECT_EQ(MenuLines(menu.get()),
              (Texts{"(" + s.Address() + ")", "-", "Connect", "Add to Favorites", "-", "(Lark)", "-",
                     "Add to Friends List", "Remove from Friends List", "-", "Recent Servers"}));
    EXPECT_TRUE(FindById<QAction>(menu.get(), Page::IdResultAddFriend) &&
                FindById<QAction>(menu.get(), Page::IdResultRemoveFriend));

    // Twice to the favourites: two rows in the browser's Favorites, two entries in the store.
    PickMenuLine(menu.get(), Page::IdAddToFavorites);
    Click(page, Page::IdAddToFavorites);
    ASSERT_EQ(FindById<CFavListCtrl>(browser, CServerBrowserDlg::IdFavorites)->GetItemCount(), 2);
    EXPECT_EQ(Rows(FindById<CFavListCtrl>(browser, CServerBrowserDlg::IdFavorites))[0],
              s.Address() + " | ??? | ??? | ??? | " + s.Address());
    EXPECT_EQ(store.favoriteList().size(), 2u);
    EXPECT_EQ(store.favoriteList()[0]->address, s.Address());

    PickMenuLine(menu.get(), Page::IdResultAddFriend);
    EXPECT_EQ(Rows(Friends()), Texts{"Lark"});
    PickMenuLine(menu.get(), Page::IdResultRemoveFriend);
    EXPECT_TRUE(Friends()->count() == 0);

    // No menu without a selection, nor over the Players pane's "Please Wait".
    Results()->SelectRow(-1);
    EXPECT_EQ(page->BuildContextMenu(Results()), nullptr);
    page->ShowServerDetails(s.Address());
    Players()->SelectRow(0);
    EXPECT_EQ(page->BuildContextMenu(Players()), nullptr);
}

TEST_F(SearchPage, FriendsListIsFriendsTxtAndPickingOneSearchesForIt)
{
    WriteText(dir.File("Friends.txt"), "Nyx\r\n\r\nJuniper");
    AddServer("friends", {{"Juniper", 1, 10}, {"Nyx", 2, 10}});
    Build();
    EXPECT_EQ(Rows(Friends()), (Texts{"Nyx", "Juniper"}));

    // Picking a friend searches for that friend.
    Friends()->setCurrentRow(1);
    EXPECT_EQ(SearchText()->text(), "Juniper");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(Rows(Results()), Texts{"Juniper | " + farm.GameServer(0).Address()});

    // Add, twice: two entries, each a line of the file.
    for (int i = 0; i < 2; ++i) {
        AnswerInputBox(*page, "Birch", true);
        Click(page, Page::IdAddFriend);
    }
    EXPECT_EQ(Rows(Friends()), (Texts{"Nyx", "Juniper", "Birch", "Birch"}));
    EXPECT_EQ(ReadText(dir.File("Friends.txt")), "Nyx\r\n\r\nJuniper\r\nBirch\r\nBirch");
    InputBoxSeen seen;
    AnswerInputBox(*page, "Nobody", false, &seen);
    Click(page, Page::IdAddFriend);
    EXPECT_EQ(seen.title, "Friends");
    EXPECT_EQ(seen.prompt, "Please type the name of the player to add");
    EXPECT_EQ(Friends()->count(), 4);

    // Remove rewrites the file from the list; it starts no search.
    SearchText()->setText("unchanged");
    {
        const QSignalBlocker quiet(Friends());
        Friends()->setCurrentRow(0);
    }
    Click(page, Page::IdRemoveFriend);
    EXPECT_EQ(Rows(Friends()), (Texts{"Juniper", "Birch", "Birch"}));
    EXPECT_EQ(ReadText(dir.File("Friends.txt")), "Juniper\r\nBirch\r\nBirch\r\n");
    EXPECT_EQ(SearchText()->text(), "unchanged");

    // Clear empties both.
    Click(page, Page::IdClearFriends);
    EXPECT_EQ(Friends()->count(), 0);
    EXPECT_EQ(ReadText(dir.File("Friends.txt")), "");
    EXPECT_TRUE(FileExists(dir.File("Friends.txt")));
}

TEST_F(SearchPage, AMasterNamedWithAPortIsLookedUpAndAnUnknownOneEndsSilently)
{
    AddServer("named", {{"Xan", 1, 10}});
    Build();
    // "localhost:port" is a host and a port, as for Update.
    settings.masterServer = "localhost:" + std::to_string(farm.Master(0).Port());
    Search("xan");
    // The name is looked up first: nothing is asked before it is found.
    EXPECT_EQ(ServersLeft()->count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Results()->GetItemCount() == 1; }, 5000));
    EXPECT_EQ(ServersLeft()->count(), 0);

    settings.masterServer = "no-such-master.invalid";
    Search("xan");
    EXPECT_EQ(Results()->GetItemCount(), 0);
    QTest::qWait(1500); // the lookup fails meanwhile
    EXPECT_EQ(ServersLeft()->count(), 0);
    EXPECT_EQ(Results()->GetItemCount(), 0);
}

TEST(PlayerSearch, AFloodOfListPagesNeverOpensMoreSocketsThanTheBound)
{
    // A master of the test's own that answers the request with pages of servers that never
    // answer (ports below the ephemeral range, where nothing of the tests listens).
    QUdpSocket master;
    ASSERT_TRUE(master.bind(QHostAddress::LocalHost, 0));
    AppSettings settings;
    settings.masterServer = "127.0.0.1:" + std::to_string(master.localPort());
    settings.timeout = 0.05f;
    // This master answers every request with three pages: paging would ask it again and again.
    settings.options.dialect = QueryDialect::Classic;
    CPlayerSearch search(settings);
    int listed = 0;
    QObject::connect(&search, &CPlayerSearch::serversListed,
                     [&](const std::vector<std::string>& addresses) { listed += static_cast<int>(addresses.size()); });
    QObject::connect(&master, &QUdpSocket::readyRead, [&] {
        const QNetworkDatagram request = master.receiveDatagram();
        for (int page = 0; page < 3; ++page) {
            QByteArray reply("\xFF\xFF\xFF\xFF\x66\x0A", 6);
            for (int i = 0; i < 300; ++i) {
                const int port = 11000 + page * 300 + i;
                reply += QByteArray("\x7F\x00\x00\x01", 4) + char(port >> 8) + char(port & 0xFF);
            }
            master.writeDatagram(request.makeReply(reply));
        }
        master.writeDatagram(request.makeReply(QByteArray("junk")));
    });
    int most = 0;
    search.Start();
    const bool drained = QTest::qWaitFor(
        [&] {
            most = std::max(most, search.openSockets());
            return listed == 900 && search.waitingServers() == 0;
        },
        10000);
    EXPECT_TRUE(drained);
    EXPECT_EQ(listed, 900);
    EXPECT_LE(most, CPlayerSearch::kMaxOpenSockets);
    EXPECT_EQ(most, CPlayerSearch::kMaxOpenSockets);
    search.Stop();
    EXPECT_EQ(search.openSockets(), 0);
}

TEST(PlayerSearch, ALossyServerIsAskedAgainAndItsPlayersFound)
{
    sim::SimFarm farm;
    sim::GameServerConfig c;
    c.players = {{"Wren", 3, 10.0f}};
    c.behaviour.lossy = true; // its first players request is lost
    sim::SimGameServer& lossy = farm.AddGameServer(c);
    sim::MasterConfig m;
    m.listAllGameServers = true;
    farm.AddMaster(m);
    std::string error;
    ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    AppSettings settings;
    settings.masterServer = farm.Master(0).Address();
    settings.modFolder = "znk";
    settings.timeout = 0.3f;
    CPlayerSearch search(settings);
    std::vector<std::string> found;
    QObject::connect(&search, &CPlayerSearch::serverAnswered,
                     [&](const std::string&, const std::vector<std::string>& names) { found = names; });
    search.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !found.empty(); }, 3000));
    EXPECT_EQ(found, std::vector<std::string>{"Wren"});
    EXPECT_EQ(lossy.Record().requestCounts.at("players"), 2);
}
