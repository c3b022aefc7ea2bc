// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "browser/server_browser_dlg.h"
#include "gamefiles/settings_loader.h"
#include "query/list_roles.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"
#include "test_support/refresh_engine_peer.h"
#include "test_support/widgets.h"
#include "ui/page_context.h"
#include "ui/sort_list_ctrl.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// One of the engine's server lists as the user reads it: the rows of its model, sorted and
// filtered as the browser shows them.
class ShownList {
public:
    explicit ShownList(const QAbstractItemModel& rows) : rows_(rows) {}
    const QAbstractItemModel* model() const { return &rows_; }
    int GetItemCount() const { return rows_.rowCount(); }
    QString GetItemText(int row, int column) const { return rows_.index(row, column).data().toString(); }
    std::string GetItemTextStd(int row, int column) const
    {
        return rows_.index(row, column).data(ListRole::Bytes).toByteArray().toStdString();
    }

private:
    const QAbstractItemModel& rows_;
};

// A list's rows, columns joined with " | ".
inline std::vector<std::string> Rows(const ShownList* list)
{
    std::vector<std::string> rows;
    for (int r = 0; r < list->GetItemCount(); ++r) {
        std::string row;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            row += (c ? " | " : "") + list->GetItemTextStd(r, c);
        rows.push_back(row);
    }
    return rows;
}

// The engine on simulated servers with a 0.2 s time-out, and its two server lists as the
// browser shows them.
class Engine : public ::testing::Test {
protected:
    static AppSettings TestSettings()
    {
        AppSettings s;
        s.timeout = 0.2f;
        s.modFolder = "znk";
        s.serverSortColumn = 4; // by address, so that orders are known
        s.serverSortFlag = true;
        return s;
    }

    sim::SimGameServer& AddServer(const std::string& name, int delayMs = 0)
    {
        sim::GameServerConfig c;
        c.label = name;
        c.hostname = name;
        c.map = "map_" + name;
        c.players = {{"alpha", 12, 125.7f}, {"beta", -3, 59.9f}};
        c.rules = {{"mp_timelimit", "30"}, {"sv_gravity", "800"}};
        c.behaviour.delayMs = delayMs;
        return farm.AddGameServer(c);
    }

    sim::SimMaster& AddMaster(sim::SimMasterFlavour flavour)
    {
        sim::MasterConfig m;
        m.flavour = flavour;
        m.listAllGameServers = true;
        return farm.AddMaster(m);
    }

    void StartFarm()
    {
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    }

    // A server in a list as a last run left it: its record holds what fields give.
    ServerRecord* List(ServerList list, const std::string& address, const ServerFields& fields = {})
    {
        ServerRecord* record = store.TakeReply(address, fields);
        store.Append(list, record);
        return record;
    }

    static std::vector<std::string> Column(const ShownList& list, int column)
    {
        std::vector<std::string> out;
        for (int row = 0; row < list.GetItemCount(); ++row)
            out.push_back(list.GetItemTextStd(row, column));
        return out;
    }

    bool WaitForProgressEnd(int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] { return refresh.progressUpper() > 0 && refresh.progressPos() == refresh.progressUpper(); }, ms);
    }

    struct {
        AppSettings settings = TestSettings();
    } app;
    ServerStore store;
    CQueryEngine engine{app.settings, store};
    CRefreshEngine& refresh = engine.refresh();
    RefreshEnginePeer inside{refresh};
    ShownList servers{engine.lists().view(ServerList::Servers)};
    ShownList favorites{engine.lists().view(ServerList::Favorites)};
    sim::SimFarm farm;
};

// The engine and the browser page over it, for what only the page shows: the players and rules
// of the selected server.
class EngineAndPage : public Engine {
protected:
    CSettingsLoader loader{app.settings};
    PageContext context{app.settings, store, engine, loader, {}, {}};
    CServerBrowserDlg page{context};
    CSortListCtrl& players = *FindById<CSortListCtrl>(&page, CServerBrowserDlg::IdPlayers);
    CSortListCtrl& rules = *FindById<CSortListCtrl>(&page, CServerBrowserDlg::IdRules);
};
