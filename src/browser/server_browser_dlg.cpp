// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/server_browser_dlg.h"

#include "browser/server_filter_row.h"
#include "core/address.h"
#include "core/numbers.h"
#include "launch/model/launch_command.h"
#include "query/model/server_rows.h"
#include "query/model/web_api.h"
#include "query/query_engine.h"
#include "query/slot_watch.h"
#include "services/join_server.h"
#include "settings/server_store.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/input_box.h"
#include "ui/recent_menu.h"
#include "ui/server_details.h"
#include "ui/sort_list_ctrl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include <algorithm>
#include <memory>

namespace {

constexpr int kAddressColumn = 4;
constexpr int kPlayerIdColumn = 3;
// The Rules list's name column: wide while it says "Please Wait", narrower once rules fill it.
constexpr int kRulesNameWidth = 137;
constexpr int kRulesNameWidthFilled = 120;
const char* const kPleaseWait = "Please Wait";
// What the IP address control shows when it holds no address.
const char* const kNoAddress = "0.0.0.0";
const char* const kNoAnswer = "The server did not answer";
// Addresses always went through a 25-character buffer; a copied one is held to what fits there.
constexpr int kCopyLimit = 24;
constexpr int kPortDigits = 5;

const char* const kAddIpPrompt = "Please type the IP to add";

// The server lists' columns come from their model ("Name", "Map", "Ping", "Players", "Ip").
constexpr int kServerColumnWidths[] = {202, 100, 40, 50, 130};
constexpr ColumnInfo kPlayerColumns[] = {{"Name", 129}, {"Score", 50}, {"Play Time", 60}, {"Id", 30}};
constexpr ColumnInfo kRuleColumns[] = {{"Name", 137}, {"Value", 42}};

// ---- layout, in dialog units of the 424 x 232 page ----
// Left: Favorites over Servers, each a list with a row of buttons under it. Middle: the progress
// bar. Right: Players over Rules, ending level with Servers. Bottom row: the address entry, and
// the percentage under the bar.
constexpr int kLeftX = 4;
constexpr int kLeftW = 276;
constexpr int kInnerX = kLeftX + 6;
constexpr int kInnerW = kLeftW - 12;
constexpr int kInnerRight = kInnerX + kInnerW;
constexpr int kButtonH = 14;
constexpr int kGap = 3;
constexpr int kListTopInset = 13; // below the group's title

constexpr int kFavTop = 2;
constexpr int kFavH = 90;
constexpr int kFavButtonsY = kFavTop + kFavH - kButtonH - 5;
constexpr int kSrvTop = kFavTop + kFavH + 2;
constexpr int kSrvH = 116;
constexpr int kSrvButtonsY = kSrvTop + kSrvH - kButtonH - 5;
constexpr int kBottomY = kSrvTop + kSrvH + 4;

constexpr int kProgressX = kLeftX + kLeftW + 4;
constexpr int kProgressW = 8;
constexpr int kPercentW = 26;
constexpr int kRightX = kProgressX + kProgressW + 4;
constexpr int kRightW = 424 - 4 - kRightX;
constexpr int kPlayersH = 110;
constexpr int kRulesTop = kFavTop + kPlayersH + 2;
constexpr int kRulesH = kSrvTop + kSrvH - kRulesTop;

// Places one button of a row; returns where the next one goes.
int PlaceLeft(QPushButton* b, int x, int y, int w)
{
    b->setGeometry(DluRect(x, y, w, kButtonH));
    return x + w + kGap;
}

// What an IP address control shows for a host: four numbers, each read as its leading digits
// (as the address check reads them), so that text the check let through ("1x.2.3.4", a line
// break after the last number) still becomes a dotted address.
QString IpControlText(const std::string& host)
{
    const QStringList pieces = QString::fromStdString(host).split('.');
    if (pieces.size() != 4)
        return "0.0.0.0";
    QStringList octets;
    for (const QString& p : pieces)
        octets << QString::number(std::clamp(ReadNumber(p.toStdString()), 0, 255));
    return octets.join('.');
}

} // namespace

CServerBrowserDlg::CServerBrowserDlg(const PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName("CServerBrowserDlg");
    CreateWidgets();
    ConnectWidgets();
    LoadLists();
}

void CServerBrowserDlg::CreateWidgets()
{
    resize(DluX(424), DluY(232));

    // Both button rows share the places of Connect and RCON Control at the right; the list's own
    // commands run from the left.
    constexpr int kRconW = 60;
    constexpr int kConnectW = 36;
    constexpr int kRconX = kInnerRight - kRconW;
    constexpr int kConnectX = kRconX - kGap - kConnectW;

    // Each group box comes before what it frames: siblings created later are drawn over it,
    // and the tab order follows the creation order.
    MakeGroup(this, "Favorites", kLeftX, kFavTop, kLeftW, kFavH);
    favorites_ = new CFavListCtrl(this);
    SetUpReportList(
        favorites_, IdFavorites,
        DluRect(kInnerX, kFavTop + kListTopInset, kInnerW, kFavButtonsY - kGap - (kFavTop + kListTopInset)));
    ShowServerList(favorites_, ServerList::Favorites);
    int x = kInnerX;
    x = PlaceLeft(refreshFavorites_ = MakeButton(this, IdRefreshFavorites, "Refresh"), x, kFavButtonsY, 36);
    x = PlaceLeft(addIpFavorites_ = MakeButton(this, IdAddIpFavorites, "Add Ip"), x, kFavButtonsY, 32);
    x = PlaceLeft(removeFavorite_ = MakeButton(this, IdRemoveFavorite, "Remove"), x, kFavButtonsY, 38);
    PlaceLeft(clearFavorites_ = MakeButton(this, IdClearFavorites, "Clear"), x, kFavButtonsY, 32);
    PlaceLeft(connectFavorites_ = MakeButton(this, IdConnectFavorites, "Connect"), kConnectX, kFavButtonsY, kConnectW);
    PlaceLeft(rconFavorites_ = MakeButton(this, IdRconFavorites, "RCON Control"), kRconX, kFavButtonsY, kRconW);

    MakeGroup(this, "Servers", kLeftX, kSrvTop, kLeftW, kSrvH);
    servers_ = new CSrvListCtrl(this);
    SetUpReportList(
        servers_, IdServers,
        DluRect(kInnerX, kSrvTop + kListTopInset, kInnerW, kSrvButtonsY - kGap - (kSrvTop + kListTopInset)));
    ShowServerList(servers_, ServerList::Servers);
    x = kInnerX;
    x = PlaceLeft(update_ = MakeButton(this, IdUpdate, "Update"), x, kSrvButtonsY, 34);
    x = PlaceLeft(refreshServers_ = MakeButton(this, IdRefreshServers, "Refresh"), x, kSrvButtonsY, 36);
    x = PlaceLeft(addIpServers_ = MakeButton(this, IdAddIpServers, "Add Ip"), x, kSrvButtonsY, 32);
    PlaceLeft(addToFavorites_ = MakeButton(this, IdAddToFavorites, "Add to Fav."), x, kSrvButtonsY, 48);
    PlaceLeft(connectServers_ = MakeButton(this, IdConnectServers, "Connect"), kConnectX, kSrvButtonsY, kConnectW);
    PlaceLeft(rconServers_ = MakeButton(this, IdRconServers, "RCON Control"), kRconX, kSrvButtonsY, kRconW);

    // The address entry: an IP address control, a port, and what can be done with them.
    const QString octet = "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])";
    ip_ = new QLineEdit(this);
    SetControlId(ip_, IdIp);
    ip_->setGeometry(DluRect(kLeftX, kBottomY, 68, kButtonH));
    ip_->setValidator(new QRegularExpressionValidator(QRegularExpression(QString("%1(\\.%1){3}").arg(octet)), ip_));
    ip_->setMaxLength(15);
    auto* colon = new QLabel(":", this);
    colon->setObjectName("colon");
    colon->setAlignment(Qt::AlignCenter);
    colon->setGeometry(DluRect(kLeftX + 68, kBottomY, 6, kButtonH));
    port_ = new QLineEdit(this);
    SetControlId(port_, IdPort);
    port_->setGeometry(DluRect(kLeftX + 74, kBottomY, 30, kButtonH));
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), port_));
    port_->setMaxLength(kPortDigits);
    x = kLeftX + 74 + 30 + 4;
    x = PlaceLeft(connectAddress_ = MakeButton(this, IdConnectAddress, "Connect"), x, kBottomY, 38);
    x = PlaceLeft(copy_ = MakeButton(this, IdCopy, "Copy"), x, kBottomY, 34);
    PlaceLeft(paste_ = MakeButton(this, IdPaste, "Paste"), x, kBottomY, 34);

    // The bar runs from the top of the Favorites list to the bottom of the Servers buttons.
    constexpr int kBarTop = kFavTop + kListTopInset;
    progress_ = new QProgressBar(this);
    SetControlId(progress_, IdProgress);
    progress_->setOrientation(Qt::Vertical);
    progress_->setTextVisible(false);
    progress_->setGeometry(DluRect(kProgressX, kBarTop, kProgressW, kSrvButtonsY + kButtonH - kBarTop));
    percent_ = new QLabel(this);
    SetControlId(percent_, IdPercent);
    percent_->setAlignment(Qt::AlignCenter);
    percent_->setGeometry(DluRect(kProgressX + kProgressW / 2 - kPercentW / 2, kBottomY, kPercentW, kButtonH));
    // The filter row takes the free end of the bottom row, under Rules.
    constexpr int kFilterX = kProgressX + kProgressW / 2 + kPercentW / 2 + 3;
    filterRow_ = new CServerFilterRow(ctx_.settings.options.filter, this,
                                      QRect(kFilterX, kBottomY, kRightX + kRightW - kFilterX, kButtonH));

    MakeGroup(this, "Players", kRightX, kFavTop, kRightW, kPlayersH);
    players_ = new CSortListCtrl(this);
    SetUpReportList(players_, IdPlayers,
                    DluRect(kRightX + 6, kFavTop + kListTopInset, kRightW - 12, kPlayersH - kListTopInset - 5));
    AddColumns(players_, kPlayerColumns);

    MakeGroup(this, "Rules", kRightX, kRulesTop, kRightW, kRulesH);
    rules_ = new CSortListCtrl(this);
    SetUpReportList(rules_, IdRules,
                    DluRect(kRightX + 6, kRulesTop + kListTopInset, kRightW - 12, kRulesH - kListTopInset - 5));
    rules_->setContextMenuPolicy(Qt::DefaultContextMenu);
    AddColumns(rules_, kRuleColumns);

    countTimer_.setSingleShot(true);
    countTimer_.setInterval(kCountDelayMs);

    favoritesKeyTimer_.setObjectName("timer3");
    favoritesKeyTimer_.setSingleShot(true);
    serversKeyTimer_.setObjectName("timer4");
    serversKeyTimer_.setSingleShot(true);
}

void CServerBrowserDlg::ConnectWidgets()
{
    connect(update_, &QPushButton::clicked, this, &CServerBrowserDlg::OnUpdate);
    connect(refreshServers_, &QPushButton::clicked, this, &CServerBrowserDlg::OnRefreshServers);
    connect(refreshFavorites_, &QPushButton::clicked, this, &CServerBrowserDlg::OnRefreshFavorites);
    connect(addIpServers_, &QPushButton::clicked, this, &CServerBrowserDlg::OnAddIpServers);
    connect(addIpFavorites_, &QPushButton::clicked, this, &CServerBrowserDlg::OnAddIpFavorites);
    connect(addToFavorites_, &QPushButton::clicked, this, &CServerBrowserDlg::OnAddToFavorites);
    connect(removeFavorite_, &QPushButton::clicked, this, &CServerBrowserDlg::OnRemoveFavorite);
    connect(clearFavorites_, &QPushButton::clicked, this, &CServerBrowserDlg::OnClearFavorites);
    connect(connectFavorites_, &QPushButton::clicked, this, &CServerBrowserDlg::OnConnectFavorites);
    connect(connectServers_, &QPushButton::clicked, this, &CServerBrowserDlg::OnConnectServers);
    connect(rconFavorites_, &QPushButton::clicked, this, [this] { OnRconControl(favorites_); });
    connect(rconServers_, &QPushButton::clicked, this, [this] { OnRconControl(servers_); });
    // A relayed server has no console to reach.
    using ListButton = std::pair<CReportListCtrl*, QPushButton*>;
    for (auto [list, rcon] : {ListButton{favorites_, rconFavorites_}, ListButton{servers_, rconServers_}})
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, rcon,
                [list, rcon] { rcon->setEnabled(!IsRelayedAddress(SelectedAddress(list))); });
    connect(connectAddress_, &QPushButton::clicked, this, &CServerBrowserDlg::OnConnectAddress);
    connect(copy_, &QPushButton::clicked, this, &CServerBrowserDlg::OnCopy);
    connect(paste_, &QPushButton::clicked, this, &CServerBrowserDlg::OnPaste);

    // A left click runs the selection handler even on the row already selected: clicking a
    // server again asks it again. A right click only selects (and opens the menu), and a key
    // asks through its timer, so neither is taken as a click here.
    connect(favorites_, &QAbstractItemView::clicked, this, [this] { OnSelectServer(favorites_); });
    connect(servers_, &QAbstractItemView::clicked, this, [this] { OnSelectServer(servers_); });
    connect(favorites_, &QAbstractItemView::doubleClicked, this, &CServerBrowserDlg::OnConnectFavorites);
    connect(servers_, &QAbstractItemView::doubleClicked, this, &CServerBrowserDlg::OnConnectServers);
    connect(&favoritesKeyTimer_, &QTimer::timeout, this, &CServerBrowserDlg::OnFavoritesKeyTimer);
    connect(&serversKeyTimer_, &QTimer::timeout, this, &CServerBrowserDlg::OnServersKeyTimer);
    favorites_->installEventFilter(this);
    servers_->installEventFilter(this);

    for (CReportListCtrl* list : {static_cast<CReportListCtrl*>(favorites_), static_cast<CReportListCtrl*>(servers_),
                                  static_cast<CReportListCtrl*>(players_)})
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { OnListContextMenu(list, pos); });

    connect(filterRow_, &CServerFilterRow::changed, this, &CServerBrowserDlg::ApplyFilter);
    connect(&countTimer_, &QTimer::timeout, this, &CServerBrowserDlg::ShowListedCount);

    // The lists report a header click; the list's proxy keeps the sort (in the settings), sorts,
    // and the list shows the sort done.
    CServerLists& lists = ctx_.engine.lists();
    for (CSrvListCtrl* list : {static_cast<CSrvListCtrl*>(favorites_), servers_}) {
        CServerListProxy* view = &View(list);
        connect(list, &CSrvListCtrl::sortChosen, view, &CServerListProxy::SetSort);
        connect(view, &CServerListProxy::sorted, list, &CSrvListCtrl::ShowSort);
        connect(view, &QAbstractItemModel::rowsInserted, this,
                [this, list](const QModelIndex&, int first, int last) { OnListRowsInserted(list, first, last); });
        connect(view, &QAbstractItemModel::rowsRemoved, this, [this, list] { OnListRowsRemoved(list); });
    }
    // "N of M": the servers held (the model) and those the filter leaves (the proxy).
    for (QAbstractItemModel* rows : {static_cast<QAbstractItemModel*>(&lists.model(ServerList::Servers)),
                                     static_cast<QAbstractItemModel*>(&lists.view(ServerList::Servers))}) {
        connect(rows, &QAbstractItemModel::rowsInserted, &countTimer_, qOverload<>(&QTimer::start));
        connect(rows, &QAbstractItemModel::rowsRemoved, &countTimer_, qOverload<>(&QTimer::start));
    }

    connect(&ctx_.engine.refresh(), &CRefreshEngine::progressChanged, this, &CServerBrowserDlg::OnProgressChanged);
    connect(&ctx_.engine.refresh(), &CRefreshEngine::listLimited, this,
            [this](int servers) { Q_EMIT statusMessage(QString::fromStdString(ListStoppedText(servers))); });
    CDetailQuery* details = &ctx_.engine.details();
    connect(details, &CDetailQuery::detailsRequested, this, &CServerBrowserDlg::OnDetailsRequested);
    connect(details, &CDetailQuery::playersReceived, this, &CServerBrowserDlg::OnPlayersReceived);
    connect(details, &CDetailQuery::rulesReceived, this, &CServerBrowserDlg::OnRulesReceived);
    connect(details, &CDetailQuery::detailsTimedOut, this, &CServerBrowserDlg::OnDetailsTimedOut);
    ConnectSlotWatch();
}

void CServerBrowserDlg::LoadLists()
{
    ip_->setText(kNoAddress);
    port_->setText(QString::number(kDefaultGamePort));

    ServerStore& store = ctx_.store;
    // A send time left from the last run is no ping: the record says "???" too.
    for (ServerList which : {ServerList::Servers, ServerList::Favorites})
        for (const ServerRecord* r : store.List(which)) {
            // A list saved before the server was hidden (or an options file edited since) keeps it.
            if (which == ServerList::Servers && ctx_.settings.options.IsHidden(r->address))
                continue;
            if (r->ping.find('-') != std::string::npos)
                store.TakeReply(r->address, {.ping = "???"});
        }
    CServerLists& lists = ctx_.engine.lists();
    lists.LeaveOutHidden();
    lists.Sort(ServerList::Favorites);
    lists.Sort(ServerList::Servers);
    ApplyFilter();
    const CRefreshEngine& refresh = ctx_.engine.refresh();
    OnProgressChanged(refresh.progressPos(), refresh.progressUpper(), refresh.percentText());
}

// ---- rows ----------------------------------------------------------------------------------

void CServerBrowserDlg::ShowServerList(CSrvListCtrl* list, ServerList which)
{
    list->setModel(&ctx_.engine.lists().view(which));
    for (int column = 0; column < static_cast<int>(std::size(kServerColumnWidths)); ++column)
        list->header()->resizeSection(column, kServerColumnWidths[column]);
}

CServerListProxy& CServerBrowserDlg::View(const CReportListCtrl* list) const
{
    return ctx_.engine.lists().view(list == favorites_ ? ServerList::Favorites : ServerList::Servers);
}

void CServerBrowserDlg::OnListRowsInserted(CSrvListCtrl* list, int first, int last)
{
    // The server whose details are shown, back in the list its Refresh emptied: selected again.
    if (!reselectDetails_ || list != detailsList_)
        return;
    for (int row = first; row <= last; ++row) {
        if (list->GetItemTextStd(row, kAddressColumn) == detailsAddress_) {
            reselectDetails_ = false;
            list->SelectRow(row);
            return;
        }
    }
}

void CServerBrowserDlg::OnListRowsRemoved(CSrvListCtrl* list)
{
    // A Refresh of the list lists the server again; anything else has taken its row away.
    if (list == detailsList_ && !refreshingDetails_)
        ForgetDetailsUnlessListed();
}

// ---- the filter ----------------------------------------------------------------------------

void CServerBrowserDlg::ApplyFilter()
{
    // A row the filter takes away is neither selected nor described any more (OnListRowsRemoved);
    // one it gives back comes where it was.
    View(servers_).Refilter();
    ShowListedCount();
}

void CServerBrowserDlg::ShowListedCount()
{
    countTimer_.stop();
    const CServerListProxy& view = View(servers_);
    Q_EMIT listedCountChanged(QString("%1 of %2 servers listed").arg(view.ListedCount()).arg(view.ServerCount()));
}

void CServerBrowserDlg::OnDetailsRequested()
{
    rules_->DeleteAllItems();
    players_->DeleteAllItems();
    rules_->setColumnWidth(0, kRulesNameWidth);
    rules_->InsertStatusItem(0, kPleaseWait);
    players_->InsertStatusItem(0, kPleaseWait);
}

void CServerBrowserDlg::ForgetDetails()
{
    if (!detailsList_)
        return;
    ctx_.engine.details().Close();
    players_->DeleteAllItems();
    rules_->DeleteAllItems();
    rules_->setColumnWidth(0, kRulesNameWidth);
    // An address the user typed since is his, not the server's.
    if (ip_->text() == IpControlText(GetHost(detailsAddress_)) &&
        port_->text() == QString::number(GetPort(detailsAddress_))) {
        ip_->setText(kNoAddress);
        port_->setText(QString::number(kDefaultGamePort));
    }
    detailsList_ = nullptr;
    detailsAddress_.clear();
    reselectDetails_ = false;
}

void CServerBrowserDlg::ForgetDetailsUnlessListed()
{
    if (!detailsList_)
        return;
    for (int row = 0; row < detailsList_->GetItemCount(); ++row)
        if (detailsList_->GetItemTextStd(row, kAddressColumn) == detailsAddress_)
            return;
    ForgetDetails();
}

void CServerBrowserDlg::OnDetailsTimedOut(bool players, bool rules)
{
    // Only a list still waiting says so; one the server filled keeps what it sent.
    for (auto [list, missing] : {std::pair{players_, players}, std::pair{rules_, rules}}) {
        if (missing && list->GetItemCount() == 1 && list->GetItemText(0, 0) == kPleaseWait)
            list->SetItemText(0, 0, kNoAnswer);
    }
}

void CServerBrowserDlg::OnPlayersReceived(const std::vector<PlayerEntry>& players)
{
    ShowPlayers(players_, players);
    if (ctx_.playersHeard && !detailsAddress_.empty()) {
        std::vector<std::string> names;
        for (const PlayerEntry& p : players)
            names.push_back(p.name);
        ctx_.playersHeard(detailsAddress_, names);
    }
}

void CServerBrowserDlg::OnRulesReceived(const std::vector<std::pair<std::string, std::string>>& rules)
{
    rules_->setColumnWidth(0, kRulesNameWidthFilled);
    ShowRules(rules_, rules);
}

// ---- buttons -------------------------------------------------------------------------------

void CServerBrowserDlg::OnUpdate()
{
    ctx_.engine.refresh().RequestMasterList();
}

// A refresh running is interrupted first: the servers it lists again are refreshed with the rest.
void CServerBrowserDlg::OnRefreshServers()
{
    RefreshList(servers_);
}

void CServerBrowserDlg::OnRefreshFavorites()
{
    RefreshList(favorites_);
}

void CServerBrowserDlg::RefreshList(CSrvListCtrl* list)
{
    CRefreshEngine& refresh = ctx_.engine.refresh();
    const bool details = detailsList_ == list;
    refreshingDetails_ = details;
    if (list == servers_)
        refresh.RefreshServers();
    else
        refresh.RefreshFavorites();
    refreshingDetails_ = false;
    // The selected server is asked again with the others: its players and rules too.
    if (details && detailsList_ == list) {
        reselectDetails_ = true;
        ctx_.engine.details().QuerySelected(detailsAddress_);
    }
}

void CServerBrowserDlg::OnAddIpServers()
{
    AddIp(servers_);
}
void CServerBrowserDlg::OnAddIpFavorites()
{
    AddIp(favorites_);
}

void CServerBrowserDlg::AddIp(CSrvListCtrl* list)
{
    CInputBox box(window());
    if (box.DoModal(QString(), kAddIpPrompt, QString()) != CInputBox::IDOK)
        return;
    // A pasted address often brings a space or line break; the address would keep it for good.
    const std::string text = box.text.trimmed().toStdString();
    if (!IsValidAddress(text))
        return;
    ctx_.engine.refresh().AddServerByHand(list == servers_ ? ServerList::Servers : ServerList::Favorites,
                                          NormalizeAddress(text));
}

void CServerBrowserDlg::OnAddToFavorites()
{
    const std::string address = SelectedAddress(servers_);
    if (address.empty())
        return;
    // Copied first: AddFavorite writes the very fields it is given back into this record.
    ServerRecord values = *ctx_.store.FindOrCreateRecord(address);
    SettlePing(values.ping);
    ctx_.store.AddFavorite(address, values.name, values.map, values.ping, values.players, values.info);
    ctx_.engine.lists().Sort(ServerList::Favorites);
}

void CServerBrowserDlg::OnRemoveFavorite()
{
    const int row = favorites_->GetSelectedRow();
    if (row < 0)
        return;
    const std::string address = favorites_->GetItemTextStd(row, kAddressColumn);
    {
        const QSignalBlocker quiet(favorites_);
        // The same server may be a favourite twice; one row goes, so one entry goes.
        ctx_.store.RemoveFavorite(ctx_.store.FindRecord(address));
        // The view would select the next row; a second Remove must not take a server not chosen.
        favorites_->SelectRow(-1);
    }
    ApplyFilter();
}

void CServerBrowserDlg::OnClearFavorites()
{
    ctx_.engine.refresh().KillRefreshTimers();
    {
        const QSignalBlocker quiet(favorites_);
        ctx_.store.ClearList(ServerList::Favorites);
    }
    ApplyFilter();
}

void CServerBrowserDlg::OnConnectFavorites()
{
    ConnectToSelected(favorites_);
}
void CServerBrowserDlg::OnConnectServers()
{
    ConnectToSelected(servers_);
}

void CServerBrowserDlg::ConnectToSelected(const CReportListCtrl* list)
{
    const std::string address = SelectedAddress(list);
    if (!address.empty())
        JoinWithPassword(ctx_.settings, ctx_.store, address, window());
}

void CServerBrowserDlg::OnConnectAddress()
{
    const std::string address = (ip_->text() + ":" + port_->text()).toStdString();
    if (IsValidAddress(address))
        JoinWithPassword(ctx_.settings, ctx_.store, NormalizeAddress(address), window());
}

void CServerBrowserDlg::OnCopy()
{
    const QString address = QString("%1:%2").arg(ip_->text(), port_->text()).left(kCopyLimit);
    QApplication::clipboard()->setText(address);
}

void CServerBrowserDlg::OnPaste()
{
    const std::string text = QApplication::clipboard()->text().toStdString();
    if (!IsValidAddress(text))
        return;
    ip_->setText(IpControlText(GetHost(text)));
    port_->setText(QString::number(GetPort(text)));
}

void CServerBrowserDlg::OnRconControl(CReportListCtrl* list)
{
    const std::string address = SelectedAddress(list);
    if (!address.empty())
        OpenRconConsole(address);
}

void CServerBrowserDlg::OpenRconConsole(const std::string& address)
{
    if (ctx_.openRconConsole && !IsRelayedAddress(address))
        ctx_.openRconConsole(address);
}

void CServerBrowserDlg::OnAddFriend()
{
    const int row = players_->GetSelectedRow();
    if (row >= 0)
        ctx_.store.AddFriend(players_->GetItemTextStd(row, 0));
}

void CServerBrowserDlg::OnRemoveFriend()
{
    const int row = players_->GetSelectedRow();
    if (row >= 0)
        ctx_.store.RemoveFriend(players_->GetItemTextStd(row, 0));
}

// ---- selection -----------------------------------------------------------------------------

std::string CServerBrowserDlg::SelectedAddress(const CReportListCtrl* list)
{
    const int row = list->GetSelectedRow();
    return row < 0 ? std::string() : list->GetItemTextStd(row, kAddressColumn);
}

void CServerBrowserDlg::OnSelectServer(CReportListCtrl* list)
{
    const std::string address = SelectedAddress(list);
    if (address.empty())
        return;
    ip_->setText(IpControlText(GetHost(address)));
    port_->setText(QString::number(GetPort(address)));
    detailsAddress_ = address;
    detailsList_ = list == favorites_ ? static_cast<CSrvListCtrl*>(favorites_) : servers_;
    reselectDetails_ = false;
    ctx_.engine.details().QuerySelected(address);
}

// A selection moved by a key is queried by the key timer alone, once the key has done its work.
// Holding an arrow key down thus asks once per repeat, never twice.
void CServerBrowserDlg::OnFavoritesKeyTimer()
{
    OnSelectServer(favorites_);
}
void CServerBrowserDlg::OnServersKeyTimer()
{
    OnSelectServer(servers_);
}

bool CServerBrowserDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Started before the list sees the key, so the selection the key makes finds it running.
    if (event->type() == QEvent::KeyPress) {
        if (watched == favorites_)
            favoritesKeyTimer_.start(kKeyQueryDelayMs);
        else if (watched == servers_)
            serversKeyTimer_.start(kKeyQueryDelayMs);
    }
    return QWidget::eventFilter(watched, event);
}

// ---- progress ------------------------------------------------------------------------------

void CServerBrowserDlg::OnProgressChanged(int pos, int upper, const QString& percent)
{
    // A range of 0..0 would turn the bar into a busy indicator; nothing to do is an empty bar.
    const int top = std::max(upper, 1);
    progress_->setRange(0, top);
    progress_->setValue(std::clamp(pos, 0, top));
    percent_->setText(percent);
}

// ---- context menus -------------------------------------------------------------------------

QMenu* CServerBrowserDlg::BuildContextMenu(CReportListCtrl* list)
{
    const int row = list ? list->GetSelectedRow() : -1;
    if (row < 0)
        return nullptr;

    if (list == players_) {
        // "Please Wait" has no id: there is no player to befriend yet.
        if (players_->GetItemText(0, kPlayerIdColumn).isEmpty())
            return nullptr;
        return FriendsMenu(
            this, IdAddFriend, IdRemoveFriend, [this] { OnAddFriend(); }, [this] { OnRemoveFriend(); });
    }
    if (list != favorites_ && list != servers_)
        return nullptr;
    // A status line on top ("Pinging Servers") means the list holds no servers yet.
    if (list->GetItemText(0, kAddressColumn).isEmpty())
        return nullptr;

    auto* menu = new QMenu(this);
    QAction* rcon = nullptr;
    if (list == favorites_) {
        connect(AddCommand(menu, IdConnectFavorites, "Connect"), &QAction::triggered, this,
                &CServerBrowserDlg::OnConnectFavorites);
        menu->addSeparator();
        rcon = AddCommand(menu, IdRconFavorites, "RCON Control");
        rcon->setEnabled(!IsRelayedAddress(SelectedAddress(favorites_)));
        connect(rcon, &QAction::triggered, this, [this] { OnRconControl(favorites_); });
        connect(AddCommand(menu, IdRemoveFavorite, "Remove"), &QAction::triggered, this,
                &CServerBrowserDlg::OnRemoveFavorite);
    } else {
        connect(AddCommand(menu, IdConnectServers, "Connect"), &QAction::triggered, this,
                &CServerBrowserDlg::OnConnectServers);
        menu->addSeparator();
        rcon = AddCommand(menu, IdRconServers, "RCON Control");
        rcon->setEnabled(!IsRelayedAddress(SelectedAddress(servers_)));
        connect(rcon, &QAction::triggered, this, [this] { OnRconControl(servers_); });
        connect(AddCommand(menu, IdAddToFavorites, "Add to Favorites"), &QAction::triggered, this,
                &CServerBrowserDlg::OnAddToFavorites);
    }
    menu->addSeparator();

    const QString name = list->GetItemText(row, 0);
    const QString address = list->GetItemText(row, kAddressColumn);
    AddInfoLine(menu, name);
    if (address != name)
        AddInfoLine(menu, address);
    const ServerRecord* record = View(list).Record(row);
    const std::string info = record ? record->info : std::string();
    if (!info.empty()) {
        menu->addSeparator();
        for (const QString& part : DisplayLine(info).split('|', Qt::SkipEmptyParts))
            AddInfoLine(menu, part);
    }
    // Beyond the list's own lines, below them: the LAN search, hiding, the slot watch and the
    // recent servers.
    menu->addSeparator();
    if (list == servers_) {
        connect(AddCommand(menu, IdFindLanServers, "Find LAN Servers"), &QAction::triggered, this,
                [this] { ctx_.engine.refresh().FindLanServers(); });
        connect(AddCommand(menu, IdHideServer, "Hide This Server"), &QAction::triggered, this,
                &CServerBrowserDlg::OnHideServer);
    }
    AddSlotWatchLine(menu, list, row);
    AddRecentServersMenu(
        menu, ctx_.store, [this](const std::string& a) { JoinWithPassword(ctx_.settings, ctx_.store, a, window()); },
        [this](const std::string& a, const std::string& name) {
            ctx_.engine.refresh().AddServerByHand(ServerList::Favorites, a, name);
        });
    return menu;
}

void CServerBrowserDlg::OnHideServer()
{
    const std::string address = SelectedAddress(servers_);
    if (address.empty())
        return;
    ToolOptions& options = ctx_.settings.options;
    if (!options.IsHidden(address))
        options.hiddenServers.push_back(address);
    {
        const QSignalBlocker quiet(servers_);
        ctx_.store.DropServer(address);
        servers_->SelectRow(-1);
    }
    ShowListedCount();
    if (ctx_.saveOptions)
        ctx_.saveOptions();
}

void CServerBrowserDlg::ShowServersAgain(const std::vector<std::string>& addresses)
{
    CServerLists& lists = ctx_.engine.lists();
    if (lists.ShowAgain(addresses))
        lists.Sort(ServerList::Servers);
    ShowListedCount();
}

void CServerBrowserDlg::OnListContextMenu(CReportListCtrl* list, const QPoint& pos)
{
    const std::unique_ptr<QMenu> menu(BuildContextMenu(list));
    if (menu)
        menu->exec(list->viewport()->mapToGlobal(pos));
}

// ---- the slot watch ------------------------------------------------------------------------

void CServerBrowserDlg::ConnectSlotWatch()
{
    CSlotWatch* watch = &ctx_.engine.slotWatch();
    connect(watch, &CSlotWatch::heard, this,
            [this](const std::string&, int players, int maxPlayers, const std::string& name) {
                // In one pass: a "%2" in the name is the name's own text.
                Q_EMIT statusMessage(
                    QString("Waiting for a free slot on %1 (%2/%3 players). Escape stops waiting.")
                        .arg(DisplayLine(name), QString::number(players), QString::number(maxPlayers)));
            });
    connect(watch, &CSlotWatch::slotFreed, this, [this](const std::string& address) {
        Q_EMIT statusMessage(QString());
        JoinWithPassword(ctx_.settings, ctx_.store, address, window());
    });
    connect(watch, &CSlotWatch::silent, this, [this](const std::string& address) {
        Q_EMIT statusMessage(QString());
        ctx_.message("ZNK Tool", QString("%1 has not answered for a minute. ZNK Tool no longer waits for a free slot "
                                         "there.")
                                     .arg(DisplayLine(ctx_.store.KnownName(address))));
    });
}

void CServerBrowserDlg::AddSlotWatchLine(QMenu* menu, CReportListCtrl* list, int row)
{
    const CSlotWatch& watch = ctx_.engine.slotWatch();
    const std::string address = list->GetItemTextStd(row, kAddressColumn);
    const bool watching = watch.active() && watch.address() == address;
    QAction* line = AddCommand(menu, IdWatchSlot, kWatchText);
    line->setCheckable(true);
    line->setChecked(watching);
    // Only a full server has a slot to wait for.
    line->setEnabled(watching || (IsFullServer(list->GetItemTextStd(row, 3)) && !IsRelayedAddress(address)));
    connect(line, &QAction::triggered, this, [this, list] { OnWatchSlot(list); });
}

void CServerBrowserDlg::OnWatchSlot(CReportListCtrl* list)
{
    const std::string address = SelectedAddress(list);
    if (address.empty())
        return;
    CSlotWatch& watch = ctx_.engine.slotWatch();
    if (watch.active() && watch.address() == address) {
        CancelSlotWatch();
        return;
    }
    watch.Start(address);
    Q_EMIT statusMessage(QString("Waiting for a free slot on %1. Escape stops waiting.")
                             .arg(DisplayLine(ctx_.store.KnownName(address))));
}

bool CServerBrowserDlg::CancelSlotWatch()
{
    CSlotWatch& watch = ctx_.engine.slotWatch();
    if (!watch.active())
        return false;
    watch.Stop();
    Q_EMIT statusMessage(QString());
    return true;
}
