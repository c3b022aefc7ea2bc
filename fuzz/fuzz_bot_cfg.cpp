// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/model/bot_config.h"
#include "core/text_file.h"
#include "fuzz_files.h"

namespace {

bool Unquoted(std::initializer_list<const std::string*> texts)
{
    for (const std::string* text : texts)
        if (text->find('"') != std::string::npos)
            return false;
    return true;
}

// What the page puts into its fields from a line, written back as a line by the page's buttons,
// must give the same fields again: selecting a line and pressing Modify changes nothing.
void CheckLine(const std::string& line)
{
    const BotLineFields fields = ParseBotLine(line);
    FUZZ_CHECK(fields.command == line);
    FUZZ_CHECK(int(fields.pause) + int(fields.bot) + int(fields.superBot) <= 1);
    if (fields.pause)
        FUZZ_CHECK(ParseBotLine(PauseLine(fields.pauseSeconds)).pauseSeconds == fields.pauseSeconds);
    if (fields.bot && Unquoted({&fields.team, &fields.playerClass, &fields.name, &fields.skill})) {
        const BotLineFields again = ParseBotLine(BotLine(fields.team, fields.playerClass, fields.name, fields.skill));
        FUZZ_CHECK(again.bot && again.team == fields.team && again.playerClass == fields.playerClass &&
                   again.name == fields.name && again.skill == fields.skill);
    }
    if (fields.superBot && Unquoted({&fields.superType, &fields.superClass})) {
        const BotLineFields again = ParseBotLine(SuperBotLine(fields.superType, fields.superClass));
        FUZZ_CHECK(again.superBot && again.superType == fields.superType && again.superClass == fields.superClass);
    }
}

} // namespace

// bot.cfg, then a form feed and game.cfg (no form feed: the mod has no game.cfg).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string botCfg, gameCfg;
    const ScratchFolder& scratch = Scratch();
    if (SplitAtFormFeed(AsText(data, size), botCfg, gameCfg))
        scratch.Write(kBotGameConfigFile, gameCfg);
    else
        scratch.Remove(kBotGameConfigFile);
    scratch.Write(kBotConfigFile, botCfg);

    CvarFiles files(scratch.folder(), scratch.folder());
    const BotConfigRead read = ReadBotConfig(files);
    FUZZ_CHECK(read.exists && read.original == botCfg);
    FUZZ_CHECK(read.skill >= -1 && read.skill < kBotSkillCount);
    size_t kept = 0;
    for (const std::string& line : SplitLines(botCfg))
        kept += !line.empty() && line[0] != '#';
    FUZZ_CHECK(read.lines.size() == kept);
    for (const std::string& line : read.lines) {
        FUZZ_CHECK(!line.empty() && line[0] != '#' && line.find_first_of("\r\n") == std::string::npos);
        CheckLine(line);
    }
    for (const std::string& value : read.chat)
        FUZZ_CHECK(value.find_first_of("\"\n") == std::string::npos);
    for (const std::string& value : read.numbers)
        FUZZ_CHECK(value.find_first_of("\"\n") == std::string::npos);
    return 0;
}
