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
