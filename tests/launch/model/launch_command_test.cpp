// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/command_line.h"
#include "launch/model/launch_command.h"

#include <gtest/gtest.h>

TEST(LaunchCommand, ParametersAsTheGameExpectsThem)
{
    AppSettings s;
    s.modFolder = "znk";
    s.console = true;
    EXPECT_EQ(JoinCommand(s, "10.0.0.1:27015", std::nullopt).parameters, "-game znk  -console +connect 10.0.0.1:27015");
    EXPECT_EQ(JoinCommand(s, "10.0.0.1:27015", std::string("se cret")).parameters,
              "-game znk  -console +connect 10.0.0.1:27015 +password \"se cret\"");
    // Quotes and backslashes are escaped as the game's C runtime reads them back.
    EXPECT_EQ(JoinCommand(s, "10.0.0.1:27015", std::string("a\"b\\")).parameters,
              "-game znk  -console +connect 10.0.0.1:27015 +password \"a\\\"b\\\\\"");
    EXPECT_EQ(SplitWindowsCommandLine(JoinCommand(s, "1.2.3.4:27015", std::string("a\"b\\")).parameters).back(),
              "a\"b\\");
    EXPECT_EQ(
        JoinCommand(s, "10.0.0.1:27015", std::string("a\" b")).arguments,
        (std::vector<std::string>{"-game", "znk", "-console", "+connect", "10.0.0.1:27015", "+password", "a\" b"}));
    EXPECT_EQ(JoinCommand(s, "10.0.0.1:27015", std::string()).parameters,
              "-game znk  -console +connect 10.0.0.1:27015 +password \"\"");
    s.console = false;
    EXPECT_EQ(JoinCommand(s, "10.0.0.1:27015", std::nullopt).parameters, "-game znk  +connect 10.0.0.1:27015");
    s.otherArguments = "-dev";
    LaunchCommand server;
    for (const char* argument : {"+maxplayers", "8", "+map", "dusk"})
        server.Add(argument);
    EXPECT_EQ(GameCommand(s, server).parameters, "-game znk -dev +maxplayers 8 +map dusk");

    ServerRecord r;
    r.info = "Capture|Dedicated//Linux Server|Password: Yes";
    EXPECT_TRUE(IsPasswordProtected(r));
    r.info = "Capture|Dedicated//Linux Server|Password: yes";
    EXPECT_FALSE(IsPasswordProtected(r));
    r.info = "es";
    EXPECT_FALSE(IsPasswordProtected(r));
    EXPECT_EQ(PasswordPrompt("My Server"), "\"My Server\" is \"Passworded\"");
}
