// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch/game_launcher.h"
#include "test_support/recording_game.h"

#include <gtest/gtest.h>

namespace {

using Launcher = RecordingGame;

} // namespace

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
