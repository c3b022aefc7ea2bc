// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/recent_menu.h"

#include "settings/server_store.h"
#include "ui/control_id.h"
#include "ui/display_text.h"

#include <QDateTime>
#include <QMenu>

void AddRecentServersMenu(QMenu* menu, const ServerStore& store, std::function<void(const std::string&)> join,
                          std::function<void(const std::string&, const std::string&)> addToFavorites)
{
    QMenu* recent = menu->addMenu(RecentServersMenu::kTitle);
    SetControlId(recent->menuAction(), RecentServersMenu::kMenuId);
    QObject::connect(recent, &QMenu::aboutToShow, recent, [recent, &store, join, addToFavorites] {
        // The server submenus of the last opening are the menu's children: clear() alone keeps them.
        for (QAction* line : recent->actions())
            if (QMenu* old = line->menu())
                old->deleteLater();
        recent->clear();
        if (store.recent.Entries().empty()) {
            AddInfoLine(recent, RecentServersMenu::kNoneText);
            return;
        }
        for (const RecentServers::Entry& entry : store.recent.Entries()) {
            const QString when =
                QDateTime::fromSecsSinceEpoch(entry.joined).toString(QStringLiteral("d MMM yyyy hh:mm"));
            // The name is the server's own text: a '&' in it is no mnemonic, a tab no column.
            const QString whole = DisplayLine(entry.name.empty() ? entry.address : entry.name);
            QString name = MenuName(whole);
            const bool cut = name != whole;
            name.replace('&', "&&");
            QMenu* server = recent->addMenu(name + '\t' + when);
            if (cut) {
                server->menuAction()->setToolTip(PlainToolTip(whole));
                recent->setToolTipsVisible(true);
            }
            AddInfoLine(server, QString::fromStdString(entry.address));
            server->addSeparator();
            const std::string address = entry.address;
            QObject::connect(AddCommand(server, RecentServersMenu::kJoinId, "Join"), &QAction::triggered, server,
                             [join, address] { join(address); });
            QObject::connect(AddCommand(server, RecentServersMenu::kAddToFavoritesId, "Add to Favorites"),
                             &QAction::triggered, server,
                             [addToFavorites, address, &store] { addToFavorites(address, store.KnownName(address)); });
        }
    });
}
