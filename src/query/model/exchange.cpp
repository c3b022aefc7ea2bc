// SPDX-License-Identifier: GPL-3.0-or-later
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

std::vector<Ask> ServerExchange::A2sOrder() const
{
    // A2S_PLAYER last: a server that ignores it while it is empty then leaves the 'A's of the
    // requests before it in the order they were asked, so each challenge finds its request.
    std::vector<Ask> order = asks_;
    std::stable_partition(order.begin(), order.end(), [](Ask a) { return a != Ask::Players; });
    return order;
}

Datagram ServerExchange::SendA2s(Ask ask)
{
    if (sent_.size() >= kMaxSent)
        sent_.pop_front();
    sent_.push_back(Sent{ask, challenges_[Index(ask)]});
    return A2sRequest(ask);
}

std::vector<Datagram> ServerExchange::Requests()
{
    requested_ = true;
    std::vector<Datagram> out;
    // One dialect at a time, but for the A2S info probe beside the classic words.
    if (SendsClassic()) {
        for (Ask ask : asks_) {
            if (!Answered(ask))
                out.push_back(BuildPacket(ClassicWord(ask)));
        }
    } else {
        for (Ask ask : A2sOrder()) {
            if (!Answered(ask))
                out.push_back(SendA2s(ask));
        }
    }
    if (Probing() && !AllAnswered())
        out.push_back(SendA2s(Ask::Info));
    return out;
}

void ServerExchange::TakeChallenge(int32_t challenge, std::vector<Datagram>& send)
{
    // The reply does not say which request it refuses. A server answers in the order it was
    // asked, so it is the oldest request still waiting; one that carried this very challenge
    // was not refused for it (a copy of an 'A' already answered finds none).
    const auto it = std::find_if(sent_.begin(), sent_.end(), [&](const Sent& s) { return s.challenge != challenge; });
    if (it == sent_.end())
        return;
    const Sent refused = *it;
    sent_.erase(it);
    // The server has replaced the challenge it refused: none of the requests carries it again,
    // neither at a re-send nor in the next query that starts from what is held. A request still
    // waiting without one takes it too, for its re-send: a server hands one client one
    // challenge, and one that ignores a request (A2S_PLAYER on an empty server) leaves its
    // 'A's one short, so the order alone can miss a request.
    for (std::size_t k = 0; k < kAskKinds; ++k) {
        std::optional<int32_t>& held = challenges_[k];
        const bool waiting = std::any_of(sent_.begin(), sent_.end(), [k](const Sent& s) { return Index(s.ask) == k; });
        if ((refused.challenge && held == refused.challenge) || (!held && waiting))
            held = challenge;
    }
    const std::size_t i = Index(refused.ask);
    challenges_[i] = challenge;
    if (resends_[i] >= kMaxChallengeResends)
        return;
    ++resends_[i];
    send.push_back(SendA2s(refused.ask));
}

void ServerExchange::Settle(Ask ask)
{
    answered_[Index(ask)] = true;
    std::erase_if(sent_, [ask](const Sent& s) { return s.ask == ask; });
}

std::optional<ServerExchange::Answer> ServerExchange::Take(const unsigned char* data, std::size_t len,
                                                           std::vector<Datagram>& send)
{
    if (!requested_)
        Requests();
    const A2sReply a2s = ClassifyA2s(data, len);
    if (a2s == A2sReply::Challenge) {
        int32_t challenge = 0;
        if (!SendsA2s() || !DecodeChallenge(data, len, challenge))
            return std::nullopt;
        TakeChallenge(challenge, send);
        return std::nullopt;
    }
    if (a2s == A2sReply::SourceInfo || a2s == A2sReply::GoldSrcInfo) {
        InfoReply probe;
        if (!SendsA2s() || !DecodeA2sInfo(data, len, probe))
            return std::nullopt;
        const bool probed = Probing();
        dialect_ = ServerDialect::A2s;
        // The info request waits no more, also when it only probed.
        std::erase_if(sent_, [](const Sent& s) { return s.ask == Ask::Info; });
        // What was asked only the classic way goes out again in the dialect the server speaks.
        if (probed) {
            for (Ask ask : A2sOrder()) {
                if (ask != Ask::Info && !Answered(ask))
                    send.push_back(SendA2s(ask));
            }
        }
        if (!Asked(Ask::Info))
            return std::nullopt;
        Settle(Ask::Info);
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
    Settle(ask);
    return Answer{ask, kind, Datagram(data, data + len)};
}
