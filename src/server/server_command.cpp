#include "server/server_command.h"

#include "settings/app_settings.h"

std::string BuildServerArguments(const AppSettings& settings, const std::string& map, const std::string& password)
{
    std::string arguments = "-port " + std::to_string(settings.port);
    if (settings.lan)
        arguments += " +sv_lan 1";
    arguments += " +hostname \"" + settings.serverName + "\"";
    arguments += " +maxplayers " + std::to_string(settings.maxPlayers);
    arguments += " +map \"" + map + "\"";
    arguments += settings.dedicated ? " +exec server.cfg" : " +exec listenserver.cfg";
    if (!password.empty())
        arguments += " +sv_password \"" + password + "\"";
    return arguments;
}
