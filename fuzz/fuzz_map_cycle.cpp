// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/lcg.h"
#include "core/text_file.h"
#include "core/text_match.h"
#include "fuzz_files.h"
#include "server/model/map_cycle.h"

#include <algorithm>
#include <filesystem>

namespace {

constexpr const char* kCycleFile = "mapcycle.txt";
constexpr size_t kMaxMapFiles = 12;

std::vector<std::string> OneLines(std::vector<std::string> entries)
{
    for (std::string& entry : entries)
        entry = OneLine(entry);
    return entries;
}

std::vector<std::string> Sorted(std::vector<std::string> entries)
{
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> Appended(std::vector<std::string> entries, const std::vector<std::string>& more)
{
    entries.insert(entries.end(), more.begin(), more.end());
    return entries;
}

// The maps folder made anew from the lines of text: a line ending in '/' is a folder, a 0x01
// byte stands for a line feed; names the system cannot hold are left out. The names ListMaps
// should give for it.
std::vector<std::string> MakeMapsFolder(const std::string& folder, const std::string& text)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::remove_all(folder, error);
    FUZZ_CHECK(fs::create_directory(folder, error));
    std::vector<std::string> expected;
    size_t made = 0;
    for (std::string name : SplitLines(text)) {
        if (made == kMaxMapFiles)
            break;
        const bool isFolder = name.ends_with('/');
        if (isFolder)
            name.pop_back();
        std::replace(name.begin(), name.end(), '\x01', '\n');
        if (name.empty() || name == "." || name == ".." || name.size() > 200 ||
            name.find_first_of(std::string("/\0", 2)) != std::string::npos)
            continue;
        const std::string path = folder + "/" + name;
        if (fs::exists(fs::symlink_status(path, error)))
            continue;
        ++made;
        if (isFolder) {
            FUZZ_CHECK(fs::create_directory(path, error));
            continue;
        }
        FILE* file = std::fopen(path.c_str(), "wb");
        FUZZ_CHECK(file != nullptr);
        std::fclose(file);
        if (name.size() > 4 && name.ends_with(".bsp") && name.find_first_of("\r\n") == std::string::npos)
            expected.push_back(name.substr(0, name.size() - 4));
    }
    return expected;
}

void CheckOrderings(const std::vector<std::string>& entries, uint32_t seed)
{
    std::vector<std::string> sorted = entries;
    SortMapCycle(sorted);
    FUZZ_CHECK(Sorted(sorted) == Sorted(entries));
    std::vector<std::string> twice = sorted;
    SortMapCycle(twice);
    FUZZ_CHECK(twice == sorted);
    for (size_t i = 0; i < sorted.size() && i < 8; ++i) {
        const int found = FindEntryStartingWith(sorted, sorted[i], -1);
        FUZZ_CHECK(found >= 0 && static_cast<size_t>(found) <= i);
        FUZZ_CHECK(FoldedCharacters(sorted[found]).starts_with(FoldedCharacters(sorted[i])));
    }

    std::vector<std::string> shuffled = entries;
    Lcg random;
    random.state = seed;
    RandomizeMapCycle(shuffled, random);
    FUZZ_CHECK(Sorted(shuffled) == Sorted(entries));

    if (entries.empty())
        return;
    const int selected = static_cast<int>(seed % entries.size());
    for (MapMove move : {MapMove::Top, MapMove::Up, MapMove::Down, MapMove::Bottom}) {
        std::vector<std::string> moved = entries;
        const int at = MoveMapCycleEntry(moved, selected, move);
        if (at < 0) {
            FUZZ_CHECK(moved == entries);
            continue;
        }
        FUZZ_CHECK(at != selected && moved[at] == entries[selected]);
        std::vector<std::string> rest = moved;
        rest.erase(rest.begin() + at);
        std::vector<std::string> expected = entries;
        expected.erase(expected.begin() + selected);
        FUZZ_CHECK(rest == expected);
    }
    std::vector<std::string> unchanged = entries;
    FUZZ_CHECK(MoveMapCycleEntry(unchanged, static_cast<int>(entries.size()), MapMove::Top) == -1);
}

} // namespace

// mapcycle.txt, then a form feed and the maps folder's file names (see MakeMapsFolder).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string cycleText, mapNames;
    SplitAtFormFeed(AsText(data, size), cycleText, mapNames);
    const ScratchFolder& scratch = Scratch();
    const std::string path = scratch.Path(kCycleFile);
    scratch.Write(kCycleFile, cycleText);

    const std::vector<std::string> expectedMaps = MakeMapsFolder(scratch.Path("maps"), mapNames);
    const std::vector<std::string> listed = ListMaps(scratch.Path("maps"));
    FUZZ_CHECK(Sorted(listed) == Sorted(expectedMaps));

    // The entries are the file's lines; saved, the file holds those lines (line breaks and NULs
    // inside an entry written as blanks) and loads back to them.
    const std::vector<std::string> entries = LoadMapCycle(path);
    FUZZ_CHECK(entries == SplitLines(cycleText));
    CheckOrderings(entries, size);

    // Maps added at the end of the file as it is keep every line that was there.
    FUZZ_CHECK(AppendToMapCycle(path, listed));
    FUZZ_CHECK(LoadMapCycle(path) == Appended(entries, listed));

    FUZZ_CHECK(SaveMapCycle(path, entries));
    const std::vector<std::string> saved = LoadMapCycle(path);
    FUZZ_CHECK(saved == OneLines(entries));
    std::string bytes;
    FUZZ_CHECK(ReadWholeFile(path, bytes));
    const std::string lines = JoinLinesCrLf(saved, true);
    FUZZ_CHECK(bytes == lines || bytes == std::string(kUtf8Bom) + lines);
    FUZZ_CHECK(SaveMapCycle(path, saved));
    std::string again;
    FUZZ_CHECK(ReadWholeFile(path, again));
    FUZZ_CHECK(again == bytes);

    FUZZ_CHECK(ClearMapCycle(path));
    FUZZ_CHECK(LoadMapCycle(path).empty());
    return 0;
}
