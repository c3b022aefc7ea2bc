// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <utility>

// The rule of a loader that reruns when what it loads changes: one run at a time, and a request
// while one runs makes exactly one more run follow it, however many requests came, so what is
// shown in the end is what was asked for last. It keeps the count only; the caller starts the
// runs. Used on one thread.
class RestartGate {
public:
    // A request: true when no run goes, and the caller starts one now (it counts as running);
    // false while one runs, which then has one more run due after it.
    bool Request()
    {
        if (running_) {
            again_ = true;
            return false;
        }
        running_ = true;
        return true;
    }
    // A run only when none goes: true when the caller starts one now; a run going is left to
    // complete with nothing more due for this.
    bool StartIfIdle()
    {
        if (running_)
            return false;
        running_ = true;
        return true;
    }
    // The run has ended. True when one more was asked for while it ran: it counts as running
    // already, and the caller starts it now.
    bool Ended()
    {
        running_ = std::exchange(again_, false);
        return running_;
    }

    // A run going, or one due to follow.
    bool running() const { return running_; }
    // One more run asked for while the one going runs.
    bool moreDue() const { return again_; }

    // Calls pump (which handles the runs' ends) until no run goes; false when timeoutMs passed
    // first.
    template <class Pump> bool WaitUntilIdle(int timeoutMs, Pump&& pump) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (running_) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            pump();
        }
        return true;
    }

private:
    bool running_ = false;
    bool again_ = false;
};
