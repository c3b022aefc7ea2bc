// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/refresh_engine.h"

#include <deque>
#include <string>

// What a test looks at inside the refresh engine, which the program itself never asks: the
// queue of servers still to query, the ping phase, the sockets and the timers.
class RefreshEnginePeer {
public:
    explicit RefreshEnginePeer(const CRefreshEngine& engine) : engine_(engine) {}

    const std::deque<std::string>& pending() const { return engine_.pending_; }
    const CPingPhase& pingPhase() const { return engine_.ping_; }
    bool resortTimerActive() const { return engine_.resortTimer_.isActive(); }
    int resortIntervalMs() const { return engine_.resortTimer_.interval(); }
    CQuerySocket* querySocket(int i) const { return engine_.queries_.socket(i); }
    const CLanSearch& lanSearch() const { return engine_.lan_; }
    int TimeoutMs() const { return engine_.TimeoutMs(); }

private:
    const CRefreshEngine& engine_;
};
