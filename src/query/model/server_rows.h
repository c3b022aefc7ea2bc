// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// A ping that still holds a send time ("m-s-ms") never got its answer: it is shown as "???",
// and becomes "???" where it is kept too.
inline void SettlePing(std::string& ping)
{
    if (ping.find('-') != std::string::npos)
        ping = "???";
}
