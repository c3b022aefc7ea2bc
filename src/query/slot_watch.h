// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/exchange.h"
#include "query/query_sockets.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct AppSettings;
class CQueryUdpSocket;
class ServerStore;

// Waits for a free slot on one full server: asks its info now and every few seconds, on one
// socket, in the dialect the server speaks, and tells each answer (which also goes into the
// server's record, so its rows show what the watch hears). It stops itself before it
// tells that a slot is free or that the server has gone silent, so that whoever hears either
// can start the next thing at once (join, or watch another).
class CSlotWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kAskIntervalMs = 5000;
    // No answer for this long since the last one (or since Start) ends the watch.
    static constexpr int kSilenceMs = 60000;
    // Re-sends of an unanswered info request, within the time-out or the ask interval if shorter.
    static constexpr int kResends = CResends::kCount;

    // settings (and store, when given) must outlive the watch; the dialect a server answers in is
    // remembered in settings.
    explicit CSlotWatch(AppSettings& settings, ServerStore* store = nullptr, QObject* parent = nullptr);
    ~CSlotWatch() override;

    // Watches address, in place of the server watched before.
    void Start(const std::string& address);
    // Closes the socket and stops the timers; nothing is told after it.
    void Stop();
    bool active() const { return active_; }
    // The server watched; "" when none is.
    const std::string& address() const { return address_; }

    // Tests only: shorter intervals than the real ones. Takes effect at the next Start.
    void SetIntervals(int askMs, int silenceMs);

Q_SIGNALS:
    // Every info answer: the players (bots included) and the slots the server reports.
    void heard(const std::string& address, int players, int maxPlayers, const std::string& serverName);
    // An answer had fewer players than slots; the watch has stopped.
    void slotFreed(const std::string& address);
    // Nothing answered for kSilenceMs; the watch has stopped.
    void silent(const std::string& address);

private:
    void Ask();
    void OnResend();
    void OnReadyRead();
    void OnSilence();
    // Tells one answer; false when the watch ended or was replaced meanwhile.
    bool Hear(const std::string& players, const std::string& serverName);

    AppSettings& settings_;
    ServerStore* store_;
    std::unique_ptr<CQueryUdpSocket> socket_;
    std::string address_;
    bool active_ = false;
    uint64_t session_ = 0; // counts Start and Stop, so a handler that ends the watch is noticed
    std::optional<ServerExchange> exchange_;
    Challenges challenges_;
    QTimer askTimer_;
    CResends resends_;
    QTimer silenceTimer_;
    int askMs_ = kAskIntervalMs;
    int silenceMs_ = kSilenceMs;
};
