// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/server_list_model.h"
#include "query/server_list_proxy.h"

#include <string>
#include <vector>

struct AppSettings;

// The browser's two server lists over the store: for each, the model of its rows and the proxy
// that shows them sorted and filtered. The engines change the store and say when a list is to be
// sorted or what its status line says; the browser page shows the proxies.
class CServerLists {
public:
    // settings and store must outlive the lists.
    CServerLists(AppSettings& settings, ServerStore& store);

    CServerListModel& model(ServerList list) { return list == ServerList::Servers ? servers_ : favorites_; }
    CServerListProxy& view(ServerList list) { return list == ServerList::Servers ? serverView_ : favoriteView_; }
    const CServerListProxy& view(ServerList list) const
    {
        return list == ServerList::Servers ? serverView_ : favoriteView_;
    }

    // Sorts the list by its stored column and direction.
    void Sort(ServerList list) { view(list).Sort(); }
    // A status line on top of the Servers list, and every one of them gone.
    void ShowStatus(const std::string& text) { servers_.ShowStatus(text); }
    void RemoveStatusRows() { servers_.RemoveStatusRows(); }
    // The addresses of the list's servers as shown, top to bottom (see ListedAddresses).
    std::vector<std::string> Listed(ServerList list) const { return view(list).ListedAddresses(); }

    // The servers of the Servers list that are hidden in the options are left out of it (a list
    // saved before they were hidden still names them).
    void LeaveOutHidden();
    // Servers no longer hidden: back in the Servers list, last, unless it shows them already; a
    // server it does not hold is appended to the store's list. True when any came back.
    bool ShowAgain(const std::vector<std::string>& addresses);

private:
    AppSettings& settings_;
    ServerStore& store_;
    CServerListModel servers_;
    CServerListModel favorites_;
    CServerListProxy serverView_;
    CServerListProxy favoriteView_;
};
