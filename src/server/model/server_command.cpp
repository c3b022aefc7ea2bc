// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/model/server_command.h"

#include "settings/app_settings.h"

namespace {

void Add(LaunchCommand& command, const char* name, const std::string& value, bool quoted)
{
    command.Add(name);
    if (quoted)
        command.AddQuoted(value);
    else
        command.Add(value);
}

} // namespace

LaunchCommand BuildServerArguments(const AppSettings& settings, const std::string& map, const std::string& password)
{
    LaunchCommand command;
    Add(command, "-port", std::to_string(settings.port), false);
    if (settings.lan)
        Add(command, "+sv_lan", "1", false);
    Add(command, "+hostname", settings.serverName, true);
    Add(command, "+maxplayers", std::to_string(settings.maxPlayers), false);
    Add(command, "+map", map, true);
    Add(command, "+exec", settings.dedicated ? "server.cfg" : "listenserver.cfg", false);
    if (!password.empty())
        Add(command, "+sv_password", password, true);
    return command;
}
