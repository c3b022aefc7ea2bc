// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_player_dlg.h"

#include "core/address.h"
#include "core/text_match.h"
#include "query/query_engine.h"
#include "services/join_server.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/input_box.h"
#include "ui/recent_menu.h"
#include "ui/server_details.h"
#include "ui/sort_list_ctrl.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <memory>

namespace {

constexpr int kNameColumn = 0;
constexpr int kServerColumn = 1;
constexpr int kPlayerIdColumn = 3;
constexpr int kRuleValueWidth = 67;
constexpr int kRuleValueWidthFilled = 50;
constexpr int kKeyDelayMs = 1;
const char* const kPleaseWait = "Please Wait";
const char* const kAddFriendPrompt = "Please type the name of the player to add";

constexpr ColumnInfo kResultColumns[] = {{"Name", CSearchPlayerDlg::kNameWidth}, {"Server", 142}};
constexpr ColumnInfo kPlayerColumns[] = {{"Name", 150}, {"Score", 55}, {"Play Time", 70}, {"Id", 30}};
constexpr ColumnInfo kRuleColumns[] = {{"Name", 127}, {"Value", kRuleValueWidth}};

// ---- layout, in dialog units of the 424 x 232 page ----
// Upper left: the search field over the Results with their buttons. Upper right: Info over
// "Servers Left" and the progress bar. Below: Players, Rules and the Friends with theirs.
constexpr int kLeftX = 4;
constexpr int kLeftW = 244;
constexpr int kRightX = kLeftX + kLeftW + 4;
constexpr int kRightW = 424 - 4 - kRightX;
constexpr int kInset = 6;
constexpr int kTitle = 11;
constexpr int kButtonH = 14;
constexpr int kLowerY = 128;
constexpr int kLowerH = 232 - 2 - kLowerY;

CSortListCtrl* MakeList(QWidget* parent, int id, const QRect& dlu)
{
    auto* list = new CSortListCtrl(parent);
    SetUpReportList(list, id, dlu);
    return list;
}

QListWidget* MakeListBox(QWidget* parent, int id, const QRect& dlu)
{
    auto* box = SetControlId(new QListWidget(parent), id);
    box->setGeometry(dlu);
    box->setSelectionMode(QAbstractItemView::SingleSelection);
    return box;
}

// The bytes a friends entry stands for (shown decoded, kept as typed or as the server sent).
std::string EntryBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

bool SameLettersIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

} // namespace

CSearchPlayerDlg::CSearchPlayerDlg(const PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), playerSearch_(ctx.engine.playerSearch()), details_(ctx.engine.searchDetails())
{
    setObjectName("CSearchPlayerDlg");
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
}

CSearchPlayerDlg::~CSearchPlayerDlg()
{
    // The store outlives the page: it goes back to a list of its own.
    ctx_.store.SetFriendsList(nullptr);
}

void CSearchPlayerDlg::CreateWidgets()
{
    resize(DluX(424), DluY(232));

    // Each group box comes before what it frames (drawn under it; tab order follows creation).
    search_ = SetControlId(new QLineEdit(this), IdSearchText);
    search_->setGeometry(DluRect(kLeftX, 2, kLeftW - 40, 13));
    searchButton_ = MakeButton(this, IdSearch, "Search");
    searchButton_->setGeometry(DluRect(kLeftX + kLeftW - 36, 1, 36, kButtonH + 1));

    constexpr int kResultsY = 18;
    constexpr int kResultsH = kLowerY - 2 - kResultsY;
    constexpr int kResultButtonsY = kResultsY + kResultsH - kButtonH - 4;
    MakeGroup(this, "Results", kLeftX, kResultsY, kLeftW, kResultsH);
    results_ = MakeList(
        this, IdResults,
        DluRect(kLeftX + kInset, kResultsY + kTitle, kLeftW - 2 * kInset, kResultButtonsY - 3 - (kResultsY + kTitle)));
    AddColumns(results_, kResultColumns);
    addToFriends_ = MakeButton(this, IdAddToFriends, "Add to Friends");
    addToFriends_->setGeometry(DluRect(kLeftX + kInset, kResultButtonsY, 58, kButtonH));
    addToFavorites_ = MakeButton(this, IdAddToFavorites, "Add to Favorites");
    addToFavorites_->setGeometry(DluRect(kLeftX + kInset + 61, kResultButtonsY, 64, kButtonH));
    connect_ = MakeButton(this, IdConnect, "Connect");
    connect_->setGeometry(DluRect(kLeftX + kLeftW - kInset - 40, kResultButtonsY, 40, kButtonH));

    constexpr int kInfoH = 64;
    MakeGroup(this, "Info", kRightX, 2, kRightW, kInfoH);
    info_ = MakeListBox(this, IdInfo, DluRect(kRightX + kInset, 2 + kTitle, kRightW - 2 * kInset, kInfoH - kTitle - 5));

    constexpr int kLeftTop = 2 + kInfoH + 2;
    constexpr int kLeftH = kLowerY - 2 - kLeftTop;
    MakeGroup(this, "Servers Left", kRightX, kLeftTop, kRightW, kLeftH);
    serversLeft_ = MakeListBox(
        this, IdServersLeft, DluRect(kRightX + kInset, kLeftTop + kTitle, kRightW - 2 * kInset, kLeftH - kTitle - 15));
    serversLeft_->setSortingEnabled(true);
    progress_ = SetControlId(new QProgressBar(this), IdProgress);
    progress_->setTextVisible(false);
    progress_->setGeometry(DluRect(kRightX + kInset, kLeftTop + kLeftH - 12, kRightW - 2 * kInset, 7));

    constexpr int kPlayersW = 214;
    MakeGroup(this, "Players", kLeftX, kLowerY, kPlayersW, kLowerH);
    players_ = MakeList(this, IdPlayers,
                        DluRect(kLeftX + kInset, kLowerY + kTitle, kPlayersW - 2 * kInset, kLowerH - kTitle - 5));
    AddColumns(players_, kPlayerColumns);

    constexpr int kRulesX = kLeftX + kPlayersW + 4;
    constexpr int kRulesW = 136;
    MakeGroup(this, "Rules", kRulesX, kLowerY, kRulesW, kLowerH);
    rules_ = MakeList(this, IdRules,
                      DluRect(kRulesX + kInset, kLowerY + kTitle, kRulesW - 2 * kInset, kLowerH - kTitle - 5));
    rules_->setContextMenuPolicy(Qt::DefaultContextMenu);
    AddColumns(rules_, kRuleColumns);

    constexpr int kFriendsX = kRulesX + kRulesW + 4;
    constexpr int kFriendsW = 424 - 4 - kFriendsX;
    constexpr int kFriendButtonW = kFriendsW - 8;
    MakeGroup(this, "Friends", kFriendsX, kLowerY, kFriendsW, kLowerH);
    const int buttonsY = kLowerY + kLowerH - 5 - 3 * kButtonH - 4;
    friends_ = MakeListBox(this, IdFriends,
                           DluRect(kFriendsX + 4, kLowerY + kTitle, kFriendButtonW, buttonsY - 3 - (kLowerY + kTitle)));
    addFriend_ = MakeButton(this, IdAddFriend, "Add");
    addFriend_->setGeometry(DluRect(kFriendsX + 4, buttonsY, kFriendButtonW, kButtonH));
    removeFriend_ = MakeButton(this, IdRemoveFriend, "Remove");
    removeFriend_->setGeometry(DluRect(kFriendsX + 4, buttonsY + kButtonH + 2, kFriendButtonW, kButtonH));
    clearFriends_ = MakeButton(this, IdClearFriends, "Clear");
    clearFriends_->setGeometry(DluRect(kFriendsX + 4, buttonsY + 2 * (kButtonH + 2), kFriendButtonW, kButtonH));

    keyTimer_.setObjectName("timer1");
    keyTimer_.setSingleShot(true);
}

void CSearchPlayerDlg::ConnectWidgets()
{
    connect(searchButton_, &QPushButton::clicked, this, &CSearchPlayerDlg::StartSearch);
    connect(addToFriends_, &QPushButton::clicked, this, &CSearchPlayerDlg::OnAddResultToFriends);
    connect(addToFavorites_, &QPushButton::clicked, this, &CSearchPlayerDlg::OnAddResultToFavorites);
    connect(connect_, &QPushButton::clicked, this, &CSearchPlayerDlg::OnConnect);
    connect(addFriend_, &QPushButton::clicked, this, &CSearchPlayerDlg::OnAddFriend);
    connect(removeFriend_, &QPushButton::clicked, this, &CSearchPlayerDlg::OnRemoveFriend);
    connect(clearFriends_, &QPushButton::clicked, this, &CSearchPlayerDlg::OnClearFriends);

    // Changes made from code are wrapped in signal blockers: only the user's choices act.
    connect(serversLeft_, &QListWidget::itemSelectionChanged, this, &CSearchPlayerDlg::OnServersLeftSelectionChanged);
    connect(friends_, &QListWidget::itemSelectionChanged, this, &CSearchPlayerDlg::OnFriendsSelectionChanged);
    connect(results_, &QAbstractItemView::clicked, this, &CSearchPlayerDlg::OnResultClicked);
    connect(results_, &QAbstractItemView::doubleClicked, this, &CSearchPlayerDlg::OnConnect);
    connect(&keyTimer_, &QTimer::timeout, this, &CSearchPlayerDlg::OnResultClicked);
    results_->installEventFilter(this);
    for (CReportListCtrl* list : {static_cast<CReportListCtrl*>(results_), static_cast<CReportListCtrl*>(players_)})
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { OnListContextMenu(list, pos); });

    connect(&playerSearch_, &CPlayerSearch::masterRequested, this, &CSearchPlayerDlg::OnMasterRequested);
    connect(&playerSearch_, &CPlayerSearch::serversListed, this, &CSearchPlayerDlg::OnServersListed);
    connect(&playerSearch_, &CPlayerSearch::serverAnswered, this, &CSearchPlayerDlg::OnServerAnswered);

    connect(&details_, &CDetailQuery::infoReceived, this, &CSearchPlayerDlg::OnInfoReceived);
    connect(&details_, &CDetailQuery::pingReceived, this, &CSearchPlayerDlg::OnPingReceived);
    connect(&details_, &CDetailQuery::playersReceived, this, &CSearchPlayerDlg::OnPlayersReceived);
    connect(&details_, &CDetailQuery::rulesReceived, this, &CSearchPlayerDlg::OnRulesReceived);
}

void CSearchPlayerDlg::LoadControls()
{
    progress_->setRange(0, 1);
    progress_->setValue(0);
    // This list box is the friends list from now on; Friends.txt fills it.
    ctx_.store.SetFriendsList(this);
    ctx_.store.LoadFriends();
}

// ---- the search ----------------------------------------------------------------------------

void CSearchPlayerDlg::StartSearch()
{
    if (search_->text().isEmpty())
        return;
    {
        const QSignalBlocker quiet(serversLeft_);
        serversLeft_->clear();
    }
    playerSearch_.Stop();
    results_->setColumnWidth(kNameColumn, kNameWidth);
    results_->DeleteAllItems();
    progress_->setValue(0);
    playerSearch_.Start();
}

void CSearchPlayerDlg::OnMasterRequested()
{
    const QSignalBlocker quiet(serversLeft_);
    serversLeft_->addItem(kRequestingText);
}

void CSearchPlayerDlg::OnServersListed(const std::vector<std::string>& addresses)
{
    {
        const QSignalBlocker quiet(serversLeft_);
        serversLeft_->clear();
        for (const std::string& address : addresses)
            serversLeft_->addItem(QString::fromStdString(address));
    }
    // A range of 0..0 would turn the bar into a busy indicator.
    progress_->setRange(0, std::max(1, static_cast<int>(addresses.size())));
}

void CSearchPlayerDlg::OnServerAnswered(const std::string& address, const std::vector<std::string>& names)
{
    if (ctx_.playersHeard)
        ctx_.playersHeard(address, names);
    // The text as it is now: a text changed during the search applies to the answers after it.
    const std::string text = search_->text().toStdString();
    for (const std::string& name : names) {
        if (!ContainsIgnoringCase(name, text))
            continue;
        const int row = results_->InsertItem(results_->GetItemCount(), name);
        results_->SetItemText(row, kServerColumn, address);
    }
    if (results_->GetItemCount() > kRowsWithoutScrollBar)
        results_->setColumnWidth(kNameColumn, kNameWidthNarrow);
    {
        const QSignalBlocker quiet(serversLeft_);
        const QList<QListWidgetItem*> found =
            serversLeft_->findItems(QString::fromStdString(address), Qt::MatchExactly);
        if (!found.isEmpty())
            delete serversLeft_->takeItem(serversLeft_->row(found.first()));
    }
    progress_->setValue(std::min(progress_->value() + 1, progress_->maximum()));
}

// ---- the details of a server ---------------------------------------------------------------

void CSearchPlayerDlg::ShowServerDetails(const std::string& address)
{
    rules_->DeleteAllItems();
    rules_->setColumnWidth(1, kRuleValueWidth);
    rules_->InsertStatusItem(0, kPleaseWait);
    players_->DeleteAllItems();
    players_->InsertStatusItem(0, kPleaseWait);
    info_->clear();
    info_->addItem(kPleaseWait);
    details_.QuerySelected(address);
}

void CSearchPlayerDlg::OnInfoReceived(const std::string& address, const InfoReply& info)
{
    const QString host = DisplayLine(info.name);
    if (info_->count() > 0)
        info_->item(0)->setText(host);
    else
        info_->addItem(host);
    for (const std::string& line : SearchInfoLines(address, info))
        info_->addItem(DisplayLine(line));
}

void CSearchPlayerDlg::OnPingReceived(const std::string& ping)
{
    info_->insertItem(1, QString::fromStdString("Ping: " + ping));
}

void CSearchPlayerDlg::OnPlayersReceived(const std::vector<PlayerEntry>& players)
{
    ShowPlayers(players_, players);
}

void CSearchPlayerDlg::OnRulesReceived(const std::vector<std::pair<std::string, std::string>>& rules)
{
    rules_->setColumnWidth(1, kRuleValueWidthFilled);
    ShowRules(rules_, rules);
}

// ---- selections ----------------------------------------------------------------------------

void CSearchPlayerDlg::OnServersLeftSelectionChanged()
{
    const QList<QListWidgetItem*> selected = serversLeft_->selectedItems();
    if (selected.isEmpty())
        return;
    // "Requesting Servers List" is no server.
    const std::string text = selected.first()->text().toStdString();
    if (IsValidAddress(text))
        ShowServerDetails(text);
}

void CSearchPlayerDlg::OnResultClicked()
{
    const std::string server = SelectedServer();
    if (!server.empty())
        ShowServerDetails(server);
}

bool CSearchPlayerDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Started before the list sees the key, so the row the key moves to is the one shown.
    if (watched == results_ && event->type() == QEvent::KeyPress)
        keyTimer_.start(kKeyDelayMs);
    return QWidget::eventFilter(watched, event);
}

void CSearchPlayerDlg::OnFriendsSelectionChanged()
{
    const QList<QListWidgetItem*> selected = friends_->selectedItems();
    if (selected.isEmpty())
        return;
    search_->setText(DisplayText(EntryBytes(selected.first())));
    StartSearch();
}

std::string CSearchPlayerDlg::SelectedName() const
{
    const int row = results_->GetSelectedRow();
    return row < 0 ? std::string() : results_->GetItemTextStd(row, kNameColumn);
}

std::string CSearchPlayerDlg::SelectedServer() const
{
    const int row = results_->GetSelectedRow();
    return row < 0 ? std::string() : results_->GetItemTextStd(row, kServerColumn);
}

// ---- buttons and commands ------------------------------------------------------------------

void CSearchPlayerDlg::OnConnect()
{
    const std::string server = SelectedServer();
    if (!server.empty())
        JoinWithPassword(ctx_.settings, ctx_.store, server, window());
}

void CSearchPlayerDlg::OnAddResultToFriends()
{
    if (results_->GetSelectedRow() >= 0)
        AddFriend(SelectedName());
}

void CSearchPlayerDlg::OnRemoveResultFromFriends()
{
    if (results_->GetSelectedRow() >= 0)
        RemoveFriend(SelectedName());
}

void CSearchPlayerDlg::OnAddResultToFavorites()
{
    if (results_->GetSelectedRow() < 0)
        return;
    ctx_.engine.refresh().AddServerByHand(ServerList::Favorites, SelectedServer());
}

void CSearchPlayerDlg::OnAddPlayerToFriends()
{
    const int row = players_->GetSelectedRow();
    if (row >= 0)
        AddFriend(players_->GetItemTextStd(row, 0));
}

void CSearchPlayerDlg::OnRemovePlayerFromFriends()
{
    const int row = players_->GetSelectedRow();
    if (row >= 0)
        RemoveFriend(players_->GetItemTextStd(row, 0));
}

void CSearchPlayerDlg::OnAddFriend()
{
    CInputBox box(window());
    if (box.DoModal("Friends", kAddFriendPrompt, QString()) == CInputBox::IDOK)
        AddFriend(box.text.toStdString());
}

void CSearchPlayerDlg::OnRemoveFriend()
{
    const int row = friends_->currentRow();
    if (friends_->count() == 0 || row < 0 || !friends_->item(row)->isSelected())
        return;
    {
        const QSignalBlocker quiet(friends_);
        delete friends_->takeItem(row);
        friends_->clearSelection();
    }
    ctx_.store.SaveFriends();
}

void CSearchPlayerDlg::OnClearFriends()
{
    ctx_.store.ClearFriends();
}

void CSearchPlayerDlg::AddFriend(const std::string& name)
{
    ctx_.store.AddFriend(name);
}

void CSearchPlayerDlg::RemoveFriend(const std::string& name)
{
    ctx_.store.RemoveFriend(name);
}

// ---- the friends list ----------------------------------------------------------------------

void CSearchPlayerDlg::AppendFriend(const std::string& name)
{
    auto* item = new QListWidgetItem(DisplayLine(name));
    item->setData(Qt::UserRole, QByteArray::fromStdString(name));
    const QSignalBlocker quiet(friends_);
    friends_->addItem(item);
}

void CSearchPlayerDlg::RemoveFirstFriend(const std::string& name)
{
    for (int row = 0; row < friends_->count(); ++row) {
        if (SameLettersIgnoringCase(EntryBytes(friends_->item(row)), name)) {
            const QSignalBlocker quiet(friends_);
            delete friends_->takeItem(row);
            return;
        }
    }
}

std::vector<std::string> CSearchPlayerDlg::Friends() const
{
    std::vector<std::string> names;
    for (int row = 0; row < friends_->count(); ++row)
        names.push_back(EntryBytes(friends_->item(row)));
    return names;
}

void CSearchPlayerDlg::ClearFriends()
{
    const QSignalBlocker quiet(friends_);
    friends_->clear();
}

// ---- context menus -------------------------------------------------------------------------

QMenu* CSearchPlayerDlg::BuildContextMenu(CReportListCtrl* list)
{
    const int row = list ? list->GetSelectedRow() : -1;
    if (row < 0)
        return nullptr;
    if (list == players_) {
        // "Please Wait" has no id: there is no player yet.
        if (players_->GetItemText(0, kPlayerIdColumn).isEmpty())
            return nullptr;
        return FriendsMenu(
            this, IdPlayerAddFriend, IdPlayerRemoveFriend, [this] { OnAddPlayerToFriends(); },
            [this] { OnRemovePlayerFromFriends(); });
    }
    if (list != results_ || results_->GetItemText(0, kServerColumn).isEmpty())
        return nullptr;
    auto* menu = new QMenu(this);
    AddInfoLine(menu, results_->GetItemText(row, kServerColumn));
    menu->addSeparator();
    connect(AddCommand(menu, IdConnect, "Connect"), &QAction::triggered, this, &CSearchPlayerDlg::OnConnect);
    connect(AddCommand(menu, IdAddToFavorites, "Add to Favorites"), &QAction::triggered, this,
            &CSearchPlayerDlg::OnAddResultToFavorites);
    menu->addSeparator();
    AddInfoLine(menu, results_->GetItemText(row, kNameColumn));
    menu->addSeparator();
    connect(AddCommand(menu, IdResultAddFriend, "Add to Friends List"), &QAction::triggered, this,
            &CSearchPlayerDlg::OnAddResultToFriends);
    connect(AddCommand(menu, IdResultRemoveFriend, "Remove from Friends List"), &QAction::triggered, this,
            &CSearchPlayerDlg::OnRemoveResultFromFriends);
    menu->addSeparator();
    AddRecentServersMenu(
        menu, ctx_.store, [this](const std::string& a) { JoinWithPassword(ctx_.settings, ctx_.store, a, window()); },
        [this](const std::string& a, const std::string& name) {
            ctx_.engine.refresh().AddServerByHand(ServerList::Favorites, a, name);
        });
    return menu;
}

void CSearchPlayerDlg::OnListContextMenu(CReportListCtrl* list, const QPoint& pos)
{
    const std::unique_ptr<QMenu> menu(BuildContextMenu(list));
    if (menu)
        menu->exec(list->viewport()->mapToGlobal(pos));
}
