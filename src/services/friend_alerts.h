// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "search/model/friend_sightings.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QSystemTrayIcon;
class ServerStore;

// Tells the user when a friend (from the friends list) is among the players a server sent:
// "<friend> is playing on <server>", once per friend and server an hour. Through the system
// tray's message where the desktop has a tray; otherwise on the status line it is given.
class CFriendAlerts : public QObject {
    Q_OBJECT
public:
    static constexpr int kStatusMs = 15000;

    // icon: what the tray shows for the program.
    CFriendAlerts(ServerStore& store, std::function<void(const QString& text, int ms)> statusLine,
                  const QIcon& icon = QIcon(), QObject* parent = nullptr);
    ~CFriendAlerts() override;

    void Heard(const std::string& address, const std::vector<std::string>& names);

    // Seconds since 1970; tests move time on.
    std::function<int64_t()> now;

Q_SIGNALS:
    void alerted(const QString& text);

private:
    ServerStore& store_;
    std::function<void(const QString&, int)> statusLine_;
    FriendSightings sightings_;
    QIcon icon_;
    QSystemTrayIcon* tray_ = nullptr;
};
