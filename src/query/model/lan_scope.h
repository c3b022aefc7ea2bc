// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <vector>

// Who may answer a LAN search. Its socket is not connected (a broadcast has no one peer), so
// the system hands it datagrams from anyone: only a sender the search asked is answered or
// listed, so that forged senders can neither make it send elsewhere nor fill the list.
// Addresses are IPv4 in host order (a.b.c.d is a << 24 | b << 16 | c << 8 | d).

// The usual ports of a LAN game server, asked on every target that names no port.
inline constexpr int kLanFirstPort = 27015;
inline constexpr int kLanLastPort = 27020;

// One of this machine's IPv4 networks: an address of an interface and its netmask.
struct LanNetwork {
    uint32_t address = 0;
    uint32_t netmask = 0;
};

// The senders one target lets answer: every host h with (h & mask) == (host & mask), from a port
// of firstPort..lastPort.
struct LanAsk {
    uint32_t host = 0;
    uint32_t mask = 0xFFFFFFFFu;
    int firstPort = kLanFirstPort;
    int lastPort = kLanLastPort;

    bool operator==(const LanAsk&) const = default;
};

// What asking target on ports firstPort..lastPort lets answer, given this machine's networks:
// - the broadcast address of one of the networks: any host of that network;
// - 255.255.255.255: any host of any of the networks (nobody when none is known);
// - another address whose last byte is 255: a broadcast into a network that is not this
//   machine's, the network its trailing one bits leave (10.255.255.255 is 10.0.0.0/8,
//   192.168.7.255 is 192.168.7.0/24);
// - any other address: that host alone.
std::vector<LanAsk> LanAsksOf(uint32_t target, int firstPort, int lastPort, const std::vector<LanNetwork>& networks);

// Whether a datagram from sender:port is one the search asked for.
bool MayAnswerLan(const std::vector<LanAsk>& asks, uint32_t sender, int port);
