#include "query/model/exchange.h"

#include <algorithm>

namespace {

std::string_view ClassicWord(Ask ask)
{
    switch (ask) {
    case Ask::Players:
        return kPlayersCommand;
    case Ask::Rules:
        return kRulesCommand;
    default:
        return kInfoCommand;
    }
}

} // namespace

ServerDialect KnownDialect(const ToolOptions& options, const std::string& address)
{
    const auto it = options.serverDialects.find(address);
    if (it == options.serverDialects.end())
        return ServerDialect::Unknown;
    return it->second == QueryDialect::Classic ? ServerDialect::Classic
           : it->second == QueryDialect::A2s   ? ServerDialect::A2s
                                               : ServerDialect::Unknown;
}

void RememberDialect(ToolOptions& options, const std::string& address, ServerDialect dialect)
{
    if (dialect == ServerDialect::Classic)
        options.serverDialects[address] = QueryDialect::Classic;
    else if (dialect == ServerDialect::A2s)
        options.serverDialects[address] = QueryDialect::A2s;
}

ServerExchange::ServerExchange(std::vector<Ask> asks, QueryDialect setting, ServerDialect known, Challenges challenges)
    : asks_(std::move(asks)), setting_(setting), challenges_(challenges)
{
    // The user's choice of one dialect stands over what a server answered before.
    dialect_ = setting == QueryDialect::Classic ? ServerDialect::Classic
               : setting == QueryDialect::A2s   ? ServerDialect::A2s
                                                : known;
}

bool ServerExchange::Asked(Ask ask) const
{
    return std::find(asks_.begin(), asks_.end(), ask) != asks_.end();
}

bool ServerExchange::SendsClassic() const
{
    return dialect_ != ServerDialect::A2s;
}

bool ServerExchange::SendsA2s() const
{
    return dialect_ != ServerDialect::Classic;
}

bool ServerExchange::AllAnswered() const
{
    return std::all_of(asks_.begin(), asks_.end(), [this](Ask a) { return Answered(a); });
}

Datagram ServerExchange::A2sRequest(Ask ask) const
{
    const std::optional<int32_t>& challenge = challenges_[Index(ask)];
    switch (ask) {
    case Ask::Players:
        return BuildA2sPlayers(challenge.value_or(kAskForChallenge));
    case Ask::Rules:
        return BuildA2sRules(challenge.value_or(kAskForChallenge));
    default:
        return BuildA2sInfo(challenge);
    }
}

std::vector<Datagram> ServerExchange::Requests() const
{
    std::vector<Datagram> out;
    for (Ask ask : asks_) {
        if (Answered(ask))
            continue;
        if (SendsClassic())
            out.push_back(BuildPacket(ClassicWord(ask)));
        if (SendsA2s() && !Probing())
            out.push_back(A2sRequest(ask));
    }
    if (Probing() && !AllAnswered())
        out.push_back(A2sRequest(Ask::Info));
    return out;
}

std::optional<ServerExchange::Answer> ServerExchange::Take(const unsigned char* data, std::size_t len,
                                                           std::vector<Datagram>& send)
{
    const A2sReply a2s = ClassifyA2s(data, len);
    if (a2s == A2sReply::Challenge) {
        int32_t challenge = 0;
        if (!SendsA2s() || !DecodeChallenge(data, len, challenge))
            return std::nullopt;
        // The reply does not say which request it answers: every A2S request still open takes it.
        if (Probing()) {
            const std::size_t i = Index(Ask::Info);
            if (resends_[i] < kMaxChallengeResends) {
                challenges_[i] = challenge;
                ++resends_[i];
                send.push_back(A2sRequest(Ask::Info));
            }
            return std::nullopt;
        }
        for (Ask ask : asks_) {
            const std::size_t i = Index(ask);
            if (Answered(ask) || resends_[i] >= kMaxChallengeResends)
                continue;
            challenges_[i] = challenge;
            ++resends_[i];
            send.push_back(A2sRequest(ask));
        }
        return std::nullopt;
    }
    if (a2s == A2sReply::SourceInfo || a2s == A2sReply::GoldSrcInfo) {
        InfoReply probe;
        if (!SendsA2s() || !DecodeA2sInfo(data, len, probe))
            return std::nullopt;
        const bool probed = Probing();
        dialect_ = ServerDialect::A2s;
        // What was asked only the classic way goes out again in the dialect the server speaks.
        if (probed) {
            for (Ask ask : asks_) {
                if (ask != Ask::Info && !Answered(ask))
                    send.push_back(A2sRequest(ask));
            }
        }
        if (!Asked(Ask::Info))
            return std::nullopt;
        answered_[Index(Ask::Info)] = true;
        return Answer{Ask::Info, ReplyKind::Info, Datagram(data, data + len)};
    }
    const ReplyKind kind = ClassifyReply(data, len);
    Ask ask = Ask::Info;
    if (kind == ReplyKind::Players)
        ask = Ask::Players;
    else if (kind == ReplyKind::Rules)
        ask = Ask::Rules;
    else if (kind != ReplyKind::Info || !SendsClassic())
        return std::nullopt;
    if (!Asked(ask))
        return std::nullopt;
    if (kind == ReplyKind::Info) {
        InfoReply probe;
        if (!DecodeInfo(data, len, probe))
            return std::nullopt;
        dialect_ = ServerDialect::Classic;
    }
    answered_[Index(ask)] = true;
    return Answer{ask, kind, Datagram(data, data + len)};
}
