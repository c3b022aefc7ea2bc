#include "query/detail_query.h"

#include "platform/platform.h"
#include "query/query_sockets.h"
#include "settings/server_store.h"

CDetailQuery::CDetailQuery(ServerStore& store, QObject* parent)
    : QObject(parent), store_(store), socket_(std::make_unique<CDetailSocket>())
{
    setObjectName("CDetailQuery");
    connect(socket_.get(), &QUdpSocket::readyRead, this, &CDetailQuery::OnReadyRead);
}

CDetailQuery::~CDetailQuery()
{
    Close();
}

void CDetailQuery::Close()
{
    socket_->Close();
}

void CDetailQuery::QuerySelected(const std::string& address)
{
    Q_EMIT detailsRequested();
    socket_->Reconnect(address);
    StampSendTime(*store_.FindOrCreateRecord(address));
    for (std::string_view command : {kPingCommand, kPlayersCommand, kRulesCommand, kInfoCommand})
        socket_->SendPacket(command);
}

void CDetailQuery::ChangeRows(const std::string& address, const ServerRowChange& change)
{
    Q_EMIT serverRowsChanged(ServerList::Servers, address, change);
    Q_EMIT serverRowsChanged(ServerList::Favorites, address, change);
}

void CDetailQuery::OnReadyRead()
{
    for (int n = 0; n < CQueryUdpSocket::kDatagramsPerWake && socket_->hasPendingDatagrams(); ++n) {
        const platform::ClockTime received = platform::UtcNow();
        const std::vector<unsigned char> reply = socket_->ReceiveOne();
        socket_->outstanding = false;
        const std::string address = socket_->PeerText();
        switch (ClassifyReply(reply.data(), reply.size())) {
        case ReplyKind::Players:
            Q_EMIT playersReceived(DecodePlayers(reply.data(), reply.size()));
            break;
        case ReplyKind::Rules:
            Q_EMIT rulesReceived(DecodeRules(reply.data(), reply.size()));
            break;
        case ReplyKind::Info: {
            InfoReply info;
            if (!DecodeInfo(reply.data(), reply.size(), info))
                break;
            ChangeRows(address, ServerRowChange{info.name, info.map, std::nullopt, info.players});
            ServerRecord* record = store_.FindOrCreateRecord(address);
            record->name = info.name;
            record->map = info.map;
            record->players = info.players;
            record->info = info.info;
            break;
        }
        case ReplyKind::Ping: {
            ServerRecord* record = store_.FindOrCreateRecord(address);
            if (record->ping.find('-') == std::string::npos)
                break;
            ComputePing(*record, received);
            ServerRowChange change;
            change.ping = record->ping;
            ChangeRows(address, change);
            break;
        }
        default:
            break;
        }
    }
}
