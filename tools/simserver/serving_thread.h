// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QThread>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace sim {

// A thread of its own whose event loop serves sockets made in it: setup runs in the thread
// before the loop, teardown after it, and the starting thread waits for each. The waits use the
// standard library's mutex and condition rather than a blocking queued call: the thread
// sanitizer sees those, so what setup wrote is ordered before the caller reads it, and what the
// thread wrote before teardown is ordered before the caller frees it.
class ServingThread : public QThread {
public:
    explicit ServingThread(const char* name);
    ~ServingThread() override; // stops the thread

    // Starts the thread and returns setup's answer once setup has run in it. A false answer
    // skips the event loop: teardown runs and the thread ends.
    bool Serve(std::function<bool()> setup, std::function<void()> teardown);
    // Ends the event loop, waits until teardown has run and the thread has ended.
    void Stop();

protected:
    void run() override;

private:
    enum class State { Idle, SettingUp, Serving, Ended };

    std::function<bool()> setup_;
    std::function<void()> teardown_;
    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Idle; // guarded by mutex_
    bool setupOk_ = false;      // guarded by mutex_
};

} // namespace sim
