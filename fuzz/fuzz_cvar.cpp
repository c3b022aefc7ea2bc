// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text_file.h"
#include "fuzz_files.h"
#include "gamefiles/model/cvar_file.h"

#include <algorithm>

namespace {

constexpr const char* kFile = "config.cfg";
constexpr const char* kAbsent = "\x01 absent";

// A word is a piece of the line, or a never closed quote run to the line's end and given its
// closing quote.
void CheckWords(const std::string& line)
{
    FUZZ_CHECK(GetWord(line, 0).empty());
    for (int n = 1; n <= 10; ++n) {
        const std::string word = GetWord(line, n);
        if (word.empty())
            continue;
        FUZZ_CHECK(word[0] != ' ');
        const bool piece = line.find(word) != std::string::npos;
        const bool closedByUs = word.size() >= 2 && word.front() == '"' && word.back() == '"' &&
                                line.ends_with(word.substr(0, word.size() - 1));
        FUZZ_CHECK(piece || closedByUs);
    }
}

// The name a line would be read by: its text up to the first blank, the way both line styles
// start (a bare name, or a quoted one).
std::string KeyOf(const std::string& line)
{
    return line.substr(0, line.find_first_of(" \t"));
}

void CheckRead(const CvarFiles& files, const std::string& key, bool tabbed)
{
    const std::string value = files.ReadCvar(key, kAbsent, tabbed);
    if (value != kAbsent)
        FUZZ_CHECK(value.find_first_of("\"\n") == std::string::npos);
}

void CheckReadFromFile(const CvarFiles& files, const std::string& key, bool tabbed)
{
    const std::string value = files.ReadCvarFromFile(kFile, key, kAbsent, tabbed);
    if (value != kAbsent)
        FUZZ_CHECK(value.find_first_of("\"\r\n") == std::string::npos);
}

// A value written must read back, and the other lines stay as they were (a rewrite ends without a
// line break, so a last empty line may go).
void CheckWrite(CvarFiles& files, const std::vector<std::string>& before, const std::string& key, bool tabbed)
{
    const std::string value = "1 \t2";
    files.WriteCvar(kFile, key, value, tabbed);
    files.LoadCvarText(kFile);
    FUZZ_CHECK(files.ReadCvar(key, kAbsent, tabbed) == value);

    std::vector<std::string> after;
    FUZZ_CHECK(ReadTextLines(files.Path(kFile), after));
    std::vector<std::string> expected = before;
    auto replaced =
        std::find_if(expected.begin(), expected.end(), [&](const std::string& line) { return LineHasKey(line, key); });
    const std::string written = key + (tabbed ? "\t\t" : " ") + '"' + value + '"';
    if (replaced != expected.end())
        *replaced = written;
    else
        expected.push_back(written);
    if (!expected.empty() && expected.back().empty() && after.size() + 1 == expected.size())
        expected.pop_back();
    FUZZ_CHECK(after == expected);
}

} // namespace

// An option file of the game or the mod (config.cfg, game.cfg, liblist.gam...).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = AsText(data, size);
    const ScratchFolder& scratch = Scratch();
    scratch.Write(kFile, text);
    CvarFiles files(scratch.folder(), scratch.folder());
    files.LoadCvarText(kFile);

    const std::vector<std::string> lines = SplitLines(text);
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i)
        joined += (i ? "\n" : "") + lines[i];
    FUZZ_CHECK(files.loadedText() == joined);

    std::vector<std::string> keys = {"name", "\"numbots\""};
    for (size_t i = 0; i < lines.size() && i < 16; ++i) {
        CheckWords(lines[i]);
        keys.push_back(KeyOf(lines[i]));
    }
    for (const std::string& key : keys) {
        CheckRead(files, key, false);
        CheckRead(files, key, true);
    }
    // Each of these reads the file again: two names, one in each style.
    CheckReadFromFile(files, keys[0], false);
    CheckReadFromFile(files, keys.back(), true);
    // One write an input, each a rewrite of the file: the first line's name, which replaces a line,
    // or that name made longer, which may add one.
    std::string key = lines.empty() ? std::string("name") : KeyOf(lines[0]);
    if (size % 4 >= 2)
        key += "_";
    if (!key.empty())
        CheckWrite(files, lines, key, size % 2 == 1);
    return 0;
}
