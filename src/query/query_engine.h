// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/detail_query.h"
#include "query/favorites_watch.h"
#include "query/player_search.h"
#include "query/refresh_engine.h"
#include "query/server_lists.h"
#include "query/slot_watch.h"
#include "query/web_api_fetch.h"

struct AppSettings;
class ServerStore;

// What talks to the servers for the pages, made once by the application over its settings and
// store: the two server lists as the browser shows them, the refresh of them (master list, ping
// phase, five queries in flight), the details of the browser's selected server, the wait for a
// free slot on a full server, the background watch of the favourites' players, and the player
// search with the details of the server its page shows.
class CQueryEngine {
public:
    // settings and store must outlive the engine.
    CQueryEngine(AppSettings& settings, ServerStore& store);

    CServerLists& lists() { return lists_; }
    CRefreshEngine& refresh() { return refresh_; }
    const CRefreshEngine& refresh() const { return refresh_; }
    CDetailQuery& details() { return details_; }
    CSlotWatch& slotWatch() { return slotWatch_; }
    CFavoritesWatch& favoritesWatch() { return favoritesWatch_; }
    CPlayerSearch& playerSearch() { return playerSearch_; }
    CDetailQuery& searchDetails() { return searchDetails_; }

    // Closes every socket and stops every timer (shut-down).
    void CloseAll();
    // Certification authorities the Web API's TLS is checked against beside the system's (a
    // test's own); no check is ever skipped.
    void TrustCaCertificates(const QList<QSslCertificate>& certificates);

private:
    CServerLists lists_; // first: the engines below show their rows in it
    CRefreshEngine refresh_;
    CDetailQuery details_;
    CSlotWatch slotWatch_;
    CFavoritesWatch favoritesWatch_;
    CPlayerSearch playerSearch_;
    CDetailQuery searchDetails_;
    CWebApiFetch refreshFetch_;
    CWebApiFetch searchFetch_;
};
