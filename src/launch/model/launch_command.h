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
// Parameters that join a server: -game <mod> <switches> +connect <address>[ +password "<pw>"].
// The password is quoted by the C runtime's rules, so that the game's own argument split gives
// it back whole, quotes and backslashes included; a password without either reads "<pw>".
std::string BuildJoinParameters(const AppSettings& settings, const std::string& address,
                                const std::optional<std::string>& password);
// The same as the argument list a program is started with where no C runtime splits a string:
// the settings' part split as the game would split it, then "+password" and the password as one
// argument, exactly as typed.
std::vector<std::string> BuildJoinArguments(const AppSettings& settings, const std::string& address,
                                            const std::optional<std::string>& password);
// Parameters of a server launch: -game <mod> <switches> <parameters>.
std::string BuildServerParameters(const AppSettings& settings, const std::string& parameters);
// The same as an argument list: the settings' part split as the game would split it, then the
// server's own arguments as they are.
std::vector<std::string> BuildServerLaunchArguments(const AppSettings& settings,
                                                    const std::vector<std::string>& arguments);
