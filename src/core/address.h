// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

inline constexpr int kDefaultGamePort = 27015;
inline constexpr int kDefaultMasterPort = 27010;

// a.b.c.d[:port] with octets 0-255 (the last 1-255) and a port 1-65535. Numbers are read as
// their leading digits, so "1x.2.3.4" passes as 1.2.3.4.
bool IsValidAddress(const std::string& text);
// The text before the first colon (all of it when there is none).
std::string GetHost(const std::string& text);
// The number after the first colon; 27015 when the text is empty or has no colon.
int GetPort(const std::string& text);
// host:port of the numbers IsValidAddress reads, with the default port filled in: "1.2.3.4x"
// gives "1.2.3.4:27015". A host that is not four pieces is kept as it is.
std::string NormalizeAddress(const std::string& text);
// "a.b.c.d:port" of four address bytes (in dotted order) and a port.
std::string FormatAddress(const unsigned char octets[4], int port);
// A listen server behind Steam's relay network, listed under a link-local address
// (169.254.0.0/16): it cannot be reached by datagram, only joined through Steam.
bool IsRelayedAddress(const std::string& address);
// What opens the join of a relayed server through Steam: steam://connect/<address>, with
// /<password> when one is given.
std::string SteamConnectUrl(const std::string& address, const std::string* password);
