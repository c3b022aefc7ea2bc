// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/page_parts.h"
#include "test_support/refresh_engine_peer.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/page_context.h"

#include "browser/server_browser_dlg.h"
#include "browser/server_filter_row.h"
#include "query/query_engine.h"
#include "services/friend_alerts.h"
#include "sim_farm.h"
#include "ui/input_box.h"
#include "ui/recent_menu.h"
#include "ui/sort_list_ctrl.h"
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr int kAddress = 4;
using Texts = std::vector<std::string>;

Texts operator+(Texts head, const Texts& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// A master listing every server of the farm, and the farm started.
::testing::AssertionResult StartWithMaster(sim::SimFarm& farm)
{
    sim::MasterConfig m;
    m.listAllGameServers = true;
    farm.AddMaster(m);
    std::string error;
    if (farm.StartInOwnThread(&error))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << error;
}

// One column's cells as the model shows them.
Texts Column(const QAbstractItemModel* m, int column)
{
    Texts cells;
    for (int r = 0; r < m->rowCount(); ++r)
        cells.push_back(m->data(m->index(r, column)).toString().toStdString());
    return cells;
}
// As the view shows them.
Texts Column(const QAbstractItemView* view, int column)
{
    return Column(view->model(), column);
}

int RowOf(const CReportListCtrl* list, const std::string& address)
{
    for (int row = 0; row < list->GetItemCount(); ++row)
        if (list->GetItemTextStd(row, kAddress) == address)
            return row;
    return -1;
}

QAction* Command(const std::unique_ptr<QMenu>& menu, int id)
{
    return FindById<QAction>(menu.get(), id);
}

// ServersDB.ini (records: address, name, map, ping, players, info) and Servers.ini, as the
// program writes them.
void WriteStore(const std::string& folder, const std::vector<Texts>& records, const Texts& servers,
                const Texts& favorites)
{
    std::string db;
    for (const Texts& r : records)
        db += "[" + r[0] + "]\r\nName=" + r[1] + "\r\nMap=" + r[2] + "\r\nPing=" + r[3] + "\r\nPlayers=" + r[4] +
              "\r\nInfo=" + r[5] + "\r\n";
    WriteText(JoinPath(folder, ServerStore::kRecordsFile), db);
    std::string lists;
    for (const auto& [section, addresses] : {std::pair{"Servers", servers}, std::pair{"Favorites", favorites}}) {
        lists += std::string("[") + section + "]\r\n";
        for (size_t i = 0; i < addresses.size(); ++i)
            lists += std::to_string(i + 1) + "=" + addresses[i] + "\r\n";
        lists += "Total=" + std::to_string(addresses.size() + 1) + "\r\n";
    }
    WriteText(JoinPath(folder, ServerStore::kServersFile), lists);
}

// The page alone, as the main window would build it: over the parts of a fresh working folder
// (no started program). Messages are collected.
class BrowserPage : public ::testing::Test, public PageParts {
protected:
    using Page = CServerBrowserDlg;

    // Called before the store is loaded and the page built: files and settings of the test.
    virtual void Prepare(AppSettings&) {}

    void SetUp() override
    {
        Prepare(settings);
        store.Load();
        store.LoadFriends();
        window.resize(900, 700);
        page_ = new CServerBrowserDlg(context, &window);
        window.show();
    }

    void TearDown() override
    {
        delete page_;
        engine.CloseAll();
    }

    // What the program saves every 15 seconds and at exit.
    void SaveServers() { store.Save(); }

    QWidget window;
    CServerBrowserDlg* page_ = nullptr;

    CServerBrowserDlg* page() const { return page_; }
    template <class T> T* Find(int id) const { return FindById<T>(page(), id); }
    CFavListCtrl* Favorites() const { return Find<CFavListCtrl>(Page::IdFavorites); }
    CSrvListCtrl* Servers() const { return Find<CSrvListCtrl>(Page::IdServers); }
    CSortListCtrl* Players() const { return Find<CSortListCtrl>(Page::IdPlayers); }
    CSortListCtrl* Rules() const { return Find<CSortListCtrl>(Page::IdRules); }
    QLineEdit* IpEdit() const { return Find<QLineEdit>(Page::IdIp); }
    QLineEdit* PortEdit() const { return Find<QLineEdit>(Page::IdPort); }
    ServerRecord* Record(const std::string& address) { return store.FindOrCreateRecord(address); }
    std::string ip() const { return IpEdit()->text().toStdString(); }
    std::string port() const { return PortEdit()->text().toStdString(); }
    std::unique_ptr<QMenu> MenuOver(CReportListCtrl* list, int row)
    {
        list->SelectRow(row);
        return std::unique_ptr<QMenu>(page()->BuildContextMenu(list));
    }
};

// Three servers from the last run: Alpha answered, Bravo's query was still out at exit, and the
// third never told its name. Nothing listens at these addresses: a click asks nobody off this machine.
class StoredBrowser : public BrowserPage {
protected:
    static constexpr const char* kAlpha = "127.0.0.1:40001";
    static constexpr const char* kBravo = "127.0.0.1:40002";
    static constexpr const char* kNameless = "127.0.0.1:40003";
    static constexpr const char* kAlphaRow = "Alpha | quarryway | 45 | 3/16 | 127.0.0.1:40001";
    static constexpr const char* kBravoRow = "Bravo | spring | ??? | 0/8 | 127.0.0.1:40002";

    void Prepare(AppSettings& s) override
    {
        s.serverSortColumn = 0;
        s.serverSortFlag = true;
        s.favoriteSortColumn = 0;
        s.favoriteSortFlag = false;
        WriteStore(
            dir.Path(),
            {{kAlpha, "Alpha", "quarryway", "45", "3/16", "Capture the Flag|Dedicated//Linux Server|Password: No"},
             {kBravo, "Bravo", "spring", "12-30-500", "0/8", ""},
             {kNameless, kNameless, "???", "???", "???", ""}},
            {kNameless, kAlpha, kBravo}, {kBravo, kAlpha, kBravo});
    }
};

} // namespace

// ---- the page as it opens -------------------------------------------------------------------

using BrowserLayout = BrowserPage;

TEST_F(BrowserLayout, ControlsColumnsAndStartValues)
{
    EXPECT_EQ(page()->objectName(), "CServerBrowserDlg");
    const std::map<int, QString> buttons = {{Page::IdUpdate, "Update"},
                                            {Page::IdRefreshServers, "Refresh"},
                                            {Page::IdRefreshFavorites, "Refresh"},
                                            {Page::IdAddIpServers, "Add Ip"},
                                            {Page::IdAddIpFavorites, "Add Ip"},
                                            {Page::IdAddToFavorites, "Add to Fav."},
                                            {Page::IdRemoveFavorite, "Remove"},
                                            {Page::IdClearFavorites, "Clear"},
                                            {Page::IdConnectFavorites, "Connect"},
                                            {Page::IdConnectServers, "Connect"},
                                            {Page::IdRconFavorites, "RCON Control"},
                                            {Page::IdRconServers, "RCON Control"},
                                            {Page::IdConnectAddress, "Connect"},
                                            {Page::IdCopy, "Copy"},
                                            {Page::IdPaste, "Paste"}};
    for (const auto& [id, text] : buttons) {
        auto* b = Find<QPushButton>(id);
        ASSERT_TRUE(b) << id;
        EXPECT_EQ(b->text(), text) << id;
        // Nothing pretends to open a console that is not there yet.
        EXPECT_TRUE(b->isEnabled()) << id;
    }

    const Texts serverColumns = {"Name/202", "Map/100", "Ping/40", "Players/50", "Ip/130"};
    const std::map<int, Texts> lists = {{Page::IdFavorites, serverColumns},
                                        {Page::IdServers, serverColumns},
                                        {Page::IdPlayers, {"Name/129", "Score/50", "Play Time/60", "Id/30"}},
                                        {Page::IdRules, {"Name/137", "Value/42"}}};
    for (const auto& [id, columns] : lists) {
        auto* list = Find<CReportListCtrl>(id);
        ASSERT_TRUE(list) << id;
        Texts shown;
        for (int c = 0; c < list->GetColumnCount(); ++c)
            shown.push_back(list->model()->headerData(c, Qt::Horizontal).toString().toStdString() + "/" +
                            std::to_string(list->header()->sectionSize(c)));
        EXPECT_EQ(shown, columns) << id;
        EXPECT_TRUE(list->header()->sectionsMovable()) << id;
    }

    EXPECT_EQ(Find<QLineEdit>(Page::IdIp)->text(), "0.0.0.0");
    EXPECT_EQ(Find<QLineEdit>(Page::IdPort)->text(), "27015");
    auto* bar = Find<QProgressBar>(Page::IdProgress);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_FALSE(bar->isTextVisible());
    // Empty, not the busy indicator a 0..0 range would make of it.
    EXPECT_GT(bar->maximum(), bar->minimum());
    EXPECT_EQ(bar->value(), bar->minimum());
    EXPECT_EQ(Find<QLabel>(Page::IdPercent)->text(), "0%");
}

TEST_F(BrowserLayout, ControlsSitInsideThePageAndTheirGroupsWithoutOverlapping)
{
    std::map<QString, QRect> groups;
    for (QGroupBox* g : page()->findChildren<QGroupBox*>())
        groups[g->title()] = g->geometry();
    ASSERT_EQ(groups.size(), 4u);
    std::vector<QWidget*> controls;
    for (QWidget* w : page()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->objectName().startsWith("id"))
            controls.push_back(w);
    ASSERT_EQ(controls.size(), 25u); // the Parts' 23 and the filter row's two
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(page()->rect().contains(controls[i]->geometry())) << controls[i]->objectName().toStdString();
        for (size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
    }
    const std::map<QString, std::vector<int>> members = {
        {"Favorites",
         {Page::IdFavorites, Page::IdRefreshFavorites, Page::IdAddIpFavorites, Page::IdRemoveFavorite,
          Page::IdClearFavorites, Page::IdConnectFavorites, Page::IdRconFavorites}},
        {"Servers",
         {Page::IdServers, Page::IdUpdate, Page::IdRefreshServers, Page::IdAddIpServers, Page::IdAddToFavorites,
          Page::IdConnectServers, Page::IdRconServers}},
        {"Players", {Page::IdPlayers}},
        {"Rules", {Page::IdRules}}};
    for (const auto& [title, ids] : members)
        for (int id : ids)
            EXPECT_TRUE(groups[title].contains(Find<QWidget>(id)->geometry())) << id;
}

TEST_F(StoredBrowser, StoredListsShowSortedAndAnOldSendTimeBecomesUnknown)
{
    EXPECT_EQ(Rows(Servers()), (Texts{"127.0.0.1:40003 | ??? | ??? | ??? | 127.0.0.1:40003", kAlphaRow, kBravoRow}));
    EXPECT_EQ(Rows(Favorites()), (Texts{kBravoRow, kBravoRow, kAlphaRow}));
    EXPECT_EQ(Servers()->GetHeaderImage(0), 0);
    EXPECT_EQ(Favorites()->GetHeaderImage(0), 1);
    // A send time left from the last run is no ping: it is saved as "???" too.
    EXPECT_EQ(Record(kBravo)->ping, "???");
}

// The two lists keep their sort in the settings (and so in znktool.conf), each its own.
TEST_F(StoredBrowser, HeaderClicksSortTheListAndKeepItsSortInTheSettings)
{
    const auto clickHeader = [](CReportListCtrl* list, int column) {
        QHeaderView* header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    clickHeader(Servers(), 3);
    EXPECT_EQ(settings.serverSortColumn, 3);
    EXPECT_TRUE(settings.serverSortFlag);
    EXPECT_EQ(settings.favoriteSortColumn, 0);
    EXPECT_EQ(Column(Servers(), 3), (Texts{"0/8", "3/16", "???"}));
    EXPECT_EQ(Servers()->GetHeaderImage(3), 0);

    clickHeader(Favorites(), 2);
    clickHeader(Favorites(), 2);
    EXPECT_EQ(settings.favoriteSortColumn, 2);
    EXPECT_FALSE(settings.favoriteSortFlag);
    EXPECT_EQ(settings.serverSortColumn, 3);
    EXPECT_EQ(Column(Favorites(), 2), (Texts{"45", "???", "???"}));
    EXPECT_EQ(Favorites()->GetHeaderImage(2), 1);
    EXPECT_EQ(Favorites()->GetHeaderImage(0), -1);
}

// ---- commands on the lists ------------------------------------------------------------------

TEST_F(StoredBrowser, AddIpListsEachAddedAddressAndIgnoresBadTextAndCancel)
{
    InputBoxSeen seen{"not asked", {}, "not asked"};
    AnswerInputBox(*page(), "192.168.1.20:27016", true, &seen);
    Click(page(), Page::IdAddIpServers);
    EXPECT_EQ(seen.title, "");
    EXPECT_EQ(seen.prompt, "Please type the IP to add");
    EXPECT_EQ(seen.text, "");
    AnswerInputBox(*page(), "192.168.1.20:27016", true);
    Click(page(), Page::IdAddIpServers);
    const Texts rows = Rows(Servers());
    EXPECT_EQ(rows.size(), 5u);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "192.168.1.20:27016 | ??? | ??? | ??? | 192.168.1.20:27016"), 2);
    ServerRecord* added = Record("192.168.1.20:27016");
    EXPECT_EQ(store.serverList(),
              (std::vector<ServerRecord*>{Record(kNameless), Record(kAlpha), Record(kBravo), added, added}));
    EXPECT_EQ(added->name + added->map + added->ping + added->players, "192.168.1.20:27016?????????");

    // The default port is filled in; the spaces of a pasted text do not stay.
    AnswerInputBox(*page(), " 192.168.1.21 ", true);
    Click(page(), Page::IdAddIpFavorites);
    EXPECT_EQ(Rows(Favorites()).back(), "192.168.1.21:27015 | ??? | ??? | ??? | 192.168.1.21:27015");
    EXPECT_EQ(store.favoriteList().back()->address, "192.168.1.21:27015");
    // A letter O for the last zero passes the check; what is kept is the address it was read as.
    AnswerInputBox(*page(), "192.168.1.1O", true);
    Click(page(), Page::IdAddIpFavorites);
    EXPECT_EQ(Rows(Favorites()).back(), "192.168.1.1:27015 | ??? | ??? | ??? | 192.168.1.1:27015");
    EXPECT_EQ(store.favoriteList().back()->address, "192.168.1.1:27015");
    EXPECT_EQ(store.favoriteList().back(), Record("192.168.1.1:27015"));

    const size_t records = store.records.size();
    for (const char* typed : {"192.168.1", "server.example.com", "10.0.0.0", "10.0.0.5:70000"}) {
        AnswerInputBox(*page(), typed, true);
        Click(page(), Page::IdAddIpServers);
    }
    AnswerInputBox(*page(), "10.0.0.9:27015", false);
    Click(page(), Page::IdAddIpFavorites);
    EXPECT_EQ(Rows(Servers()), rows);
    EXPECT_EQ(store.serverList().size(), 5u);
    EXPECT_EQ(store.favoriteList().size(), 5u);
    EXPECT_EQ(store.records.size(), records);
}

TEST_F(StoredBrowser, AddToFavoritesRemoveAndClear)
{
    Click(page(), Page::IdAddToFavorites); // nothing selected
    Servers()->SelectRow(RowOf(Servers(), kAlpha));
    Click(page(), Page::IdAddToFavorites);
    EXPECT_EQ(Rows(Favorites()), (Texts{kBravoRow, kBravoRow, kAlphaRow, kAlphaRow}));
    EXPECT_EQ(store.favoriteList().size(), 4u);
    EXPECT_EQ(store.favoriteList().back(), Record(kAlpha));
    EXPECT_EQ(Record(kAlpha)->info, "Capture the Flag|Dedicated//Linux Server|Password: No");

    // One row goes, so one entry goes: the first of that server.
    ServerRecord* bravo = Record(kBravo);
    Favorites()->SelectRow(RowOf(Favorites(), kBravo));
    Click(page(), Page::IdRemoveFavorite);
    Click(page(), Page::IdRemoveFavorite); // nothing selected any more
    EXPECT_EQ(Rows(Favorites()), (Texts{kBravoRow, kAlphaRow, kAlphaRow}));
    EXPECT_EQ(store.favoriteList(), (std::vector<ServerRecord*>{Record(kAlpha), bravo, Record(kAlpha)}));
    EXPECT_EQ(Record(kBravo), bravo);

    Click(page(), Page::IdClearFavorites);
    EXPECT_EQ(Favorites()->GetItemCount(), 0);
    EXPECT_TRUE(store.favoriteList().empty());
    EXPECT_EQ(store.records.size(), 3u);
    SaveServers();
    EXPECT_NE(ReadText(dir.File(ServerStore::kServersFile)).find("[Favorites]\r\nTotal=1"), std::string::npos);
}

TEST_F(BrowserPage, AddressEntryPasteAndCopy)
{
    QApplication::clipboard()->setText("1.2.3.4");
    Click(page(), Page::IdPaste);
    EXPECT_EQ(ip() + " " + port(), "1.2.3.4 27015");
    QApplication::clipboard()->setText("5.6.7.8:27020\n");
    Click(page(), Page::IdPaste);
    EXPECT_EQ(ip() + " " + port(), "5.6.7.8 27020");
    for (const char* junk : {"hello", "1.2.3", "1.2.3.4:0", ""}) {
        QApplication::clipboard()->setText(junk);
        Click(page(), Page::IdPaste);
        EXPECT_EQ(ip() + " " + port(), "5.6.7.8 27020") << junk;
    }

    // Typing: an IP control takes dotted octets only, the port digits only.
    IpEdit()->clear();
    QTest::keyClicks(IpEdit(), "300.1x.255.2556");
    PortEdit()->clear();
    QTest::keyClicks(PortEdit(), "27a0:1655");
    QApplication::clipboard()->clear();
    Click(page(), Page::IdCopy);
    EXPECT_EQ(QApplication::clipboard()->text(), "30.1.255.255:27016");
}

TEST_F(StoredBrowser, ServerAndFavoriteMenusNameTheServerOnceAndListItsInfo)
{
    CSrvListCtrl* servers = Servers();
    EXPECT_EQ(MenuOver(servers, -1), nullptr);
    auto menu = MenuOver(servers, RowOf(servers, kNameless));
    // The list's own lines, then the browser's own beyond them.
    const Texts serverTail{"-", "Find LAN Servers", "Hide This Server", "(Join When a Slot Frees)", "Recent Servers"};
    EXPECT_EQ(MenuLines(menu.get()),
              (Texts{"Connect", "-", "RCON Control", "Add to Favorites", "-", "(127.0.0.1:40003)"} + serverTail));
    EXPECT_TRUE(Command(menu, Page::IdConnectServers) && Command(menu, Page::IdRconServers));

    menu = MenuOver(servers, RowOf(servers, kAlpha));
    EXPECT_EQ(MenuLines(menu.get()),
              (Texts{"Connect", "-", "RCON Control", "Add to Favorites", "-", "(Alpha)", "(127.0.0.1:40001)", "-",
                     "(Capture the Flag)", "(Dedicated//Linux Server)", "(Password: No)"} +
               serverTail));
    PickMenuLine(menu.get(), Page::IdAddToFavorites);
    EXPECT_EQ(store.favoriteList().back(), Record(kAlpha));

    // A name is shown as it is, not as a menu mnemonic.
    store.TakeReply(kAlpha, {.name = "Tom & Jerry"});
    EXPECT_EQ(MenuOver(servers, RowOf(servers, kAlpha))->actions().at(5)->text(), "Tom && Jerry");
    store.TakeReply(kAlpha, {.name = "Alpha"});
    // While a status line heads the list there are no servers to talk about.
    engine.lists().ShowStatus("Pinging Servers");
    EXPECT_EQ(MenuOver(servers, 2), nullptr);

    CFavListCtrl* favorites = Favorites();
    menu = MenuOver(favorites, RowOf(favorites, kBravo));
    EXPECT_EQ(MenuLines(menu.get()), (Texts{"Connect", "-", "RCON Control", "Remove", "-", "(Bravo)",
                                            "(127.0.0.1:40002)", "-", "(Join When a Slot Frees)", "Recent Servers"}));
    EXPECT_TRUE(Command(menu, Page::IdConnectFavorites) && Command(menu, Page::IdRconFavorites));
    PickMenuLine(menu.get(), Page::IdRemoveFavorite);
    EXPECT_EQ(Column(favorites, 0), (Texts{"Bravo", "Alpha", "Alpha"}));
    Rules()->InsertItem(0, "sv_gravity");
    EXPECT_EQ(MenuOver(Rules(), 0), nullptr);
}

TEST_F(StoredBrowser, StatusLinesStayOnTopOfEverySortAndAreNoServers)
{
    // A master that does not answer: the list comes back under a status line.
    settings.timeout = 0.2f;
    settings.masterServer = "127.0.0.1:9";
    Click(page(), Page::IdUpdate);
    CSrvListCtrl* servers = Servers();
    ASSERT_TRUE(QTest::qWaitFor([&] { return servers->GetItemCount() == 4; }, 3000));
    const QString silent = CRefreshEngine::kMasterSilentText;
    for (int column : {0, 0, 1, 1, 2, 2, 3, 4, 4}) {
        servers->OnColumnClick(column);
        EXPECT_EQ(servers->GetItemText(0, 0), silent) << column;
        engine.lists().Sort(ServerList::Servers); // as a refresh re-sorts
    }
    EXPECT_TRUE(servers->isFirstColumnSpanned(0, QModelIndex()));
    ClickRow(servers, 0);
    EXPECT_EQ(servers->GetSelectedRow(), -1);
    EXPECT_EQ(MenuOver(servers, 0), nullptr);

    // The Players and Rules lists' own status lines: "Please Wait" and what follows it.
    ClickRow(servers, RowOf(servers, kAlpha)); // nothing answers there
    for (CSortListCtrl* list : {Players(), Rules()}) {
        EXPECT_TRUE(list->IsStatusItem(0));
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->GetItemText(0, 0) == "The server did not answer"; }, 3000));
        EXPECT_TRUE(list->isFirstColumnSpanned(0, QModelIndex()));
        EXPECT_GE(list->visualRect(list->model()->index(0, 0)).width(),
                  list->fontMetrics().horizontalAdvance("The server did not answer"));
    }
}

TEST_F(StoredBrowser, LongAndControlNamesInMenusAreCutOrMarkedWithTheWholeNameAsTip)
{
    const QString long64 = QString("Harbor Nights ") + QString(50, 'x'); // 64 characters
    const QString cut = long64.left(59) + QChar(0x2026);
    const QChar mark(0xFFFD);
    struct Case {
        std::string name;
        QString line, tip;
        QString recentLine; // the recent servers keep a name on one line themselves
    };
    const Case cases[] = {
        {long64.toStdString(), cut, long64, cut},
        {"Short", "Short", "", "Short"},
        {"Mira\r\nAdmin says hi", QString("Mira") + mark + mark + "Admin says hi", "", "Mira  Admin says hi"},
        {"\xE2\x80\xAEReversed", mark + QString("Reversed"), "", mark + QString("Reversed")},
    };
    const auto plain = [](const QString& tip) { return QTextDocumentFragment::fromHtml(tip).toPlainText(); };
    CSrvListCtrl* servers = Servers();
    const int alpha = RowOf(servers, kAlpha);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.TakeReply(kAlpha, {.name = c.name});
        // The row itself: on one line, whole.
        EXPECT_EQ(servers->model()->data(servers->model()->index(alpha, 0)), c.tip.isEmpty() ? c.line : c.tip);
        auto menu = MenuOver(servers, alpha);
        QAction* line = menu->actions().at(5);
        EXPECT_EQ(line->text(), c.line);
        EXPECT_EQ(menu->toolTipsVisible(), !c.tip.isEmpty());
        if (!c.tip.isEmpty()) {
            EXPECT_EQ(plain(line->toolTip()), c.tip);
        }

        store.recent.Add(kBravo, c.name, 1700000000);
        QMenu* recent = FindById<QAction>(menu.get(), RecentServersMenu::kMenuId)->menu();
        Q_EMIT recent->aboutToShow();
        QAction* server = recent->actions().at(0);
        EXPECT_EQ(server->text().section('\t', 0, 0), c.recentLine);
        if (!c.tip.isEmpty()) {
            EXPECT_EQ(plain(server->toolTip()), c.tip);
        }
    }
}

TEST_F(StoredBrowser, RconControlOpensAConsoleOnTheSelectedServer)
{
    Click(page(), Page::IdRconServers);
    Click(page(), Page::IdRconFavorites);
    EXPECT_TRUE(consolesOpened.empty()); // nothing selected
    Servers()->SelectRow(RowOf(Servers(), kAlpha));
    Click(page(), Page::IdRconServers);
    Favorites()->SelectRow(RowOf(Favorites(), kBravo));
    Click(page(), Page::IdRconFavorites);
    PickMenuLine(MenuOver(Favorites(), RowOf(Favorites(), kAlpha)).get(), Page::IdRconFavorites);
    EXPECT_EQ(consolesOpened, (std::vector<std::string>{kAlpha, kBravo, kAlpha}));
}

TEST_F(StoredBrowser, ARelayedServerHasNoConsoleNorSlotWatch)
{
    const std::string relayed = "169.254.7.7:27015";
    store.TakeReply(relayed, {.name = "Relayed", .map = "m", .ping = "???", .players = "8/8"});
    store.Append(ServerList::Servers, store.FindOrCreateRecord(relayed));
    // As a click selects: the selection model tells of it.
    const auto choose = [&](const std::string& address) {
        Servers()->selectionModel()->setCurrentIndex(Servers()->model()->index(RowOf(Servers(), address), 0),
                                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    };
    choose(relayed);
    EXPECT_FALSE(Find<QPushButton>(Page::IdRconServers)->isEnabled());
    const auto menu = MenuOver(Servers(), RowOf(Servers(), relayed));
    EXPECT_FALSE(Command(menu, Page::IdRconServers)->isEnabled());
    EXPECT_FALSE(Command(menu, Page::IdWatchSlot)->isEnabled()); // full, but relayed
    page()->OnRconControl(Servers());
    EXPECT_TRUE(consolesOpened.empty());
    choose(kAlpha);
    EXPECT_TRUE(Find<QPushButton>(Page::IdRconServers)->isEnabled());
}

TEST_F(BrowserPage, PlayerMenuWritesTheFriendsFileButNotOverPleaseWait)
{
    CSortListCtrl* players = Players();
    players->InsertItem(0, "Please Wait");
    EXPECT_EQ(MenuOver(players, 0), nullptr);

    players->DeleteAllItems();
    for (const char* name : {"Tamsin", "Mira"}) {
        const int row = players->InsertItem(players->GetItemCount(), name);
        players->SetItemText(row, 3, std::to_string(row + 1));
    }
    for (int row : {0, 1}) {
        auto menu = MenuOver(players, row);
        EXPECT_EQ(MenuLines(menu.get()), (Texts{"Add to Friends List", "Remove from Friends List"}));
        PickMenuLine(menu.get(), Page::IdAddFriend);
    }
    const std::string friends = dir.File(ServerStore::kFriendsFile);
    EXPECT_EQ(ReadText(friends), "Tamsin\r\nMira");
    PickMenuLine(MenuOver(players, 0).get(), Page::IdRemoveFriend);
    EXPECT_EQ(ReadText(friends), "Mira\r\n");
}

// ---- joining --------------------------------------------------------------------------------

namespace {

// A stand-in game client that writes the arguments it was started with into launch.txt.
void WriteStandInClient(const AppSettings& s)
{
    std::filesystem::create_directories(s.gameFolder);
    const std::string client = JoinPath(s.gameFolder, kClientExeName);
    WriteText(client, "#!/bin/sh\nout=\"$(dirname \"$0\")/launch.txt\"\n"
                      "for a in \"$@\"; do echo \"$a\"; done > \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n");
    ::chmod(client.c_str(), 0755);
}

// The server the stand-in client was told to join, or "nothing" when no client started.
std::string Joined(const AppSettings& s, int waitMs = 5000)
{
    const std::string path = JoinPath(s.gameFolder, "launch.txt");
    if (!QTest::qWaitFor([&] { return FileExists(path); }, waitMs))
        return "nothing";
    const std::string text = ReadText(path);
    std::filesystem::remove(path);
    const size_t at = text.find("+connect\n");
    return at == std::string::npos ? text : text.substr(at + 9, text.find('\n', at + 9) - at - 9);
}

class JoinFromBrowser : public StoredBrowser {
protected:
    void Prepare(AppSettings& s) override
    {
        StoredBrowser::Prepare(s);
        WriteStandInClient(s);
    }
    std::string Joined(int waitMs = 5000) { return ::Joined(settings, waitMs); }
};

} // namespace

TEST_F(JoinFromBrowser, ConnectAndDoubleClickJoinTheSelectedServerOrTheTypedAddress)
{
    Click(page(), Page::IdConnectFavorites);
    Click(page(), Page::IdConnectServers);
    EXPECT_EQ(Joined(300), "nothing");
    Favorites()->SelectRow(RowOf(Favorites(), kAlpha));
    Click(page(), Page::IdConnectFavorites);
    EXPECT_EQ(Joined(), kAlpha);
    Servers()->SelectRow(RowOf(Servers(), kNameless));
    Click(page(), Page::IdConnectServers);
    EXPECT_EQ(Joined(), kNameless);

    IpEdit()->setText("10.9.8.7");
    PortEdit()->setText("27020");
    Click(page(), Page::IdConnectAddress);
    EXPECT_EQ(Joined(), "10.9.8.7:27020");
    // The server joined, and the record made for it, have the port as a number.
    PortEdit()->setText("08080");
    Click(page(), Page::IdConnectAddress);
    EXPECT_EQ(Joined(), "10.9.8.7:8080");
    EXPECT_EQ(store.records.back().address, "10.9.8.7:8080");
    IpEdit()->setText("0.0.0.0");
    Click(page(), Page::IdConnectAddress);
    EXPECT_EQ(Joined(300), "nothing");

    // A double click: its first click selects the row, the second joins.
    CSrvListCtrl* servers = Servers();
    const QPoint at = servers->visualRect(servers->model()->index(RowOf(servers, kBravo), 0)).center();
    QTest::mouseClick(servers->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(servers->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(Joined(), kBravo);
}

// ---- talking to servers ---------------------------------------------------------------------

namespace {

// Two simulated servers and a master on 127.0.0.1; both servers are in the Servers and the
// Favorites list of the last run under their addresses only.
class SimBrowser : public BrowserPage {
protected:
    void SetUp() override
    {
        for (const char* name : {"Alpha Sim", "Bravo Sim"}) {
            sim::GameServerConfig c;
            c.hostname = name;
            c.maxPlayers = 12;
            c.players = {{"Tamsin", 12, 125.7f}, {"Mira", -3, 59.9f}};
            c.rules = {{"mp_timelimit", "30"}, {"sv_gravity", "800"}};
            farm.AddGameServer(c);
        }
        ASSERT_TRUE(StartWithMaster(farm));
        BrowserPage::SetUp();
    }

    void Prepare(AppSettings& s) override
    {
        s.masterServer = farm.Master(0).Address();
        s.timeout = 0.5f;
        const std::string a = server(0).Address(), b = server(1).Address();
        WriteStore(dir.Path(), {{a, a, "???", "???", "???", ""}, {b, b, "???", "???", "???", ""}}, {a, b}, {a, b});
    }

    sim::SimGameServer& server(int i) { return farm.GameServer(i); }
    std::string PortOf(int i) { return std::to_string(server(i).Port()); }
    // Which simulated server a row lists (ports, and so the order, change from run to run).
    int ServerAt(const CReportListCtrl* list, int row)
    {
        return list->GetItemTextStd(row, kAddress) == server(0).Address() ? 0 : 1;
    }
    int Asked(int i, const char* request) { return server(i).Record().requestCounts[request]; }
    bool PlayersShown()
    {
        return QTest::qWaitFor(
            [&] {
                return Rows(Players()) == Texts{"Tamsin | 12 | 2:5 | 1", "Mira | -3 | 0:59 | 2"};
            },
            2000);
    }

    sim::SimFarm farm;
};

} // namespace

TEST_F(SimBrowser, ClickedServerShowsPleaseWaitThenItsPlayersAndRules)
{
    CSrvListCtrl* servers = Servers();
    ClickRow(servers, RowOf(servers, server(1).Address()));
    EXPECT_EQ(ip() + ":" + port(), server(1).Address());
    EXPECT_EQ(Column(Players(), 0), Texts{"Please Wait"});
    EXPECT_EQ(Column(Rules(), 0), Texts{"Please Wait"});
    EXPECT_EQ(Rules()->columnWidth(0), 137);
    EXPECT_EQ(MenuOver(Players(), 0), nullptr);

    EXPECT_TRUE(PlayersShown()) << ::testing::PrintToString(Rows(Players()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Rows(Rules()) == Texts{"mp_timelimit | 30", "sv_gravity | 800"};
        },
        2000))
        << ::testing::PrintToString(Rows(Rules()));
    EXPECT_EQ(Rules()->columnWidth(0), 120);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return servers->GetItemText(RowOf(servers, server(1).Address()), 0) == "Bravo Sim"; }, 2000));
    EXPECT_EQ(Asked(0, "players"), 0);
}

TEST_F(SimBrowser, LeftClickAsksEvenTheSelectedServerAgainRightClickNeverAsks)
{
    for (CReportListCtrl* list :
         {static_cast<CReportListCtrl*>(Servers()), static_cast<CReportListCtrl*>(Favorites())}) {
        SCOPED_TRACE(list->objectName().toStdString());
        farm.ResetRecords();
        const int first = RowOf(list, server(0).Address()), second = RowOf(list, server(1).Address());
        ClickRow(list, first);
        ASSERT_TRUE(PlayersShown());
        // The same row again: the server is asked again, its details shown afresh.
        ClickRow(list, first);
        EXPECT_EQ(Column(Players(), 0), Texts{"Please Wait"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return Asked(0, "players") == 2; }, 2000));
        EXPECT_TRUE(PlayersShown());

        // A right click on the other server selects it for the menu it opens, and asks nothing.
        Texts menu;
        QTimer closeMenu;
        QObject::connect(&closeMenu, &QTimer::timeout, [&] {
            if (auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menu = MenuLines(shown);
                shown->close();
            }
        });
        closeMenu.start(10);
        const QPoint at = list->visualRect(list->model()->index(second, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, at);
        // The menu request the window system sends after a right click (QTest sends none).
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &request);
        EXPECT_EQ(list->GetSelectedRow(), second);
        ASSERT_FALSE(menu.empty());
        EXPECT_EQ(menu.front(), "Connect");
        QTest::qWait(300);
        EXPECT_EQ(Asked(1, "players") + Asked(1, "ping"), 0);
        EXPECT_EQ(port(), PortOf(0));
        EXPECT_TRUE(PlayersShown());
    }
}

TEST_F(SimBrowser, ArrowKeyQueriesTheNewlySelectedServerAfterTheKeyTimer)
{
    struct Case {
        CReportListCtrl* list;
        const QTimer* timer;
        int fromRow, toRow;
        Qt::Key key;
    };
    for (const Case& c : {Case{Servers(), &page()->serversKeyTimer(), 0, 1, Qt::Key_Down},
                          Case{Favorites(), &page()->favoritesKeyTimer(), 1, 0, Qt::Key_Up}}) {
        SCOPED_TRACE(c.list->objectName().toStdString());
        const int from = ServerAt(c.list, c.fromRow), to = ServerAt(c.list, c.toRow);
        ASSERT_NE(from, to);
        ClickRow(c.list, c.fromRow);
        ASSERT_TRUE(PlayersShown());
        farm.ResetRecords();

        QTest::keyClick(c.list, c.key);
        EXPECT_EQ(c.list->GetSelectedRow(), c.toRow);
        // The key has moved the selection; the query waits for the timer.
        EXPECT_TRUE(c.timer->isActive());
        EXPECT_EQ(port(), PortOf(from));
        EXPECT_TRUE(QTest::qWaitFor([&] { return port() == PortOf(to); }, 500));
        EXPECT_TRUE(QTest::qWaitFor([&] { return Asked(to, "players") == 1 && Asked(to, "rules") == 1; }, 2000));
        EXPECT_TRUE(PlayersShown());
        // Once: not once for the selection and once more for the key.
        EXPECT_EQ(Asked(to, "players"), 1);
        EXPECT_EQ(Asked(from, "players"), 0);
    }
}

TEST_F(SimBrowser, RefreshAndUpdateFillTheListsAndTheProgressDisplay)
{
    Click(page(), Page::IdRefreshFavorites);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Find<QLabel>(Page::IdPercent)->text() == "100%"; }, 3000));
    EXPECT_EQ(Find<QProgressBar>(Page::IdProgress)->maximum(), 2);
    EXPECT_EQ(Find<QProgressBar>(Page::IdProgress)->value(), 2);
    Texts names = Column(Favorites(), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Texts{"Alpha Sim", "Bravo Sim"}));

    // Only the master's answer can bring the rows back.
    store.ClearList(ServerList::Servers);
    Click(page(), Page::IdUpdate);
    Texts expected = {server(0).Address(), server(1).Address()};
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            Texts addresses = Column(Servers(), kAddress);
            std::sort(addresses.begin(), addresses.end());
            return addresses == expected;
        },
        4000))
        << ::testing::PrintToString(Rows(Servers()));
    EXPECT_GE(farm.Master(0).Record().datagramsReceived, 1);
}

TEST_F(SimBrowser, DetailsGoWithTheirRowAndARefreshAsksThemAgain)
{
    const auto filterText = [&](const char* t) { Find<QLineEdit>(CServerFilterRow::IdFilterText)->setText(t); };
    const auto relisted = [&] {
        return QTest::qWaitFor(
            [&] { return Rows(Servers()).size() == 2 && RefreshEnginePeer(engine.refresh()).pending().empty(); }, 4000);
    };
    settings.options.lanTargets = {server(0).Address(), server(1).Address()};
    struct Case {
        const char* what;
        bool favorites, typed; // typed: the user typed another address before the row went
        std::function<void()> act;
    };
    const Case cases[] = {
        {"filtered away", false, false, [&] { filterText("no such server"); }},
        {"filtered away, typed", false, true, [&] { filterText("no such server"); }},
        {"Update", false, false, [&] { Click(page(), Page::IdUpdate); }},
        {"LAN search", false, false, [&] { engine.refresh().FindLanServers(); }},
        {"hidden", false, false, [&] { PickMenuLine(MenuOver(Servers(), 0).get(), Page::IdHideServer); }},
        {"removed", true, false, [&] { Click(page(), Page::IdRemoveFavorite); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        filterText("");
        ASSERT_TRUE(c.favorites || relisted());
        CReportListCtrl* list = c.favorites ? static_cast<CReportListCtrl*>(Favorites()) : Servers();
        ClickRow(list, 0);
        ASSERT_TRUE(PlayersShown());
        if (c.typed)
            IpEdit()->setText("10.1.2.3");
        c.act();
        QTest::qWait(300); // nor do late answers fill them
        EXPECT_EQ(Rows(Players()).size() + Rows(Rules()).size(), 0u);
        EXPECT_EQ(ip() + ":" + port(), c.typed ? "10.1.2.3:" + port() : "0.0.0.0:27015");
    }

    // A Refresh lists the selected server again, selected, and asks its details again.
    settings.options.hiddenServers.clear();
    Click(page(), Page::IdUpdate);
    ASSERT_TRUE(relisted());
    const std::string chosen = server(0).Address();
    ClickRow(Servers(), RowOf(Servers(), chosen));
    ASSERT_TRUE(PlayersShown());
    farm.ResetRecords();
    Click(page(), Page::IdRefreshServers);
    EXPECT_EQ(Column(Players(), 0), Texts{"Please Wait"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return Asked(0, "players") == 1 && PlayersShown(); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Servers()->GetSelectedRow() == RowOf(Servers(), chosen); }, 3000));
    // Refreshed while it no longer answers: its row comes back unknown, and so do its details.
    server(0).SetBehaviour({.silent = true});
    Click(page(), Page::IdRefreshServers);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const int row = RowOf(Servers(), chosen);
            return Rows(Players()) == Texts{"The server did not answer |  |  | "} &&
                   Servers()->GetSelectedRow() == row && Servers()->GetItemText(row, 2) == "???";
        },
        4000))
        << ::testing::PrintToString(Rows(Players()));
}

namespace {

// One server that gives its name, its game and a player in Latin-1, as servers of the
// game's era do, and one player in UTF-8.
class EightBitBrowser : public BrowserPage {
protected:
    static constexpr const char* kName = "Caf\xE9 Fran\xE7oise";

    void SetUp() override
    {
        sim::GameServerConfig c;
        c.hostname = kName;
        c.map = "for\xEAt";
        c.description = "Capture \xE0 la carte";
        c.players = {{"J\xF6rg", 3, 61.0f}, {"Zo\xC3\xAB", 1, 5.0f}};
        c.rules = {{"sv_motd", "Bienvenue \xE0 tous"}};
        farm.AddGameServer(c);
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
        BrowserPage::SetUp();
    }

    void Prepare(AppSettings&) override
    {
        const std::string a = farm.GameServer(0).Address();
        WriteStore(dir.Path(), {{a, a, "???", "???", "???", ""}}, {a}, {});
    }

    sim::SimFarm farm;
};

} // namespace

TEST_F(EightBitBrowser, NamesShowAsLatin1WhileTheBytesSentAreKept)
{
    const std::string address = farm.GameServer(0).Address();
    CSrvListCtrl* servers = Servers();
    ClickRow(servers, 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Players()->GetItemCount() == 2 && Record(address)->name == kName; }, 3000));
    EXPECT_EQ(Column(servers, 0), Texts{"Caf\u00e9 Fran\u00e7oise"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return Column(servers, 1) == Texts{"for\u00eat"}; }, 3000));
    Texts players = Column(Players(), 0);
    std::sort(players.begin(), players.end());
    EXPECT_EQ(players, (Texts{"J\u00f6rg", "Zo\u00eb"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Column(Rules(), 1) == Texts{"Bienvenue \u00e0 tous"}; }, 3000));

    auto menu = MenuOver(servers, 0);
    ASSERT_TRUE(menu);
    const Texts lines = MenuLines(menu.get());
    EXPECT_EQ(Texts(lines.begin() + 5, lines.end() - 5),
              (Texts{"(Caf\u00e9 Fran\u00e7oise)", "(" + address + ")", "-", "(Capture \u00e0 la carte)",
                     "(Dedicated//Linux Server)", "(Password: No)"}));

    // A friend is written down with the name's own bytes, as the search compares them.
    CSortListCtrl* list = Players();
    const int jorg = list->GetItemTextStd(0, 0) == "J\xF6rg" ? 0 : 1;
    ASSERT_EQ(list->GetItemTextStd(jorg, 0), "J\xF6rg");
    PickMenuLine(MenuOver(list, jorg).get(), Page::IdAddFriend);
    EXPECT_EQ(ReadText(dir.File(ServerStore::kFriendsFile)), "J\xF6rg");
    SaveServers();
    EXPECT_NE(ReadText(dir.File(ServerStore::kRecordsFile)).find(std::string("Name=") + kName + "\r\n"),
              std::string::npos);
}

// ---- the browser's own additions: filter, hidden servers, recent joins, friends seen ---------

namespace {

// Five servers of known kinds, listed by the master; the empty "Echo Home" is also a favourite.
class FilterFarm : public BrowserPage {
protected:
    void SetUp() override
    {
        struct Kind {
            const char* name;
            const char* map;
            int players, max, delayMs;
            bool password;
        };
        for (const Kind& k :
             {Kind{"Alpha Empty", "dusk_canyon", 0, 8, 0, false}, Kind{"Bravo Full", "frostbite", 2, 2, 0, false},
              Kind{"Charlie Locked", "harbor", 1, 8, 0, true}, Kind{"Delta Far", "harbor", 1, 8, 300, false},
              Kind{"Echo Home", "harbor", 0, 8, 0, false}}) {
            sim::GameServerConfig c;
            c.hostname = k.name;
            c.map = k.map;
            c.maxPlayers = k.max;
            c.password = k.password;
            c.behaviour.delayMs = k.delayMs;
            for (int i = 0; i < k.players; ++i)
                c.players.push_back({"Player" + std::to_string(i), 1, 10.f});
            farm.AddGameServer(c);
        }
        ASSERT_TRUE(StartWithMaster(farm));
        BrowserPage::SetUp();
        connect = QObject::connect(page(), &Page::listedCountChanged, [this](const QString& t) { count = t; });
    }
    void TearDown() override
    {
        QObject::disconnect(connect);
        BrowserPage::TearDown();
    }
    void Prepare(AppSettings& s) override
    {
        s.masterServer = farm.Master(0).Address();
        s.timeout = 1.0f;
        const std::string echo = farm.GameServer(4).Address();
        WriteStore(dir.Path(), {{echo, "Echo Home", "harbor", "???", "0/8", ""}}, {}, {echo});
    }
    bool Updated()
    {
        Click(page(), Page::IdUpdate);
        return QTest::qWaitFor(
            [&] {
                // Those the filter leaves out too.
                const Texts pings = Column(&engine.lists().model(ServerList::Servers), 2);
                return pings.size() == 5 && std::count(pings.begin(), pings.end(), "???") == 0 &&
                       RefreshEnginePeer(engine.refresh()).pending().empty() &&
                       Find<QLabel>(Page::IdPercent)->text() == "100%";
            },
            8000);
    }
    // The names the Servers list shows, sorted, and the count under it.
    std::string Listed()
    {
        QTest::qWait(Page::kCountDelayMs + 20);
        Texts names;
        for (const std::string& row : Rows(Servers()))
            names.push_back(row.substr(0, row.find(" | ")));
        std::sort(names.begin(), names.end());
        std::string out;
        for (const std::string& n : names)
            out += n.substr(0, n.find(' ')) + " ";
        return out + "(" + count.toStdString() + ")";
    }
    QMenu* FilterMenu() const { return page()->filterRow()->menu(); }

    sim::SimFarm farm;
    QString count;
    QMetaObject::Connection connect;
};

} // namespace

TEST_F(FilterFarm, FilterChoicesLeaveOutTheirServersKeepOrderAndAskNobody)
{
    // Chosen before the Update: the rows are filtered as they come.
    PickMenuLine(FilterMenu(), CServerFilterRow::IdHideEmpty);
    ASSERT_TRUE(Updated()) << ::testing::PrintToString(Rows(Servers()));
    EXPECT_EQ(Listed(), "Bravo Charlie Delta Echo (4 of 5 servers listed)");
    const Texts order = engine.lists().Listed(ServerList::Servers); // those left out too
    int asked = 0;
    for (int i = 0; i < 5; ++i)
        asked += farm.GameServer(i).Record().datagramsReceived;

    struct Step {
        std::function<void()> choose;
        const char* listed;
    };
    QMenu* ping = FindById<QAction>(FilterMenu(), CServerFilterRow::IdMaxPing)->menu();
    const auto text = [this](const char* t) {
        return [this, t] { Find<QLineEdit>(CServerFilterRow::IdFilterText)->setText(t); };
    };
    const Step steps[] = {
        {[&] { PickMenuLine(FilterMenu(), CServerFilterRow::IdClearFilters); },
         "Alpha Bravo Charlie Delta Echo (5 of 5 servers listed)"},
        {[&] { PickMenuLine(FilterMenu(), CServerFilterRow::IdHideFull); },
         "Alpha Charlie Delta Echo (4 of 5 servers listed)"},
        {[&] { PickMenuLine(FilterMenu(), CServerFilterRow::IdHidePassworded); },
         "Alpha Delta Echo (3 of 5 servers listed)"},
        {[&] { PickMenuLine(ping, CServerFilterRow::IdAnyPing + 2); }, "Alpha Echo (2 of 5 servers listed)"},
        {[&] { PickMenuLine(FilterMenu(), CServerFilterRow::IdHideEmpty); }, "Echo (1 of 5 servers listed)"},
        {[&] { PickMenuLine(FilterMenu(), CServerFilterRow::IdClearFilters); },
         "Alpha Bravo Charlie Delta Echo (5 of 5 servers listed)"},
        // The text leaves out a favourite too ("Echo Home" plays harbor).
        {text("FROST"), "Bravo (1 of 5 servers listed)"},
        {text("locked"), "Charlie (1 of 5 servers listed)"},
        {text("HOME"), "Echo (1 of 5 servers listed)"},
    };
    for (const Step& s : steps) {
        s.choose();
        EXPECT_EQ(Listed(), s.listed);
    }
    // A row the filter takes away is no longer the one Connect would join, nor is another.
    Find<QLineEdit>(CServerFilterRow::IdFilterText)->setText("");
    Servers()->SelectRow(RowOf(Servers(), farm.GameServer(1).Address()));
    ASSERT_GE(Servers()->GetSelectedRow(), 0);
    Find<QLineEdit>(CServerFilterRow::IdFilterText)->setText("echo");
    EXPECT_EQ(Servers()->GetSelectedRow(), -1);
    // Escape empties the text; only an empty one lets Escape on to the window.
    QTest::keyClick(Find<QLineEdit>(CServerFilterRow::IdFilterText), Qt::Key_Escape);
    EXPECT_EQ(Listed(), "Alpha Bravo Charlie Delta Echo (5 of 5 servers listed)");
    EXPECT_EQ(Column(Servers(), kAddress), order);
    int askedAfter = 0;
    for (int i = 0; i < 5; ++i)
        askedAfter += farm.GameServer(i).Record().datagramsReceived;
    EXPECT_EQ(askedAfter, asked);
    EXPECT_EQ(settings.options.filter.text, "");
}

TEST_F(FilterFarm, AHiddenServerLeavesTheListAndNoUpdateListsItAgain)
{
    ASSERT_TRUE(Updated());
    const std::string charlie = farm.GameServer(2).Address();
    auto menu = MenuOver(Servers(), RowOf(Servers(), charlie));
    PickMenuLine(menu.get(), Page::IdHideServer);
    EXPECT_EQ(RowOf(Servers(), charlie), -1);
    EXPECT_EQ(settings.options.hiddenServers, Texts{charlie});
    const int pinged = farm.GameServer(2).Record().requestCounts["ping"];
    ASSERT_TRUE(QTest::qWaitFor([&] { return RefreshEnginePeer(engine.refresh()).pending().empty(); }, 3000));
    Click(page(), Page::IdUpdate);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Column(Servers(), 2).size() == 4 && Column(Servers(), 2).front() != "???"; }, 8000));
    QTest::qWait(300);
    EXPECT_EQ(RowOf(Servers(), charlie), -1);
    EXPECT_EQ(farm.GameServer(2).Record().requestCounts["ping"], pinged);
}

TEST_F(FilterFarm, AFriendOnAServerIsToldOncePerServer)
{
    store.friends().AppendFriend("player0");
    CFriendAlerts alerts(store, nullptr);
    context.playersHeard = [&](const std::string& a, const std::vector<std::string>& n) { alerts.Heard(a, n); };
    QStringList told;
    QObject::connect(&alerts, &CFriendAlerts::alerted, [&](const QString& t) { told << t; });
    ASSERT_TRUE(Updated());
    for (int server : {1, 1, 2}) {
        ClickRow(Servers(), RowOf(Servers(), farm.GameServer(server).Address()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Players()->GetItemText(0, 3) == "1"; }, 3000));
        Players()->DeleteAllItems();
    }
    EXPECT_EQ(told, (QStringList{"player0 is playing on Bravo Full", "player0 is playing on Charlie Locked"}));
}

TEST_F(JoinFromBrowser, JoinsAreRememberedNewestFirstAndTheRecentMenuJoinsAgain)
{
    for (const char* address : {kAlpha, kBravo, kAlpha}) {
        Servers()->SelectRow(RowOf(Servers(), address));
        Click(page(), Page::IdConnectServers);
        ASSERT_EQ(Joined(), address);
    }
    const std::string file = ReadText(JoinPath(dir.Path(), RecentServers::kFileName));
    EXPECT_NE(file.find("\t127.0.0.1:40001\tAlpha\r\n"), std::string::npos) << file;
    EXPECT_LT(file.find(kAlpha), file.find(kBravo));

    // The menu as a later start shows it: from the file.
    store.recent = RecentServers();
    store.recent.Load(JoinPath(dir.Path(), RecentServers::kFileName));
    auto menu = MenuOver(Favorites(), 0);
    QMenu* recent = FindById<QAction>(menu.get(), RecentServersMenu::kMenuId)->menu();
    Q_EMIT recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_TRUE(recent->actions()[0]->text().startsWith("Alpha\t"));
    EXPECT_TRUE(recent->actions()[1]->text().startsWith("Bravo\t"));
    PickMenuLine(recent->actions()[1]->menu(), RecentServersMenu::kJoinId);
    EXPECT_EQ(Joined(), kBravo);
    PickMenuLine(recent->actions()[0]->menu(), RecentServersMenu::kAddToFavoritesId);
    EXPECT_EQ(store.favoriteList().back()->address, kAlpha);
    // Under the name it is known by, not its address: its record's, else its recent entry's.
    store.recent.Add(kNameless, "Nameless Joined", 1700000000);
    Q_EMIT recent->aboutToShow();
    PickMenuLine(recent->actions()[0]->menu(), RecentServersMenu::kAddToFavoritesId);
    Texts rows = Rows(Favorites());
    std::sort(rows.begin(), rows.end());
    // Added by hand, the server's record knows nothing yet: every row of it says so.
    EXPECT_EQ(rows, (Texts{"Alpha | ??? | ??? | ??? | 127.0.0.1:40001", "Alpha | ??? | ??? | ??? | 127.0.0.1:40001",
                           kBravoRow, kBravoRow, "Nameless Joined | ??? | ??? | ??? | 127.0.0.1:40003"}));
}

namespace {
class SlotFarm : public FilterFarm {
protected:
    void Prepare(AppSettings& s) override
    {
        FilterFarm::Prepare(s);
        WriteStandInClient(s);
    }
};
} // namespace

TEST_F(SlotFarm, TheSlotWatchJoinsAtTheFirstFreeSlotAndEndsOnASilentServer)
{
    engine.slotWatch().SetIntervals(100, 800);
    QStringList status;
    QObject::connect(page(), &Page::statusMessage, [&](const QString& t) { status << t; });
    ASSERT_TRUE(Updated());
    const std::string full = farm.GameServer(1).Address();
    PickMenuLine(MenuOver(Servers(), RowOf(Servers(), full)).get(), Page::IdWatchSlot);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.size() >= 3; }, 3000));
    EXPECT_EQ(status.last(), "Waiting for a free slot on Bravo Full (2/2 players). Escape stops waiting.");
    EXPECT_EQ(Joined(settings, 300), "nothing");
    farm.GameServer(1).SetPlayers({{"Player0", 1, 10.f}});
    EXPECT_EQ(Joined(settings), full);
    EXPECT_FALSE(engine.slotWatch().active());
    EXPECT_EQ(store.recent.Entries().front().address, full);

    // Nothing answers there: the wait ends with a message, and the status line is cleared.
    // As its last answer named it.
    store.Append(ServerList::Servers,
                 store.TakeReply("127.0.0.1:9", {.name = "Gone", .map = "harbor", .ping = "5", .players = "8/8"}));
    auto menu = MenuOver(Servers(), RowOf(Servers(), "127.0.0.1:9"));
    PickMenuLine(menu.get(), Page::IdWatchSlot);
    EXPECT_TRUE(
        FindById<QAction>(MenuOver(Servers(), RowOf(Servers(), "127.0.0.1:9")).get(), Page::IdWatchSlot)->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 3000));
    EXPECT_TRUE(messages.front().startsWith("Gone has not answered for a minute")) << messages.front().toStdString();
    EXPECT_EQ(status.last(), "");
    EXPECT_EQ(Joined(settings, 300), "nothing");
}

// What the field takes is what a restart gives back, character for character: the field and the
// options file count alike.
TEST_F(BrowserPage, TheLongestFilterTextComesBackAfterARestart)
{
    QLineEdit* field = Find<QLineEdit>(CServerFilterRow::IdFilterText);
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // two units in the field
    for (const QString& typed : {QString(70, QChar(0xE9)), clef.repeated(33), "a" + QString(40, QChar(0xE9))}) {
        field->setText(typed);
        ASSERT_TRUE(settings.options.Save(dir.File(ToolOptions::kFileName)));
        ToolOptions back;
        ASSERT_TRUE(back.Load(dir.File(ToolOptions::kFileName)));
        EXPECT_EQ(QString::fromStdString(back.filter.text), field->text());
        EXPECT_TRUE(typed.startsWith(field->text()) && field->text().size() >= 41);
    }
}
