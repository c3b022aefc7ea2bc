// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/model/client_options.h"

#include "core/file_io.h"
#include "core/numbers.h"
#include "core/path.h"
#include "core/text_file.h"
#include "settings/app_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

const char* const kPlayerNameKey = "name";
const char* const kGameLibraryKey = "gamedll";
const char* const kFxQualityKey = "cl_fxquality";
const char* const kBeamQualityKey = "cl_beamquality";
const char* const kSwitchKeys[] = {"cl_himodels", "cl_dusttrails", "cl_3drocks"};

const char* SwitchKey(ClientSwitch which)
{
    return kSwitchKeys[static_cast<int>(which)];
}

std::string WithoutQuotes(std::string text)
{
    std::erase(text, '"');
    return text;
}

// The start of a binding's line in config.cfg: bind "key".
std::string BindKey(const std::string& key)
{
    return "bind \"" + key + "\"";
}

// The text's leading number, 0 when there is none. Not through the C library: the user's locale
// must not turn "0.5" into 0. "nan", "inf" and numbers too large for the stored float count as
// none: saved, they would make every query wait for ever or never.
double LeadingNumber(const std::string& text)
{
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos)
        return 0.0;
    bool negative = false;
    if (text[at] == '+' || text[at] == '-') {
        negative = text[at] == '-';
        ++at;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value) || value > std::numeric_limits<float>::max())
        return 0.0;
    return negative ? -value : value;
}

} // namespace

void LoadClientConfig(CvarFiles& files)
{
    files.LoadCvarText(kClientConfigFile);
}

std::string ReadPlayerName(const CvarFiles& files)
{
    return files.ReadCvar(kPlayerNameKey, "", false);
}

void WritePlayerName(const CvarFiles& files, const std::string& name)
{
    files.WriteCvar(kClientConfigFile, kPlayerNameKey, name, false);
}

std::string ReadGameLibrary(const CvarFiles& files)
{
    return files.ReadCvarFromFile(kGameLibraryFile, kGameLibraryKey, "", false);
}

void WriteGameLibrary(const CvarFiles& files, const std::string& library)
{
    files.WriteCvar(kGameLibraryFile, kGameLibraryKey, library, false);
}

void WriteClientSwitch(const CvarFiles& files, ClientSwitch which, bool on)
{
    files.WriteCvar(kClientConfigFile, SwitchKey(which), on ? "1" : "0", false);
}

void WriteClientText(const CvarFiles& files, int index, const std::string& text)
{
    if (index >= 0 && index < kClientTextCount)
        files.WriteCvar(kClientConfigFile, kClientTextKeys[index], text, false);
}

int WriteFxQuality(const CvarFiles& files, int position)
{
    // The list runs from the best down, the game's number from none up.
    files.WriteCvar(kClientConfigFile, kFxQualityKey, std::to_string(3 - position), false);
    return 4 - position;
}

int WriteBeamQuality(const CvarFiles& files, int position)
{
    files.WriteCvar(kClientConfigFile, kBeamQualityKey, std::to_string(position), false);
    return position + 1;
}

MiscOptionValues ReadMiscOptionValues(const CvarFiles& files, const AppSettings& settings)
{
    const auto read = [&files](const char* key) { return files.ReadCvar(key, "", false); };
    MiscOptionValues v;
    v.hiModels = read(SwitchKey(ClientSwitch::HiModels)) == "1";
    // A box the user ticked stays ticked for a config.cfg that lost (or never had) its line:
    // the file gets the line again.
    for (const auto& [which, stored, shown] : {std::tuple{ClientSwitch::DustTrails, settings.dustTrails, &v.dustTrails},
                                               std::tuple{ClientSwitch::Rocks3d, settings.rocks3d, &v.rocks3d}}) {
        if (read(SwitchKey(which)) == "1") {
            *shown = true;
        } else if (stored) {
            v.writeBack.emplace_back(SwitchKey(which), "1");
            *shown = true;
        }
    }
    // The fields write back what they show, as typing would.
    for (int i = 0; i < kClientTextCount; ++i) {
        v.texts[i] = read(kClientTextKeys[i]);
        v.writeBack.emplace_back(kClientTextKeys[i], v.texts[i]);
    }
    // The two lists: the file's number, else the settings' choice (written back), else the best.
    const std::string fx = read(kFxQualityKey);
    if (fx.empty()) {
        if (settings.fxQuality != 0)
            v.writeBack.emplace_back(kFxQualityKey, std::to_string(settings.fxQuality - 1));
        v.fxPosition = settings.fxQuality >= 1 && settings.fxQuality <= 4 ? 4 - settings.fxQuality : 0;
    } else {
        const int c = ReadNumber(fx);
        v.fxPosition = c >= 0 && c <= 3 ? 3 - c : -1;
    }
    const std::string beam = read(kBeamQualityKey);
    if (beam.empty()) {
        if (settings.beamQuality != 0)
            v.writeBack.emplace_back(kBeamQualityKey, std::to_string(settings.beamQuality - 1));
        v.beamPosition = settings.beamQuality >= 1 && settings.beamQuality <= 5 ? settings.beamQuality - 1 : 0;
    } else {
        const int c = ReadNumber(beam);
        v.beamPosition = c >= 0 && c <= 4 ? c : -1;
    }
    return v;
}

void WriteMiscFill(const CvarFiles& files, const MiscOptionValues& values)
{
    for (const auto& [key, value] : values.writeBack)
        files.WriteCvar(kClientConfigFile, key, value, false);
}

std::vector<std::string> ListModFolders(const std::string& gameFolder)
{
    std::vector<std::string> mods;
    for (const FolderEntry& entry : ListFolder(gameFolder)) {
        const std::string folder = JoinPath(gameFolder, entry.name);
        if (FolderExists(folder) && FileExists(JoinPath(folder, kGameLibraryFile)))
            mods.push_back(entry.name);
    }
    const auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    std::sort(mods.begin(), mods.end(), [&lower](const std::string& a, const std::string& b) {
        const std::string la = lower(a);
        const std::string lb = lower(b);
        return la != lb ? la < lb : a < b;
    });
    return mods;
}

float TimeoutFromText(const std::string& text)
{
    const double seconds = LeadingNumber(text);
    return seconds == 0.0 ? 1.0f : static_cast<float>(seconds);
}

std::vector<Binding> ReadBinds(const CvarFiles& files)
{
    // Only the bind lines are kept: config.cfg can be large, and the rest is not this page's.
    std::string text;
    ReadWholeFile(files.Path(kClientConfigFile), text);
    std::vector<Binding> binds;
    ForEachLine(text, [&binds](std::string_view line) {
        if (line.starts_with("bind ")) {
            const std::string whole(line);
            binds.push_back({WithoutQuotes(GetWord(whole, 2)), WithoutQuotes(GetWord(whole, 3))});
        }
        return true;
    });
    return binds;
}

void WriteBind(const CvarFiles& files, const std::string& key, const std::string& command)
{
    files.WriteCvar(kClientConfigFile, BindKey(key), command, false);
}

void RemoveBind(const CvarFiles& files, const std::string& key)
{
    files.RemoveLines(kClientConfigFile, BindKey(key));
}
