// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CReportListCtrl;
class QMenu;
class QWidget;

// What the browser and the player search both show of a server: its players (name, score, play
// time, id) and its rules (name, value), filling a list in the order they came.
void ShowPlayers(CReportListCtrl* list, const std::vector<PlayerEntry>& players);
void ShowRules(CReportListCtrl* list, const std::vector<std::pair<std::string, std::string>>& rules);

// The menu over a players list: "Add to Friends List" and "Remove from Friends List" with the
// page's own command ids. The caller owns it.
QMenu* FriendsMenu(QWidget* owner, int addId, int removeId, std::function<void()> add, std::function<void()> remove);
