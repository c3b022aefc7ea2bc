// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/path.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/work_dir.h"

#include <QTest>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

// A game folder whose client and server write down how they were started (the program, its
// working folder, then each argument in brackets) into launch.txt beside them.
class RecordingGame : public ::testing::Test {
protected:
    RecordingGame()
    {
        AppSettings& s = settings;
        s.SetGamePath(JoinPath(dir.File("game"), kClientExeName));
        s.SetFirstRunDefaults();
        std::filesystem::create_directories(s.gameFolder);
        for (const char* name : {kClientExeName, kServerExeName}) {
            const std::string path = JoinPath(s.gameFolder, name);
            WriteText(path, std::string("#!/bin/sh\n"
                                        "out=\"$(dirname \"$0\")/launch.txt\"\n"
                                        "{ echo \"") +
                                name +
                                " $(pwd)\"; for a in \"$@\"; do echo \"[$a]\"; done; } > \"$out.tmp\"\n"
                                "mv \"$out.tmp\" \"$out\"\n");
            ::chmod(path.c_str(), 0755);
        }
        s.console = true;
    }

    std::string Launched()
    {
        const std::string path = JoinPath(settings.gameFolder, "launch.txt");
        if (!QTest::qWaitFor([&] { return FileExists(path); }, 5000))
            return "(nothing launched)";
        return ReadText(path);
    }

    std::string game() const { return settings.gameFolder; }

    ScopedWorkDir dir;
    AppSettings settings;
    ServerStore store{dir.Path()};
    QWidget window; // what a password box belongs to
};
