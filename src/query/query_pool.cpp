// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/query_pool.h"

#include "settings/app_settings.h"
#include "settings/server_store.h"

CQueryPool::CQueryPool(AppSettings& settings, ServerStore& store, QObject* parent)
    : QObject(parent), settings_(settings), store_(store)
{
}

void CQueryPool::Grow(int count)
{
    while (static_cast<int>(sockets_.size()) < count) {
        auto socket = std::make_unique<CQuerySocket>();
        CQuerySocket* s = socket.get();
        connect(s, &QUdpSocket::readyRead, this, [this, s] { OnReadyRead(s); });
        connect(&s->timeoutTimer, &QTimer::timeout, this, [this, s] { OnTimeout(s); });
        connect(&s->resends.timer, &QTimer::timeout, this, [this, s] { OnResendTimer(s); });
        sockets_.push_back(std::move(socket));
    }
}

CQuerySocket* CQueryPool::Idle(int count) const
{
    // A socket whose query was answered is no longer outstanding; one whose query timed out is
    // closed.
    for (int i = 0; i < count && i < static_cast<int>(sockets_.size()); ++i)
        if (!socket(i)->outstanding || socket(i)->Target().empty())
            return socket(i);
    return nullptr;
}

void CQueryPool::Ask(CQuerySocket* socket, const std::string& address)
{
    const platform::ClockTime sent = platform::UtcNow();
    const int timeoutMs = settings_.TimeoutMs();
    // A server the socket cannot be connected to is still waited for: its time-out lists it as
    // not answering instead of letting it drop out of the list and the store.
    socket->Reconnect(address);
    socket->outstanding = true;
    socket->splitWaitMs = timeoutMs;
    const ToolOptions& options = settings_.options;
    socket->exchange.emplace(std::vector<::Ask>{::Ask::Info}, options.dialect, KnownDialect(options, address),
                             challenges_[address]);
    socket->SendAll(socket->exchange->Requests());
    StampSendTime(*store_.FindOrCreateRecord(address), sent);
    socket->timeoutTimer.start(timeoutMs);
    socket->resends.Start(options.dialect, timeoutMs);
}

void CQueryPool::OnResendTimer(CQuerySocket* socket)
{
    if (!socket->resends.Due(!socket->outstanding || !socket->exchange))
        return;
    // The ping is the round trip of the request that was answered: the last one sent.
    StampSendTime(*store_.FindOrCreateRecord(socket->Target()));
    socket->SendAll(socket->exchange->Requests());
}

void CQueryPool::OnReadyRead(CQuerySocket* socket)
{
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket->hasPendingDatagrams(); ++n) {
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
        Q_EMIT answered(socket, info, received);
        // The socket now waits for another server: what is still queued is not for us.
        if (socket->PeerText() != address)
            break;
    }
}

void CQueryPool::OnTimeout(CQuerySocket* socket)
{
    const std::string address = socket->outstanding ? socket->Target() : std::string();
    socket->Close();
    socket->timeoutTimer.stop();
    socket->resends.Stop();
    Q_EMIT timedOut(socket, address);
}

void CQueryPool::KillTimers()
{
    for (auto& socket : sockets_) {
        socket->timeoutTimer.stop();
        socket->resends.Stop();
    }
}

std::vector<std::string> CQueryPool::CloseAll()
{
    std::vector<std::string> out;
    for (auto& socket : sockets_) {
        const std::string address = socket->Target();
        socket->Close();
        if (!address.empty() && socket->outstanding)
            out.push_back(address);
    }
    return out;
}
