// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gamefiles/model/cvar_file.h"

#include <array>
#include <string>

// The options of a server the mod starts, as the Create Server page shows them: the game rules of
// game.cfg (tabbed lines, each key in its double quotes) and seven server variables written alike
// to listenserver.cfg and server.cfg (plain lines). What the page reads, with what it shows for a
// value the files lack, and the lines each change writes.

inline constexpr const char* kGameRulesFile = "game.cfg";
inline constexpr const char* kListenServerFile = "listenserver.cfg";
inline constexpr const char* kServerConfigFile = "server.cfg";

// The rules shown as fields (the three limits, any text) and as lists (Falling Damage: Normal,
// Realistic; Game Mode: Free Fighting, Team Mode, Capture the Starstones).
enum class GameRule { WishLimit, FragLimit, TimeLimit, FallingDamage, GameMode };
inline constexpr int kGameModeCount = 3;

// The eight switches of game.cfg: "1" on, "0" off; shown on unless the value is "0".
inline constexpr int kServerSwitchCount = 8;
inline constexpr std::array<const char*, kServerSwitchCount> kServerSwitchKeys = {
    "\"mp_plcatchup\"",    "\"mp_multipleps\"",   "\"mp_realteams\"",  "\"mp_footsteps\"",
    "\"mp_friendlyfire\"", "\"mp_forcerespawn\"", "\"mp_lockmodels\"", "\"sv_sendvelocity\""};

// The server variables, with the value shown (and written) for one the files lack.
struct ServerVariable {
    const char* key;
    const char* defaultValue;
};
inline constexpr int kServerVariableCount = 7;
inline constexpr std::array<ServerVariable, kServerVariableCount> kServerVariables = {{
    {"mp_melee", "1.0"},
    {"mp_dbrespawntime", "30"},
    {"mp_laydowntime", "1.5"},
    {"mp_nomeleehittime", "2.0"},
    {"mp_allowsensubeans", "1.0"},
    {"sv_gravity", "800"},
    {"sv_accelerate", "10"},
}};

struct CreateServerValues {
    std::string wishLimit, fragLimit, timeLimit; // as read, "" when absent
    int fallingDamage = 1;                       // Normal (0) only for a value of exactly "0"
    int gameMode = 0;                            // a number outside the list is Free Fighting
    std::array<bool, kServerSwitchCount> switches{};
    std::array<std::string, kServerVariableCount> variables; // the default for an absent or empty one
};
// Reads game.cfg, then the variables from listenserver.cfg, or from server.cfg when there is no
// listenserver.cfg (read as empty, the defaults would be written over the server's own values).
// Writes nothing; the files' loaded text ends as the last file read.
CreateServerValues ReadCreateServerValues(CvarFiles& files);
// What filling the page writes back, as its fields do when set: the three limits to game.cfg,
// then each variable to listenserver.cfg and server.cfg.
void WriteCreateServerFill(const CvarFiles& files, const CreateServerValues& values);

// One change each.
void WriteGameRule(const CvarFiles& files, GameRule rule, const std::string& value);
// A list's rule: the position chosen, in decimal.
void WriteGameRule(const CvarFiles& files, GameRule rule, int position);
void WriteServerSwitch(const CvarFiles& files, int index, bool on);
// listenserver.cfg first, then server.cfg.
void WriteServerVariable(const CvarFiles& files, int index, const std::string& value);
