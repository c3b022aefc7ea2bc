#include "query/query_sockets.h"

#include "core/address.h"
#include "query/model/protocol.h"

#include <QHostAddress>
#include <QNetworkProxy>

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
    return buffer;
}

CQuerySocket::CQuerySocket(QObject* parent) : CQueryUdpSocket(parent)
{
    timeoutTimer.setSingleShot(true);
}
