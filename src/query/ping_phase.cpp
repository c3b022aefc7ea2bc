// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/ping_phase.h"

#include "query/model/protocol.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

#include <algorithm>

namespace {

// Sockets opened in one go before the window's events run again.
constexpr int kBatch = 32;

} // namespace

CPingPhase::CPingPhase(const AppSettings& settings, QObject* parent) : QObject(parent), settings_(settings)
{
    setObjectName("CPingPhase");
    phaseTimer_.setSingleShot(true);
    connect(&phaseTimer_, &QTimer::timeout, this, &CPingPhase::OnTimer);
    batchTimer_.setSingleShot(true);
    connect(&batchTimer_, &QTimer::timeout, this, &CPingPhase::SendQueued);
    connect(&resendTimer_, &QTimer::timeout, this, &CPingPhase::OnResendTimer);
}

CPingPhase::~CPingPhase()
{
    Stop();
}

void CPingPhase::Add(const std::vector<std::string>& addresses)
{
    for (const std::string& address : addresses) {
        if (addressCount() >= kMaxAddresses)
            break;
        if (taken_.insert(address).second)
            queue_.push_back(address);
    }
    // Each page gives the servers a time-out to answer in, as the first one did.
    deadline_ = QDeadlineTimer(settings_.TimeoutMs());
    SendQueued();
}

void CPingPhase::Stop()
{
    for (CPingSocket* socket : sockets_) {
        socket->Close();
        socket->deleteLater();
    }
    sockets_.clear();
    queue_.clear();
    taken_.clear();
    batchTimer_.stop();
    phaseTimer_.stop();
    resendTimer_.stop();
}

void CPingPhase::SendQueued()
{
    // Sockets are opened a batch at a time, with the window's events in between, so that a
    // full master list never freezes the window; and never more than kMaxSockets at once, so
    // that a long list never runs out of file handles. Each ping waits its own time-out.
    for (int i = 0; i < kBatch && !queue_.empty() && socketCount() < kMaxSockets; ++i) {
        auto* socket = new CPingSocket(this);
        sockets_.push_back(socket);
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        const int timeout = settings_.TimeoutMs();
        socket->deadline = QDeadlineTimer(timeout);
        // A lost datagram should not cost a server its place; the classic wire alone sends once.
        if (settings_.options.dialect != QueryDialect::Classic) {
            socket->resendsLeft = kResends;
            socket->nextResend = QDeadlineTimer(timeout / (kResends + 1));
            if (!resendTimer_.isActive())
                resendTimer_.start(std::max(1, timeout / (kResends + 1) / 2));
        }
        if (socket->Reconnect(queue_.front()))
            socket->SendPacket(kPingCommand);
        queue_.pop_front();
        if (deadline_.remainingTime() < socket->deadline.remainingTime())
            deadline_ = socket->deadline;
    }
    if (!queue_.empty() && socketCount() < kMaxSockets)
        batchTimer_.start(0);
    ArmTimer();
}

void CPingPhase::ArmTimer()
{
    // Timer 1 wakes for the next ping to time out, and at the end for the end of the phase.
    qint64 next = deadline_.remainingTime();
    for (const CPingSocket* socket : sockets_)
        next = std::min(next, socket->deadline.remainingTime());
    phaseTimer_.start(static_cast<int>(std::max<qint64>(0, next)));
}

void CPingPhase::OnResendTimer()
{
    if (sockets_.empty()) {
        resendTimer_.stop();
        return;
    }
    const int third = settings_.TimeoutMs() / (kResends + 1);
    for (CPingSocket* socket : sockets_) {
        if (socket->resendsLeft > 0 && socket->nextResend.hasExpired() && !socket->deadline.hasExpired()) {
            socket->SendPacket(kPingCommand);
            --socket->resendsLeft;
            socket->nextResend = QDeadlineTimer(third);
        }
    }
}

void CPingPhase::OnReadyRead(CPingSocket* socket)
{
    // Only the answer to "ping" ends a ping: anything before it is ignored, and a server that
    // sends nothing else keeps its time-out.
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = socket->ReceiveOne();
        if (IsPingReply(reply.data(), reply.size())) {
            Q_EMIT answered(socket->PeerText());
            End(socket);
            SendQueued();
            return;
        }
    }
}

void CPingPhase::End(CPingSocket* socket)
{
    sockets_.remove(socket);
    socket->Close();
    socket->deleteLater();
}

void CPingPhase::OnTimer()
{
    // Servers that have not answered within their time-out are dropped.
    std::vector<CPingSocket*> expired;
    for (CPingSocket* socket : sockets_)
        if (socket->deadline.hasExpired())
            expired.push_back(socket);
    for (CPingSocket* socket : expired)
        End(socket);
    if (!queue_.empty() || !sockets_.empty() || !deadline_.hasExpired()) {
        SendQueued();
        return;
    }
    Q_EMIT ended();
}
