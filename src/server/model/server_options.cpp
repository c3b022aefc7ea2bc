// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/model/server_options.h"

#include "core/numbers.h"
#include "core/path.h"

namespace {

const char* const kGameRuleKeys[] = {"\"mp_wishlimit\"", "\"mp_fraglimit\"", "\"mp_timelimit\"", "\"mp_falldamage\"",
                                     "\"mp_gamemode\""};

const char* RuleKey(GameRule rule)
{
    return kGameRuleKeys[static_cast<int>(rule)];
}

} // namespace

CreateServerValues ReadCreateServerValues(CvarFiles& files)
{
    CreateServerValues v;
    files.LoadCvarText(kGameRulesFile);
    const auto rule = [&files](GameRule r) { return files.ReadCvar(RuleKey(r), "", true); };
    v.wishLimit = rule(GameRule::WishLimit);
    v.fragLimit = rule(GameRule::FragLimit);
    v.timeLimit = rule(GameRule::TimeLimit);
    v.fallingDamage = rule(GameRule::FallingDamage) == "0" ? 0 : 1;
    const int mode = ReadNumber(rule(GameRule::GameMode));
    v.gameMode = mode >= 0 && mode < kGameModeCount ? mode : 0;
    for (int i = 0; i < kServerSwitchCount; ++i)
        v.switches[i] = files.ReadCvar(kServerSwitchKeys[i], "", true) != "0";

    files.LoadCvarText(FileExists(files.Path(kListenServerFile)) ? kListenServerFile : kServerConfigFile);
    for (int i = 0; i < kServerVariableCount; ++i) {
        v.variables[i] = files.ReadCvar(kServerVariables[i].key, "", false);
        if (v.variables[i].empty())
            v.variables[i] = kServerVariables[i].defaultValue;
    }
    return v;
}

void WriteCreateServerFill(const CvarFiles& files, const CreateServerValues& values)
{
    WriteGameRule(files, GameRule::WishLimit, values.wishLimit);
    WriteGameRule(files, GameRule::FragLimit, values.fragLimit);
    WriteGameRule(files, GameRule::TimeLimit, values.timeLimit);
    for (int i = 0; i < kServerVariableCount; ++i)
        WriteServerVariable(files, i, values.variables[i]);
}

void WriteGameRule(const CvarFiles& files, GameRule rule, const std::string& value)
{
    files.WriteCvar(kGameRulesFile, RuleKey(rule), value, true);
}

void WriteGameRule(const CvarFiles& files, GameRule rule, int position)
{
    WriteGameRule(files, rule, std::to_string(position));
}

void WriteServerSwitch(const CvarFiles& files, int index, bool on)
{
    if (index >= 0 && index < kServerSwitchCount)
        files.WriteCvar(kGameRulesFile, kServerSwitchKeys[index], on ? "1" : "0", true);
}

void WriteServerVariable(const CvarFiles& files, int index, const std::string& value)
{
    if (index < 0 || index >= kServerVariableCount)
        return;
    files.WriteCvar(kListenServerFile, kServerVariables[index].key, value, false);
    files.WriteCvar(kServerConfigFile, kServerVariables[index].key, value, false);
}
