#include "launch/model/launch_command.h"

#include "core/command_line.h"

bool IsPasswordProtected(const ServerRecord& record)
{
    const std::string& info = record.info;
    return info.size() >= 3 && info.compare(info.size() - 3, 3, "Yes") == 0;
}

std::string PasswordPrompt(const std::string& serverName)
{
    return "\"" + serverName + "\" is \"Passworded\"";
}

namespace {

std::string JoinBase(const AppSettings& settings, const std::string& address)
{
    return "-game " + settings.modFolder + " " + settings.GetLaunchSwitches() + " +connect " + address;
}

} // namespace

std::string BuildJoinParameters(const AppSettings& settings, const std::string& address,
                                const std::optional<std::string>& password)
{
    std::string line = JoinBase(settings, address);
    if (password)
        line += " +password " + QuoteWindowsArgument(*password, true);
    return line;
}

std::vector<std::string> BuildJoinArguments(const AppSettings& settings, const std::string& address,
                                            const std::optional<std::string>& password)
{
    std::vector<std::string> arguments = SplitWindowsCommandLine(JoinBase(settings, address));
    if (password) {
        arguments.push_back("+password");
        arguments.push_back(*password);
    }
    return arguments;
}

namespace {

std::string ServerBase(const AppSettings& settings)
{
    return "-game " + settings.modFolder + " " + settings.GetLaunchSwitches();
}

} // namespace

std::string BuildServerParameters(const AppSettings& settings, const std::string& parameters)
{
    return ServerBase(settings) + " " + parameters;
}

std::vector<std::string> BuildServerLaunchArguments(const AppSettings& settings,
                                                    const std::vector<std::string>& arguments)
{
    std::vector<std::string> all = SplitWindowsCommandLine(ServerBase(settings));
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}
