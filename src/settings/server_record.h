// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// What the program knows of one game server. The address (a.b.c.d:port) is the key; name
// starts as the address; ping holds a send time "m-s-ms" while a query is out, milliseconds
// once answered, "???" when it was not.
struct ServerRecord {
    std::string address;
    std::string name;
    std::string map;
    std::string ping;
    std::string players;
    std::string info;
};

// The two lists of servers the browser shows, each an ordered list of records.
enum class ServerList { Servers, Favorites };
