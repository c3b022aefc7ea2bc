// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the znktool.conf of a demo folder: the game is the demo's stand-in client in
// DIR/game, the mod is "znk", the master server the simulated one given (a.b.c.d:port). Its
// Options.ini points Find LAN Servers at the farm on 127.0.0.1: with no LAN targets the search
// would broadcast on every network the machine is on. Given the simulated Steam Web API's base
// address, "Steam Default" is the master and Options.ini holds that address and the key "demo".
// Used by `make run` on its scratch copy of the demo.
#include "core/path.h"
#include "core/text_file.h"
#include "platform/platform.h"
#include "settings/app_settings.h"
#include "settings/tool_options.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: demo_setup DIR [MASTER [WEBAPI_URL]]\n");
        return 2;
    }
    char* real = ::realpath(argv[1], nullptr);
    if (!real) {
        std::fprintf(stderr, "demo_setup: no folder %s\n", argv[1]);
        return 1;
    }
    const std::string dir = real;
    std::free(real);

    AppSettings s;
    s.workFolder = dir;
    s.settingsPath = JoinPath(dir, AppSettings::kFileName);
    s.SetGamePath(JoinPath(dir, "game", kClientExeName));
    s.SetFirstRunDefaults();
    if (argc >= 3)
        s.masterServer = argv[2];
    if (argc == 4)
        s.masterServer = AppSettings::kSteamDefaultMaster;
    // Sorted by ping, quickest first, as a player would look at them.
    s.serverSortColumn = 2;
    s.serverSortFlag = true;
    s.Save(false);
    if (s.lastSaveFailed) {
        std::fprintf(stderr, "demo_setup: cannot write %s\n", s.settingsPath.c_str());
        return 1;
    }
    // A target without a port is asked at the ports of the farm's first servers (27015 on).
    ToolOptions options;
    options.lanTargets = {"127.0.0.1"};
    if (argc == 4) {
        options.webApiUrl = argv[3];
        options.webApiKey = "demo";
    }
    if (!options.Save(JoinPath(dir, ToolOptions::kFileName))) {
        std::fprintf(stderr, "demo_setup: cannot write %s\n", JoinPath(dir, ToolOptions::kFileName).c_str());
        return 1;
    }
    // The game's screen settings, which Windows keeps in its registry; here the file that
    // stands in for the registry key.
    WriteTextLines(JoinPath(dir, platform::kRegistryFileName),
                   {std::string("[") + platform::kGameRegistrySection + "]", "EngineModeW=1024", "EngineModeH=768",
                    "EngineModeWindowed=0"});
    return 0;
}
