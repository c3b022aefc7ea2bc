#pragma once
#include "core/path.h"
#include "gameconfig/settings_dlg.h"
#include "gameconfig/settings_binds.h"
#include "gameconfig/settings_main.h"
#include "gameconfig/settings_misc.h"
#include "gamefiles/settings_loader.h"
#include "platform/platform.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/page_context.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>



// What a load of the settings pages appends to a config.cfg that lacks the misc page's five
// text options: each is written back as read, empty.
inline const std::string kMiscTextsAppended =
    "\r\nfps_max \"\"\r\nnet_graph \"\"\r\nsensitivity \"\"\r\nMP3Volume \"\"\r\nmp_decals \"\"";

inline const std::string kRegistryHeader = std::string("[") + platform::kGameRegistrySection + "]\r\n";

// The settings window alone, over a game in a fresh working folder: znk/config.cfg and
// znk/liblist.gam as the test writes them, the game's registry values in registry.ini.
class SettingsPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.workFolder = dir.Path();
        settings.SetGamePath(JoinPath(dir.File("game"), "hl.sh"));
        settings.SetFirstRunDefaults();
        settings.otherArguments = "-dev";
        std::filesystem::create_directories(Mod(""));
        WriteText(JoinPath(dir.File("game"), "hl.sh"), "#!/bin/sh\n");
    }

    void Build()
    {
        settings.gameLocationChanged = [this] {
            ++locationChanges;
            loader.Start();
        };
        window = std::make_unique<CSettingsDlg>(*context);
        page = window->mainPage();
        window->show();
    }

    // Fills the page as at start-up and waits until it is done.
    void Load()
    {
        loader.Start();
        ASSERT_TRUE(loader.WaitUntilIdle(5000));
    }

    std::string Mod(const std::string& file) const { return JoinPath(dir.File("game"), "znk", file); }

    ScopedWorkDir dir;
    AppSettings settings;
    ServerStore store {dir.Path()};
    CQueryEngine engine {settings, store};
    CSettingsLoader loader {settings};
    QStringList messages;
    std::unique_ptr<PageContext> context = std::make_unique<PageContext>(PageContext {
        settings, store, engine, loader, [this](const QString& title, const QString& text) { messages << title + "|" + text; },
        {}});
    std::unique_ptr<CSettingsDlg> window;
    CSettingsMain* page = nullptr;
    int locationChanges = 0;

    CSettingsMisc* misc() const { return window->miscPage(); }
    CSettingsBinds* binds() const { return window->bindsPage(); }
    // On the box itself, where a user clicks (a wide check box takes no click past its text).
    static void Tick(QAbstractButton* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    static void Choose(QComboBox* combo, int index)
    {
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index); // the user's confirmed choice
    }
};


