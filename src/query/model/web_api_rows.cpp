// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/web_api_rows.h"

InfoReply WebApiInfo(const WebApiServer& server)
{
    InfoReply info;
    info.name = server.name.value_or(server.addr);
    info.map = server.map.value_or("");
    info.players = server.players && server.maxPlayers
                       ? std::to_string(*server.players) + "/" + std::to_string(*server.maxPlayers)
                       : std::string("???");
    // The list has no description of the game; the tags the server sets come closest.
    info.description = server.gametype.value_or("");
    info.kind = !server.dedicated ? "" : *server.dedicated ? "Dedicated" : "Listen";
    const std::string os = server.os.value_or("");
    info.os = os == "l" || os == "L" ? "Linux" : os == "w" || os == "W" ? "Windows" : "";
    // Whether a password is asked is not in the list: the server's own answer tells.
    info.info = info.description + "|" + info.kind + "//" + info.os + " Server|Password: " + info.password;
    return info;
}
