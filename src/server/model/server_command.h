#pragma once
#include <string>
#include <vector>

struct AppSettings;

// What a server started from the create-server page is told, in this order: the port, LAN
// (only when on), the host name, the players, the map, the configuration it executes
// (server.cfg for a dedicated server, listenserver.cfg for a listen server) and the password when
// there is one. Nothing is checked.
struct ServerCommand {
    // Each switch and each value one argument, whatever the value holds: a name with quotes, blanks
    // or backslashes can neither add switches of its own nor swallow the ones after it.
    std::vector<std::string> arguments;
    // The same as the one parameter text the game's C runtime splits into those arguments: the
    // host name, the map and the password in double quotes, with quotes and the backslashes before
    // them (or before the closing quote) escaped; a value without either keeps its bytes.
    std::string parameters;
};
ServerCommand BuildServerArguments(const AppSettings& settings, const std::string& map, const std::string& password);
