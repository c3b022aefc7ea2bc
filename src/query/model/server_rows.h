// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/server_record.h"

#include <optional>
#include <string>

// What the refresh engine tells the browser about its two server lists: plain values, which the
// page turns into rows.

// One row of the Servers or Favorites list, column by column; the address identifies the
// server. A row with an empty address is a status line ("Pinging Servers").
struct ServerRow {
    std::string name;
    std::string map;
    std::string ping;
    std::string players;
    std::string address;
};

// The columns a reply changes in every row of one server; the others stay as they are.
struct ServerRowChange {
    std::optional<std::string> name;
    std::optional<std::string> map;
    std::optional<std::string> ping;
    std::optional<std::string> players;
};

// A ping that still holds a send time ("m-s-ms") never got its answer: it is shown as "???",
// and becomes "???" where it is kept too.
inline void SettlePing(std::string& ping)
{
    if (ping.find('-') != std::string::npos)
        ping = "???";
}
