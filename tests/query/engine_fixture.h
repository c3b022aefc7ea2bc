// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "browser/server_browser_dlg.h"
#include "gamefiles/settings_loader.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"
#include "test_support/widgets.h"
#include "ui/page_context.h"
#include "ui/sort_list_ctrl.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// The engine on simulated servers with a 0.2 s time-out, and the browser page that shows what
// it tells (the four lists a user sees).
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

    static std::vector<std::string> Column(const CReportListCtrl& list, int column)
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
    CSettingsLoader loader{app.settings};
    PageContext context{app.settings, store, engine, loader, {}, {}};
    CServerBrowserDlg page{context};
    CSrvListCtrl& servers = *FindById<CSrvListCtrl>(&page, CServerBrowserDlg::IdServers);
    CFavListCtrl& favorites = *FindById<CFavListCtrl>(&page, CServerBrowserDlg::IdFavorites);
    CSortListCtrl& players = *FindById<CSortListCtrl>(&page, CServerBrowserDlg::IdPlayers);
    CSortListCtrl& rules = *FindById<CSortListCtrl>(&page, CServerBrowserDlg::IdRules);
    sim::SimFarm farm;
};
