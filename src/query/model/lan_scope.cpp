// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/lan_scope.h"

#include <algorithm>

namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

uint32_t BroadcastOf(const LanNetwork& network)
{
    return network.address | ~network.netmask;
}

} // namespace

std::vector<LanAsk> LanAsksOf(uint32_t target, int firstPort, int lastPort, const std::vector<LanNetwork>& networks)
{
    std::vector<LanAsk> asks;
    auto add = [&](uint32_t host, uint32_t mask) {
        const LanAsk ask{host & mask, mask, firstPort, lastPort};
        if (std::find(asks.begin(), asks.end(), ask) == asks.end())
            asks.push_back(ask);
    };
    // A netmask of nothing is no network to speak of: it would let the whole world answer.
    for (const LanNetwork& network : networks) {
        if (network.netmask != 0 && (target == kAllOnes || target == BroadcastOf(network)))
            add(network.address, network.netmask);
    }
    if (!asks.empty() || target == kAllOnes)
        return asks;
    if ((target & 0xFFu) == 0xFFu) {
        int ones = 0;
        while (ones < 32 && (target >> ones & 1u))
            ++ones;
        add(target, kAllOnes << ones);
        return asks;
    }
    add(target, kAllOnes);
    return asks;
}

bool MayAnswerLan(const std::vector<LanAsk>& asks, uint32_t sender, int port)
{
    return std::any_of(asks.begin(), asks.end(), [&](const LanAsk& ask) {
        return (sender & ask.mask) == ask.host && port >= ask.firstPort && port <= ask.lastPort;
    });
}
