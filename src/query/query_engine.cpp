// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/query_engine.h"

CQueryEngine::CQueryEngine(AppSettings& settings, ServerStore& store)
    : lists_(settings, store), refresh_(settings, store, lists_), details_(settings, store, CDetailQuery::kBrowser),
      slotWatch_(settings, &store), favoritesWatch_(settings), playerSearch_(settings),
      searchDetails_(settings, store, CDetailQuery::kSearch)
{
}

void CQueryEngine::CloseAll()
{
    refresh_.CloseAll();
    details_.Close();
    slotWatch_.Stop();
    favoritesWatch_.Stop();
    playerSearch_.Stop();
    searchDetails_.Close();
}
