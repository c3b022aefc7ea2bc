#pragma once
#include "app/app_settings.h"
#include "query/server_record.h"

#include <optional>
#include <string>

// A server asks for a password when its info line ends in exactly "Yes".
bool IsPasswordProtected(const ServerRecord& record);
// The question of the password box: "<name>" is "Passworded".
std::string PasswordPrompt(const std::string& serverName);
// Parameters that join a server: -game <mod> <switches> +connect <address>[ +password "<pw>"].
// The password goes in as typed, quotes and all.
std::string BuildJoinParameters(const AppSettings& settings, const std::string& address,
                                const std::optional<std::string>& password);
// Parameters of a server launch: -game <mod> <switches> <parameters>.
std::string BuildServerParameters(const AppSettings& settings, const std::string& parameters);
