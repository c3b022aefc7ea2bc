// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/path.h"
#include "gameconfig/settings_binds.h"
#include "gameconfig/settings_dlg.h"
#include "gameconfig/settings_main.h"
#include "gameconfig/settings_misc.h"
#include "platform/platform.h"
#include "test_support/page_parts.h"
#include "test_support/widgets.h"

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
class SettingsPage : public ::testing::Test, protected PageParts {
protected:
    using Main = CSettingsMain;
    using Misc = CSettingsMisc;
    using Binds = CSettingsBinds;

    void SetUp() override
    {
        settings.SetGamePath(JoinPath(dir.File("game"), "hl.sh"));
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
        window = std::make_unique<CSettingsDlg>(context);
        page = window->mainPage();
        window->show();
    }

    // Fills the page as at start-up and waits until it is done.
    void Load()
    {
        loader.Start();
        ASSERT_TRUE(loader.WaitUntilIdle(5000));
    }

    std::unique_ptr<CSettingsDlg> window;
    CSettingsMain* page = nullptr;
    int locationChanges = 0;

    CSettingsMisc* misc() const { return window->miscPage(); }
    CSettingsBinds* binds() const { return window->bindsPage(); }
    // A control of a page by its id.
    template <class T = QWidget> T* OnMain(int id) const { return FindById<T>(page, id); }
    template <class T = QWidget> T* OnMisc(int id) const { return FindById<T>(misc(), id); }
    template <class T = QWidget> T* OnBinds(int id) const { return FindById<T>(binds(), id); }
};
