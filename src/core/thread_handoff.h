// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hand-offs between threads that the thread sanitizer cannot see for itself.
//
// The system's Qt is not built with the sanitizer, and its locks on Linux are futexes the
// sanitizer never hears of. So the order a queued call, a posted event or QThread::wait()
// gives is hidden from it: what one thread wrote before handing over looks unordered with what
// the receiving thread reads afterwards. Where the project relies on such a hand-off it says so
// with these marks: MarkHandOffSent(key) on the sending side after its last write,
// MarkHandOffReceived(key) on the receiving side before its first read, both on the same
// address. They order nothing themselves: Qt already does. Outside sanitizer builds they are
// empty.

#include <utility>

#if defined(__SANITIZE_THREAD__)
#define ZNK_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZNK_THREAD_SANITIZER 1
#endif
#endif

#ifdef ZNK_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

inline void MarkHandOffSent([[maybe_unused]] const void* key)
{
#ifdef ZNK_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(key));
#endif
}

inline void MarkHandOffReceived([[maybe_unused]] const void* key)
{
#ifdef ZNK_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(key));
#endif
}

// A functor for a queued call (QMetaObject::invokeMethod with Qt::QueuedConnection) that
// another thread runs, holding what the sending thread wrote. Its last move, into the call's
// own storage, marks the hand-off sent with that storage as the key; running it there, or
// destroying it unrun because its receiver is gone, marks it received. The key is the object's
// own address, so the receiving side reads nothing of it before the mark.
template <class F> class QueuedHandOff {
public:
    explicit QueuedHandOff(F f) : f_(std::move(f)) { MarkHandOffSent(this); }
    QueuedHandOff(QueuedHandOff&& other) : f_(std::move(other.f_)) { MarkHandOffSent(this); }
    QueuedHandOff(const QueuedHandOff& other) : f_(other.f_) { MarkHandOffSent(this); }
    QueuedHandOff& operator=(const QueuedHandOff&) = delete;
    ~QueuedHandOff() { MarkHandOffReceived(this); }

    auto operator()()
    {
        MarkHandOffReceived(this);
        return f_();
    }

private:
    F f_;
};

// Marks a hand-off sent when it goes out of scope. Made first thing in a thread's run(), with
// the thread object as the key, it covers every way out of run(), after run()'s other locals
// are gone; whoever uses the object once the thread has finished (after QThread::wait(), or in
// a destructor reached through the finished() signal) marks it received.
class HandOffAtExit {
public:
    explicit HandOffAtExit(const void* key) : key_(key) {}
    HandOffAtExit(const HandOffAtExit&) = delete;
    HandOffAtExit& operator=(const HandOffAtExit&) = delete;
    ~HandOffAtExit() { MarkHandOffSent(key_); }

private:
    const void* key_;
};
