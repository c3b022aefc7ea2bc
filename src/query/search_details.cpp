#include "query/search_details.h"

#include "platform/platform.h"
#include "query/query_sockets.h"

CSearchDetailQuery::CSearchDetailQuery(QObject* parent)
    : QObject(parent), socket_(std::make_unique<CSearchInfoSocket>())
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
    for (std::string_view command : {kInfoCommand, kRulesCommand, kPlayersCommand, kPingCommand})
        socket_->SendPacket(command);
}

void CSearchDetailQuery::OnReadyRead()
{
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket_->hasPendingDatagrams(); ++n) {
        const platform::ClockTime received = platform::UtcNow();
        const std::vector<unsigned char> reply = socket_->ReceiveOne();
        socket_->outstanding = false;
        switch (ClassifyReply(reply.data(), reply.size())) {
        case ReplyKind::Players:
            Q_EMIT playersReceived(DecodePlayers(reply.data(), reply.size()));
            break;
        case ReplyKind::Rules:
            Q_EMIT rulesReceived(DecodeRules(reply.data(), reply.size()));
            break;
        case ReplyKind::Info: {
            InfoReply info;
            if (!infoDone_ && DecodeInfo(reply.data(), reply.size(), info)) {
                infoDone_ = true;
                Q_EMIT infoReceived(socket_->PeerText(), info);
            }
            break;
        }
        case ReplyKind::Ping:
            if (!pingDone_) {
                pingDone_ = true;
                Q_EMIT pingReceived(PingAfter(sendTime_, received));
            }
            break;
        default:
            break;
        }
    }
}
