// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/lan_search.h"

#include "core/address.h"
#include "query/model/a2s.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

#include <QNetworkInterface>
#include <QNetworkProxy>

namespace {

bool IsBroadcastInterface(const QNetworkInterface& nic)
{
    return (nic.flags() & QNetworkInterface::IsUp) && (nic.flags() & QNetworkInterface::CanBroadcast);
}

} // namespace

CLanSearch::CLanSearch(const AppSettings& settings, QObject* parent) : QObject(parent), settings_(settings)
{
    setObjectName("CLanSearch");
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CLanSearch::OnTimeout);
}

CLanSearch::~CLanSearch()
{
    Stop();
}

std::vector<LanNetwork> CLanSearch::LocalNetworks()
{
    std::vector<LanNetwork> networks;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        if (!IsBroadcastInterface(nic))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                networks.push_back({entry.ip().toIPv4Address(), entry.netmask().toIPv4Address()});
        }
    }
    return networks;
}

std::vector<std::string> CLanSearch::BroadcastTargets()
{
    std::vector<std::string> targets;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        if (!IsBroadcastInterface(nic))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull())
                targets.push_back(entry.broadcast().toString().toStdString());
        }
    }
    return targets;
}

void CLanSearch::Stop()
{
    timer_.stop();
    socket_.reset();
    asks_.clear();
    senders_.clear();
    found_ = 0;
}

bool CLanSearch::Start(const std::vector<std::string>& targets, const std::vector<LanNetwork>& networks)
{
    Stop();
    socket_ = std::make_unique<QUdpSocket>();
    socket_->setProxy(QNetworkProxy::NoProxy);
    if (!socket_->bind(QHostAddress(QHostAddress::AnyIPv4), 0, QUdpSocket::ShareAddress)) {
        socket_.reset();
        return false;
    }
    connect(socket_.get(), &QUdpSocket::readyRead, this, &CLanSearch::OnReadyRead);
    // What the first requests of any exchange are: the same for every target.
    const std::vector<Datagram> requests =
        ServerExchange({Ask::Info}, settings_.options.dialect, ServerDialect::Unknown).Requests();
    for (const std::string& target : targets) {
        QHostAddress host;
        if (!host.setAddress(QString::fromStdString(GetHost(target))) ||
            host.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const bool onePort = target.find(':') != std::string::npos;
        const int first = onePort ? GetPort(target) : kLanFirstPort;
        const int last = onePort ? first : kLanLastPort;
        if (first <= 0 || last > 65535)
            continue;
        for (const LanAsk& ask : LanAsksOf(host.toIPv4Address(), first, last, networks))
            asks_.push_back(ask);
        for (int port = first; port <= last; ++port) {
            for (const Datagram& d : requests)
                SendTo(d, host.toIPv4Address(), port);
        }
    }
    clock_.start();
    timer_.start(settings_.TimeoutMs());
    return true;
}

void CLanSearch::SendTo(const Datagram& datagram, uint32_t host, int port)
{
    socket_->writeDatagram(reinterpret_cast<const char*>(datagram.data()), static_cast<qint64>(datagram.size()),
                           QHostAddress(host), static_cast<quint16>(port));
}

void CLanSearch::OnReadyRead()
{
    for (int n = 0; socket_ && n < CQueryUdpSocket::kDatagramsPerWake && socket_->hasPendingDatagrams(); ++n) {
        Datagram reply(CQueryUdpSocket::kReceiveLimit);
        QHostAddress from;
        quint16 port = 0;
        const qint64 got =
            socket_->readDatagram(reinterpret_cast<char*>(reply.data()), CQueryUdpSocket::kReceiveLimit, &from, &port);
        reply.resize(got > 0 ? static_cast<size_t>(got) : 0);
        const uint32_t host = from.toIPv4Address();
        if (!MayAnswerLan(asks_, host, port))
            continue;
        const std::string address = QHostAddress(host).toString().toStdString() + ":" + std::to_string(port);
        auto it = senders_.find(address);
        if (it == senders_.end()) {
            if (static_cast<int>(senders_.size()) >= kMaxSenders)
                continue;
            it = senders_
                     .emplace(
                         address,
                         Sender{ServerExchange({Ask::Info}, settings_.options.dialect, ServerDialect::Unknown), false})
                     .first;
        }
        Sender& sender = it->second;
        std::vector<Datagram> resend;
        const auto answer = sender.exchange.Take(reply.data(), reply.size(), resend);
        for (const Datagram& d : resend)
            SendTo(d, host, port);
        InfoReply info;
        if (!answer || !DecodeAnyInfo(answer->reply, info) || sender.told || found_ >= kMaxServers ||
            settings_.options.IsHidden(address))
            continue;
        sender.told = true;
        ++found_;
        Q_EMIT found(address, info, clock_.elapsed(), sender.exchange.Dialect());
    }
}

void CLanSearch::OnTimeout()
{
    const int found = found_;
    Stop();
    Q_EMIT ended(found);
}
