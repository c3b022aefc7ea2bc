// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

class CHLThread;
class QWidget;
class ServerStore;
struct AppSettings;

// Joins a server as every list does: when the server's record says it has a password, the
// password box asks for it first (over owner). The join goes to the top of the recent servers.
// Returns the started launcher, nullptr when the box was cancelled.
CHLThread* JoinWithPassword(const AppSettings& settings, ServerStore& store, const std::string& address,
                            QWidget* owner);
