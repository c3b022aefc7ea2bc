#pragma once
#include <string>

struct AppSettings;

// What a server started from the create-server page is told, in this order: the port, LAN
// (only when on), the host name and the map in double quotes, the players, the configuration
// it executes (server.cfg for a dedicated server, listenserver.cfg for a listen server) and the
// password when there is one. Nothing is escaped or checked.
std::string BuildServerArguments(const AppSettings& settings, const std::string& map, const std::string& password);
