// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/address.h"

#include "core/numbers.h"

#include <vector>

namespace {

std::vector<std::string> SplitAtDots(const std::string& text)
{
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == '.')
            pieces.emplace_back();
        else
            pieces.back().push_back(c);
    }
    return pieces;
}

} // namespace

bool IsValidAddress(const std::string& text)
{
    const std::vector<std::string> pieces = SplitAtDots(text);
    if (pieces.size() != 4)
        return false;
    for (const std::string& p : pieces)
        if (p.empty())
            return false;
    for (int i = 0; i < 3; ++i) {
        const int octet = ReadNumber(pieces[i]);
        if (octet < 0 || octet > 255)
            return false;
    }
    const int last = ReadNumber(pieces[3]); // stops at the colon
    if (last < 1 || last > 255)
        return false;
    const int port = GetPort(text);
    return port >= 1 && port <= 65535;
}

std::string GetHost(const std::string& text)
{
    return text.substr(0, text.find(':'));
}

int GetPort(const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return kDefaultGamePort;
    return ReadNumber(text.substr(colon + 1));
}

std::string NormalizeAddress(const std::string& text)
{
    // The check reads every piece as its leading digits; the address kept is made of what it
    // read, so "1.2.3.4x" becomes a host a socket can connect to rather than a text that
    // passed the check and then fails everywhere else.
    const std::vector<std::string> pieces = SplitAtDots(GetHost(text));
    std::string host;
    if (pieces.size() == 4) {
        for (const std::string& p : pieces)
            host += (host.empty() ? "" : ".") + std::to_string(ReadNumber(p));
    } else {
        host = GetHost(text);
    }
    return host + ":" + std::to_string(GetPort(text));
}

std::string FormatAddress(const unsigned char octets[4], int port)
{
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) + "." +
           std::to_string(octets[3]) + ":" + std::to_string(port);
}

bool IsRelayedAddress(const std::string& address)
{
    const std::vector<std::string> pieces = SplitAtDots(GetHost(address));
    return pieces.size() == 4 && pieces[0] == "169" && pieces[1] == "254";
}

std::string SteamConnectUrl(const std::string& address, const std::string* password)
{
    std::string url = "steam://connect/" + address;
    if (password)
        url += "/" + *password;
    return url;
}
