#include "browser/server_browser_dlg.h"
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "query/player_search.h"
#include "query/query_engine.h"
#include "search/search_player_dlg.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"
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

Texts ListBoxLines(const QListWidget* box)
{
    Texts lines;
    for (int i = 0; i < box->count(); ++i)
        lines.push_back(box->item(i)->text().toStdString());
    return lines;
}

// The search page (and the browser page beside it, whose Favorites the search adds to) over a
// context in a fresh working folder, against simulated servers on 127.0.0.1.
class SearchPage : public ::testing::Test {
protected:
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
        settings.workFolder = dir.Path();
        settings.modFolder = "znk";
        settings.timeout = 0.3f;
        engine = std::make_unique<CQueryEngine>(settings, store);
        context = std::make_unique<PageContext>(PageContext {settings, store, *engine, loader, {}, {}});
        window.resize(1300, 420);
        browser = new CServerBrowserDlg(*context, &window);
        page = new CSearchPlayerDlg(*context, &window);
        page->move(640, 0);
        window.show();
    }

    void TearDown() override
    {
        delete page;
        delete browser;
        engine.reset();
    }

    void Search(const QString& text)
    {
        page->searchEdit()->setText(text);
        QTest::mouseClick(FindById<QPushButton>(page, 1115), Qt::LeftButton);
    }

    // Until every server of the master's list answered (the silent ones aside).
    bool WaitForServersLeft(int left, int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                const QListWidget* box = page->serversLeft();
                return box->count() == left && (left > 0 || box->count() == 0) &&
                       !(box->count() == 1 && box->item(0)->text() == CSearchPlayerDlg::kRequestingText);
            },
            ms);
    }

    Texts SortedRows() const
    {
        Texts rows = Rows(page->results());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    ScopedWorkDir dir;
    sim::SimFarm farm;
    AppSettings settings;
    ServerStore store {dir.Path()};
    std::unique_ptr<CQueryEngine> engine;
    CSettingsLoader loader {settings};
    std::unique_ptr<PageContext> context;
    QWidget window;
    CServerBrowserDlg* browser = nullptr;
    CSearchPlayerDlg* page = nullptr;
};

} // namespace

TEST_F(SearchPage, ControlsAndColumnsAsTheyOpen)
{
    Build(false);
    EXPECT_EQ(page->objectName(), "CSearchPlayerDlg");
    for (const auto& [id, text] : std::vector<std::pair<int, QString>> {{1115, "Search"}, {1127, "Add to Friends"},
                                                                        {1126, "Add to Favorites"}, {1125, "Connect"},
                                                                        {1082, "Add"}, {1013, "Remove"}, {1009, "Clear"}}) {
        auto* b = FindById<QPushButton>(page, id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text) << id;
    }
    for (int id : {1052, 1151, 1149, 1114, 1121, 1119, 1120, 1079})
        EXPECT_TRUE(FindById<QWidget>(page, id)) << id;
    auto columns = [](const CReportListCtrl* list) {
        Texts shown;
        for (int c = 0; c < list->GetColumnCount(); ++c)
            shown.push_back(list->model()->headerData(c, Qt::Horizontal).toString().toStdString() + "/" +
                            std::to_string(list->columnWidth(c)));
        return shown;
    };
    EXPECT_EQ(columns(page->results()), (Texts {"Name/190", "Server/142"}));
    EXPECT_EQ(columns(page->players()), (Texts {"Name/150", "Score/55", "Play Time/70", "Id/30"}));
    EXPECT_EQ(columns(page->rules()), (Texts {"Name/127", "Value/67"}));
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
    EXPECT_EQ(SortedRows(), (Texts {"Abba | " + two.Address(), "Grab | " + two.Address(), "ab | " + one.Address(),
                                    "cAb | " + two.Address(), "xABy | " + one.Address()}));
    // The server that never answers is still waited for.
    EXPECT_EQ(ListBoxLines(page->serversLeft()), Texts {quiet.Address()});
    EXPECT_EQ(page->progressBar()->maximum(), 3);
    EXPECT_EQ(page->progressBar()->value(), 2);
    // One "players" each, nothing more: no details were asked.
    for (const sim::SimGameServer* s : {&one, &two}) {
        const auto requests = s->Record().requests;
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].request, "players");
    }

    // Empty text: nothing happens.
    page->searchEdit()->clear();
    QTest::mouseClick(FindById<QPushButton>(page, 1115), Qt::LeftButton);
    EXPECT_EQ(page->results()->GetItemCount(), 5);
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
    EXPECT_EQ(page->results()->GetItemCount(), 3); // Sable1, Sable10, Sable11
    EXPECT_EQ(page->results()->columnWidth(0), 190);
    Search("SABLE");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(page->results()->GetItemCount(), 12);
    EXPECT_EQ(page->results()->columnWidth(0), 173);
    Search("sable2");
    EXPECT_EQ(page->results()->columnWidth(0), 190);
    EXPECT_EQ(page->results()->GetItemCount(), 0);
}

TEST_F(SearchPage, TextChangedDuringTheSearchFiltersTheLaterAnswers)
{
    AddServer("early", {{"Moss", 1, 10}, {"Fenn", 1, 10}});
    AddServer("late", {{"Moss", 1, 10}, {"Fenn", 1, 10}}, 400);
    Build();
    Search("moss");
    ASSERT_TRUE(WaitForServersLeft(1));
    page->searchEdit()->setText("fenn");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(SortedRows(), (Texts {"Fenn | " + farm.GameServer(1).Address(), "Moss | " + farm.GameServer(0).Address()}));
}

TEST_F(SearchPage, DetailsOfAResultOrAListedServerButNotOfTheRequestLine)
{
    sim::SimGameServer& s = AddServer("Detail Server", {{"Pike", 7, 61}, {"Orrin", 2, 5}});
    s.SetBehaviour({.duplicate = true}); // every answer twice: the Info lines must not double
    Build();

    // "Requesting Servers List" is no server.
    page->serversLeft()->addItem(CSearchPlayerDlg::kRequestingText);
    page->serversLeft()->setCurrentRow(0);
    EXPECT_TRUE(page->info()->count() == 0);
    page->serversLeft()->clear();

    Search("pike");
    ASSERT_TRUE(WaitForServersLeft(0));
    ASSERT_EQ(Rows(page->results()), Texts {"Pike | " + s.Address()});
    ClickRow(page->results(), 0);
    EXPECT_EQ(ListBoxLines(page->info()), Texts {"Please Wait"});
    EXPECT_EQ(page->players()->GetItemText(0, 0), "Please Wait");
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->info()->count() == 8 && page->players()->GetItemCount() == 2; }, 3000));
    QTest::qWait(100); // the copies arrive meanwhile
    Texts info = ListBoxLines(page->info());
    ASSERT_EQ(info.size(), 8u);
    EXPECT_EQ(info[1].rfind("Ping: ", 0), 0u) << info[1];
    info.erase(info.begin() + 1);
    EXPECT_EQ(info, (Texts {"Detail Server", "Ip: " + s.Address(), "Players: 2/16", "Map: dusk_canyon", "ZNK",
                            "Dedicated//Linux Server", "Password: No"}));
    EXPECT_EQ(Rows(page->players()), (Texts {"Pike | 7 | 1:1 | 1", "Orrin | 2 | 0:5 | 2"}));
    EXPECT_EQ(Rows(page->rules()), Texts {"mp_timelimit | 30"});
    EXPECT_EQ(page->rules()->columnWidth(1), 50);

    // A listed server picked in "Servers Left" shows its details too.
    page->serversLeft()->addItem(QString::fromStdString(s.Address()));
    page->serversLeft()->setCurrentRow(0);
    EXPECT_EQ(ListBoxLines(page->info()), Texts {"Please Wait"});
    EXPECT_EQ(page->rules()->columnWidth(1), 67);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->info()->count() == 8; }, 3000));
}

TEST_F(SearchPage, ResultMenuAndButtonsJoinFavouriteAndBefriend)
{
    sim::SimGameServer& s = AddServer("menu", {{"Lark", 1, 10}});
    Build();
    Search("lark");
    ASSERT_TRUE(WaitForServersLeft(0));
    page->results()->SelectRow(0);
    std::unique_ptr<QMenu> menu(page->BuildContextMenu(page->results()));
    ASSERT_TRUE(menu);
    EXPECT_EQ(MenuLines(menu.get()), (Texts {"(" + s.Address() + ")", "-", "Connect", "Add to Favorites", "-", "(Lark)",
                                             "-", "Add to Friends List", "Remove from Friends List"}));
    EXPECT_TRUE(FindById<QAction>(menu.get(), 2156) && FindById<QAction>(menu.get(), 2157));

    // Twice to the favourites: two rows in the browser's Favorites, two entries in the store.
    FindById<QAction>(menu.get(), 1126)->trigger();
    QTest::mouseClick(FindById<QPushButton>(page, 1126), Qt::LeftButton);
    ASSERT_EQ(browser->favorites()->GetItemCount(), 2);
    EXPECT_EQ(Rows(browser->favorites())[0], s.Address() + " | ??? | ??? | ??? | " + s.Address());
    EXPECT_EQ(store.favoriteList.size(), 2u);
    EXPECT_EQ(store.favoriteList[0]->address, s.Address());

    FindById<QAction>(menu.get(), 2156)->trigger();
    EXPECT_EQ(ListBoxLines(page->friendsList()), Texts {"Lark"});
    FindById<QAction>(menu.get(), 2157)->trigger();
    EXPECT_TRUE(page->friendsList()->count() == 0);

    // No menu without a selection, nor over the Players pane's "Please Wait".
    page->results()->SelectRow(-1);
    EXPECT_EQ(page->BuildContextMenu(page->results()), nullptr);
    page->ShowServerDetails(s.Address());
    page->players()->SelectRow(0);
    EXPECT_EQ(page->BuildContextMenu(page->players()), nullptr);
}

TEST_F(SearchPage, FriendsListIsFriendsTxtAndPickingOneSearchesForIt)
{
    WriteText(dir.File("Friends.txt"), "Nyx\r\n\r\nJuniper");
    AddServer("friends", {{"Juniper", 1, 10}, {"Nyx", 2, 10}});
    Build();
    EXPECT_EQ(ListBoxLines(page->friendsList()), (Texts {"Nyx", "Juniper"}));

    // Picking a friend searches for that friend.
    page->friendsList()->setCurrentRow(1);
    EXPECT_EQ(page->searchEdit()->text(), "Juniper");
    ASSERT_TRUE(WaitForServersLeft(0));
    EXPECT_EQ(Rows(page->results()), Texts {"Juniper | " + farm.GameServer(0).Address()});

    // Add, twice: two entries, each a line of the file.
    for (int i = 0; i < 2; ++i) {
        AnswerInputBox(*page, "Birch", true);
        QTest::mouseClick(FindById<QPushButton>(page, 1082), Qt::LeftButton);
    }
    EXPECT_EQ(ListBoxLines(page->friendsList()), (Texts {"Nyx", "Juniper", "Birch", "Birch"}));
    EXPECT_EQ(ReadText(dir.File("Friends.txt")), "Nyx\r\n\r\nJuniper\r\nBirch\r\nBirch");
    InputBoxSeen seen;
    AnswerInputBox(*page, "Nobody", false, &seen);
    QTest::mouseClick(FindById<QPushButton>(page, 1082), Qt::LeftButton);
    EXPECT_EQ(seen.title, "Friends");
    EXPECT_EQ(seen.prompt, "Please type the name of the player to add");
    EXPECT_EQ(page->friendsList()->count(), 4);

    // Remove rewrites the file from the list; it starts no search.
    page->searchEdit()->setText("unchanged");
    {
        const QSignalBlocker quiet(page->friendsList());
        page->friendsList()->setCurrentRow(0);
    }
    QTest::mouseClick(FindById<QPushButton>(page, 1013), Qt::LeftButton);
    EXPECT_EQ(ListBoxLines(page->friendsList()), (Texts {"Juniper", "Birch", "Birch"}));
    EXPECT_EQ(ReadText(dir.File("Friends.txt")), "Juniper\r\nBirch\r\nBirch\r\n");
    EXPECT_EQ(page->searchEdit()->text(), "unchanged");

    // Clear empties both.
    QTest::mouseClick(FindById<QPushButton>(page, 1009), Qt::LeftButton);
    EXPECT_EQ(page->friendsList()->count(), 0);
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
    EXPECT_EQ(page->serversLeft()->count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->results()->GetItemCount() == 1; }, 5000));
    EXPECT_EQ(page->serversLeft()->count(), 0);

    settings.masterServer = "no-such-master.invalid";
    Search("xan");
    EXPECT_EQ(page->results()->GetItemCount(), 0);
    QTest::qWait(1500); // the lookup fails meanwhile
    EXPECT_EQ(page->serversLeft()->count(), 0);
    EXPECT_EQ(page->results()->GetItemCount(), 0);
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
