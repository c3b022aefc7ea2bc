#include "query/player_search.h"

#include "query/model/protocol.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

#include <algorithm>

namespace {

constexpr int kDatagramsPerWake = CQueryUdpSocket::kDatagramsPerWake;

} // namespace

CPlayerSearch::CPlayerSearch(const AppSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), master_(std::make_unique<CQueryUdpSocket>())
{
    setObjectName("CPlayerSearch");
    connect(master_.get(), &QUdpSocket::readyRead, this, &CPlayerSearch::OnMasterReadyRead);
    roomTimer_.setSingleShot(true);
    connect(&roomTimer_, &QTimer::timeout, this, &CPlayerSearch::OnRoomTimer);
    connect(&resendTimer_, &QTimer::timeout, this, &CPlayerSearch::OnResendTimer);
}

CPlayerSearch::~CPlayerSearch()
{
    Stop();
}

void CPlayerSearch::Stop()
{
    lookup_.Cancel();
    master_->Close();
    pager_.Stop();
    asked_.clear();
    queue_.clear();
    roomTimer_.stop();
    resendTimer_.stop();
    pages_ = 0;
    servers_ = 0;
    taken_.clear();
}

void CPlayerSearch::Start()
{
    Stop();
    lookup_.Start(
        MasterServerText(settings_), [this](const std::string& host, int port) { SendMasterTo(host, port); }, [] {});
}

void CPlayerSearch::SendMasterTo(const std::string& host, int port)
{
    Q_EMIT masterRequested();
    if (master_->Reconnect(host + ":" + std::to_string(port)))
        pager_.Start(master_.get(), settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam,
                     settings_.modFolder, settings_.TimeoutMs(), settings_.options.dialect != QueryDialect::Classic);
}

void CPlayerSearch::OnMasterReadyRead()
{
    for (int n = 0; n < kDatagramsPerWake && master_->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = master_->ReceiveOne();
        if (!IsMasterReply(reply.data(), reply.size()) || pages_ >= kMaxMasterPages)
            continue;
        ++pages_;
        const std::vector<std::string> page = DecodeMasterList(
            settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam, reply.data(), reply.size());
        if (pages_ < kMaxMasterPages)
            pager_.Page(reply, page);
        // A server a master lists twice (pages overlap when a list changes meanwhile) is asked once.
        std::vector<std::string> addresses;
        for (const std::string& address : page) {
            if (taken_.insert(address).second)
                addresses.push_back(address);
        }
        const size_t room = static_cast<size_t>(kMaxServers - servers_);
        if (addresses.size() > room)
            addresses.resize(room);
        servers_ += static_cast<int>(addresses.size());
        Q_EMIT serversListed(addresses);
        queue_.insert(queue_.end(), addresses.begin(), addresses.end());
        AskQueued();
    }
}

void CPlayerSearch::AskQueued()
{
    while (!queue_.empty() && openSockets() < kMaxOpenSockets) {
        Asked asked{std::make_unique<CQueryUdpSocket>(),
                    queue_.front(),
                    QDeadlineTimer(settings_.TimeoutMs()),
                    std::nullopt,
                    0,
                    QDeadlineTimer()};
        queue_.pop_front();
        CQueryUdpSocket* socket = asked.socket.get();
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { OnPlayersReadyRead(socket); });
        asked.exchange.emplace(std::vector<Ask>{Ask::Players}, settings_.options.dialect,
                               KnownDialect(settings_.options, asked.address));
        if (socket->Reconnect(asked.address))
            socket->SendAll(asked.exchange->Requests());
        // A lost datagram should not hide a server's players; the classic wire alone sends once.
        const int third = settings_.TimeoutMs() / (kResends + 1);
        if (settings_.options.dialect != QueryDialect::Classic) {
            asked.resendsLeft = kResends;
            asked.nextResend = QDeadlineTimer(third);
            if (!resendTimer_.isActive())
                resendTimer_.start(std::max(1, third / 2));
        }
        asked_.push_back(std::move(asked));
    }
    if (queue_.empty()) {
        roomTimer_.stop();
        return;
    }
    // No room: wake when the socket that has waited longest reaches its time-out.
    qint64 next = asked_.front().deadline.remainingTime();
    for (const Asked& a : asked_)
        next = std::min(next, a.deadline.remainingTime());
    roomTimer_.start(static_cast<int>(std::max<qint64>(0, next)));
}

void CPlayerSearch::OnRoomTimer()
{
    // Only as much room as the waiting servers need; a server given up stays unanswered.
    size_t needed = queue_.size();
    for (auto it = asked_.begin(); it != asked_.end() && needed > 0;) {
        if (it->deadline.hasExpired()) {
            it = asked_.erase(it);
            --needed;
        } else {
            ++it;
        }
    }
    AskQueued();
}

void CPlayerSearch::OnResendTimer()
{
    if (asked_.empty()) {
        resendTimer_.stop();
        return;
    }
    const int third = settings_.TimeoutMs() / (kResends + 1);
    for (Asked& a : asked_) {
        if (a.resendsLeft > 0 && a.nextResend.hasExpired() && !a.deadline.hasExpired() && a.exchange) {
            a.socket->SendAll(a.exchange->Requests());
            --a.resendsLeft;
            a.nextResend = QDeadlineTimer(third);
        }
    }
}

void CPlayerSearch::OnPlayersReadyRead(CQueryUdpSocket* socket)
{
    const auto it =
        std::find_if(asked_.begin(), asked_.end(), [socket](const Asked& a) { return a.socket.get() == socket; });
    if (it == asked_.end())
        return;
    for (int n = 0; n < kDatagramsPerWake && socket->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = socket->ReceiveOne();
        const ReplyKind kind = ClassifyReply(reply.data(), reply.size());
        // Without the header it is nobody's answer: the server is still waited for.
        if (kind == ReplyKind::Dropped)
            continue;
        // A challenge is answered; the server's answer is still to come.
        std::vector<std::vector<unsigned char>> resend;
        it->exchange->Take(reply.data(), reply.size(), resend);
        if (!resend.empty()) {
            socket->SendAll(resend);
            continue;
        }
        if (ClassifyA2s(reply.data(), reply.size()) == A2sReply::Challenge)
            continue;
        std::vector<std::string> names;
        if (kind == ReplyKind::Players)
            for (PlayerEntry& player : DecodePlayers(reply.data(), reply.size()))
                names.push_back(std::move(player.name));
        const std::string address = socket->PeerText();
        // The socket goes first: whatever the page does with the answer, this server is done.
        // Its object is deleted later, as it is inside its own signal now.
        it->socket.release()->deleteLater();
        socket->disconnect(this);
        asked_.erase(it);
        Q_EMIT serverAnswered(address, names);
        AskQueued();
        return;
    }
}
