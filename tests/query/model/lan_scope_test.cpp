// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/lan_scope.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

uint32_t Ip(const char* dotted)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(std::sscanf(dotted, "%u.%u.%u.%u", &a, &b, &c, &d), 4) << dotted;
    return a << 24 | b << 16 | c << 8 | d;
}

// Made-up networks: nothing is sent, only the rule is asked.
const std::vector<LanNetwork> kNetworks = {{Ip("192.168.1.10"), Ip("255.255.255.0")},
                                           {Ip("10.1.2.3"), Ip("255.255.0.0")}};

TEST(LanScope, OnlyTheHostsAndPortsATargetAskedMayAnswer)
{
    struct Case {
        const char* target;
        int first, last;
        std::vector<LanNetwork> networks;
        const char* sender;
        int port;
        bool may;
    };
    const Case cases[] = {
        // One host: that host alone, on the ports asked.
        {"192.168.1.20", 27015, 27020, kNetworks, "192.168.1.20", 27015, true},
        {"192.168.1.20", 27015, 27020, kNetworks, "192.168.1.21", 27015, false},
        {"192.168.1.20", 27015, 27020, kNetworks, "192.168.1.20", 27021, false},
        {"192.168.1.20", 27015, 27020, kNetworks, "192.168.1.20", 27014, false},
        {"192.168.1.20", 27016, 27016, kNetworks, "192.168.1.20", 27015, false},
        {"127.0.0.1", 27015, 27020, kNetworks, "127.0.0.2", 27015, false},
        // The broadcast address of a network of this machine: any host of that network.
        {"192.168.1.255", 27015, 27020, kNetworks, "192.168.1.77", 27017, true},
        {"192.168.1.255", 27015, 27020, kNetworks, "192.168.2.77", 27017, false},
        {"192.168.1.255", 27015, 27020, kNetworks, "192.168.1.77", 5000, false},
        {"10.1.255.255", 27015, 27020, kNetworks, "10.1.200.3", 27015, true},
        // Everyone's broadcast: the hosts of every network, and only those.
        {"255.255.255.255", 27015, 27020, kNetworks, "192.168.1.5", 27015, true},
        {"255.255.255.255", 27015, 27020, kNetworks, "10.1.9.9", 27019, true},
        {"255.255.255.255", 27015, 27020, kNetworks, "172.16.0.1", 27015, false},
        {"255.255.255.255", 27015, 27020, {}, "192.168.1.5", 27015, false},
        {"255.255.255.255", 27015, 27020, {{Ip("1.2.3.4"), 0}}, "8.8.8.8", 27015, false},
        // A broadcast into a network that is not this machine's: the one its one bits leave.
        {"172.16.7.255", 27015, 27020, kNetworks, "172.16.7.9", 27015, true},
        {"172.16.7.255", 27015, 27020, kNetworks, "172.16.8.9", 27015, false},
        {"10.255.255.255", 27015, 27020, kNetworks, "10.9.9.9", 27015, true},
        {"10.255.255.255", 27015, 27020, kNetworks, "11.0.0.1", 27015, false},
    };
    for (const Case& c : cases) {
        const std::vector<LanAsk> asks = LanAsksOf(Ip(c.target), c.first, c.last, c.networks);
        EXPECT_EQ(MayAnswerLan(asks, Ip(c.sender), c.port), c.may)
            << c.target << " " << c.first << ".." << c.last << " from " << c.sender << ":" << c.port;
    }
}

} // namespace
