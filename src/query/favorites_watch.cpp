// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/favorites_watch.h"

#include "settings/app_settings.h"

#include <algorithm>
#include <unordered_set>

namespace {

CPlayersAsker::Rules WatchRules(AppSettings& settings)
{
    CPlayersAsker::Rules rules;
    rules.maxOpenSockets = CFavoritesWatch::kMaxOpenSockets;
    rules.giveUpAtTimeOut = true; // a dead favourite holds up neither the others nor the next round
    rules.playersOnly = true;
    rules.rememberDialects = &settings.options;
    return rules;
}

} // namespace

CFavoritesWatch::CFavoritesWatch(AppSettings& settings, QObject* parent)
    : QObject(parent), asker_(settings, WatchRules(settings))
{
    setObjectName("CFavoritesWatch");
    connect(&asker_, &CPlayersAsker::serverAnswered, this, &CFavoritesWatch::playersHeard);
    connect(&asker_, &CPlayersAsker::finished, this, &CFavoritesWatch::roundFinished);
    connect(&timer_, &QTimer::timeout, this, &CFavoritesWatch::AskNow);
}

CFavoritesWatch::~CFavoritesWatch()
{
    Stop();
}

void CFavoritesWatch::SetAddresses(std::function<std::vector<std::string>()> favorites)
{
    favorites_ = std::move(favorites);
}

void CFavoritesWatch::Start(int intervalMs)
{
    StartUnbounded(std::max(intervalMs, kMinIntervalMs));
}

void CFavoritesWatch::StartUnbounded(int intervalMs)
{
    timer_.start(std::max(1, intervalMs));
}

void CFavoritesWatch::Stop()
{
    timer_.stop();
    asker_.Stop();
}

void CFavoritesWatch::AskNow()
{
    if (asker_.busy() || !favorites_)
        return;
    std::vector<std::string> round;
    std::unordered_set<std::string> seen;
    for (std::string& address : favorites_()) {
        if (static_cast<int>(round.size()) >= kMaxServers)
            break;
        if (!address.empty() && seen.insert(address).second)
            round.push_back(std::move(address));
    }
    asker_.Ask(round);
}
