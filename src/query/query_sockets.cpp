// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/query_sockets.h"

#include "core/address.h"
#include "query/model/protocol.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <chrono>

CQueryUdpSocket::CQueryUdpSocket(QObject* parent) : QUdpSocket(parent)
{
    // Game servers are reached directly; asking the system for a proxy on every one of a
    // master list's hundreds of sockets costs more than the pings themselves.
    setProxy(QNetworkProxy::NoProxy);
}

bool CQueryUdpSocket::Reconnect(const std::string& address)
{
    Close();
    target_ = address;
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(GetHost(address))))
        return false;
    const int port = GetPort(address);
    if (port < 0 || port > 65535)
        return false;
    if (!bind(QHostAddress(QHostAddress::AnyIPv4), 0))
        return false;
    connectToHost(host, static_cast<quint16>(port));
    if (state() != QAbstractSocket::ConnectedState && !waitForConnected(1000))
        return false;
    peer_ = host.toString().toStdString() + ":" + std::to_string(port);
    outstanding = true;
    return true;
}

void CQueryUdpSocket::Close()
{
    abort();
    joiner_.Clear();
    peer_.clear();
    target_.clear();
}

bool CQueryUdpSocket::SendBytes(const std::vector<unsigned char>& bytes)
{
    if (state() != QAbstractSocket::ConnectedState)
        return false;
    return write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

bool CQueryUdpSocket::SendPacket(std::string_view text)
{
    return SendBytes(BuildPacket(text));
}

std::string CQueryUdpSocket::PeerText() const
{
    return peer_;
}

std::vector<unsigned char> CQueryUdpSocket::ReceiveOne()
{
    std::vector<unsigned char> buffer(kReceiveLimit, 0);
    const qint64 n = readDatagram(reinterpret_cast<char*>(buffer.data()), kReceiveLimit);
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    if (!IsSplitPiece(buffer.data(), buffer.size()))
        return buffer;
    const int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    joiner_.DropExpired(now, splitWaitMs);
    return joiner_.Add(peer_, buffer.data(), buffer.size(), now).value_or(std::vector<unsigned char>{});
}

CQuerySocket::CQuerySocket(QObject* parent) : CQueryUdpSocket(parent)
{
    timeoutTimer.setSingleShot(true);
}

void CQueryUdpSocket::SendAll(const std::vector<std::vector<unsigned char>>& datagrams)
{
    for (const auto& d : datagrams)
        SendBytes(d);
}
