// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/slot_watch.h"

#include "core/address.h"
#include "core/numbers.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"

#include <algorithm>

namespace {

// A classic info reply cut short still reads, but "\max\1" of "\max\16" would be a free slot:
// only one whose text ends inside the bytes counts. The A2S decoders see a cut count themselves.
bool Whole(const Datagram& reply)
{
    if (ClassifyReply(reply.data(), reply.size()) != ReplyKind::Info)
        return true;
    const auto text = reply.begin() + 4 + static_cast<std::ptrdiff_t>(kInfoReplyWord.size()) + 1;
    return std::find(text, reply.end(), 0) != reply.end();
}

} // namespace

CSlotWatch::CSlotWatch(AppSettings& settings, ServerStore* store, QObject* parent)
    : QObject(parent), settings_(settings), store_(store), socket_(std::make_unique<CQueryUdpSocket>())
{
    setObjectName("CSlotWatch");
    connect(socket_.get(), &QUdpSocket::readyRead, this, &CSlotWatch::OnReadyRead);
    connect(&askTimer_, &QTimer::timeout, this, &CSlotWatch::Ask);
    connect(&resends_.timer, &QTimer::timeout, this, &CSlotWatch::OnResend);
    silenceTimer_.setSingleShot(true);
    connect(&silenceTimer_, &QTimer::timeout, this, &CSlotWatch::OnSilence);
}

CSlotWatch::~CSlotWatch()
{
    Stop();
}

void CSlotWatch::SetIntervals(int askMs, int silenceMs)
{
    askMs_ = std::max(1, askMs);
    silenceMs_ = std::max(1, silenceMs);
}

void CSlotWatch::Start(const std::string& address)
{
    Stop();
    // A relayed server cannot be asked: the menu never offers it, and nothing is sent if asked.
    if (IsRelayedAddress(address))
        return;
    ++session_;
    active_ = true;
    address_ = address;
    challenges_ = {};
    socket_->Reconnect(address);
    socket_->splitWaitMs = settings_.TimeoutMs();
    askTimer_.start(askMs_);
    silenceTimer_.start(silenceMs_);
    Ask();
}

void CSlotWatch::Stop()
{
    ++session_;
    active_ = false;
    address_.clear();
    socket_->Close();
    exchange_.reset();
    askTimer_.stop();
    resends_.Stop();
    silenceTimer_.stop();
}

void CSlotWatch::Ask()
{
    if (!active_)
        return;
    const ToolOptions& options = settings_.options;
    exchange_.emplace(std::vector<::Ask>{::Ask::Info}, options.dialect, KnownDialect(options, address_), challenges_);
    socket_->SendAll(exchange_->Requests());
    // The re-sends fit before the next ask, whatever time-out the user chose.
    const int window = std::min(settings_.TimeoutMs(), askMs_);
    resends_.Start(options.dialect, window);
}

void CSlotWatch::OnResend()
{
    if (resends_.Due(!exchange_ || exchange_->AllAnswered()))
        socket_->SendAll(exchange_->Requests());
}

void CSlotWatch::OnSilence()
{
    const std::string address = address_;
    Stop();
    Q_EMIT silent(address);
}

void CSlotWatch::OnReadyRead()
{
    // The socket is connected: the system hands it the watched server's datagrams alone.
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket_->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = socket_->ReceiveOne();
        if (!exchange_)
            continue; // answered already; a copy tells nothing new
        std::vector<std::vector<unsigned char>> resend;
        const auto answer = exchange_->Take(reply.data(), reply.size(), resend);
        if (!resend.empty()) {
            challenges_ = exchange_->ChallengesHeld();
            socket_->SendAll(resend);
        }
        InfoReply info;
        if (!answer || !Whole(answer->reply) || !DecodeAnyInfo(answer->reply, info))
            continue;
        RememberDialect(settings_.options, address_, exchange_->Dialect());
        if (store_)
            store_->TakeReply(address_,
                              {.name = info.name, .map = info.map, .players = info.players, .info = info.info});
        exchange_.reset();
        resends_.Stop();
        if (!Hear(info.players, info.name))
            return;
    }
}

bool CSlotWatch::Hear(const std::string& players, const std::string& serverName)
{
    // "current/max"; a server that leaves out either count has no slot to give.
    const size_t slash = players.find('/');
    const bool counted = slash != std::string::npos && slash > 0 && slash + 1 < players.size();
    const int current = counted ? ReadNumber(players.substr(0, slash)) : 0;
    const int maximum = counted ? ReadNumber(players.substr(slash + 1)) : 0;
    const std::string address = address_;
    const uint64_t session = session_;
    silenceTimer_.start(silenceMs_);
    Q_EMIT heard(address, current, maximum, serverName);
    if (session != session_)
        return false;
    if (current < 0 || current >= maximum)
        return true;
    Stop();
    Q_EMIT slotFreed(address);
    return false;
}
