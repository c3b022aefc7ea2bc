// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>

// The folder the desktop's menu entry starts the program in (`znktool --data-folder`): the
// program keeps its files in the folder it runs in, and a menu entry has no folder of its own.
namespace platform {

// $XDG_DATA_HOME/znktool, or $HOME/.local/share/znktool when XDG_DATA_HOME is unset, empty or
// not absolute (the base-directory rule ignores a relative one). "" when neither names an
// absolute folder other than the root, so the program never settles in "/" or beside itself.
// env reads one environment variable (nullptr when unset).
std::string UserDataFolder(const std::function<const char*(const char*)>& env);

// Makes folder, and every missing folder above it, readable by the owner alone (0700, as the
// base-directory rule asks), then makes it the current directory. "" on success, else why not.
std::string EnterFolder(const std::string& folder);

} // namespace platform
