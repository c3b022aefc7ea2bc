// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/refresh_engine.h"

#include "core/address.h"
#include "platform/platform.h"
#include "query/master_lookup.h"
#include "query/model/protocol.h"
#include "query/model/server_rows.h"
#include "query/server_lists.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kResortDivisor = 3;

} // namespace

CRefreshEngine::CRefreshEngine(AppSettings& settings, ServerStore& store, CServerLists& lists, QObject* parent)
    : QObject(parent), settings_(settings), store_(store), lists_(lists), queries_(settings, store), ping_(settings),
      lan_(settings)
{
    setObjectName("CRefreshEngine");
    queries_.Grow(kQuerySockets);
    connect(&queries_, &CQueryPool::answered, this, &CRefreshEngine::ListAnswer);
    connect(&queries_, &CQueryPool::timedOut, this, &CRefreshEngine::OnQueryTimeout);
    connect(&ping_, &CPingPhase::answered, this, &CRefreshEngine::OnPingAnswered);
    connect(&ping_, &CPingPhase::ended, this, &CRefreshEngine::OnPingPhaseEnded);
    connect(&resortTimer_, &QTimer::timeout, this, &CRefreshEngine::OnResortTimer);
    // Shown first: a request the limit holds back replaces it at once with a row that says so.
    connect(&masters_, &CMasterSet::asking, this,
            [this] { lists_.ShowStatus(RequestingText(settings_.wonMaster).toStdString()); });
    connect(&masters_, &CMasterSet::asked, this, &CRefreshEngine::masterRequestSent);
    connect(&masters_, &CMasterSet::page, this, &CRefreshEngine::OnMasterPage);
    connect(&masters_, &CMasterSet::silent, this, &CRefreshEngine::OnMasterSilent);
    connect(&masters_, &CMasterSet::waiting, this, &CRefreshEngine::OnMasterWaiting);
    connect(&masters_, &CMasterSet::settled, this, [this] {
        if (pingIdle_)
            OnPingPhaseEnded();
    });
    connect(&lan_, &CLanSearch::found, this, &CRefreshEngine::OnLanFound);
    connect(&lan_, &CLanSearch::ended, this, &CRefreshEngine::OnLanEnded);
}

CRefreshEngine::~CRefreshEngine()
{
    CloseAll();
}

int CRefreshEngine::TimeoutMs() const
{
    return settings_.TimeoutMs();
}

int CRefreshEngine::AtOnce() const
{
    return std::clamp(settings_.options.queriesAtOnce, 1, ToolOptions::kMaxQueriesAtOnce);
}

QString CRefreshEngine::RequestingText(bool won)
{
    return won ? "Requesting Servers list to WON" : "Requesting Servers list to Steam";
}

std::string CRefreshEngine::TakeFirst(std::deque<std::string>& list)
{
    std::string entry = std::move(list.front());
    list.pop_front();
    return entry.substr(0, entry.find('\n'));
}

// ---- rows ----------------------------------------------------------------------------------

void CRefreshEngine::AddServerByHand(ServerList list, const std::string& address, const std::string& name)
{
    ServerRecord* record = store_.TakeReply(
        address, {.name = name.empty() ? address : name, .map = "???", .ping = "???", .players = "???"});
    store_.Append(list, record);
    lists_.Sort(list);
}

void CRefreshEngine::Relist(ServerRecord* record)
{
    // A send time no answer replaced: the server did not answer that query.
    if (record->ping.find('-') != std::string::npos)
        store_.TakeReply(record->address, {.ping = "???"});
    ListRecord(record);
    lists_.Sort(RefreshList());
}

void CRefreshEngine::ListRecord(ServerRecord* record)
{
    if (inPlace_)
        return; // its row is there already
    if (quick_.active && !quick_.listed.insert(record).second)
        return;
    store_.Append(RefreshList(), record);
}

void CRefreshEngine::SetProgress(int pos, int upper, bool updateLabel)
{
    progressPos_ = pos;
    progressUpper_ = upper;
    if (updateLabel)
        percentText_ = QString("%1%").arg(upper > 0 ? pos * 100 / upper : 0);
    Q_EMIT progressChanged(pos, upper, percentText_);
}

// ---- refresh -------------------------------------------------------------------------------

void CRefreshEngine::NextQuery(CQuerySocket* socket)
{
    if (!pending_.empty())
        queries_.Ask(socket, TakeFirst(pending_));
    Advance();
}

void CRefreshEngine::Advance()
{
    SetProgress(progressPos_ + 1, progressUpper_);
    if (progressUpper_ > 0 && progressPos_ * 100 / progressUpper_ == 100) {
        resortTimer_.stop();
        lists_.Sort(RefreshList());
    }
}

void CRefreshEngine::StartRefresh(bool serversMode)
{
    serversMode_ = serversMode;
    quick_ = {};
    resortTimer_.start(std::max(kMinResortMs, TimeoutMs() / kResortDivisor));
    if (!inPlace_)
        store_.ClearList(RefreshList());
    if (!unasked_.empty()) {
        for (const std::string& address : std::exchange(unasked_, {}))
            store_.Append(RefreshList(), store_.FindOrCreateRecord(address));
        lists_.Sort(RefreshList());
    }
    SetProgress(0, static_cast<int>(pending_.size()));
    const int atOnce = AtOnce();
    queries_.Grow(atOnce);
    for (int i = 0; i < atOnce && !pending_.empty(); ++i)
        queries_.Ask(queries_.socket(i), TakeFirst(pending_));
}

void CRefreshEngine::ListAnswer(CQuerySocket* socket, const InfoReply& info, const platform::ClockTime& received)
{
    const std::string address = socket->PeerText();
    std::string ping = PingAfter(store_.FindOrCreateRecord(address)->ping, received);
    SettlePing(ping);
    // Into the record first: the row the list gains shows the answer, and so does every row of
    // the server in either list.
    ServerRecord* record = store_.TakeReply(
        address, {.name = info.name, .map = info.map, .ping = ping, .players = info.players, .info = info.info});
    ListRecord(record);
    NextQuery(socket);
}

void CRefreshEngine::OnQueryTimeout(CQuerySocket* socket, const std::string& address)
{
    if (!address.empty() && inPlace_) {
        store_.TakeReply(address, {.ping = "???"}); // the row keeps what the list said of it
    } else if (!address.empty()) {
        ListRecord(store_.TakeReply(address, {.map = "???", .ping = "???", .players = "???"}));
        lists_.Sort(RefreshList());
    }
    NextQuery(socket);
}

void CRefreshEngine::OnResortTimer()
{
    lists_.Sort(RefreshList());
}

void CRefreshEngine::Interrupt()
{
    lan_.Stop();
    beforeUpdate_.clear();
    CancelMasterLookup();
    KillRefreshTimers();
    StopPinging();
    AbortRefresh();
    masters_.Close();
}

void CRefreshEngine::InterruptAndQueue(bool serversMode)
{
    // The servers an interrupted refresh lists again are asked with the rest.
    Interrupt();
    serversMode_ = serversMode;
    inPlace_ = false;
    // A relayed server is never sent a datagram: it is listed again as it was, unasked.
    for (const std::string& address : lists_.Listed(RefreshList()))
        if (IsRelayedAddress(address))
            unasked_.push_back(address);
        else
            pending_.push_back(address);
}

void CRefreshEngine::RefreshServers()
{
    InterruptAndQueue(true);
    StartRefresh(true);
}

void CRefreshEngine::RefreshFavorites()
{
    // A status line on top of the Servers list would go now; the interrupt has taken every one
    // of them off already.
    InterruptAndQueue(false);
    StartRefresh(false);
}

void CRefreshEngine::AbortRefresh()
{
    CancelMasterLookup();
    lists_.RemoveStatusRows();
    for (const std::string& address : queries_.CloseAll())
        Relist(store_.FindOrCreateRecord(address));
    while (!pending_.empty())
        Relist(store_.FindOrCreateRecord(TakeFirst(pending_)));
}

void CRefreshEngine::StopPinging()
{
    ping_.Stop();
    masters_.Stop();
    pingIdle_ = false;
    quick_.pinging = false;
    SetProgress(0, progressUpper_, false); // the bar goes back; the label keeps its text
}

void CRefreshEngine::KillRefreshTimers()
{
    resortTimer_.stop();
    queries_.KillTimers();
}

// ---- ping phase ----------------------------------------------------------------------------

void CRefreshEngine::StartPingPhase(const std::vector<std::string>& addresses, bool queryAsAnswered)
{
    serversMode_ = true;
    pingIdle_ = false;
    // Chosen when the phase starts: a phase that queues its answers keeps doing so.
    if (queryAsAnswered && !quick_.pinging && ping_.addressCount() == 0 && pending_.empty()) {
        quick_.pinging = quick_.active = true;
        quick_.listed = {store_.serverList().begin(), store_.serverList().end()};
        resortTimer_.start(std::max(kMinResortMs, TimeoutMs() / kResortDivisor));
        queries_.Grow(AtOnce());
        SetProgress(0, 1); // the ping phase is a step of its own, the last to end
    }
    ping_.Add(addresses);
}

void CRefreshEngine::PingAndQuery(const std::vector<std::string>& addresses, bool queryAsAnswered)
{
    Interrupt();
    quick_ = {};
    StartPingPhase(addresses, queryAsAnswered);
}

void CRefreshEngine::OnPingAnswered(const std::string& address)
{
    // A server that answered its ping is queried once the phase is over, in the order the
    // answers came; in a quick refresh at once when a socket is free, else as one frees up.
    pending_.push_back(address + "\n");
    if (!quick_.pinging)
        return;
    SetProgress(progressPos_, progressUpper_ + 1);
    if (CQuerySocket* socket = queries_.Idle(AtOnce()))
        queries_.Ask(socket, TakeFirst(pending_));
}

void CRefreshEngine::OnPingPhaseEnded()
{
    // A master still awaited may bring servers yet: the phase waits for its list.
    pingIdle_ = masters_.awaited();
    if (pingIdle_)
        return;
    // The end of the ping phase, and of what the masters had to say for this Update: a page
    // coming later must not start another phase under the refresh.
    const bool quick = quick_.pinging;
    quick_.pinging = false;
    ping_.Stop();
    masters_.Stop();
    masters_.Close();
    beforeUpdate_.clear();
    if (quick) {
        EndQuickPings();
        return;
    }
    SetProgress(0, progressUpper_, false);
    StartRefresh(true);
    if (progressUpper_ == 0)
        lists_.ShowStatus(kNoServerText);
}

void CRefreshEngine::EndQuickPings()
{
    lists_.RemoveStatusRows();
    if (progressUpper_ > 1) {
        Advance();
        return;
    }
    SetProgress(0, 0);
    lists_.ShowStatus(kNoServerText);
}

void CRefreshEngine::OnMasterSilent()
{
    GiveListBack(kMasterSilentText);
}

void CRefreshEngine::GiveListBack(const char* why)
{
    StopPinging();
    masters_.Close();
    store_.ClearList(ServerList::Servers);
    serversMode_ = true;
    const std::vector<ServerRecord*> restored = std::move(beforeUpdate_);
    beforeUpdate_.clear();
    for (ServerRecord* record : restored)
        Relist(record);
    lists_.ShowStatus(why);
}

// ---- master server -------------------------------------------------------------------------

void CRefreshEngine::RequestMasterList()
{
    CancelMasterLookup();
    KillRefreshTimers();
    if (!serversMode_)
        AbortRefresh();
    queries_.CloseAll();
    // Kept until a master answers: dead masters must not empty the list, nor the file it is
    // saved to.
    if (!store_.serverList().empty())
        beforeUpdate_ = store_.serverList();
    store_.ClearList(ServerList::Servers);
    pending_.clear();
    StopPinging();
    quick_ = {};
    inPlace_ = false;
    if (IsSteamWebApiMaster(settings_.masterServer)) {
        RequestWebApiList();
        return;
    }

    std::vector<std::string> masters{MasterServerText(settings_)};
    masters.insert(masters.end(), settings_.options.moreMasters.begin(), settings_.options.moreMasters.end());
    masters_.Start(masters, {.flavour = settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam,
                             .gameDir = settings_.modFolder,
                             .timeoutMs = TimeoutMs(),
                             .paging = settings_.options.dialect != QueryDialect::Classic});
}

void CRefreshEngine::OnMasterWaiting(bool held)
{
    // Before the first page the row tells what the Update waits for; while the servers of the
    // pages are pinged, the wait shows above the row that says so.
    const QString stage = masters_.anyPage() ? QString(kPingingText) : RequestingText(settings_.wonMaster);
    lists_.RemoveStatusRows();
    if (!held || masters_.anyPage())
        lists_.ShowStatus(stage.toStdString());
    if (held)
        lists_.ShowStatus(kMasterWaitText);
}

void CRefreshEngine::OnMasterPage(std::vector<std::string> addresses)
{
    beforeUpdate_.clear();
    // Taken out after paging: the next page starts after the page's own last address.
    std::erase_if(addresses, [this](const std::string& a) { return settings_.options.IsHidden(a); });
    // Rows a quick refresh has listed already stay.
    if (!quick_.pinging) {
        store_.ClearList(ServerList::Servers);
        lists_.ShowStatus(kPingingText);
    }
    StartPingPhase(addresses, settings_.options.queryOnPing);
}

void CRefreshEngine::CancelMasterLookup()
{
    masters_.CancelLookups();
    webApiWaiting_ = false;
}

void CRefreshEngine::CloseAll()
{
    lan_.Stop();
    CancelMasterLookup();
    KillRefreshTimers();
    ping_.Stop();
    masters_.Stop();
    queries_.CloseAll();
    masters_.Close();
}
