// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/app_settings.h"
#include "settings/server_record.h"

#include <optional>
#include <string>
#include <vector>

// A server asks for a password when its info line ends in exactly "Yes".
bool IsPasswordProtected(const ServerRecord& record);
// The question of the password box: "<name>" is "Passworded".
std::string PasswordPrompt(const std::string& serverName);

// How the game is started, twice over: the list of arguments it receives, and the one text that
// Windows hands it and its C runtime splits into that same list. Both are built together, so that
// neither is made by splitting or joining the other.
struct LaunchCommand {
    std::vector<std::string> arguments;
    std::string parameters;

    // One more argument; in the text as it is, or in double quotes where it needs them.
    void Add(const std::string& argument);
    // One more argument, in double quotes in the text whatever it holds (a name, a map, a
    // password), quotes and the backslashes before them escaped.
    void AddQuoted(const std::string& argument);
};

// What every start of the game begins with: -game <mod> <switches>, then the tail. The switches
// are the user's own text (GetLaunchSwitches): in the parameters as typed, in the arguments as
// the game splits them.
LaunchCommand GameCommand(const AppSettings& settings, const LaunchCommand& tail);

// Joining a server: -game <mod> <switches> +connect <address>[ +password "<pw>"]. The password
// arrives as one argument, quotes and backslashes included.
LaunchCommand JoinCommand(const AppSettings& settings, const std::string& address,
                          const std::optional<std::string>& password);
