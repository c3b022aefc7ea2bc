// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/path.h"
#include "core/text_file.h"
#include "fuzz_cvar_files.h"
#include "fuzz_files.h"
#include "server/model/server_options.h"

namespace {

// What the page shows after it wrote values back: a NUL in a value is written as a blank.
bool SameValues(const CreateServerValues& read, const CreateServerValues& written)
{
    for (int i = 0; i < kServerVariableCount; ++i)
        if (read.variables[i] != OneLine(written.variables[i]))
            return false;
    return read.wishLimit == OneLine(written.wishLimit) && read.fragLimit == OneLine(written.fragLimit) &&
           read.timeLimit == OneLine(written.timeLimit) && read.fallingDamage == written.fallingDamage &&
           read.gameMode == written.gameMode && read.switches == written.switches;
}

void CheckValues(const CreateServerValues& v)
{
    FUZZ_CHECK(v.fallingDamage == 0 || v.fallingDamage == 1);
    FUZZ_CHECK(v.gameMode >= 0 && v.gameMode < kGameModeCount);
    for (const std::string* text : {&v.wishLimit, &v.fragLimit, &v.timeLimit})
        FUZZ_CHECK(OneValue(*text));
    for (const std::string& variable : v.variables)
        FUZZ_CHECK(!variable.empty() && OneValue(variable));
}

// Files written from the pieces of text cut at form feeds: game.cfg, listenserver.cfg,
// server.cfg; a piece that is not there (fewer form feeds) is a file that is not there.
void WriteFiles(const ScratchFolder& scratch, const std::string& input)
{
    std::string rest = input;
    bool present = true;
    for (const char* name : {kGameRulesFile, kListenServerFile, kServerConfigFile}) {
        if (!present) {
            scratch.Remove(name);
            continue;
        }
        std::string piece, after;
        present = SplitAtFormFeed(rest, piece, after);
        scratch.Write(name, piece);
        rest = after;
    }
}

} // namespace

// The Create Server page's files. Filled from them, the page writes back what it shows: filled
// again it shows the same and changes no line; a rule or a variable set reads back as set.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ScratchFolder& scratch = Scratch();
    WriteFiles(scratch, AsText(data, size));
    CvarFiles files(scratch.folder(), scratch.folder());

    const CreateServerValues shown = ReadCreateServerValues(files);
    CheckValues(shown);
    WriteCreateServerFill(files, shown);
    std::vector<std::string> filled;
    for (const char* name : {kGameRulesFile, kListenServerFile, kServerConfigFile})
        filled.push_back(FileText(files, name));

    const CreateServerValues again = ReadCreateServerValues(files);
    FUZZ_CHECK(SameValues(again, shown));
    WriteCreateServerFill(files, again);
    size_t i = 0;
    for (const char* name : {kGameRulesFile, kListenServerFile, kServerConfigFile})
        FUZZ_CHECK(SameButEmptyLastLines(FileText(files, name), filled[i++]));

    // One change each: a list's position, a switch, a variable.
    const int mode = static_cast<int>(size % kGameModeCount);
    WriteGameRule(files, GameRule::GameMode, mode);
    const int sw = static_cast<int>(size % kServerSwitchCount);
    WriteServerSwitch(files, sw, !shown.switches[sw]);
    const int var = static_cast<int>(size % kServerVariableCount);
    WriteServerVariable(files, var, "2.5");
    const CreateServerValues changed = ReadCreateServerValues(files);
    CheckValues(changed);
    FUZZ_CHECK(changed.gameMode == mode);
    FUZZ_CHECK(changed.switches[sw] == !shown.switches[sw]);
    for (int k = 0; k < kServerSwitchCount; ++k)
        FUZZ_CHECK(k == sw || changed.switches[k] == shown.switches[k]);
    const bool variablesFile = FileExists(files.Path(kListenServerFile)) || FileExists(files.Path(kServerConfigFile));
    FUZZ_CHECK(changed.variables[var] == (variablesFile ? "2.5" : kServerVariables[var].defaultValue));
    return 0;
}
