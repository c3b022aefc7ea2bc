// SPDX-License-Identifier: GPL-3.0-or-later
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

void LaunchCommand::Add(const std::string& argument)
{
    arguments.push_back(argument);
    if (!parameters.empty())
        parameters += ' ';
    parameters += QuoteWindowsArgument(argument);
}

void LaunchCommand::AddQuoted(const std::string& argument)
{
    arguments.push_back(argument);
    if (!parameters.empty())
        parameters += ' ';
    parameters += QuoteWindowsArgument(argument, true);
}

LaunchCommand GameCommand(const AppSettings& settings, const LaunchCommand& tail)
{
    // The text keeps the user's switches as typed, and the blank on either side even when there
    // are none: "-game znk  +connect ...".
    const std::string switches = settings.GetLaunchSwitches();
    LaunchCommand command;
    command.arguments = {"-game", settings.modFolder};
    for (std::string& argument : SplitWindowsCommandLine(switches))
        command.arguments.push_back(std::move(argument));
    command.arguments.insert(command.arguments.end(), tail.arguments.begin(), tail.arguments.end());
    command.parameters = "-game " + settings.modFolder + " " + switches;
    if (!tail.parameters.empty())
        command.parameters += " " + tail.parameters;
    return command;
}

LaunchCommand JoinCommand(const AppSettings& settings, const std::string& address,
                          const std::optional<std::string>& password)
{
    LaunchCommand tail;
    tail.Add("+connect");
    tail.Add(address);
    if (password) {
        tail.Add("+password");
        tail.AddQuoted(*password);
    }
    return GameCommand(settings, tail);
}
