// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "platform/platform.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/work_dir.h"
#include "ui/page_context.h"

#include <QStringList>
#include <string>
#include <vector>

// What a page is built over in a test, as the application would hand it: settings whose work
// folder is a fresh folder with the game in "game" inside it (the mod "znk"), a store in that
// folder, the query engine and the settings loader. What the page tells the user, and the
// consoles it asks to open, are collected instead of shown.
struct PageParts {
    PageParts()
    {
        settings.workFolder = dir.Path();
        settings.settingsPath = dir.File(AppSettings::kFileName);
        settings.SetGamePath(JoinPath(dir.File("game"), kClientExeName));
        settings.SetFirstRunDefaults();
        settings.ApplyDefaults();
    }

    // A file of the mod's folder.
    std::string Mod(const std::string& file) const { return JoinPath(dir.File("game"), "znk", file); }

    ScopedWorkDir dir;
    AppSettings settings;
    ServerStore store{dir.Path()};
    CQueryEngine engine{settings, store};
    CSettingsLoader loader{settings};
    QStringList messages; // the text of each message, in order
    QStringList titles;   // and its title
    std::vector<std::string> consolesOpened;
    PageContext context{settings,
                        store,
                        engine,
                        loader,
                        [this](const QString& title, const QString& text) {
                            titles << title;
                            messages << text;
                        },
                        [this](const std::string& address) { consolesOpened.push_back(address); }};
};
