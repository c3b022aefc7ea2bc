// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/model/bot_config.h"

#include "core/file_io.h"
#include "core/numbers.h"
#include "core/path.h"
#include "core/text_file.h"

#include <algorithm>
#include <utility>

namespace {

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// An argument as the user sees it: one pair of enclosing quotes taken off, whatever is inside.
std::string WithoutOuterQuotes(std::string text)
{
    if (!text.empty() && text.front() == '"')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '"')
        text.pop_back();
    return text;
}

std::string Quoted(const std::string& text)
{
    return '"' + text + '"';
}

const char* const kFills[kBotFillCount] = {"full", "half_good", "full_good", "half_evil", "full_evil"};

} // namespace

BotConfigRead ReadBotConfig(CvarFiles& files)
{
    BotConfigRead read;
    read.path = files.Path(kBotConfigFile);
    if (!FileExists(read.path) || !ReadWholeFile(read.path, read.original))
        return read;
    read.exists = true;
    // Comments and empty lines are not the plug-in's business: the list leaves them out, so the
    // first save drops them (the .bak still has them).
    for (std::string& line : SplitLines(read.original))
        if (!line.empty() && line[0] != '#')
            read.lines.push_back(std::move(line));

    // A game.cfg that is not there reads as an empty one, not as whatever file was loaded last.
    const bool haveGameConfig = FileExists(files.Path(kBotGameConfigFile));
    if (haveGameConfig)
        files.LoadCvarText(kBotGameConfigFile);
    const auto readGameConfig = [&](const char* key, const char* def) {
        return haveGameConfig ? files.ReadCvar(key, def, true) : std::string(def);
    };
    const int skill = ReadNumber(readGameConfig(kBotSkillKey, ""));
    read.skill = skill >= 1 && skill <= kBotSkillCount ? skill - 1 : -1;
    for (int i = 0; i < kBotNumberCount; ++i)
        read.numbers[i] = readGameConfig(kBotNumbers[i].key, kBotNumbers[i].byDefault);

    files.LoadCvarText(kBotConfigFile);
    for (int i = 0; i < kBotSwitchCount; ++i)
        read.switches[i] = files.ReadCvar(kBotSwitches[i].key, kBotSwitches[i].onByDefault ? "1" : "0", false) == "1";
    for (int i = 0; i < kBotChatCount; ++i)
        read.chat[i] = files.ReadCvar(kBotChatOptions[i].key, kBotChatOptions[i].shownWhenAbsent, false);
    return read;
}

bool MakeBotBackup(const CvarFiles& files, const std::string& original)
{
    // Written once and never again: the .bak is the file as it was before this program ever
    // rewrote it, comments and all, so it is copied as bytes, not as the lines the list keeps.
    const std::string path = files.Path(kBotBackupFile);
    if (PathExists(path))
        return false;
    return WriteFileAtomic(path, original);
}

void WriteBotNumber(const CvarFiles& files, int number, const std::string& text)
{
    if (number < 0 || number >= kBotNumberCount)
        return;
    files.WriteCvar(kBotGameConfigFile, kBotNumbers[number].key, text.empty() ? kBotNumbers[number].byDefault : text,
                    true);
}

void WriteBotSkill(const CvarFiles& files, int position)
{
    if (position < 0 || position >= kBotSkillCount)
        return;
    files.WriteCvar(kBotGameConfigFile, kBotSkillKey, std::to_string(position + 1), true);
}

std::string BotLine(const std::string& team, const std::string& playerClass, const std::string& name,
                    const std::string& skill)
{
    return "addbot " + Quoted(team) + ' ' + Quoted(playerClass) + ' ' + Quoted(name) + ' ' + Quoted(skill);
}

std::string SuperBotLine(const std::string& type, const std::string& playerClass)
{
    return "addsbot " + Quoted(type) + ' ' + Quoted(playerClass);
}

std::string PauseLine(const std::string& seconds)
{
    return "pause " + Quoted(seconds);
}

std::string FillLine(int fill)
{
    return fill >= 0 && fill < kBotFillCount ? std::string("bot_fill ") + kFills[fill] : std::string();
}

BotLineFields ParseBotLine(const std::string& line)
{
    BotLineFields fields;
    fields.command = line;
    if (StartsWith(line, "pause ")) {
        fields.pause = true;
        fields.pauseSeconds = WithoutOuterQuotes(line.substr(6));
        return fields;
    }
    // Quoted arguments run from quote to quote, so a name with a blank in it stays one word.
    const auto argument = [&line](int n) { return WithoutOuterQuotes(GetWord(line, n)); };
    if (StartsWith(line, "addbot ")) {
        fields.bot = true;
        fields.team = argument(2);
        fields.playerClass = argument(3);
        fields.name = argument(4);
        fields.skill = argument(5);
    }
    if (StartsWith(line, "addsbot ")) {
        fields.superBot = true;
        fields.superType = argument(2);
        fields.superClass = argument(3);
    }
    return fields;
}

void BotConfig::Reset(std::string path, std::vector<std::string> lines)
{
    path_ = std::move(path);
    lines_ = std::move(lines);
}

bool BotConfig::Save() const
{
    if (path_.empty())
        return false;
    const bool saved = WriteTextLines(path_, lines_, true);
    if (report_)
        report_(path_, saved);
    return saved;
}

bool BotConfig::Clear()
{
    lines_.clear();
    return Save();
}

int BotConfig::MoveEntry(int index, Move to)
{
    const int count = static_cast<int>(lines_.size());
    if (index < 0 || index >= count)
        return -1;
    const bool upwards = to == Move::Top || to == Move::Up;
    if ((upwards && index == 0) || (!upwards && index == count - 1))
        return -1;
    int target = 0;
    switch (to) {
    case Move::Top:
        target = 0;
        break;
    case Move::Up:
        target = index - 1;
        break;
    case Move::Down:
        target = index + 1;
        break;
    case Move::Bottom:
        target = count - 1;
        break;
    }
    std::string line = std::move(lines_[index]);
    lines_.erase(lines_.begin() + index);
    lines_.insert(lines_.begin() + target, std::move(line));
    return target;
}

int BotConfig::Append(const std::string& line)
{
    lines_.push_back(OneLine(line));
    return static_cast<int>(lines_.size()) - 1;
}

void BotConfig::Replace(int index, const std::string& line)
{
    if (index >= 0 && index < static_cast<int>(lines_.size()))
        lines_[index] = OneLine(line);
}

void BotConfig::Remove(int index)
{
    if (index >= 0 && index < static_cast<int>(lines_.size()))
        lines_.erase(lines_.begin() + index);
}

int BotConfig::FindOption(const std::string& key) const
{
    // The key and its blank: a longer key that begins alike is another option.
    const std::string prefix = key + ' ';
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), line.begin(),
                                                       [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }))
            return static_cast<int>(i);
    }
    return -1;
}

int BotConfig::SetBotOption(const std::string& key, const std::string& value)
{
    // The plug-in reads its keys in any case; the line is written the way this program writes
    // every key, in lower case, where the old one stood so the order of the script is kept.
    const std::string line = key + ' ' + Quoted(OneLine(value));
    int index = FindOption(key);
    if (index < 0)
        index = Append(line);
    else
        lines_[index] = line;
    Save();
    return index;
}

void BotConfig::RemoveBotOption(const std::string& key)
{
    Remove(FindOption(key));
    Save();
}
