// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/server_details.h"

#include "ui/control_id.h"
#include "ui/sort_list_ctrl.h"

#include <QAction>
#include <QMenu>

void ShowPlayers(CReportListCtrl* list, const std::vector<PlayerEntry>& players)
{
    list->DeleteAllItems();
    for (const PlayerEntry& p : players) {
        const int row = list->InsertItem(list->GetItemCount(), p.name);
        list->SetItemText(row, 1, p.score);
        list->SetItemText(row, 2, p.time);
        list->SetItemText(row, 3, p.id);
    }
}

void ShowRules(CReportListCtrl* list, const std::vector<std::pair<std::string, std::string>>& rules)
{
    list->DeleteAllItems();
    for (const auto& [name, value] : rules) {
        const int row = list->InsertItem(list->GetItemCount(), name);
        list->SetItemText(row, 1, value);
    }
}

QMenu* FriendsMenu(QWidget* owner, int addId, int removeId, std::function<void()> add, std::function<void()> remove)
{
    auto* menu = new QMenu(owner);
    QObject::connect(AddCommand(menu, addId, "Add to Friends List"), &QAction::triggered, owner, std::move(add));
    QObject::connect(AddCommand(menu, removeId, "Remove from Friends List"), &QAction::triggered, owner,
                     std::move(remove));
    return menu;
}
