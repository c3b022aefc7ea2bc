// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/players_asker.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

struct AppSettings;

// The background watch of the favourites for friends coming online: every interval, one round
// asks each favourite for its players and tells the names of each server that answered.
class CFavoritesWatch : public QObject {
    Q_OBJECT
public:
    // Today's servers limit the queries they take from one address, and a round costs one or two
    // requests per server: never more often than this.
    static constexpr int kMinIntervalMs = 60000;
    static constexpr int kDefaultIntervalMs = 5 * 60000;
    // Bounds of one round: servers asked (the first of the favourites) and sockets open at once.
    static constexpr int kMaxServers = 500;
    static constexpr int kMaxOpenSockets = 32;

    // settings must outlive the watch; the dialect a favourite answers in is remembered there.
    explicit CFavoritesWatch(AppSettings& settings, QObject* parent = nullptr);
    ~CFavoritesWatch() override;

    // Gives the favourites' addresses, asked anew at each round.
    void SetAddresses(std::function<std::vector<std::string>()> favorites);
    // A round every intervalMs (never less than kMinIntervalMs), the first one interval from now.
    void Start(int intervalMs);
    // Closes the round running and stops the rounds; nothing is told after it.
    void Stop();
    bool active() const { return timer_.isActive(); }
    int intervalMs() const { return timer_.interval(); }
    // One round now, unless one is running still (it is not asked twice).
    void AskNow();
    bool roundRunning() const { return asker_.busy(); }

    // Tests only: Start without the lower bound of the interval.
    void StartUnbounded(int intervalMs);

Q_SIGNALS:
    // Once per round for each favourite that answered: the names of its players.
    void playersHeard(const std::string& address, const std::vector<std::string>& names);
    // Every favourite of the round has answered or waited its time-out.
    void roundFinished();

private:
    std::function<std::vector<std::string>()> favorites_;
    CPlayersAsker asker_;
    QTimer timer_;
};
