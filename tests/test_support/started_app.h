// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/main_dlg.h"
#include "app/tool_app.h"
#include "core/path.h"
#include "settings/app_settings.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>
#include <memory>

// A started program in a fresh working folder whose znktool.conf points at a game folder
// "game" inside it. Messages are collected instead of shown.
class StartedApp : public ::testing::Test {
protected:
    // Called before Start(): change the settings that go into znktool.conf.
    virtual void Prepare(AppSettings&) {}

    void SetUp() override
    {
        AppSettings s;
        s.settingsPath = dir.File("znktool.conf");
        s.SetGamePath(JoinPath(dir.File("game"), kClientExeName));
        s.SetFirstRunDefaults();
        Prepare(s);
        s.Save(false);
        app = std::make_unique<CToolApp>();
        app->messageHandler = [this](const QString&, const QString& text) { messages << text; };
        app->exitHandler = [](int) {};
        // Nothing here needs sound: the system's output would load sound libraries whose
        // configuration, cached for the whole process, is reported as leaked once they unload.
        app->audioOutput = {"dummy", ""};
        ASSERT_TRUE(app->Start());
        main = app->mainWnd();
    }

    void TearDown() override
    {
        if (app)
            app->Shutdown();
        app.reset();
    }

    ScopedWorkDir dir;
    std::unique_ptr<CToolApp> app;
    CMainDlg* main = nullptr;
    QStringList messages;
};
