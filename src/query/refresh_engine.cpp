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
constexpr int kDatagramsPerWake = CQueryUdpSocket::kDatagramsPerWake;

} // namespace

CRefreshEngine::CRefreshEngine(AppSettings& settings, ServerStore& store, CServerLists& lists, QObject* parent)
    : QObject(parent), settings_(settings), store_(store), lists_(lists), ping_(settings),
      master_(std::make_unique<CMasterSocket>()), lan_(settings)
{
    setObjectName("CRefreshEngine");
    MakeQuerySockets(kQuerySockets);
    connect(master_.get(), &QUdpSocket::readyRead, this, &CRefreshEngine::OnMasterReadyRead);
    // A server that answered its ping is queried once the phase is over, in the order the
    // answers came.
    connect(&ping_, &CPingPhase::answered, this,
            [this](const std::string& address) { pending_.push_back(address + "\n"); });
    connect(&ping_, &CPingPhase::ended, this, &CRefreshEngine::OnPingPhaseEnded);
    connect(&resortTimer_, &QTimer::timeout, this, &CRefreshEngine::OnResortTimer);
    connect(&pager_, &CMasterPager::silent, this, &CRefreshEngine::OnMasterSilent);
    connect(&pager_, &CMasterPager::waiting, this, &CRefreshEngine::OnMasterWaiting);
    connect(&lan_, &CLanSearch::found, this, &CRefreshEngine::OnLanFound);
    connect(&lan_, &CLanSearch::ended, this, &CRefreshEngine::OnLanEnded);
}

CRefreshEngine::~CRefreshEngine()
{
    CloseAll();
}

void CRefreshEngine::MakeQuerySockets(int count)
{
    while (static_cast<int>(querySockets_.size()) < count) {
        auto socket = std::make_unique<CQuerySocket>();
        CQuerySocket* s = socket.get();
        connect(s, &QUdpSocket::readyRead, this, [this, s] { OnQueryReadyRead(s); });
        connect(&s->timeoutTimer, &QTimer::timeout, this, [this, s] { OnQueryTimeout(s); });
        connect(&s->resends.timer, &QTimer::timeout, this, [this, s] { OnResendTimer(s); });
        querySockets_.push_back(std::move(socket));
    }
}

int CRefreshEngine::TimeoutMs() const
{
    return settings_.TimeoutMs();
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
    if (inPlace_)
        return; // its row is there already
    store_.Append(RefreshList(), record);
    lists_.Sort(RefreshList());
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

void CRefreshEngine::StartInfoQuery(const std::string& address, CQuerySocket* socket)
{
    const platform::ClockTime sent = platform::UtcNow();
    // A server the socket cannot be connected to is still waited for: its time-out lists it as
    // not answering instead of letting it drop out of the list and the store.
    socket->Reconnect(address);
    socket->outstanding = true;
    socket->splitWaitMs = TimeoutMs();
    const ToolOptions& options = settings_.options;
    socket->exchange.emplace(std::vector<Ask>{Ask::Info}, options.dialect, KnownDialect(options, address),
                             challenges_[address]);
    socket->SendAll(socket->exchange->Requests());
    StampSendTime(*store_.FindOrCreateRecord(address), sent);
    socket->timeoutTimer.start(TimeoutMs());
    socket->resends.Start(options.dialect, TimeoutMs());
}

void CRefreshEngine::OnResendTimer(CQuerySocket* socket)
{
    if (!socket->resends.Due(!socket->outstanding || !socket->exchange))
        return;
    // The ping is the round trip of the request that was answered: the last one sent.
    StampSendTime(*store_.FindOrCreateRecord(socket->Target()));
    socket->SendAll(socket->exchange->Requests());
}

void CRefreshEngine::NextQuery(CQuerySocket* socket)
{
    if (!pending_.empty())
        StartInfoQuery(TakeFirst(pending_), socket);
    SetProgress(progressPos_ + 1, progressUpper_);
    if (progressUpper_ > 0 && progressPos_ * 100 / progressUpper_ == 100) {
        resortTimer_.stop();
        lists_.Sort(RefreshList());
    }
}

void CRefreshEngine::StartRefresh(bool serversMode)
{
    serversMode_ = serversMode;
    resortTimer_.start(std::max(kMinResortMs, TimeoutMs() / kResortDivisor));
    if (!inPlace_)
        store_.ClearList(RefreshList());
    if (!unasked_.empty()) {
        for (const std::string& address : std::exchange(unasked_, {}))
            store_.Append(RefreshList(), store_.FindOrCreateRecord(address));
        lists_.Sort(RefreshList());
    }
    SetProgress(0, static_cast<int>(pending_.size()));
    const int atOnce = std::clamp(settings_.options.queriesAtOnce, 1, ToolOptions::kMaxQueriesAtOnce);
    MakeQuerySockets(atOnce);
    for (int i = 0; i < atOnce && !pending_.empty(); ++i)
        StartInfoQuery(TakeFirst(pending_), querySockets_[static_cast<size_t>(i)].get());
}

void CRefreshEngine::OnQueryReadyRead(CQuerySocket* socket)
{
    for (int n = 0; n < kDatagramsPerWake && socket->hasPendingDatagrams(); ++n) {
        const platform::ClockTime received = platform::UtcNow();
        const std::vector<unsigned char> reply = socket->ReceiveOne();
        // The query ended with its answer: a second copy of it (or a flood of them) must not
        // list the server again nor count again towards 100 %.
        if (!socket->outstanding)
            continue;
        if (!socket->exchange)
            continue;
        // Only the info answer ends a refresh query; a challenge is answered, anything else
        // leaves it waiting.
        std::vector<std::vector<unsigned char>> resend;
        const auto answer = socket->exchange->Take(reply.data(), reply.size(), resend);
        if (!resend.empty()) {
            challenges_[socket->PeerText()] = socket->exchange->ChallengesHeld();
            StampSendTime(*store_.FindOrCreateRecord(socket->PeerText()));
            socket->SendAll(resend);
        }
        InfoReply info;
        if (!answer || !DecodeAnyInfo(answer->reply, info))
            continue;
        socket->outstanding = false;
        socket->timeoutTimer.stop();
        socket->resends.Stop();
        const std::string address = socket->PeerText();
        RememberDialect(settings_.options, address, socket->exchange->Dialect());
        ListAnswer(socket, info, received);
        // The socket now waits for another server: what is still queued is not for us.
        if (socket->PeerText() != address)
            break;
    }
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
    if (!inPlace_)
        store_.Append(RefreshList(), record);
    NextQuery(socket);
}

void CRefreshEngine::OnQueryTimeout(CQuerySocket* socket)
{
    const std::string address = socket->Target();
    if (!address.empty() && socket->outstanding && inPlace_) {
        store_.TakeReply(address, {.ping = "???"}); // the row keeps what the list said of it
    } else if (!address.empty() && socket->outstanding) {
        store_.Append(RefreshList(), store_.TakeReply(address, {.map = "???", .ping = "???", .players = "???"}));
        lists_.Sort(RefreshList());
    }
    socket->Close();
    socket->timeoutTimer.stop();
    socket->resends.Stop();
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
    master_->Close();
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
    for (auto& socket : querySockets_) {
        const std::string address = socket->Target();
        socket->Close();
        if (!address.empty() && socket->outstanding)
            Relist(store_.FindOrCreateRecord(address));
    }
    while (!pending_.empty())
        Relist(store_.FindOrCreateRecord(TakeFirst(pending_)));
}

void CRefreshEngine::StopPinging()
{
    ping_.Stop();
    pager_.Stop();
    masterPages_ = 0;
    SetProgress(0, progressUpper_, false); // the bar goes back; the label keeps its text
}

void CRefreshEngine::KillRefreshTimers()
{
    resortTimer_.stop();
    for (auto& socket : querySockets_) {
        socket->timeoutTimer.stop();
        socket->resends.Stop();
    }
}

// ---- ping phase ----------------------------------------------------------------------------

void CRefreshEngine::StartPingPhase(const std::vector<std::string>& addresses)
{
    serversMode_ = true;
    ping_.Add(addresses);
}

void CRefreshEngine::OnPingPhaseEnded()
{
    // The end of the ping phase, and of what the master had to say for this Update: a page
    // coming later must not start another phase under the refresh.
    StopPinging();
    master_->Close();
    beforeUpdate_.clear();
    StartRefresh(true);
    if (progressUpper_ == 0)
        lists_.ShowStatus(kNoServerText);
}

void CRefreshEngine::OnMasterSilent()
{
    if (pager_.anyPage())
        return; // the list simply ends with the pages that came
    GiveListBack(kMasterSilentText);
}

void CRefreshEngine::GiveListBack(const char* why)
{
    StopPinging();
    master_->Close();
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
    for (auto& socket : querySockets_)
        socket->Close();
    // Kept until the master answers: a dead master must not empty the list, nor the file it
    // is saved to.
    if (!store_.serverList().empty())
        beforeUpdate_ = store_.serverList();
    store_.ClearList(ServerList::Servers);
    pending_.clear();
    StopPinging();
    inPlace_ = false;
    if (settings_.MasterIsSteamWebApi()) {
        RequestWebApiList();
        return;
    }

    masterLookup_.Start(
        MasterServerText(settings_), [this](const std::string& host, int port) { SendMasterTo(host, port); },
        [this] { Q_EMIT masterRequestSent(); });
}

void CRefreshEngine::CancelMasterLookup()
{
    masterLookup_.Cancel();
    webApiWaiting_ = false;
}

void CRefreshEngine::SendMasterTo(const std::string& host, int port)
{
    // Shown first: a request the limit holds back replaces it at once with a row that says so.
    lists_.ShowStatus(RequestingText(settings_.wonMaster).toStdString());
    if (master_->Reconnect(host + ":" + std::to_string(port)))
        pager_.Start(master_.get(), settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam,
                     settings_.modFolder, TimeoutMs(), settings_.options.dialect != QueryDialect::Classic);
    Q_EMIT masterRequestSent();
}

void CRefreshEngine::OnMasterWaiting(bool held)
{
    // Before the first page the row tells what the Update waits for; while the servers of the
    // pages are pinged, the wait shows above the row that says so.
    const QString stage = pager_.anyPage() ? QString(kPingingText) : RequestingText(settings_.wonMaster);
    lists_.RemoveStatusRows();
    if (!held || pager_.anyPage())
        lists_.ShowStatus(stage.toStdString());
    if (held)
        lists_.ShowStatus(kMasterWaitText);
}

void CRefreshEngine::OnMasterReadyRead()
{
    for (int n = 0; n < kDatagramsPerWake && master_->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = master_->ReceiveOne();
        // Anything but a list page is no list; and however many pages a master sends, one
        // Update takes only so many.
        if (!IsMasterReply(reply.data(), reply.size()) || masterPages_ >= kMaxMasterPages)
            continue;
        ++masterPages_;
        std::vector<std::string> addresses = DecodeMasterList(
            settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam, reply.data(), reply.size());
        beforeUpdate_.clear();
        if (masterPages_ < kMaxMasterPages)
            pager_.Page(reply, addresses);
        // Taken out after paging: the next page starts after the page's own last address.
        std::erase_if(addresses, [this](const std::string& a) { return settings_.options.IsHidden(a); });
        store_.ClearList(ServerList::Servers);
        lists_.ShowStatus(kPingingText);
        StartPingPhase(addresses);
    }
}

void CRefreshEngine::CloseAll()
{
    lan_.Stop();
    CancelMasterLookup();
    KillRefreshTimers();
    ping_.Stop();
    pager_.Stop();
    for (auto& socket : querySockets_)
        socket->Close();
    master_->Close();
}
