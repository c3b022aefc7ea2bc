// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/search_details.h"

#include "platform/platform.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

CSearchDetailQuery::CSearchDetailQuery(const AppSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), socket_(std::make_unique<CSearchInfoSocket>())
{
    setObjectName("CSearchDetailQuery");
    connect(socket_.get(), &QUdpSocket::readyRead, this, &CSearchDetailQuery::OnReadyRead);
}

CSearchDetailQuery::~CSearchDetailQuery()
{
    Close();
}

void CSearchDetailQuery::Close()
{
    socket_->Close();
}

void CSearchDetailQuery::Query(const std::string& address)
{
    sendTime_ = SendTimeText(platform::UtcNow());
    infoDone_ = pingDone_ = false;
    socket_->Reconnect(address);
    const ToolOptions& options = settings_.options;
    exchange_.emplace(std::vector<Ask>{Ask::Info, Ask::Rules, Ask::Players}, options.dialect,
                      KnownDialect(options, address));
    if (options.dialect == QueryDialect::Classic) {
        for (std::string_view command : {kInfoCommand, kRulesCommand, kPlayersCommand, kPingCommand})
            socket_->SendPacket(command);
    } else {
        socket_->SendAll(exchange_->Requests());
        socket_->SendPacket(kPingCommand);
    }
}

void CSearchDetailQuery::OnReadyRead()
{
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket_->hasPendingDatagrams(); ++n) {
        const platform::ClockTime received = platform::UtcNow();
        const std::vector<unsigned char> reply = socket_->ReceiveOne();
        socket_->outstanding = false;
        if (ClassifyReply(reply.data(), reply.size()) == ReplyKind::Ping) {
            if (!pingDone_) {
                pingDone_ = true;
                Q_EMIT pingReceived(PingAfter(sendTime_, received));
            }
            continue;
        }
        if (!exchange_)
            continue;
        std::vector<std::vector<unsigned char>> resend;
        const auto answer = exchange_->Take(reply.data(), reply.size(), resend);
        socket_->SendAll(resend);
        if (!answer)
            continue;
        const Datagram& bytes = answer->reply;
        switch (answer->ask) {
        case Ask::Players:
            Q_EMIT playersReceived(DecodePlayers(bytes.data(), bytes.size()));
            break;
        case Ask::Rules:
            Q_EMIT rulesReceived(DecodeRules(bytes.data(), bytes.size()));
            break;
        case Ask::Info: {
            InfoReply info;
            if (!infoDone_ && DecodeAnyInfo(bytes, info)) {
                infoDone_ = true;
                Q_EMIT infoReceived(socket_->PeerText(), info);
                // A server that sends no players while it is empty would leave the list waiting.
                if (InfoSaysEmpty(info) && !exchange_->Answered(Ask::Players))
                    Q_EMIT playersReceived({});
            }
            break;
        }
        }
    }
}
