// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/master_set.h"

#include "query/master_lookup.h"
#include "query/master_pager.h"
#include "query/query_sockets.h"

#include <algorithm>

struct CMasterSet::Master {
    enum class State { Idle, LookingUp, Asked, Answered, Silent, NotFound };

    std::string text;
    std::string peer; // "a.b.c.d:port" once its name is resolved
    CMasterSocket socket;
    CMasterPager pager;
    CMasterLookup lookup;
    State state = State::Idle;
    int pages = 0; // list pages this fetch has taken from it
};

CMasterSet::CMasterSet(QObject* parent) : QObject(parent)
{
    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, &CMasterSet::settled);
}

CMasterSet::~CMasterSet()
{
    CancelLookups();
}

CMasterSet::Master& CMasterSet::Take(std::vector<std::unique_ptr<Master>>& old, const std::string& text)
{
    const auto known = std::find_if(old.begin(), old.end(), [&](const auto& m) { return m && m->text == text; });
    if (known != old.end()) {
        masters_.push_back(std::move(*known));
        return *masters_.back();
    }
    auto master = std::make_unique<Master>();
    Master* m = master.get();
    m->text = text;
    connect(&m->socket, &QUdpSocket::readyRead, this, [this, m] { OnReadyRead(*m); });
    connect(&m->pager, &CMasterPager::silent, this, [this, m] { OnSilent(*m); });
    connect(&m->pager, &CMasterPager::waiting, this, &CMasterSet::waiting);
    masters_.push_back(std::move(master));
    return *m;
}

void CMasterSet::Start(const std::vector<std::string>& texts, const Fetch& fetch)
{
    Stop();
    fetch_ = fetch;
    std::vector<std::unique_ptr<Master>> old = std::move(masters_);
    masters_.clear();
    for (const std::string& text : texts) {
        const bool repeated =
            std::any_of(masters_.begin(), masters_.end(), [&](const auto& m) { return m->text == text; });
        if (!text.empty() && !repeated) {
            Master& m = Take(old, text);
            m.state = Master::State::LookingUp;
            m.peer.clear();
        }
    }
    waitTimer_.start(std::max(fetch.timeoutMs, CMasterPager::kMinTimeoutMs) * kWaitRounds);
    // Indexes, not iterators: a dotted address is asked at once, and what that tells the owner
    // may end this fetch (Stop) before the next master is looked up.
    for (size_t i = 0; i < masters_.size() && waitTimer_.isActive(); ++i) {
        Master* m = masters_[i].get();
        if (m->state != Master::State::LookingUp)
            continue;
        m->lookup.Start(
            m->text, [this, m](const std::string& host, int port) { Ask(*m, host, port); },
            [this, m] { GiveUp(*m, false); });
    }
}

void CMasterSet::Ask(Master& master, const std::string& host, int port)
{
    master.peer = host + ":" + std::to_string(port);
    // Two names of one master: it is asked once.
    const bool named = std::any_of(masters_.begin(), masters_.end(), [&](const auto& m) {
        return m.get() != &master && m->peer == master.peer && m->state != Master::State::LookingUp;
    });
    if (named) {
        GiveUp(master, false);
        return;
    }
    const bool first = std::none_of(masters_.begin(), masters_.end(), [](const auto& m) {
        return m->state == Master::State::Asked || m->state == Master::State::Answered ||
               m->state == Master::State::Silent;
    });
    // Told first: a request the limit holds back replaces at once what the owner shows for it.
    if (first)
        Q_EMIT asking();
    master.state = Master::State::Asked;
    if (!master.socket.Reconnect(master.peer)) {
        GiveUp(master, false);
        return;
    }
    master.pager.Start(&master.socket, fetch_.flavour, fetch_.gameDir, fetch_.timeoutMs, fetch_.paging);
    Q_EMIT asked();
}

void CMasterSet::OnReadyRead(Master& master)
{
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && master.socket.hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = master.socket.ReceiveOne();
        // Anything but a list page is no list; and however many pages a master sends, one fetch
        // takes only so many.
        if (!IsMasterReply(reply.data(), reply.size()) || master.pages >= kMaxPages)
            continue;
        ++master.pages;
        master.state = Master::State::Answered;
        const std::vector<std::string> addresses = DecodeMasterList(fetch_.flavour, reply.data(), reply.size());
        if (master.pages < kMaxPages)
            master.pager.Page(reply, addresses);
        Q_EMIT page(addresses);
    }
}

void CMasterSet::OnSilent(Master& master)
{
    // A master that has sent pages simply ends its list with them.
    if (master.pages > 0)
        return;
    master.state = Master::State::Silent;
    GiveUp(master, true);
}

void CMasterSet::GiveUp(Master& master, bool afterAsking)
{
    if (!afterAsking) {
        master.state = Master::State::NotFound;
        Q_EMIT asked();
    }
    const bool allGone = std::all_of(masters_.begin(), masters_.end(), [](const auto& m) {
        return m->state == Master::State::Silent || m->state == Master::State::NotFound;
    });
    const bool anyAsked =
        std::any_of(masters_.begin(), masters_.end(), [](const auto& m) { return m->state == Master::State::Silent; });
    if (allGone && anyAsked)
        Q_EMIT silent();
    else
        Q_EMIT settled();
}

void CMasterSet::CancelLookups()
{
    for (auto& m : masters_)
        m->lookup.Cancel();
}

void CMasterSet::Stop()
{
    // A name resolved from now on must not send a request for a fetch that is over.
    CancelLookups();
    waitTimer_.stop();
    for (auto& m : masters_) {
        m->pager.Stop();
        m->pages = 0;
    }
}

void CMasterSet::Close()
{
    for (auto& m : masters_)
        m->socket.Close();
}

bool CMasterSet::anyPage() const
{
    return std::any_of(masters_.begin(), masters_.end(), [](const auto& m) { return m->pages > 0; });
}

bool CMasterSet::awaited() const
{
    return waitTimer_.isActive() && std::any_of(masters_.begin(), masters_.end(), [](const auto& m) {
               return m->state == Master::State::LookingUp || m->state == Master::State::Asked;
           });
}
