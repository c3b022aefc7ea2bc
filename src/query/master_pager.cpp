// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/master_pager.h"

#include "query/query_sockets.h"

#include <QDeadlineTimer>
#include <algorithm>

namespace {

constexpr qint64 kMinuteMs = 60000;

qint64 NowMs()
{
    return QDeadlineTimer::current().deadline();
}

} // namespace

CMasterPager::CMasterPager(QObject* parent) : QObject(parent)
{
    sendTimer_.setSingleShot(true);
    connect(&sendTimer_, &QTimer::timeout, this, &CMasterPager::Send);
    timeoutTimer_.setSingleShot(true);
    connect(&timeoutTimer_, &QTimer::timeout, this, &CMasterPager::OnTimeout);
}

void CMasterPager::Start(CQueryUdpSocket* socket, MasterFlavour flavour, const std::string& gameDir, int timeoutMs,
                         bool paging)
{
    Stop();
    socket_ = socket;
    flavour_ = flavour;
    gameDir_ = gameDir;
    timeoutMs_ = std::max(timeoutMs, kMinTimeoutMs);
    paging_ = paging;
    Send();
}

void CMasterPager::Stop()
{
    sendTimer_.stop();
    timeoutTimer_.stop();
    seed_ = "0.0.0.0:0";
    resent_ = false;
    awaiting_ = false;
    held_ = false;
    requests_ = 0;
    pages_ = 0;
    seen_.clear();
}

void CMasterPager::Send()
{
    if (!socket_)
        return;
    // The master's limit counts every request of the last minute, re-sends included.
    const qint64 now = NowMs();
    while (!sentAt_.empty() && now - sentAt_.front() >= kMinuteMs)
        sentAt_.pop_front();
    if (static_cast<int>(sentAt_.size()) >= kMaxRequestsPerMinute) {
        sendTimer_.start(static_cast<int>(kMinuteMs - (now - sentAt_.front())) + 1);
        held_ = true;
        Q_EMIT waiting(true);
        return;
    }
    const bool waited = held_;
    held_ = false;
    sentAt_.push_back(now);
    ++requests_;
    awaiting_ = true;
    socket_->SendBytes(BuildMasterRequest(flavour_, gameDir_, seed_));
    if (paging_)
        timeoutTimer_.start(timeoutMs_);
    if (waited)
        Q_EMIT waiting(false);
}

void CMasterPager::Page(const Datagram& page, const std::vector<std::string>& addresses)
{
    ++pages_;
    timeoutTimer_.stop();
    resent_ = false;
    // One page answers one request: pages the master sends of its own ask for nothing more.
    const bool answers = awaiting_;
    awaiting_ = false;
    // A master that answers every seed with the same page would otherwise be asked until the
    // limit is spent, and the next Update would wait a minute for it.
    bool anyNew = false;
    for (const std::string& address : addresses)
        anyNew = seen_.insert(address).second || anyNew;
    if (!answers || !paging_ || flavour_ != MasterFlavour::Steam || addresses.empty() ||
        MasterPageEndsList(page.data(), page.size()) || !anyNew || addresses.back() == seed_)
        return;
    seed_ = addresses.back();
    Send();
}

void CMasterPager::OnTimeout()
{
    if (!resent_) {
        resent_ = true;
        Send();
        return;
    }
    Q_EMIT silent();
}
