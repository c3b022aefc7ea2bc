// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/list_roles.h"
#include "query/server_lists.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
constexpr int kName = CServerListModel::kName;
constexpr int kPing = CServerListModel::kPing;
constexpr int kAddress = CServerListModel::kAddress;

// A model's rows as the user reads them, columns joined with " | ".
Texts Shown(const QAbstractItemModel& model)
{
    Texts rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        std::string row;
        for (int c = 0; c < model.columnCount(); ++c)
            row += (c ? " | " : "") + model.index(r, c).data().toString().toStdString();
        rows.push_back(row);
    }
    return rows;
}

// One column as shown.
Texts Column(const QAbstractItemModel& model, int column)
{
    Texts cells;
    for (int r = 0; r < model.rowCount(); ++r)
        cells.push_back(model.index(r, column).data().toString().toStdString());
    return cells;
}

class ServerListTest : public ::testing::Test {
protected:
    // A server of name, ping and players, appended to a list.
    ServerRecord* Add(ServerList list, const std::string& name, const std::string& ping = "10",
                      const std::string& players = "1/8")
    {
        const std::string address = "10.0.0." + std::to_string(next_++) + ":27015";
        ServerRecord* r = store.TakeReply(address, {.name = name, .map = "m", .ping = ping, .players = players});
        store.Append(list, r);
        return r;
    }
    CServerListModel& model(ServerList list) { return lists.model(list); }
    CServerListProxy& view(ServerList list) { return lists.view(list); }

    AppSettings settings;
    ServerStore store;
    CServerLists lists{settings, store};
    // Every change either list makes is checked as it happens, the proxies' too.
    QAbstractItemModelTester testers[4] = {
        QAbstractItemModelTester(&lists.model(ServerList::Servers),
                                 QAbstractItemModelTester::FailureReportingMode::Fatal),
        QAbstractItemModelTester(&lists.model(ServerList::Favorites),
                                 QAbstractItemModelTester::FailureReportingMode::Fatal),
        QAbstractItemModelTester(&lists.view(ServerList::Servers),
                                 QAbstractItemModelTester::FailureReportingMode::Fatal),
        QAbstractItemModelTester(&lists.view(ServerList::Favorites),
                                 QAbstractItemModelTester::FailureReportingMode::Fatal)};
    int next_ = 1;
};

} // namespace

TEST_F(ServerListTest, RowsFollowTheStoresListAndItsRecords)
{
    const ServerList kServers = ServerList::Servers;
    CServerListModel& rows = model(kServers);
    QSignalSpy inserted(&rows, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&rows, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&rows, &QAbstractItemModel::dataChanged);
    ServerRecord* a = Add(kServers, "Alpha");
    ServerRecord* b = Add(kServers, "Bravo", "???", "???");
    EXPECT_EQ(Shown(rows), (Texts{"Alpha | m | 10 | 1/8 | 10.0.0.1:27015", "Bravo | m | ??? | ??? | 10.0.0.2:27015"}));
    EXPECT_EQ(rows.headerData(CServerListModel::kAddress, Qt::Horizontal).toString(), "Ip");
    EXPECT_EQ(inserted.count(), 2);

    // A status line tops the list, has no address and cannot be selected.
    rows.ShowStatus("Pinging Servers");
    rows.ShowStatus("Waiting");
    EXPECT_EQ(Column(rows, kName), (Texts{"Waiting", "Pinging Servers", "Alpha", "Bravo"}));
    EXPECT_EQ(rows.index(0, CServerListModel::kAddress).data().toString(), "");
    EXPECT_TRUE(rows.index(1, 0).data(ListRole::Status).toBool());
    EXPECT_FALSE(rows.flags(rows.index(1, 0)) & Qt::ItemIsSelectable);
    EXPECT_TRUE(rows.flags(rows.index(2, 0)) & Qt::ItemIsSelectable);

    // A reply changes the rows of its record, in every list that shows it.
    store.Append(ServerList::Favorites, b);
    changed.clear();
    store.TakeReply(b->address, {.name = "Bravo\nNew", .ping = "33", .players = "4/8"});
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 3);
    EXPECT_EQ(Shown(rows)[3], "Bravo\xEF\xBF\xBDNew | m | 33 | 4/8 | 10.0.0.2:27015");
    EXPECT_EQ(rows.index(3, kName).data(ListRole::Bytes).toByteArray(), "Bravo\nNew");
    EXPECT_EQ(Shown(model(ServerList::Favorites)), Texts{Shown(rows)[3]});
    // A send time is a query out: the row keeps the ping it showed until the answer.
    b->ping = "12-30-500";
    store.TakeReply(b->address, {.map = "dusk"});
    EXPECT_EQ(Shown(rows)[3], "Bravo\xEF\xBF\xBDNew | dusk | 33 | 4/8 | 10.0.0.2:27015");

    removed.clear();
    store.DropServer(a->address);
    rows.RemoveStatusRows();
    EXPECT_EQ(Column(rows, kName), Texts{"Bravo\xEF\xBF\xBDNew"});
    EXPECT_EQ(removed.count(), 2);
    // Emptied, the list takes its status lines with it; loaded again, it shows what it holds.
    rows.ShowStatus("Requesting");
    store.ClearList(kServers);
    EXPECT_EQ(rows.rowCount(), 0);
    store.Append(kServers, a);
    store.Append(kServers, a);
    EXPECT_EQ(Column(view(kServers), kName), (Texts{"Alpha", "Alpha"}));
}

TEST_F(ServerListTest, RowsStayInTheOrderTheyCameUntilASortAndStatusLinesStayOnTop)
{
    const ServerList kFavorites = ServerList::Favorites;
    settings.favoriteSortColumn = kPing;
    settings.favoriteSortFlag = true;
    CServerListProxy& shown = view(kFavorites);
    QSignalSpy sorted(&shown, &CServerListProxy::sorted);
    for (const char* ping : {"80", "???", "7", "120"})
        Add(kFavorites, std::string("p") + ping, ping);
    Add(kFavorites, "twice", "80");
    EXPECT_EQ(Column(shown, kPing), (Texts{"80", "???", "7", "120", "80"}));

    const struct {
        int column;
        bool ascending;
        Texts pings;
    } sorts[] = {
        {kPing, true, {"7", "80", "80", "120", "???"}},
        {kPing, false, {"120", "80", "80", "7", "???"}}, // "???" last either way
        {kName, true, {"120", "7", "80", "???", "80"}},
        {9999, true, {"120", "7", "80", "???", "80"}}, // a column the list lacks moves nothing
    };
    for (const auto& s : sorts) {
        shown.SetSort(s.column, s.ascending);
        EXPECT_EQ(settings.favoriteSortColumn, s.column);
        EXPECT_EQ(settings.favoriteSortFlag, s.ascending);
        EXPECT_EQ(Column(shown, kPing), s.pings) << s.column << s.ascending;
        EXPECT_EQ(sorted.takeLast(), (QList<QVariant>{s.column, s.ascending}));
    }
    EXPECT_EQ(settings.serverSortColumn, AppSettings().serverSortColumn); // the other list's stays

    // Rows come last until the next sort, which goes by the stored column and direction.
    settings.favoriteSortColumn = kPing;
    settings.favoriteSortFlag = false;
    Add(kFavorites, "late", "500");
    EXPECT_EQ(Column(shown, kPing).back(), "500");
    shown.Sort();
    EXPECT_EQ(Column(shown, kPing), (Texts{"500", "120", "80", "80", "7", "???"}));

    // The Servers list's status lines stay on top of every sort.
    const ServerList kServers = ServerList::Servers;
    Add(kServers, "b");
    Add(kServers, "a");
    lists.ShowStatus("Pinging Servers");
    for (int column : {kName, kPing, kAddress}) {
        for (bool ascending : {true, false}) {
            view(kServers).SetSort(column, ascending);
            EXPECT_EQ(Column(view(kServers), kName).front(), "Pinging Servers");
        }
    }
    view(kServers).SetSort(kName, true);
    EXPECT_EQ(lists.Listed(kServers), (Texts{"10.0.0.8:27015", "10.0.0.7:27015"}));
}

TEST_F(ServerListTest, TheFilterKeepsFavoritesButForTheTextAndRowsKeepTheirPlace)
{
    const ServerList kServers = ServerList::Servers;
    CServerListProxy& shown = view(kServers);
    ServerRecord* empty = Add(kServers, "Empty", "10", "0/8");
    Add(kServers, "Full", "20", "8/8");
    ServerRecord* far = Add(kServers, "Far", "300", "1/8");
    ServerRecord* locked = Add(kServers, "Locked", "5", "1/8");
    store.TakeReply(locked->address, {.info = "d|Dedicated//Linux Server|Password: Yes"});
    lists.ShowStatus("Pinging Servers");
    settings.serverSortColumn = kName;
    settings.serverSortFlag = true;
    shown.Sort();

    ServerFilter& filter = settings.options.filter;
    const struct {
        std::function<void()> choose;
        Texts names;
    } steps[] = {
        {[&] { filter.hideEmpty = true; }, {"Pinging Servers", "Far", "Full", "Locked"}},
        {[&] { filter.hideFull = filter.hidePassworded = true; }, {"Pinging Servers", "Far"}},
        {[&] { filter.maxPing = 100; }, {"Pinging Servers"}},
        // A favourite is kept by all but the text.
        {[&] { store.Append(ServerList::Favorites, empty); }, {"Pinging Servers", "Empty"}},
        {[&] {
             filter.text = "FA";
             filter.maxPing = 0;
         },
         {"Pinging Servers", "Far"}},
        {[&] { filter = ServerFilter(); }, {"Pinging Servers", "Empty", "Far", "Full", "Locked"}},
    };
    for (const auto& step : steps) {
        step.choose();
        shown.Refilter();
        EXPECT_EQ(Column(shown, kName), step.names);
        EXPECT_EQ(shown.ListedCount(), static_cast<int>(step.names.size()) - 1);
        EXPECT_EQ(shown.ServerCount(), 4);
    }
    // A reply that takes a row out of the filter takes it away at once; the next brings it back
    // where it was.
    filter.hideEmpty = true;
    shown.Refilter();
    store.TakeReply(far->address, {.players = "0/8"});
    EXPECT_EQ(Column(shown, kName), (Texts{"Pinging Servers", "Empty", "Full", "Locked"}));
    store.TakeReply(far->address, {.players = "2/8"});
    EXPECT_EQ(Column(shown, kName), (Texts{"Pinging Servers", "Empty", "Far", "Full", "Locked"}));

    // A server hidden since the list was saved is neither shown, counted nor refreshed.
    settings.options.hiddenServers = {locked->address};
    lists.LeaveOutHidden();
    EXPECT_EQ(shown.ServerCount(), 3);
    EXPECT_EQ(lists.Listed(kServers).size(), 3u);
    settings.options.hiddenServers.clear();
    EXPECT_TRUE(lists.ShowAgain({locked->address, "10.9.9.9:27015"}));
    EXPECT_EQ(Column(shown, kName).back(), "10.9.9.9:27015");
    EXPECT_EQ(store.serverList().size(), 5u);
}

// The selected row stays selected through a sort of many thousand rows.
TEST(ServerList, TenThousandRowsSortAndTheSelectionFollowsItsRow)
{
    AppSettings settings;
    ServerStore store;
    CServerLists lists{settings, store};
    constexpr int kRows = 10000;
    for (int i = 0; i < kRows; ++i) {
        const std::string address = "10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
                                    std::to_string(i % 256) + ":27015";
        store.Append(ServerList::Servers,
                     store.TakeReply(address, {.name = "server " + std::to_string(i),
                                               .ping = i % 10 ? std::to_string(i * 7919 % 400) : "???"}));
    }
    CServerListProxy& shown = lists.view(ServerList::Servers);
    QItemSelectionModel selection(&shown);
    selection.select(shown.index(1234, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    shown.SetSort(kPing, false);
    const Texts pings = Column(shown, kPing);
    const size_t unknown = std::find(pings.begin(), pings.end(), "???") - pings.begin();
    EXPECT_EQ(unknown, size_t{kRows - kRows / 10});
    for (size_t i = 1; i < unknown; ++i)
        ASSERT_GE(std::stoi(pings[i - 1]), std::stoi(pings[i])) << i;
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().front().data().toString(), "server 1234");
}
