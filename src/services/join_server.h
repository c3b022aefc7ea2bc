// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/platform.h"

#include <functional>
#include <string>

class CHLThread;
class QWidget;
class ServerStore;
struct AppSettings;

// Joins a server as every list does: when the server's record says it has a password, the
// password box asks for it first (over owner). The join goes to the top of the recent servers.
// A relayed server is joined through Steam's URL handler instead of the game client. Returns the
// started launcher, nullptr when the box was cancelled or Steam was asked.
// openUrl opens what Steam is given (the desktop's URL handler).
CHLThread* JoinWithPassword(const AppSettings& settings, ServerStore& store, const std::string& address, QWidget* owner,
                            const std::function<void(const std::string&)>& openUrl = &platform::OpenUrl);
