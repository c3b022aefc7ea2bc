// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sort_list_ctrl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

enum Column { kName, kPing, kPlayers, kAddress };

struct Server {
    const char* name;
    const char* ping;
    const char* players;
    const char* address;
};

const std::vector<Server> kServers = {
    {"Bravo", "80", "12/14", "10.0.0.10:27015"},   {"alpha", "???", "3/16", "10.0.0.9:27015"},
    {"Charlie", "7", "7/16", "192.168.0.1:27016"}, {"delta", "120", "0/8", "10.0.0.9:27016"},
    {"Echo", "???", "16/16", "9.1.1.1:27015"},
};

void Fill(CReportListCtrl& list)
{
    list.InsertColumn(kName, "Name", 150);
    list.InsertColumn(kPing, "Ping", 60);
    list.InsertColumn(kPlayers, "Players", 70);
    list.InsertColumn(kAddress, "Address", 140);
    for (const Server& s : kServers) {
        const int row = list.InsertItem(list.GetItemCount(), s.name);
        list.SetItemText(row, kPing, s.ping);
        list.SetItemText(row, kPlayers, s.players);
        list.SetItemText(row, kAddress, s.address);
    }
}

// One column as the view's model presents it, top to bottom.
Texts Shown(const QAbstractItemView& view, int column)
{
    Texts texts;
    const QAbstractItemModel* model = view.model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.push_back(model->data(model->index(row, column)).toString().toStdString());
    return texts;
}

void ClickHeader(CReportListCtrl& list, int column)
{
    QHeaderView* header = list.header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Dark arrow pixels in the right-hand part of a header section, as drawn on screen.
int ArrowPixelsAtRightOf(CReportListCtrl& list, int column)
{
    QHeaderView* header = list.header();
    const QImage shot = header->grab().toImage();
    const int right = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
    int dark = 0;
    for (int x = right - 20; x <= right; ++x)
        for (int y = 0; y < shot.height(); ++y)
            if (shot.pixelColor(x, y) == QColor(0x40, 0x40, 0x40))
                ++dark;
    return dark;
}

// The tip that resting the mouse on a cell shows; empty when none shows.
QString TipOver(CReportListCtrl& list, int row, int column)
{
    QToolTip::hideText(); // a tip from before goes only after a moment
    (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000);
    const QRect cell = list.visualRect(list.model()->index(row, column));
    QHelpEvent help(QEvent::ToolTip, cell.center(), list.viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(list.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

class SortListTest : public ::testing::Test {
protected:
    template <typename List> void Show(List& list)
    {
        Fill(list);
        list.resize(600, 300);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
};

} // namespace

TEST_F(SortListTest, ListShowsRowsAndColumnsAsInserted)
{
    CSortListCtrl list;
    Fill(list);
    ASSERT_EQ(list.model()->columnCount(), 4);
    EXPECT_EQ(list.model()->headerData(kPlayers, Qt::Horizontal).toString(), "Players");
    EXPECT_EQ(list.header()->sectionSize(kAddress), 140);
    EXPECT_EQ(Shown(list, kName), (Texts{"Bravo", "alpha", "Charlie", "delta", "Echo"}));
    EXPECT_EQ(Shown(list, kAddress)[3], "10.0.0.9:27016");

    EXPECT_EQ(list.InsertItem(0, std::string("first")), 0);
    EXPECT_EQ(list.InsertItem(99, QString("last")), 6);
    EXPECT_EQ(Shown(list, kName).front(), "first");
    EXPECT_EQ(Shown(list, kName).back(), "last");
    EXPECT_EQ(Shown(list, kPing).back(), "");

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_FALSE(list.DeleteItem(6));
    EXPECT_FALSE(list.SetItemText(0, 4, "no such column"));
    EXPECT_FALSE(list.SetItemText(6, 0, "no such row"));
    EXPECT_EQ(list.GetItemText(6, 0), QString());
    EXPECT_EQ(list.GetItemTextStd(0, kName), "Bravo");
    EXPECT_EQ(list.GetItemCount(), 6);

    // A column added later is empty in the rows there are.
    list.InsertColumn(1, "Map", 80);
    EXPECT_EQ(Shown(list, 1), Texts(6, ""));
    EXPECT_EQ(Shown(list, 2)[0], "80");
}

TEST_F(SortListTest, HeaderClicksSortAscendingThenDescendingWithArrows)
{
    CSortListCtrl list;
    Show(list);
    EXPECT_EQ(list.SortColumn(), CSortListCtrl::kNoSortColumn);
    EXPECT_EQ(list.GetHeaderImage(kPing), -1);

    ClickHeader(list, kPing);
    EXPECT_EQ(Shown(list, kPing), (Texts{"7", "80", "120", "???", "???"}));
    EXPECT_EQ(list.GetHeaderImage(kPing), 0);
    EXPECT_TRUE(list.SortFlag());
    EXPECT_EQ(CSortListCtrl::LastSortColumn(), kPing);
    EXPECT_TRUE(CSortListCtrl::LastSortFlag());

    ClickHeader(list, kPing);
    EXPECT_EQ(Shown(list, kPing), (Texts{"120", "80", "7", "???", "???"}));
    EXPECT_EQ(list.GetHeaderImage(kPing), 1);
    EXPECT_FALSE(list.SortFlag());

    // Another column starts ascending again, and only it shows an arrow.
    ClickHeader(list, kPlayers);
    EXPECT_EQ(Shown(list, kPlayers), (Texts{"0/8", "12/14", "3/16", "7/16", "16/16"}));
    EXPECT_EQ(list.GetHeaderImage(kPlayers), 0);
    EXPECT_EQ(list.GetHeaderImage(kPing), -1);
    EXPECT_EQ(list.SortColumn(), kPlayers);

    ClickHeader(list, kAddress);
    EXPECT_EQ(Shown(list, kAddress),
              (Texts{"9.1.1.1:27015", "10.0.0.9:27015", "10.0.0.9:27016", "10.0.0.10:27015", "192.168.0.1:27016"}));
    ClickHeader(list, kName);
    EXPECT_EQ(Shown(list, kName), (Texts{"Bravo", "Charlie", "Echo", "alpha", "delta"}));
}

TEST_F(SortListTest, ArrowImagesArePaintedRightOfTheTitle)
{
    for (int image : {0, 1}) {
        const QImage arrow = CReportListCtrl::SortImage(image).toImage();
        ASSERT_EQ(arrow.size(), QSize(14, 14)) << "image " << image;
        EXPECT_TRUE(arrow.hasAlphaChannel());
        EXPECT_EQ(arrow.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(arrow.pixelColor(7, 7), QColor(0x40, 0x40, 0x40));
    }
    // Ascending points up: wide at the bottom.
    EXPECT_EQ(CReportListCtrl::SortImage(0).toImage().pixelColor(1, 9).alpha(), 255);
    EXPECT_EQ(CReportListCtrl::SortImage(1).toImage().pixelColor(1, 9).alpha(), 0);

    CSortListCtrl list;
    Show(list);
    EXPECT_EQ(ArrowPixelsAtRightOf(list, kName), 0);
    ClickHeader(list, kName);
    EXPECT_GT(ArrowPixelsAtRightOf(list, kName), 20);
    ClickHeader(list, kPing);
    EXPECT_EQ(ArrowPixelsAtRightOf(list, kName), 0);
    EXPECT_GT(ArrowPixelsAtRightOf(list, kPing), 20);
}

TEST_F(SortListTest, DeleteAllItemsForgetsTheSortColumnButNotTheFlag)
{
    CSortListCtrl list;
    Show(list);
    ClickHeader(list, kPing);
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.model()->rowCount(), 0);
    EXPECT_EQ(list.SortColumn(), CSortListCtrl::kNoSortColumn);
    EXPECT_EQ(list.GetHeaderImage(kPing), -1);
    EXPECT_TRUE(list.SortFlag());

    // Refilled, the same column is a new column again: ascending.
    for (const Server& s : kServers)
        list.SetItemText(list.InsertItem(99, s.name), kPing, s.ping);
    ClickHeader(list, kPing);
    EXPECT_EQ(Shown(list, kPing), (Texts{"7", "80", "120", "???", "???"}));
    EXPECT_EQ(list.GetHeaderImage(kPing), 0);
}

// The server lists' sort is kept in the settings by their page (see the browser's tests): a
// list reports the sort a click chooses, and shows the sort it is told.
TEST_F(SortListTest, ServerListsReportTheSortChosenAndShowTheSortDone)
{
    CSrvListCtrl servers;
    CFavListCtrl favourites;
    Show(servers);
    Show(favourites);
    QSignalSpy serverChoices(&servers, &CSrvListCtrl::sortChosen);
    QSignalSpy favouriteChoices(&favourites, &CSrvListCtrl::sortChosen);
    servers.ShowSort(kName, true);
    favourites.ShowSort(kName, true);

    ClickHeader(servers, kPlayers);
    EXPECT_EQ(serverChoices.takeLast(), (QList<QVariant>{kPlayers, true}));
    EXPECT_EQ(favourites.SortColumn(), kName);

    ClickHeader(favourites, kPing);
    ClickHeader(favourites, kPing);
    EXPECT_EQ(favouriteChoices.takeLast(), (QList<QVariant>{kPing, false}));
    EXPECT_EQ(servers.SortColumn(), kPlayers);
    EXPECT_EQ(Shown(favourites, kPing), (Texts{"120", "80", "7", "???", "???"}));

    // The sort kept elsewhere, e.g. as loaded from the settings file.
    servers.ShowSort(kAddress, false);
    EXPECT_EQ(Shown(servers, kAddress),
              (Texts{"192.168.0.1:27016", "10.0.0.10:27015", "10.0.0.9:27016", "10.0.0.9:27015", "9.1.1.1:27015"}));
    EXPECT_EQ(servers.GetHeaderImage(kAddress), 1);
    EXPECT_EQ(servers.GetHeaderImage(kPlayers), -1);

    // A click on the column shown turns its direction round.
    ClickHeader(servers, kAddress);
    EXPECT_EQ(serverChoices.takeLast(), (QList<QVariant>{kAddress, true}));
    EXPECT_EQ(Shown(servers, kAddress).front(), "9.1.1.1:27015");

    // The server lists keep their sort when emptied.
    servers.DeleteAllItems();
    EXPECT_EQ(servers.GetItemCount(), 0);
    EXPECT_EQ(servers.SortColumn(), kAddress);
    EXPECT_EQ(servers.GetHeaderImage(kAddress), 0);
}

TEST_F(SortListTest, StoredColumnTheListLacksLeavesTheOrderAlone)
{
    CSrvListCtrl servers;
    Show(servers);
    servers.ShowSort(9999, false);
    EXPECT_EQ(Shown(servers, kName), (Texts{"Bravo", "alpha", "Charlie", "delta", "Echo"}));
    for (int column = 0; column < servers.GetColumnCount(); ++column)
        EXPECT_EQ(servers.GetHeaderImage(column), -1);
}

TEST_F(SortListTest, ItemDataAndSelectionFollowTheirRows)
{
    CSortListCtrl list;
    Show(list);
    std::vector<int> records(kServers.size());
    for (int row = 0; row < list.GetItemCount(); ++row)
        list.SetItemData(row, &records[row]);
    QSignalSpy userSelections(&list, &CReportListCtrl::SelectedRowChanged);

    list.SelectRow(2); // Charlie
    EXPECT_EQ(list.GetSelectedRow(), 2);
    EXPECT_EQ(userSelections.count(), 0);

    ClickHeader(list, kPing);
    const int charlie = list.GetSelectedRow();
    EXPECT_EQ(charlie, 0);
    EXPECT_EQ(list.GetItemTextStd(charlie, kName), "Charlie");
    EXPECT_EQ(list.GetItemData(charlie), &records[2]);
    EXPECT_EQ(userSelections.count(), 0);
    for (size_t i = 0; i < records.size(); ++i) {
        const int row = list.FindItemData(&records[i]);
        ASSERT_GE(row, 0);
        EXPECT_EQ(list.GetItemTextStd(row, kName), kServers[i].name);
    }
    EXPECT_EQ(list.FindItemData(nullptr), -1);

    // The user clicking a row is news.
    const int bravo = list.FindItemData(&records[0]);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(list.model()->index(bravo, kName)).center());
    ASSERT_EQ(userSelections.count(), 1);
    EXPECT_EQ(userSelections.at(0).at(0).toInt(), bravo);
    EXPECT_EQ(list.GetSelectedRow(), bravo);

    list.SelectRow(-1);
    EXPECT_EQ(list.GetSelectedRow(), -1);
    EXPECT_EQ(userSelections.count(), 1);
}

TEST_F(SortListTest, TenThousandRowsInsertAndSort)
{
    CSrvListCtrl servers;
    Show(servers);
    servers.DeleteAllItems();
    constexpr int kRows = 10000;
    std::mt19937 random(7);
    std::vector<int> records(kRows);
    for (int i = 0; i < kRows; ++i) {
        const int row = servers.InsertItem(servers.GetItemCount(), "server " + std::to_string(i));
        const bool answered = random() % 10 != 0;
        servers.SetItemText(row, kPing, answered ? std::to_string(random() % 400) : std::string("???"));
        servers.SetItemData(row, &records[i]);
    }
    ASSERT_EQ(servers.model()->rowCount(), kRows);
    servers.SelectRow(1234);

    servers.ShowSort(kPing, false);

    const Texts pings = Shown(servers, kPing);
    size_t firstUnknown = std::find(pings.begin(), pings.end(), "???") - pings.begin();
    ASSERT_GT(firstUnknown, 0u);
    for (size_t i = 1; i < firstUnknown; ++i)
        ASSERT_GE(std::stoi(pings[i - 1]), std::stoi(pings[i])) << "at row " << i;
    for (size_t i = firstUnknown; i < pings.size(); ++i)
        ASSERT_EQ(pings[i], "???") << "at row " << i;

    for (int i = 0; i < kRows; i += 997) {
        const int row = servers.FindItemData(&records[i]);
        EXPECT_EQ(servers.GetItemTextStd(row, kName), "server " + std::to_string(i));
    }
    EXPECT_EQ(servers.GetItemTextStd(servers.GetSelectedRow(), kName), "server 1234");
}

TEST_F(SortListTest, ACellTooNarrowForItsTextShowsItWholeInATip)
{
    CSortListCtrl list;
    Show(list);
    const std::string longName = "Sable" + std::string(2995, 'w'); // 3,000 bytes
    const std::string narrow = "A server name much too long for its column";
    const std::tuple<int, int, std::string, std::string> cases[] = {
        // row, column, the cell's text, the tip (empty: none)
        {0, kName, "Bravo", ""},
        {0, kAddress, "10.0.0.10:27015", ""},
        {1, kName, narrow, narrow},
        {3, kName, longName, longName},
        {2, kPing, "Fran\xE7ois Lef\xE8vre", "Fran\xC3\xA7ois Lef\xC3\xA8vre"},
        {4, kPing, "", ""},
    };
    const QFontMetrics tipFont(QToolTip::font());
    for (const auto& [row, column, text, tip] : cases) {
        list.SetItemText(row, column, text);
        const QString shown = TipOver(list, row, column);
        EXPECT_EQ(QString(shown).remove('\n').toStdString(), tip) << text.substr(0, 40);
        for (const QString& line : shown.split('\n')) // a tip fits the screen
            EXPECT_LE(tipFont.horizontalAdvance(line), list.screen()->availableGeometry().width());
    }
}
