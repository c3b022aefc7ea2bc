// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>

class QMenu;
class ServerStore;

// "Recent Servers": the servers joined lately, newest first, each a submenu that joins it or
// adds it to the favourites. A long name is cut in its line (the tool tip shows it whole). The lines are made when the
// menu opens, so every menu that holds one shows the joins made since it was built.
struct RecentServersMenu {
    static constexpr int kMenuId = 2190;
    static constexpr int kJoinId = 2191;
    static constexpr int kAddToFavoritesId = 2192;
    static constexpr const char* kTitle = "Recent Servers";
    static constexpr const char* kNoneText = "No server joined yet";
};

// addToFavorites is given the server's address and the name it is known by (ServerStore::KnownName).
void AddRecentServersMenu(QMenu* menu, const ServerStore& store, std::function<void(const std::string&)> join,
                          std::function<void(const std::string& address, const std::string& name)> addToFavorites);
