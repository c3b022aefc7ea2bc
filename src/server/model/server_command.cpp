#include "server/model/server_command.h"

#include "core/command_line.h"
#include "settings/app_settings.h"

namespace {

// Appends a switch and its value to both forms; a quoted value is always in quotes in the text.
void Add(ServerCommand& command, const char* name, const std::string& value, bool quoted)
{
    command.arguments.push_back(name);
    command.arguments.push_back(value);
    if (!command.parameters.empty())
        command.parameters += ' ';
    command.parameters += name;
    command.parameters += ' ';
    command.parameters += QuoteWindowsArgument(value, quoted);
}

} // namespace

ServerCommand BuildServerArguments(const AppSettings& settings, const std::string& map, const std::string& password)
{
    ServerCommand command;
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
