#include "app/launch_command.h"

bool IsPasswordProtected(const ServerRecord& record)
{
    const std::string& info = record.info;
    return info.size() >= 3 && info.compare(info.size() - 3, 3, "Yes") == 0;
}

std::string PasswordPrompt(const std::string& serverName)
{
    return "\"" + serverName + "\" is \"Passworded\"";
}

std::string BuildJoinParameters(const AppSettings& settings, const std::string& address,
                                const std::optional<std::string>& password)
{
    std::string line = "-game " + settings.modFolder + " " + settings.GetLaunchSwitches() + " +connect " + address;
    if (password)
        line += " +password \"" + *password + "\"";
    return line;
}

std::string BuildServerParameters(const AppSettings& settings, const std::string& parameters)
{
    return "-game " + settings.modFolder + " " + settings.GetLaunchSwitches() + " " + parameters;
}
