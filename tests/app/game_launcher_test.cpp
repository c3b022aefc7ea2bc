#include "app/game_launcher.h"
#include "app/input_box.h"
#include "app/launch_command.h"
#include "core/command_line.h"
#include "app_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <sys/stat.h>

TEST(LaunchCommand, ParametersAsTheGameExpectsThem)
{
    AppSettings s;
    s.modFolder = "znk";
    s.console = true;
    EXPECT_EQ(BuildJoinParameters(s, "10.0.0.1:27015", std::nullopt), "-game znk  -console +connect 10.0.0.1:27015");
    EXPECT_EQ(BuildJoinParameters(s, "10.0.0.1:27015", std::string("se cret")),
              "-game znk  -console +connect 10.0.0.1:27015 +password \"se cret\"");
    // Quotes and backslashes are escaped as the game's C runtime reads them back.
    EXPECT_EQ(BuildJoinParameters(s, "10.0.0.1:27015", std::string("a\"b\\")),
              "-game znk  -console +connect 10.0.0.1:27015 +password \"a\\\"b\\\\\"");
    EXPECT_EQ(SplitWindowsCommandLine(BuildJoinParameters(s, "1.2.3.4:27015", std::string("a\"b\\"))).back(),
              "a\"b\\");
    EXPECT_EQ(BuildJoinArguments(s, "10.0.0.1:27015", std::string("a\" b")),
              (std::vector<std::string>{"-game", "znk", "-console", "+connect", "10.0.0.1:27015", "+password", "a\" b"}));
    EXPECT_EQ(BuildJoinParameters(s, "10.0.0.1:27015", std::string()),
              "-game znk  -console +connect 10.0.0.1:27015 +password \"\"");
    s.console = false;
    EXPECT_EQ(BuildJoinParameters(s, "10.0.0.1:27015", std::nullopt), "-game znk  +connect 10.0.0.1:27015");
    s.otherArguments = "-dev";
    EXPECT_EQ(BuildServerParameters(s, "+maxplayers 8 +map dusk"), "-game znk -dev +maxplayers 8 +map dusk");

    ServerRecord r;
    r.info = "Capture|Dedicated//Linux Server|Password: Yes";
    EXPECT_TRUE(IsPasswordProtected(r));
    r.info = "Capture|Dedicated//Linux Server|Password: yes";
    EXPECT_FALSE(IsPasswordProtected(r));
    r.info = "es";
    EXPECT_FALSE(IsPasswordProtected(r));
    EXPECT_EQ(PasswordPrompt("My Server"), "\"My Server\" is \"Passworded\"");
}

namespace {

// A game folder whose client and server record how they were started.
class Launcher : public StartedApp {
protected:
    void Prepare(AppSettings& s) override
    {
        std::filesystem::create_directories(s.gameFolder);
        for (const char* name : {kClientExeName, kServerExeName}) {
            const std::string path = JoinPath(s.gameFolder, name);
            WriteText(path, std::string("#!/bin/sh\n"
                                        "out=\"$(dirname \"$0\")/launch.txt\"\n"
                                        "{ echo \"") + name + " $(pwd)\"; for a in \"$@\"; do echo \"[$a]\"; done; } > \"$out.tmp\"\n"
                                        "mv \"$out.tmp\" \"$out\"\n");
            ::chmod(path.c_str(), 0755);
        }
        s.console = true;
    }

    std::string Launched()
    {
        const std::string path = JoinPath(app->settings.gameFolder, "launch.txt");
        if (!QTest::qWaitFor([&] { return FileExists(path); }, 5000))
            return "(nothing launched)";
        return ReadText(path);
    }

    std::string game() const { return app->settings.gameFolder; }
};

} // namespace

TEST_F(Launcher, JoinStartsTheClientInTheGameFolder)
{
    ASSERT_TRUE(JoinServer("10.0.0.1:27015"));
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+connect]\n[10.0.0.1:27015]\n");
    // An address nobody knew gets a record and needs no password.
    EXPECT_EQ(app->FindOrCreateRecord("10.0.0.1:27015")->name, "10.0.0.1:27015");
}

TEST_F(Launcher, PasswordServerAsksFirstAndPassesTheTextUnchanged)
{
    ServerRecord* r = app->FindOrCreateRecord("10.0.0.2:27016");
    r->name = "Locked";
    r->info = "x|Dedicated//Linux Server|Password: Yes";
    InputBoxSeen seen;
    AnswerInputBox(*main, "p\"w d", true, &seen);
    ASSERT_TRUE(JoinServer("10.0.0.2:27016"));
    EXPECT_EQ(seen.title, "Password");
    EXPECT_EQ(seen.prompt, "\"Locked\" is \"Passworded\"");
    // The whole password, quote and space included, arrives as one argument.
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+connect]\n[10.0.0.2:27016]\n[+password]\n[p\"w d]\n");
}

TEST_F(Launcher, CancelAtThePasswordLaunchesNothing)
{
    app->FindOrCreateRecord("10.0.0.3:27015")->info = "||Password: Yes";
    AnswerInputBox(*main, QString(), false);
    EXPECT_EQ(JoinServer("10.0.0.3:27015"), nullptr);
    QTest::qWait(300);
    EXPECT_FALSE(FileExists(JoinPath(game(), "launch.txt")));
}

TEST_F(Launcher, DedicatedLaunchStartsTheServerProgram)
{
    app->settings.dedicated = true;
    app->settings.priority = -1;
    ASSERT_TRUE(LaunchWithParameters("+maxplayers 8"));
    EXPECT_EQ(Launched(), std::string(kServerExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+maxplayers]\n[8]\n");
}
