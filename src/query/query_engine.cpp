// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/query_engine.h"

CQueryEngine::CQueryEngine(AppSettings& settings, ServerStore& store)
    : lists_(settings, store), refresh_(settings, store, lists_), details_(settings, store, CDetailQuery::kBrowser),
      slotWatch_(settings, &store), favoritesWatch_(settings), playerSearch_(settings),
      searchDetails_(settings, store, CDetailQuery::kSearch)
{
    // The Update and the player search each fetch the Web API's list on their own request, so
    // that one never cancels the other's.
    const auto fetch = [&settings](CWebApiFetch& fetcher) {
        const ToolOptions& options = settings.options;
        fetcher.Start(options.webApiUrl, options.webApiKey, settings.modFolder, options.webApiLimit);
    };
    const auto list = [](const WebApiFetchResult& result) {
        return WebApiList{.status =
                              result.outcome == WebApiOutcome::Ok ? WebApiListStatus::Ok : WebApiListStatus::NoServer,
                          .servers = result.servers,
                          .filledLimit = result.filledLimit};
    };
    QObject::connect(&refresh_, &CRefreshEngine::webApiListWanted, &refreshFetch_, [=, this] { fetch(refreshFetch_); });
    QObject::connect(&refreshFetch_, &CWebApiFetch::finished, &refresh_,
                     [=, this](const WebApiFetchResult& r) { refresh_.TakeWebApiAnswer(r.outcome, list(r)); });
    QObject::connect(&playerSearch_, &CPlayerSearch::webApiListWanted, &searchFetch_,
                     [=, this] { fetch(searchFetch_); });
    QObject::connect(&searchFetch_, &CWebApiFetch::finished, &playerSearch_,
                     [=, this](const WebApiFetchResult& r) { playerSearch_.TakeWebApiAnswer(r.outcome, list(r)); });
}

void CQueryEngine::TrustCaCertificates(const QList<QSslCertificate>& certificates)
{
    refreshFetch_.AddCaCertificates(certificates);
    searchFetch_.AddCaCertificates(certificates);
}

void CQueryEngine::CloseAll()
{
    refreshFetch_.Cancel();
    searchFetch_.Cancel();
    refresh_.CloseAll();
    details_.Close();
    slotWatch_.Stop();
    favoritesWatch_.Stop();
    playerSearch_.Stop();
    searchDetails_.Close();
}
