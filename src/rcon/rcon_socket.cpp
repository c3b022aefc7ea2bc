#include "rcon/rcon_socket.h"

#include <QPointer>

CRconSocket::CRconSocket(QObject* parent) : CQueryUdpSocket(parent)
{
    connect(this, &QUdpSocket::readyRead, this, &CRconSocket::OnReadyRead);
}

bool CRconSocket::Open(const std::string& address)
{
    return Reconnect(address) && SendBytes(BuildRconChallengeRequest());
}

bool CRconSocket::SendCommand(const std::string& password, const std::string& command)
{
    if (!connected())
        return false;
    Q_EMIT outputLines(RconEchoLine(command));
    return SendBytes(BuildRconCommand(challenge_, password, command));
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
            challenge_ = *challenge;
            Q_EMIT challengeAccepted();
        } else if (std::optional<std::string> text = output_.Decode(datagram.data(), datagram.size())) {
            Q_EMIT outputLines(*text);
        }
    }
}
