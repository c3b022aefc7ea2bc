// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"
#include "query/model/exchange.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<Ask, kAskKinds> kAllAsks = {Ask::Info, Ask::Players, Ask::Rules};

size_t Index(Ask ask)
{
    return static_cast<size_t>(ask);
}

bool IsA2sHeader(const Datagram& d)
{
    return d.size() >= 5 && d[0] == 0xFF && d[1] == 0xFF && d[2] == 0xFF && d[3] == 0xFF;
}

// The request kind of an A2S request ('T', 'U', 'V'); false for anything else.
bool A2sKind(const Datagram& d, Ask& ask)
{
    if (!IsA2sHeader(d))
        return false;
    switch (d[4]) {
    case 'T':
        ask = Ask::Info;
        return d == BuildA2sInfo() || (d.size() == 29 && Datagram(d.begin(), d.end() - 4) == BuildA2sInfo());
    case 'U':
        ask = Ask::Players;
        return d.size() == 9;
    case 'V':
        ask = Ask::Rules;
        return d.size() == 9;
    default:
        return false;
    }
}

// The classic word a request asks for; false when it is none of the three.
bool ClassicKind(const Datagram& d, Ask& ask)
{
    for (Ask a : kAllAsks) {
        const std::string_view word = a == Ask::Players ? kPlayersCommand
                                      : a == Ask::Rules ? kRulesCommand
                                                        : kInfoCommand;
        if (d == BuildPacket(word)) {
            ask = a;
            return true;
        }
    }
    return false;
}

// The challenge an A2S request carries (the last four bytes); none for an info request without one.
std::optional<int32_t> CarriedChallenge(const Datagram& d)
{
    if (d.size() < 9 || (d[4] == 'T' && d.size() != 29))
        return std::nullopt;
    const size_t at = d.size() - 4;
    return static_cast<int32_t>(uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
                                uint32_t(d[at + 3]) << 24);
}

struct Setup {
    std::vector<Ask> asks;
    QueryDialect setting = QueryDialect::Automatic;
    ServerDialect known = ServerDialect::Unknown;
    Challenges challenges;
};

// The first byte: which requests (bits 0-2, in one of two orders by bit 3), the user's dialect
// (bits 4-5), what the server answered in before (bit 6) and whether challenges of an earlier
// query are held (bit 7).
Setup ReadSetup(uint8_t b)
{
    Setup s;
    for (size_t i = 0; i < kAskKinds; ++i) {
        const Ask ask = kAllAsks[(b & 8) ? kAskKinds - 1 - i : i];
        if (b & (1u << Index(ask)))
            s.asks.push_back(ask);
    }
    const int setting = (b >> 4) & 3;
    s.setting = setting == 1 ? QueryDialect::Classic : setting == 2 ? QueryDialect::A2s : QueryDialect::Automatic;
    s.known = (b & 0x40) ? ((b & 1) ? ServerDialect::A2s : ServerDialect::Classic) : ServerDialect::Unknown;
    if (b & 0x80)
        s.challenges = {0x11111111, 0x22222222, 0x33333333};
    return s;
}

bool Contains(const std::vector<Ask>& asks, Ask ask)
{
    return std::find(asks.begin(), asks.end(), ask) != asks.end();
}

// What Requests() gives, as at a timed re-send: only what is still open, in the dialect the
// exchange speaks.
void CheckRequests(ServerExchange& exchange, const Setup& setup)
{
    for (const Datagram& d : exchange.Requests()) {
        Ask ask = Ask::Info;
        if (ClassicKind(d, ask)) {
            FUZZ_CHECK(exchange.Dialect() != ServerDialect::A2s);
            FUZZ_CHECK(Contains(setup.asks, ask) && !exchange.Answered(ask));
        } else {
            FUZZ_CHECK(A2sKind(d, ask));
            FUZZ_CHECK(exchange.Dialect() != ServerDialect::Classic);
            // The info request also probes a server whose dialect is not known yet.
            const bool probe = ask == Ask::Info && exchange.Dialect() == ServerDialect::Unknown;
            FUZZ_CHECK(probe || (Contains(setup.asks, ask) && !exchange.Answered(ask)));
        }
    }
}

} // namespace

// One exchange with a server that answers anything at all: the input's first byte sets the
// query up, the rest is cut into datagrams, each led by its length byte. Whatever comes, every
// request kind is re-sent for a challenge at most kMaxChallengeResends times, with that
// challenge; an answer is only ever one to a request asked, of that kind, and the dialect, once
// the server has shown it, never changes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const Setup setup = ReadSetup(data[0]);
    ServerExchange exchange(setup.asks, setup.setting, setup.known, setup.challenges);
    std::array<int, kAskKinds> challengeResends{};
    std::array<int, kAskKinds> allResends{};
    ServerDialect dialect = exchange.Dialect();
    FUZZ_CHECK(setup.setting != QueryDialect::Classic || dialect == ServerDialect::Classic);
    FUZZ_CHECK(setup.setting != QueryDialect::A2s || dialect == ServerDialect::A2s);
    CheckRequests(exchange, setup);

    size_t pos = 1;
    while (pos < size) {
        const size_t len = std::min<size_t>(data[pos], size - pos - 1);
        const uint8_t* reply = data + pos + 1;
        pos += 1 + len;

        std::vector<Datagram> send;
        const bool probing = exchange.Dialect() == ServerDialect::Unknown;
        const std::optional<ServerExchange::Answer> answer = exchange.Take(reply, len, send);

        int32_t challenge = 0;
        const bool isChallenge = DecodeChallenge(reply, len, challenge);
        for (const Datagram& d : send) {
            Ask ask = Ask::Info;
            FUZZ_CHECK(A2sKind(d, ask));
            FUZZ_CHECK(setup.setting != QueryDialect::Classic);
            FUZZ_CHECK(Contains(setup.asks, ask) || (ask == Ask::Info && probing));
            ++allResends[Index(ask)];
            if (isChallenge) {
                ++challengeResends[Index(ask)];
                FUZZ_CHECK(CarriedChallenge(d) == challenge);
            }
        }
        for (Ask ask : kAllAsks) {
            FUZZ_CHECK(challengeResends[Index(ask)] <= ServerExchange::kMaxChallengeResends);
            // Beside those, one more when an info reply tells the dialect of a probed server.
            FUZZ_CHECK(allResends[Index(ask)] <= ServerExchange::kMaxChallengeResends + 1);
        }

        if (answer) {
            FUZZ_CHECK(Contains(setup.asks, answer->ask));
            FUZZ_CHECK(exchange.Answered(answer->ask));
            FUZZ_CHECK(answer->reply == Datagram(reply, reply + len));
            const ReplyKind classic = ClassifyReply(reply, len);
            const A2sReply a2s = ClassifyA2s(reply, len);
            switch (answer->ask) {
            case Ask::Info:
                FUZZ_CHECK(answer->kind == ReplyKind::Info);
                FUZZ_CHECK(classic == ReplyKind::Info || a2s == A2sReply::SourceInfo || a2s == A2sReply::GoldSrcInfo);
                FUZZ_CHECK(classic != ReplyKind::Info || setup.setting != QueryDialect::A2s);
                FUZZ_CHECK(classic == ReplyKind::Info || setup.setting != QueryDialect::Classic);
                break;
            case Ask::Players:
                FUZZ_CHECK(answer->kind == ReplyKind::Players && classic == ReplyKind::Players);
                break;
            case Ask::Rules:
                FUZZ_CHECK(answer->kind == ReplyKind::Rules && classic == ReplyKind::Rules);
                break;
            }
        } else {
            FUZZ_CHECK(!isChallenge || send.size() <= kAskKinds);
        }

        // Once the server has shown its dialect it keeps it.
        FUZZ_CHECK(dialect == ServerDialect::Unknown || exchange.Dialect() == dialect);
        dialect = exchange.Dialect();
        bool all = true;
        for (Ask ask : kAllAsks) {
            FUZZ_CHECK(!exchange.Answered(ask) || Contains(setup.asks, ask));
            all = all && (!Contains(setup.asks, ask) || exchange.Answered(ask));
        }
        FUZZ_CHECK(exchange.AllAnswered() == all);
        CheckRequests(exchange, setup);
    }
    return 0;
}
