// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/detail_query.h"

#include "core/address.h"
#include "platform/platform.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"

CDetailQuery::CDetailQuery(AppSettings& settings, ServerStore& store, const Use& use, QObject* parent)
    : QObject(parent), settings_(settings), store_(store), use_(use), socket_(std::make_unique<CDetailSocket>())
{
    setObjectName("CDetailQuery");
    connect(socket_.get(), &QUdpSocket::readyRead, this, &CDetailQuery::OnReadyRead);
    timeoutTimer_.setSingleShot(true);
    connect(&timeoutTimer_, &QTimer::timeout, this, &CDetailQuery::OnTimeout);
    connect(&resends_.timer, &QTimer::timeout, this, &CDetailQuery::OnResend);
}

CDetailQuery::~CDetailQuery()
{
    Close();
}

void CDetailQuery::Close()
{
    socket_->Close();
    exchange_.reset();
    timeoutTimer_.stop();
    resends_.Stop();
}

void CDetailQuery::QuerySelected(const std::string& address)
{
    // A relayed server answers no datagram: its lists stay empty, and nothing is sent to it.
    if (IsRelayedAddress(address)) {
        Close();
        Q_EMIT playersReceived({});
        Q_EMIT rulesReceived({});
        return;
    }
    Q_EMIT detailsRequested();
    socket_->Reconnect(address);
    const platform::ClockTime sent = platform::UtcNow();
    sendTime_ = SendTimeText(sent);
    if (use_.remember)
        StampSendTime(*store_.FindOrCreateRecord(address), sent);
    infoTold_ = pingTold_ = emptyShown_ = false;
    const ToolOptions& options = settings_.options;
    exchange_.emplace(std::vector<Ask>(use_.asks.begin(), use_.asks.end()), options.dialect,
                      KnownDialect(options, address), use_.remember ? challenges_[address] : Challenges{});
    // In the classic dialect alone these are the classic words in the order of the use, as
    // they always went out.
    if (use_.pingFirst)
        socket_->SendPacket(kPingCommand);
    socket_->SendAll(exchange_->Requests());
    if (!use_.pingFirst)
        socket_->SendPacket(kPingCommand);
    if (!use_.timed)
        return;
    const int timeout = settings_.TimeoutMs();
    socket_->splitWaitMs = timeout;
    timeoutTimer_.start(timeout);
    resends_.Start(options.dialect, timeout);
}

void CDetailQuery::OnResend()
{
    if (resends_.Due(!exchange_ || exchange_->AllAnswered()))
        socket_->SendAll(exchange_->Requests());
}

void CDetailQuery::OnTimeout()
{
    resends_.Stop();
    if (!exchange_)
        return;
    const bool players = !exchange_->Answered(Ask::Players) && !emptyShown_;
    const bool rules = !exchange_->Answered(Ask::Rules);
    if (players || rules)
        Q_EMIT detailsTimedOut(players, rules);
}

void CDetailQuery::OnReadyRead()
{
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket_->hasPendingDatagrams(); ++n) {
        const platform::ClockTime received = platform::UtcNow();
        const std::vector<unsigned char> reply = socket_->ReceiveOne();
        socket_->outstanding = false;
        const std::string address = socket_->PeerText();
        if (ClassifyReply(reply.data(), reply.size()) != ReplyKind::Ping) {
            Take(reply, address);
            continue;
        }
        if (use_.remember)
            TakePingIntoRecord(address, received);
        if (!pingTold_) {
            pingTold_ = true;
            Q_EMIT pingReceived(PingAfter(sendTime_, received));
        }
    }
}

void CDetailQuery::Take(const std::vector<unsigned char>& reply, const std::string& address)
{
    if (!exchange_)
        return;
    std::vector<std::vector<unsigned char>> resend;
    const auto answer = exchange_->Take(reply.data(), reply.size(), resend);
    // Also past the re-send bound: a challenge the server refused is not the next query's.
    if (use_.remember)
        challenges_[address] = exchange_->ChallengesHeld();
    socket_->SendAll(resend);
    if (!answer)
        return;
    const Datagram& bytes = answer->reply;
    switch (answer->ask) {
    case Ask::Players:
        Q_EMIT playersReceived(DecodePlayers(bytes.data(), bytes.size()));
        break;
    case Ask::Rules:
        Q_EMIT rulesReceived(DecodeRules(bytes.data(), bytes.size()));
        break;
    case Ask::Info:
        TakeInfo(bytes, address);
        break;
    }
}

void CDetailQuery::TakeInfo(const Datagram& bytes, const std::string& address)
{
    InfoReply info;
    if (!DecodeAnyInfo(bytes, info))
        return;
    if (use_.remember) {
        RememberDialect(settings_.options, address, exchange_->Dialect());
        TakeIntoRecord(address, info);
    }
    if (!infoTold_) {
        infoTold_ = true;
        Q_EMIT infoReceived(address, info);
    }
    // Many servers send no players at all while nobody is on them: an empty list is what they
    // have, not a failure.
    if (InfoSaysEmpty(info) && !exchange_->Answered(Ask::Players) && !emptyShown_) {
        emptyShown_ = true;
        Q_EMIT playersReceived({});
    }
}

void CDetailQuery::TakeIntoRecord(const std::string& address, const InfoReply& info)
{
    // The ping is the round trip's, not the info's.
    store_.TakeReply(address, {.name = info.name, .map = info.map, .players = info.players, .info = info.info});
}

void CDetailQuery::TakePingIntoRecord(const std::string& address, const platform::ClockTime& received)
{
    const std::string& ping = store_.FindOrCreateRecord(address)->ping;
    // Timed already (a copy of the answer), or by a refresh meanwhile.
    if (ping.find('-') != std::string::npos)
        store_.TakeReply(address, {.ping = PingAfter(ping, received)});
}
