// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/players_asker.h"

#include "core/address.h"
#include "query/model/protocol.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

#include <algorithm>

CPlayersAsker::CPlayersAsker(const AppSettings& settings, Rules rules, QObject* parent)
    : QObject(parent), settings_(settings), rules_(rules)
{
    roomTimer_.setSingleShot(true);
    connect(&roomTimer_, &QTimer::timeout, this, &CPlayersAsker::OnRoomTimer);
    connect(&resendTimer_, &QTimer::timeout, this, &CPlayersAsker::OnResendTimer);
}

CPlayersAsker::~CPlayersAsker()
{
    Stop();
}

void CPlayersAsker::Stop()
{
    ++run_;
    asked_.clear();
    queue_.clear();
    challenges_.clear();
    roomTimer_.stop();
    resendTimer_.stop();
}

void CPlayersAsker::Ask(const std::vector<std::string>& addresses)
{
    // A relayed server is never sent a datagram: it has no address to answer from.
    std::copy_if(addresses.begin(), addresses.end(), std::back_inserter(queue_),
                 [](const std::string& address) { return !IsRelayedAddress(address); });
    AskQueued();
}

void CPlayersAsker::Keep(const Asked& asked)
{
    if (!asked.exchange)
        return;
    const Challenges& held = asked.exchange->ChallengesHeld();
    if (std::any_of(held.begin(), held.end(), [](const auto& c) { return c.has_value(); }))
        challenges_[asked.address] = held;
}

void CPlayersAsker::AskQueued()
{
    const int timeout = settings_.TimeoutMs();
    while (!queue_.empty() && openSockets() < rules_.maxOpenSockets) {
        Asked asked{std::make_unique<CQueryUdpSocket>(),
                    queue_.front(),
                    QDeadlineTimer(timeout),
                    std::nullopt,
                    0,
                    QDeadlineTimer()};
        queue_.pop_front();
        CQueryUdpSocket* socket = asked.socket.get();
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        const auto held = challenges_.find(asked.address);
        asked.exchange.emplace(std::vector<::Ask>{::Ask::Players}, settings_.options.dialect,
                               KnownDialect(settings_.options, asked.address),
                               held == challenges_.end() ? Challenges{} : held->second);
        if (socket->Reconnect(asked.address))
            socket->SendAll(asked.exchange->Requests());
        // A lost datagram should not hide a server's players; the classic wire alone sends once.
        const int third = timeout / (kResends + 1);
        if (settings_.options.dialect != QueryDialect::Classic) {
            asked.resendsLeft = kResends;
            asked.nextResend = QDeadlineTimer(third);
            if (!resendTimer_.isActive())
                resendTimer_.start(std::max(1, third / 2));
        }
        asked_.push_back(std::move(asked));
    }
    const bool watchDeadlines = rules_.giveUpAtTimeOut ? !asked_.empty() : !queue_.empty();
    if (!watchDeadlines) {
        roomTimer_.stop();
        return;
    }
    // Wake when the socket that has waited longest reaches its time-out.
    qint64 next = asked_.front().deadline.remainingTime();
    for (const Asked& a : asked_)
        next = std::min(next, a.deadline.remainingTime());
    roomTimer_.start(static_cast<int>(std::max<qint64>(0, next)));
}

void CPlayersAsker::OnRoomTimer()
{
    // Only as much room as the waiting servers need, unless every socket ends at its time-out;
    // a server given up stays unanswered.
    size_t needed = rules_.giveUpAtTimeOut ? asked_.size() : queue_.size();
    for (auto it = asked_.begin(); it != asked_.end() && needed > 0;) {
        if (it->deadline.hasExpired()) {
            Keep(*it);
            it = asked_.erase(it);
            --needed;
        } else {
            ++it;
        }
    }
    AskQueued();
    if (!busy())
        Q_EMIT finished();
}

void CPlayersAsker::OnResendTimer()
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

void CPlayersAsker::OnReadyRead(CQueryUdpSocket* socket)
{
    const auto it =
        std::find_if(asked_.begin(), asked_.end(), [socket](const Asked& a) { return a.socket.get() == socket; });
    if (it == asked_.end())
        return;
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = socket->ReceiveOne();
        const ReplyKind kind = ClassifyReply(reply.data(), reply.size());
        // Without the header it is nobody's answer: the server is still waited for.
        if (kind == ReplyKind::Dropped)
            continue;
        // A challenge is answered; the server's answer is still to come.
        std::vector<std::vector<unsigned char>> resend;
        const auto answer = it->exchange->Take(reply.data(), reply.size(), resend);
        if (!resend.empty()) {
            socket->SendAll(resend);
            continue;
        }
        if (ClassifyA2s(reply.data(), reply.size()) == A2sReply::Challenge)
            continue;
        if (rules_.playersOnly && !answer)
            continue;
        std::vector<std::string> names;
        if (kind == ReplyKind::Players)
            for (PlayerEntry& player : DecodePlayers(reply.data(), reply.size()))
                names.push_back(std::move(player.name));
        const std::string address = it->address;
        if (rules_.rememberDialects)
            RememberDialect(*rules_.rememberDialects, address, it->exchange->Dialect());
        Keep(*it);
        // The socket goes first: whatever the receiver does with the answer, this server is done.
        // Its object is deleted later, as it is inside its own signal now.
        it->socket.release()->deleteLater();
        socket->disconnect(this);
        asked_.erase(it);
        const uint64_t run = run_;
        Q_EMIT serverAnswered(address, names);
        if (run != run_)
            return;
        AskQueued();
        if (!busy())
            Q_EMIT finished();
        return;
    }
}
