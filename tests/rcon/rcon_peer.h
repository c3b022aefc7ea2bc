// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "rcon/model/rcon_protocol.h"

#include <QByteArray>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <string>

// What the remote-console tests share: a server of the test's own and the datagrams it sends.

inline constexpr int kRconWaitMs = 3000;

// A server on 127.0.0.1 that takes what a console sends and answers whatever the test tells it
// to, to the console that last wrote.
class RconPeer {
public:
    RconPeer() { EXPECT_TRUE(socket_.bind(QHostAddress::LocalHost, 0)); }

    std::string Address() const { return "127.0.0.1:" + std::to_string(socket_.localPort()); }

    // The next datagram that comes; empty when none came in time.
    QByteArray Next()
    {
        if (!QTest::qWaitFor([this] { return socket_.hasPendingDatagrams(); }, kRconWaitMs))
            return {};
        const QNetworkDatagram d = socket_.receiveDatagram();
        from_ = d.senderAddress();
        fromPort_ = static_cast<quint16>(d.senderPort());
        return d.data();
    }

    void Send(const QByteArray& bytes) { socket_.writeDatagram(bytes, from_, fromPort_); }

private:
    QUdpSocket socket_;
    QHostAddress from_;
    quint16 fromPort_ = 0;
};

inline QByteArray RconBytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

inline QByteArray RconBytes(const Datagram& d)
{
    return QByteArray(reinterpret_cast<const char*>(d.data()), static_cast<qsizetype>(d.size()));
}

// "challenge rcon <number>\n" as a server answers the request.
inline QByteArray RconChallengeReply(const std::string& number)
{
    return RconBytes("\xFF\xFF\xFF\xFF"
                     "challenge rcon " +
                     number + "\n" + std::string(1, '\0'));
}

// Command output as real servers send it: the header, 'l', the text, two NULs.
inline QByteArray RconOutputReply(const std::string& text)
{
    return RconBytes("\xFF\xFF\xFF\xFFl" + text + std::string(2, '\0'));
}
