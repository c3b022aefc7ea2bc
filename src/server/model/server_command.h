// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "launch/model/launch_command.h"

#include <string>

struct AppSettings;

// What a server started from the create-server page is told, in this order: the port, LAN (only
// when on), the host name, the players, the map, the configuration it executes (server.cfg for a
// dedicated server, listenserver.cfg for a listen server) and the password when there is one.
// Nothing is checked. Each switch and each value is one argument, whatever the value holds: a
// name with quotes, blanks or backslashes can neither add switches of its own nor swallow the ones
// after it. In the text the host name, the map and the password stand in double quotes; a value
// without a quote or a trailing backslash keeps its bytes.
LaunchCommand BuildServerArguments(const AppSettings& settings, const std::string& map, const std::string& password);
