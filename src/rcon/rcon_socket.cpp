// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/rcon_socket.h"

#include <QPointer>

namespace {

// How many challenge requests go out before the server is taken for one that wants none.
constexpr int kChallengeRequests = 2;

} // namespace

CRconSocket::CRconSocket(QObject* parent) : CQueryUdpSocket(parent)
{
    challengeTimer_.setSingleShot(true);
    answerTimer_.setSingleShot(true);
    connect(this, &QUdpSocket::readyRead, this, &CRconSocket::OnReadyRead);
    connect(&challengeTimer_, &QTimer::timeout, this, &CRconSocket::OnChallengeTimeout);
    connect(&answerTimer_, &QTimer::timeout, this, &CRconSocket::OnAnswerTimeout);
}

bool CRconSocket::Open(const std::string& address)
{
    if (!Reconnect(address) || !SendBytes(BuildRconChallengeRequest()))
        return false;
    challengeRequests_ = 1;
    challengeTimer_.start(timeoutMs_);
    return true;
}

bool CRconSocket::SendCommand(const std::string& password, const std::string& command)
{
    if (!connected() || !IsSendableRconPassword(password))
        return false;
    Q_EMIT outputLines(RconEchoLine(command));
    if (challenge_ != 0)
        return SendBytes(BuildRconCommand(challenge_, password, command));
    answerTimer_.start(timeoutMs_);
    return SendBytes(BuildRconCommandWithoutChallenge(password, command));
}

void CRconSocket::OnChallengeTimeout()
{
    // A closed socket waits for nothing; any challenge reply ends the wait.
    if (state() != QAbstractSocket::ConnectedState || challengeReplied_ || connected())
        return;
    if (challengeRequests_ < kChallengeRequests) {
        ++challengeRequests_;
        SendBytes(BuildRconChallengeRequest());
        challengeTimer_.start(timeoutMs_);
        return;
    }
    withoutChallenge_ = true;
    Q_EMIT challengeSkipped();
}

void CRconSocket::OnAnswerTimeout()
{
    if (state() == QAbstractSocket::ConnectedState)
        Q_EMIT noAnswer();
}

void CRconSocket::OnReadyRead()
{
    // Whoever shows the lines may close the console, and the socket with it, on any of them.
    const QPointer<CRconSocket> alive(this);
    for (int n = 0; n < kDatagramsPerWake && alive && hasPendingDatagrams(); ++n) {
        std::vector<unsigned char> datagram = ReceiveOne();
        if (datagram.size() > kRconReceiveLimit)
            datagram.resize(kRconReceiveLimit);
        if (!connected()) {
            // Until a challenge is accepted only challenge replies count; anything else (a
            // stray answer, a flood) is dropped unseen.
            const std::optional<uint32_t> challenge = ParseRconChallenge(datagram.data(), datagram.size());
            if (!challenge)
                continue;
            challengeReplied_ = true;
            challengeTimer_.stop();
            challenge_ = *challenge;
            Q_EMIT challengeAccepted();
            continue;
        }
        // A challenge that comes after the console stopped waiting for one changes nothing, and
        // is no output either.
        if (withoutChallenge_ && ParseRconChallenge(datagram.data(), datagram.size()))
            continue;
        // Whatever the server sends is its answer, also a datagram that shows nothing (its
        // "print\n" alone, when a command printed nothing).
        answerTimer_.stop();
        if (std::optional<std::string> text = output_.Decode(datagram.data(), datagram.size()))
            Q_EMIT outputLines(*text);
    }
}
