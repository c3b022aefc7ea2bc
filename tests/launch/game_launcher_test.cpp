// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"
#include "launch/game_launcher.h"
#include "settings/server_store.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/join_server.h"

#include <QTest>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A game folder whose client and server record how they were started.
class Launcher : public ::testing::Test {
protected:
    Launcher()
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
    CHLThread* Join(const std::string& address) { return JoinWithPassword(settings, store, address, &window); }

    ScopedWorkDir dir;
    AppSettings settings;
    ServerStore store{dir.Path()};
    QWidget window; // what the password box belongs to
};

} // namespace

TEST_F(Launcher, JoinStartsTheClientInTheGameFolder)
{
    ASSERT_TRUE(Join("10.0.0.1:27015"));
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+connect]\n[10.0.0.1:27015]\n");
    // An address nobody knew gets a record and needs no password.
    EXPECT_EQ(store.FindOrCreateRecord("10.0.0.1:27015")->name, "10.0.0.1:27015");
}

TEST_F(Launcher, PasswordServerAsksFirstAndPassesTheTextUnchanged)
{
    ServerRecord* r = store.FindOrCreateRecord("10.0.0.2:27016");
    r->name = "Locked";
    r->info = "x|Dedicated//Linux Server|Password: Yes";
    InputBoxSeen seen;
    AnswerInputBox(window, "p\"w d", true, &seen);
    ASSERT_TRUE(Join("10.0.0.2:27016"));
    EXPECT_EQ(seen.title, "Password");
    EXPECT_EQ(seen.prompt, "\"Locked\" is \"Passworded\"");
    // The whole password, quote and space included, arrives as one argument.
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+connect]\n[10.0.0.2:27016]\n[+password]\n[p\"w d]\n");
}

TEST_F(Launcher, CancelAtThePasswordLaunchesNothing)
{
    store.FindOrCreateRecord("10.0.0.3:27015")->info = "||Password: Yes";
    AnswerInputBox(window, QString(), false);
    EXPECT_EQ(Join("10.0.0.3:27015"), nullptr);
    QTest::qWait(300);
    EXPECT_FALSE(FileExists(JoinPath(game(), "launch.txt")));
}

TEST_F(Launcher, DedicatedLaunchStartsTheServerProgram)
{
    settings.dedicated = true;
    settings.priority = -1;
    // Where no C runtime splits a text, the list arrives as it is.
    LaunchCommand server;
    server.Add("+maxplayers");
    server.Add("8");
    server.Add("+hostname");
    server.AddQuoted("a \" b");
    ASSERT_TRUE(LaunchWithParameters(settings, server));
    EXPECT_EQ(Launched(), std::string(kServerExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+maxplayers]\n[8]\n[+hostname]\n[a \" b]\n");
}
