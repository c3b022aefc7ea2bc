// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gamefiles/model/cvar_file.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

struct AppSettings;

// The client's options in the mod's files, as the settings pages show them: the player name, the
// visual options and the key bindings of config.cfg, and the game library of liblist.gam. What
// a page reads, with what it shows for a value the file lacks, and the one line each change
// writes back. config.cfg and liblist.gam take plain lines (key "value").

inline constexpr const char* kClientConfigFile = "config.cfg";
inline constexpr const char* kGameLibraryFile = "liblist.gam";

// The game libraries the main page's buttons choose.
inline constexpr const char* kZnkGameLibrary = "dlls\\hl.dll";
inline constexpr const char* kBotGameLibrary = "dlls\\znk_bot.dll";
inline constexpr const char* kMetamodGameLibrary = "addons\\metamod\\dlls\\metamod.dll";

// ---- the main page -----------------------------------------------------------------------------

// config.cfg as the loaded text, for the reads of it that follow (the player name, the misc
// page's options).
void LoadClientConfig(CvarFiles& files);
// The player name in the loaded config.cfg; "" when it has none.
std::string ReadPlayerName(const CvarFiles& files);
void WritePlayerName(const CvarFiles& files, const std::string& name);
// liblist.gam's gamedll, read straight from the file; "" when the file or the line is missing.
std::string ReadGameLibrary(const CvarFiles& files);
void WriteGameLibrary(const CvarFiles& files, const std::string& library);

// ---- the misc page -----------------------------------------------------------------------------

// The check boxes of config.cfg: "1" when ticked, "0" when not.
enum class ClientSwitch { HiModels, DustTrails, Rocks3d };
void WriteClientSwitch(const CvarFiles& files, ClientSwitch which, bool on);

// The variables the misc page shows as typed, in its order: FPS Max, Net Graph, Sensitivity,
// MP3 Volume, Mp. Decals Limit.
inline constexpr int kClientTextCount = 5;
inline constexpr std::array<const char*, kClientTextCount> kClientTextKeys = {"fps_max", "net_graph", "sensitivity",
                                                                              "MP3Volume", "mp_decals"};
void WriteClientText(const CvarFiles& files, int index, const std::string& text);

// The FX Quality list (High, Medium, Low, No FX) and the Beam Quality list (Best, High, Medium,
// Low, Crappy). Each writes config.cfg's number for the position chosen and gives what the
// settings keep of the choice: that number plus one, 0 being "nothing chosen yet".
inline constexpr int kFxQualityCount = 4;
inline constexpr int kBeamQualityCount = 5;
int WriteFxQuality(const CvarFiles& files, int position);
int WriteBeamQuality(const CvarFiles& files, int position);

// What the misc page shows from config.cfg, and what filling it writes back.
struct MiscOptionValues {
    bool hiModels = false;
    bool dustTrails = false;
    bool rocks3d = false;
    std::array<std::string, kClientTextCount> texts; // as read, "" when absent
    int fxPosition = -1;                             // -1: nothing selected
    int beamPosition = -1;
    // The lines the fill writes to config.cfg, in order, each (key, value): the settings' choices
    // that the file lacks, and the five texts as read (so a missing one is appended, empty).
    std::vector<std::pair<std::string, std::string>> writeBack;
};
// From the loaded config.cfg, and from the settings' dustTrails, rocks3d, fxQuality and
// beamQuality where the file lacks the value. Writes nothing.
MiscOptionValues ReadMiscOptionValues(const CvarFiles& files, const AppSettings& settings);
// The fill's lines, in their order.
void WriteMiscFill(const CvarFiles& files, const MiscOptionValues& values);

// The mod folders of a game: its sub-folders that hold a liblist.gam, in alphabetical order
// whatever the letter case (the folder's own order is the disk's, which no one can read).
std::vector<std::string> ListModFolders(const std::string& gameFolder);

// The Timeout field's text as the seconds kept: its leading number (blanks and a sign before it
// allowed), read the same in every locale; no number, 0, "nan", "inf" and numbers too large for
// the kept float all give 1 second.
float TimeoutFromText(const std::string& text);

// ---- the binds page ----------------------------------------------------------------------------

struct Binding {
    std::string key;
    std::string command;
    bool operator==(const Binding&) const = default;
};
// The bindings of config.cfg, read straight from the file, in its order: the lines that start
// with "bind ", their second word the key, their third the command, without double quotes.
std::vector<Binding> ReadBinds(const CvarFiles& files);
// bind "key" "command" in place of the key's first line, or appended.
void WriteBind(const CvarFiles& files, const std::string& key, const std::string& command);
// Removes every line that binds the key (not those of a key that only begins alike).
void RemoveBind(const CvarFiles& files, const std::string& key);
