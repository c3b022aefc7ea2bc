// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/a2s.h"
#include "query/model/protocol.h"
#include "settings/tool_options.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// What one socket asks one server, in the dialect the server speaks, and what each reply means.
// Sockets and timers are the caller's; this only decides bytes.

enum class Ask { Info, Players, Rules };
inline constexpr std::size_t kAskKinds = 3;

// The dialect a server has answered in; Unknown until it answered an info request.
enum class ServerDialect { Unknown, Classic, A2s };

// The challenges a server handed out, per request kind; a new one replaces the old.
using Challenges = std::array<std::optional<int32_t>, kAskKinds>;

// What the options remember of the server's dialect, and remembering what it answered in.
ServerDialect KnownDialect(const ToolOptions& options, const std::string& address);
void RememberDialect(ToolOptions& options, const std::string& address, ServerDialect dialect);

class ServerExchange {
public:
    // A challenge is answered by a re-send at most this many times per request.
    static constexpr int kMaxChallengeResends = 3;

    // asks: what to ask (each once). setting: the user's choice of dialect; known: what the
    // server answered in before. In Automatic, a server of unknown dialect gets the classic
    // requests and one A2S info request beside them; an A2S info reply then fixes its dialect
    // and the asks not answered yet go out in A2S.
    ServerExchange(std::vector<Ask> asks, QueryDialect setting, ServerDialect known, Challenges challenges = {});

    // The requests to send, the first time and at each retry: those not answered yet. The
    // caller sends what it is given: the A2S ones wait for their challenge from then on. A
    // caller that sent the first requests another way (one set for a whole network) may leave
    // them out: the first reply takes them as sent.
    std::vector<Datagram> Requests();

    struct Answer {
        Ask ask;
        ReplyKind kind; // the classic kind of the reply: Info, Players or Rules
        Datagram reply; // the reply to decode (an 'I' or 'm' reply for an A2S info)
    };
    // Reads one reply. A challenge answers the oldest A2S request sent that did not carry it
    // and puts that one request, with it, into send (nothing more after kMaxChallengeResends
    // for that request); the challenge it refused is dropped from every request holding it,
    // and a request still waiting without one takes it for its next re-send. An A2S info reply
    // that tells the dialect of a server asked both ways puts what is still asked into send.
    // A reply to an ask is returned, again if the server repeats it. Anything else is ignored.
    std::optional<Answer> Take(const unsigned char* data, std::size_t len, std::vector<Datagram>& send);

    bool Answered(Ask ask) const { return answered_[Index(ask)]; }
    bool AllAnswered() const;
    // What the server answered its info in (Unknown until then, or what the caller knew).
    ServerDialect Dialect() const { return dialect_; }
    const Challenges& ChallengesHeld() const { return challenges_; }

private:
    static std::size_t Index(Ask ask) { return static_cast<std::size_t>(ask); }
    bool Asked(Ask ask) const;
    bool SendsClassic() const;
    bool SendsA2s() const;
    // Automatic on a server of unknown dialect: the A2S info request only probes.
    bool Probing() const { return dialect_ == ServerDialect::Unknown; }
    Datagram A2sRequest(Ask ask) const;
    // The asks in the order their A2S requests go out.
    std::vector<Ask> A2sOrder() const;
    // A2sRequest, remembered as waiting for its challenge.
    Datagram SendA2s(Ask ask);
    void TakeChallenge(int32_t challenge, std::vector<Datagram>& send);
    // The ask is answered: none of its requests waits for a challenge any more.
    void Settle(Ask ask);

    // An A2S request on the wire and the challenge it carried (none: it asked for one).
    struct Sent {
        Ask ask;
        std::optional<int32_t> challenge;
    };
    // A bound whatever the caller does: a request older than this many has had its answer.
    static constexpr std::size_t kMaxSent = 32;

    std::vector<Ask> asks_;
    QueryDialect setting_;
    ServerDialect dialect_;
    Challenges challenges_;
    std::array<bool, kAskKinds> answered_{};
    std::array<int, kAskKinds> resends_{};
    std::deque<Sent> sent_; // oldest first
    bool requested_ = false;
};
