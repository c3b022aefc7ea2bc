// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/model/map_cycle.h"

#include "core/file_io.h"
#include "core/lcg.h"
#include "core/path.h"
#include "core/text_file.h"
#include "core/text_match.h"

#include <algorithm>

namespace {

constexpr const char* kMapExtension = ".bsp";

// The list's order: letters without case, accented Latin letters as their plain ones first;
// the whole folded text breaks ties, so that "a" and "á" still come in one fixed order.
std::u32string SortKey(const std::string& entry)
{
    std::u32string key = FoldedCharacters(entry);
    for (char32_t& c : key) {
        if (c >= 0xE0 && c <= 0xE5)
            c = U'a';
        else if (c == 0xE7)
            c = U'c';
        else if (c >= 0xE8 && c <= 0xEB)
            c = U'e';
        else if (c >= 0xEC && c <= 0xEF)
            c = U'i';
        else if (c == 0xF1)
            c = U'n';
        else if ((c >= 0xF2 && c <= 0xF6) || c == 0xF8)
            c = U'o';
        else if (c >= 0xF9 && c <= 0xFC)
            c = U'u';
        else if (c == 0xFD || c == 0xFF)
            c = U'y';
    }
    return key;
}

} // namespace

std::vector<std::string> ListMaps(const std::string& mapsFolder)
{
    std::vector<std::string> maps;
    for (const FolderEntry& entry : ListFolder(mapsFolder)) {
        if (FolderExists(JoinPath(mapsFolder, entry.name)))
            continue;
        const std::string& name = entry.name;
        if (name.find_first_of("\r\n") != std::string::npos)
            continue;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, kMapExtension) == 0)
            maps.push_back(name.substr(0, name.size() - 4));
    }
    return maps;
}

std::vector<std::string> LoadMapCycle(const std::string& path)
{
    std::vector<std::string> lines;
    ReadTextLines(path, lines);
    return lines;
}

bool SaveMapCycle(const std::string& path, const std::vector<std::string>& entries)
{
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const std::string& entry : entries)
        lines.push_back(OneLine(entry));
    return WriteTextLines(path, lines, true);
}

bool AppendToMapCycle(const std::string& path, const std::vector<std::string>& names)
{
    std::string text;
    ReadWholeFile(path, text);
    // A file that lost its last line break still gets its new line on a line of its own.
    if (!text.empty() && text.back() != '\n' && text.back() != '\r' && text != kUtf8Bom)
        text += "\r\n";
    for (const std::string& name : names)
        text += OneLine(name) + "\r\n";
    return WriteFileAtomic(path, text);
}

bool ClearMapCycle(const std::string& path)
{
    return WriteTextFile(path, std::string());
}

int MoveMapCycleEntry(std::vector<std::string>& entries, int selected, MapMove move)
{
    const int n = static_cast<int>(entries.size());
    if (selected < 0 || selected >= n)
        return -1;
    int target = selected;
    switch (move) {
    case MapMove::Top:
        target = 0;
        break;
    case MapMove::Up:
        target = selected - 1;
        break;
    case MapMove::Down:
        target = selected + 1;
        break;
    case MapMove::Bottom:
        target = n - 1;
        break;
    }
    if (target < 0 || target >= n || target == selected)
        return -1;
    std::string entry = std::move(entries[static_cast<size_t>(selected)]);
    entries.erase(entries.begin() + selected);
    entries.insert(entries.begin() + target, std::move(entry));
    return target;
}

int FindEntryStartingWith(const std::vector<std::string>& entries, const std::string& text, int after)
{
    const std::u32string wanted = FoldedCharacters(text);
    for (size_t i = static_cast<size_t>(std::max(after + 1, 0)); i < entries.size(); ++i)
        if (FoldedCharacters(entries[i]).compare(0, wanted.size(), wanted) == 0)
            return static_cast<int>(i);
    return -1;
}

void SortMapCycle(std::vector<std::string>& entries)
{
    std::vector<std::pair<std::u32string, std::u32string>> keys;
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        keys.emplace_back(SortKey(entries[i]), FoldedCharacters(entries[i]));
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(entries.size());
    for (size_t i : order)
        sorted.push_back(std::move(entries[i]));
    entries = std::move(sorted);
}

void RandomizeMapCycle(std::vector<std::string>& entries, Lcg& random)
{
    std::vector<std::string> left = std::move(entries);
    entries.clear();
    while (!left.empty()) {
        const std::string taken = random.Next() % 2 == 1 ? left.front() : left.back();
        const size_t place = static_cast<size_t>(random.Next()) % (entries.size() + 1);
        entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(place), taken);
        left.erase(std::find(left.begin(), left.end(), taken));
    }
}
