// SPDX-License-Identifier: GPL-3.0-or-later
// The refresh engine's sources of servers beside the UDP master: the Steam Web API, whose
// answer becomes rows at once before the servers are asked in place, and the LAN search.
#include "query/refresh_engine.h"

#include "core/address.h"
#include "query/model/web_api_rows.h"
#include "query/server_lists.h"
#include "settings/server_store.h"

#include <unordered_set>

void CRefreshEngine::RequestWebApiList()
{
    lists_.ShowStatus(RequestingText(false).toStdString());
    webApiWaiting_ = true;
    Q_EMIT webApiListWanted();
    Q_EMIT masterRequestSent();
}

void CRefreshEngine::TakeWebApiAnswer(WebApiOutcome outcome, const WebApiList& list)
{
    if (!webApiWaiting_)
        return;
    webApiWaiting_ = false;
    if (outcome != WebApiOutcome::Ok || list.servers.empty()) {
        GiveListBack(WebApiOutcomeText(outcome == WebApiOutcome::Ok ? WebApiOutcome::NoServer : outcome));
        return;
    }
    beforeUpdate_.clear();
    lists_.RemoveStatusRows();
    store_.ClearList(ServerList::Servers);
    // An address the list names twice is one server: one row, one query.
    std::unordered_set<std::string> listed;
    for (const WebApiServer& server : list.servers) {
        if (settings_.options.IsHidden(server.addr) || !listed.insert(server.addr).second)
            continue;
        const InfoReply info = WebApiInfo(server);
        ServerRecord* record = store_.TakeReply(
            server.addr,
            {.name = info.name, .map = info.map, .ping = "???", .players = info.players, .info = info.info});
        store_.Append(ServerList::Servers, record);
        if (!IsRelayedAddress(server.addr))
            pending_.push_back(server.addr);
    }
    lists_.Sort(ServerList::Servers);
    if (list.filledLimit)
        Q_EMIT listLimited(static_cast<int>(list.servers.size()));
    inPlace_ = true;
    StartRefresh(true);
}

// ---- LAN ------------------------------------------------------------------------------------

std::vector<std::string> CRefreshEngine::LanTargets() const
{
    if (!settings_.options.lanTargets.empty())
        return settings_.options.lanTargets;
    return CLanSearch::BroadcastTargets();
}

void CRefreshEngine::FindLanServers()
{
    Interrupt();
    serversMode_ = true;
    store_.ClearList(ServerList::Servers);
    if (lan_.Start(LanTargets(), CLanSearch::LocalNetworks()))
        lists_.ShowStatus(kLanSearchText);
}

void CRefreshEngine::OnLanFound(const std::string& address, const InfoReply& info, qint64 pingMs, ServerDialect dialect)
{
    RememberDialect(settings_.options, address, dialect);
    store_.Append(ServerList::Servers, store_.TakeReply(address, {.name = info.name,
                                                                  .map = info.map,
                                                                  .ping = std::to_string(pingMs),
                                                                  .players = info.players,
                                                                  .info = info.info}));
    lists_.Sort(ServerList::Servers);
}

void CRefreshEngine::OnLanEnded(int serversFound)
{
    lists_.RemoveStatusRows();
    if (serversFound == 0)
        lists_.ShowStatus(kNoServerText);
    lists_.Sort(ServerList::Servers);
}
