// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <list>
#include <string>
#include <unordered_set>
#include <vector>

struct AppSettings;
class CPingSocket;

// The ping phase of an Update: each server of the master's list is sent "ping" on a socket of
// its own, and each one that answers within the time-out is told, in the order the answers
// come. The phase ends a time-out after the last ping or list page; a server that has not
// answered by then is dropped.
class CPingPhase : public QObject {
    Q_OBJECT
public:
    // Bounds of one phase, whatever a master sends: distinct addresses taken (a repeated one is
    // dropped), and sockets open at once (the rest are sent as sockets free up, each with its
    // full time-out).
    static constexpr int kMaxAddresses = 8192;
    static constexpr int kMaxSockets = 256;
    // Re-sends of an unanswered ping within its time-out.
    static constexpr int kResends = 2;

    // settings gives the time-out; it must outlive the phase.
    explicit CPingPhase(const AppSettings& settings, QObject* parent = nullptr);
    ~CPingPhase() override;

    // One page of the master's list, in its order: its addresses not taken yet are pinged, and
    // the servers get a whole time-out from now to answer.
    void Add(const std::vector<std::string>& addresses);
    // Closes every ping socket and forgets the phase; nothing more is told.
    void Stop();

    int socketCount() const { return static_cast<int>(sockets_.size()); }
    // Distinct addresses the phase has taken from the master's pages.
    int addressCount() const { return static_cast<int>(taken_.size()); }
    // Timer 1 (or the next batch of sockets) is waited for: the phase runs.
    bool timerActive() const { return phaseTimer_.isActive() || batchTimer_.isActive(); }

Q_SIGNALS:
    // A server answered its ping ("a.b.c.d:port" of the socket's peer).
    void answered(const std::string& address);
    // The time-out after the last ping has passed; the caller stops the phase.
    void ended();

private:
    void SendQueued();
    void ArmTimer();
    void OnReadyRead(CPingSocket* socket);
    void OnTimer();
    void OnResendTimer();
    void End(CPingSocket* socket);

    const AppSettings& settings_;
    std::list<CPingSocket*> sockets_;
    std::deque<std::string> queue_;         // addresses not pinged yet
    std::unordered_set<std::string> taken_; // every address this phase has taken
    QDeadlineTimer deadline_;               // a time-out after the last ping or page
    QTimer batchTimer_;
    QTimer phaseTimer_;  // timer 1: the next ping's deadline, and the end of the phase
    QTimer resendTimer_; // pings not answered go again at a third and two thirds of their time-out
};
