// SPDX-License-Identifier: GPL-3.0-or-later
#include "serving_thread.h"

namespace sim {

ServingThread::ServingThread(const char* name)
{
    setObjectName(name);
}

ServingThread::~ServingThread()
{
    Stop();
}

bool ServingThread::Serve(std::function<bool()> setup, std::function<void()> teardown)
{
    setup_ = std::move(setup);
    teardown_ = std::move(teardown);
    std::unique_lock lock(mutex_);
    state_ = State::SettingUp;
    start();
    changed_.wait(lock, [this] { return state_ != State::SettingUp; });
    return setupOk_;
}

void ServingThread::Stop()
{
    {
        std::unique_lock lock(mutex_);
        if (state_ == State::Idle)
            return;
        // Before the loop has begun, exec() returns at once.
        quit();
        changed_.wait(lock, [this] { return state_ == State::Ended; });
        state_ = State::Idle;
    }
    wait();
}

void ServingThread::run()
{
    const bool ok = setup_();
    {
        std::lock_guard lock(mutex_);
        setupOk_ = ok;
        state_ = State::Serving;
        changed_.notify_all();
    }
    if (ok)
        exec();
    teardown_();
    std::lock_guard lock(mutex_);
    state_ = State::Ended;
    changed_.notify_all();
}

} // namespace sim
