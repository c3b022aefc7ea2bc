// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/friend_alerts.h"

#include "settings/server_store.h"
#include "ui/display_text.h"

#include <QSystemTrayIcon>
#include <ctime>

CFriendAlerts::CFriendAlerts(ServerStore& store, std::function<void(const QString&, int)> statusLine, const QIcon& icon,
                             QObject* parent)
    : QObject(parent), now([] { return static_cast<int64_t>(std::time(nullptr)); }), store_(store),
      statusLine_(std::move(statusLine)), icon_(icon)
{
}

CFriendAlerts::~CFriendAlerts() = default;

void CFriendAlerts::Heard(const std::string& address, const std::vector<std::string>& names)
{
    const std::vector<std::string> seen = sightings_.Seen(store_.friends().Friends(), address, names, now());
    if (seen.empty())
        return;
    const QString server = DisplayLine(store_.KnownName(address));
    for (const std::string& name : seen) {
        const QString text = QString("%1 is playing on %2").arg(DisplayLine(name), server);
        // The tray is made on the first friend seen: a desktop without friends to tell of keeps
        // no icon of ours.
        if (!tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
            tray_ = new QSystemTrayIcon(icon_, this);
            tray_->setToolTip("ZNK Tool");
            tray_->show();
        }
        if (tray_ && QSystemTrayIcon::supportsMessages())
            tray_->showMessage("ZNK Tool", text, QSystemTrayIcon::Information);
        else if (statusLine_)
            statusLine_(text, kStatusMs);
        Q_EMIT alerted(text);
    }
}
