// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/path.h"
#include "core/text_file.h"
#include "fuzz_cvar_files.h"
#include "fuzz_files.h"
#include "gameconfig/model/client_options.h"
#include "settings/app_settings.h"

#include <algorithm>

namespace {

void CheckMisc(const MiscOptionValues& v)
{
    FUZZ_CHECK(v.fxPosition >= -1 && v.fxPosition < kFxQualityCount);
    FUZZ_CHECK(v.beamPosition >= -1 && v.beamPosition < kBeamQualityCount);
    for (const std::string& text : v.texts)
        FUZZ_CHECK(OneValue(text));
    for (const auto& [key, value] : v.writeBack)
        FUZZ_CHECK(!key.empty() && OneValue(value));
}

// The misc page filled from the file writes back what it shows (a NUL in it as a blank, as every
// value is written): filled again, it shows the same and changes no line.
void CheckMiscFill(CvarFiles& files, const AppSettings& settings)
{
    LoadClientConfig(files);
    const MiscOptionValues shown = ReadMiscOptionValues(files, settings);
    CheckMisc(shown);
    WriteMiscFill(files, shown);
    const std::string filled = FileText(files, kClientConfigFile);

    LoadClientConfig(files);
    const MiscOptionValues again = ReadMiscOptionValues(files, settings);
    FUZZ_CHECK(again.hiModels == shown.hiModels && again.dustTrails == shown.dustTrails &&
               again.rocks3d == shown.rocks3d);
    for (int i = 0; i < kClientTextCount; ++i)
        FUZZ_CHECK(again.texts[i] == OneLine(shown.texts[i]));
    FUZZ_CHECK(again.fxPosition == shown.fxPosition && again.beamPosition == shown.beamPosition);
    WriteMiscFill(files, again);
    FUZZ_CHECK(SameButEmptyLastLines(FileText(files, kClientConfigFile), filled));
}

size_t CountKey(const std::vector<Binding>& binds, const std::string& key)
{
    return static_cast<size_t>(
        std::count_if(binds.begin(), binds.end(), [&](const Binding& b) { return b.key == key; }));
}

// A binding set reads back, in place of the key's line or added; removed, the key's lines are
// gone and the other bindings stay as they were.
void CheckBinds(const CvarFiles& files, const std::string& input)
{
    const std::vector<Binding> binds = ReadBinds(files);
    for (const Binding& b : binds)
        FUZZ_CHECK(b.key.find('"') == std::string::npos && b.command.find('"') == std::string::npos);

    std::string key = "w";
    for (const Binding& b : binds)
        if (!b.key.empty() && b.key.find(' ') == std::string::npos && CountKey(binds, b.key) == 1) {
            key = b.key;
            break;
        }
    const std::string command = input.size() % 2 ? "+forward" : "say hello there";
    WriteBind(files, key, command);
    const std::vector<Binding> set = ReadBinds(files);
    if (!FileExists(files.Path(kClientConfigFile)))
        return;
    FUZZ_CHECK(std::find(set.begin(), set.end(), Binding{key, command}) != set.end());
    FUZZ_CHECK(set.size() == binds.size() || set.size() == binds.size() + 1);

    // Removing takes every line of the key in quotes, and leaves the rest (a line naming the key
    // without quotes too).
    std::vector<std::string> bindLines;
    for (const std::string& line : SplitLines(FileText(files, kClientConfigFile)))
        if (line.starts_with("bind "))
            bindLines.push_back(line);
    FUZZ_CHECK(bindLines.size() == set.size());
    std::vector<Binding> others;
    for (size_t i = 0; i < set.size(); ++i)
        if (!LineHasKey(bindLines[i], "bind \"" + key + "\""))
            others.push_back(set[i]);
    FUZZ_CHECK(others.size() < set.size());
    RemoveBind(files, key);
    FUZZ_CHECK(ReadBinds(files) == others);
}

} // namespace

// config.cfg, then a form feed and liblist.gam (no form feed: no liblist.gam), as the settings
// pages read and write them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string config, library;
    const std::string input = AsText(data, size);
    const ScratchFolder& scratch = Scratch();
    if (SplitAtFormFeed(input, config, library))
        scratch.Write(kGameLibraryFile, library);
    else
        scratch.Remove(kGameLibraryFile);
    scratch.Write(kClientConfigFile, config);
    CvarFiles files(scratch.folder(), scratch.folder());

    AppSettings settings;
    settings.dustTrails = size & 1;
    settings.rocks3d = size & 2;
    settings.fxQuality = static_cast<int32_t>(size % 5);
    settings.beamQuality = static_cast<int32_t>(size % 6);
    CheckMiscFill(files, settings);

    LoadClientConfig(files);
    const std::string name = ReadPlayerName(files);
    FUZZ_CHECK(OneValue(name));
    WritePlayerName(files, name);
    LoadClientConfig(files);
    FUZZ_CHECK(ReadPlayerName(files) == OneLine(name));
    WritePlayerName(files, "Tamsin \"the\" Okoro\r\n");
    LoadClientConfig(files);
    FUZZ_CHECK(ReadPlayerName(files) == "Tamsin the Okoro  ");

    const std::string gameLibrary = ReadGameLibrary(files);
    FUZZ_CHECK(OneValue(gameLibrary));
    for (const char* chosen : {kBotGameLibrary, kZnkGameLibrary}) {
        WriteGameLibrary(files, chosen);
        const bool present = FileExists(files.Path(kGameLibraryFile));
        FUZZ_CHECK(ReadGameLibrary(files) == (present ? std::string(chosen) : std::string()));
    }

    CheckBinds(files, input);
    return 0;
}
