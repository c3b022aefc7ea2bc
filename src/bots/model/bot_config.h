// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gamefiles/model/cvar_file.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// The bot plug-in's files in the mod folder: bot.cfg, a script of console commands the plug-in
// runs in order when a map starts (bots, super bots, pauses, team fills, its options), and four
// bot options kept with the game rules in game.cfg. The bot page shows bot.cfg as its list of
// lines and writes the whole file back after every change; game.cfg goes through CvarFiles.

inline constexpr const char* kBotConfigFile = "bot.cfg";
inline constexpr const char* kBotBackupFile = "bot.cfg.bak";
inline constexpr const char* kBotGameConfigFile = "game.cfg";
// The list's one entry when the mod has no bot.cfg.
inline constexpr const char* kBotConfigMissing = "bot.cfg doesn't exist";

// The on/off options of bot.cfg, in the order the page shows them. Each is written only when it
// differs from the plug-in's default (key "1" for one that is off by default, key "0" for one that
// is on), and removed when set back.
struct BotSwitch {
    const char* key;
    bool onByDefault;
};
inline constexpr int kBotSwitchCount = 7;
inline constexpr std::array<BotSwitch, kBotSwitchCount> kBotSwitches = {{
    {"botdontshoot", false},
    {"observer", false},
    {"follow_mode", true},
    {"botdocombos", true},
    {"botsuseddisc", true},
    {"autopilot", false},
    {"should_bot_chat", true},
}};

// The chat percentages of bot.cfg: any text, removed when emptied.
struct BotChatOption {
    const char* key;
    const char* shownWhenAbsent;
};
inline constexpr int kBotChatCount = 7;
inline constexpr std::array<BotChatOption, kBotChatCount> kBotChatOptions = {{
    {"bot_chat_percent", "10"},
    {"bot_taunt_percent", "20"},
    {"bot_whine_percent", "10"},
    {"bot_chat_tag_percent", "80"},
    {"bot_chat_drop_percent", "10"},
    {"bot_chat_swap_percent", "10"},
    {"bot_chat_lower_percent", "50"},
}};

// The numbers of game.cfg (tabbed lines, the key in its quotes); an empty field writes the default.
struct BotNumber {
    const char* key;
    const char* byDefault;
};
inline constexpr int kBotNumberCount = 3;
inline constexpr std::array<BotNumber, kBotNumberCount> kBotNumbers = {{
    {"\"numbots\"", "0"},
    {"\"botmeleepercent\"", "80"},
    {"\"botteleportpercent\"", "60"},
}};
inline constexpr const char* kBotSkillKey = "\"bot_skill\"";
// Best, Good, Medium, Weak, Bad: written as 1 to 5.
inline constexpr int kBotSkillCount = 5;

// What one load of the mod's bot files found.
struct BotConfigRead {
    std::string path; // bot.cfg
    bool exists = false;
    // bot.cfg as it was on disk: what the one .bak keeps.
    std::string original;
    // bot.cfg's lines in file order, without the empty lines and the "#" comments.
    std::vector<std::string> lines;
    // The rest only when bot.cfg exists.
    int skill = -1; // 0 (Best) to 4 (Bad); -1 for none or a value that is not 1 to 5
    std::array<std::string, kBotNumberCount> numbers;
    std::array<bool, kBotSwitchCount> switches{};
    std::array<std::string, kBotChatCount> chat;
};

// Reads bot.cfg and the bot options of game.cfg and bot.cfg, writing nothing (files' loaded text
// ends as bot.cfg's). Safe on a thread of its own with files of its own.
BotConfigRead ReadBotConfig(CvarFiles& files);

// Keeps bot.cfg as it was before the program first changed it: writes bot.cfg.bak with original
// byte for byte, only while there is no bot.cfg.bak. Whether one was written.
bool MakeBotBackup(const CvarFiles& files, const std::string& original);

// game.cfg's number (an index into kBotNumbers) from its field: the default for an empty one.
void WriteBotNumber(const CvarFiles& files, int number, const std::string& text);
// game.cfg's bot_skill from the position chosen (0 = Best).
void WriteBotSkill(const CvarFiles& files, int position);

// The lines written and recognised, each argument in double quotes (empty ones too).
std::string BotLine(const std::string& team, const std::string& playerClass, const std::string& name,
                    const std::string& skill);
std::string SuperBotLine(const std::string& type, const std::string& playerClass);
std::string PauseLine(const std::string& seconds);
// Full, Half Good, Full Good, Half Evil, Full Evil.
inline constexpr int kBotFillCount = 5;
std::string FillLine(int fill);

// What selecting a line puts into the page's fields.
struct BotLineFields {
    std::string command; // always the whole line
    bool pause = false;  // a pause line: only pauseSeconds, the bot fields keep theirs
    std::string pauseSeconds;
    bool bot = false;
    std::string team, playerClass, name, skill;
    bool superBot = false;
    std::string superType, superClass;
};
BotLineFields ParseBotLine(const std::string& line);

// bot.cfg as the ordered list the page shows: the file it came from and its lines. Every change
// that the page makes is followed by Save, which writes the list back whole.
class BotConfig {
public:
    enum class Move { Top, Up, Down, Bottom };

    // Told of every save, with whether bot.cfg was written.
    using SaveReport = std::function<void(const std::string& path, bool saved)>;
    void SetSaveReport(SaveReport report) { report_ = std::move(report); }

    void Reset(std::string path, std::vector<std::string> lines);
    const std::string& path() const { return path_; }
    const std::vector<std::string>& lines() const { return lines_; }

    // SaveBotConfig: bot.cfg holds the lines, each followed by CR LF (made when it is missing).
    // Nothing when no file was loaded. False when it could not be written (it is left as it was).
    bool Save() const;
    // Clear: the list and the file emptied.
    bool Clear();

    // The entry's new position, or -1 when it does not move (no such entry, or already first for
    // Top and Up, last for Down and Bottom). Does not save.
    int MoveEntry(int index, Move to);
    // The new entry's position. Do not save. A CR, LF or NUL in a line is kept as a blank: one
    // entry is one line of the file.
    int Append(const std::string& line);
    void Replace(int index, const std::string& line);
    void Remove(int index);

    // The first entry that starts with key and a space, letter case aside; -1 when none does.
    int FindOption(const std::string& key) const;
    // SetBotOption: key "value" in place of the option's entry, or appended; then saved. The
    // position of the written line.
    int SetBotOption(const std::string& key, const std::string& value);
    // RemoveBotOption: the option's entry deleted, if there is one; then saved.
    void RemoveBotOption(const std::string& key);

private:
    std::string path_;
    std::vector<std::string> lines_;
    SaveReport report_;
};
