// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/server_lists.h"

#include "settings/app_settings.h"

#include <algorithm>

CServerLists::CServerLists(AppSettings& settings, ServerStore& store)
    : settings_(settings), store_(store), servers_(store, ServerList::Servers),
      favorites_(store, ServerList::Favorites), serverView_(settings, store, servers_),
      favoriteView_(settings, store, favorites_)
{
    // A favourite is kept by every filter but the text: the Servers list is filtered again when
    // the favourites change.
    auto refilter = [this] {
        if (settings_.options.filter.Active())
            serverView_.Refilter();
    };
    QObject::connect(&favorites_, &QAbstractItemModel::rowsInserted, &serverView_, refilter);
    QObject::connect(&favorites_, &QAbstractItemModel::rowsRemoved, &serverView_, refilter);
}

void CServerLists::LeaveOutHidden()
{
    for (int row = servers_.statusRows(); row < servers_.rowCount(); ++row)
        if (settings_.options.IsHidden(servers_.Text(row, CServerListModel::kAddress)))
            servers_.SetLeftOut(row, true);
    serverView_.Refilter();
}

bool CServerLists::ShowAgain(const std::vector<std::string>& addresses)
{
    bool shown = false;
    for (const std::string& address : addresses) {
        if (address.empty() || settings_.options.IsHidden(address))
            continue;
        bool listed = false;
        bool leftOut = false;
        for (int row = servers_.statusRows(); row < servers_.rowCount(); ++row) {
            if (servers_.Text(row, CServerListModel::kAddress) != address)
                continue;
            if (servers_.IsLeftOut(row)) {
                servers_.SetLeftOut(row, false);
                servers_.PutLast(row);
                leftOut = true;
            } else {
                listed = true;
            }
        }
        if (listed)
            continue;
        if (!leftOut)
            store_.Append(ServerList::Servers, store_.FindOrCreateRecord(address));
        shown = true;
    }
    serverView_.Refilter();
    return shown;
}
