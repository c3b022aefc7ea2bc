// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

class Lcg;

// The maps of a mod (its maps folder) and the map cycle the server plays them in (its
// mapcycle.txt): one entry per line, each written with CR LF, the last one too. Entries are free
// text: duplicates, empty entries and maps that are not installed are all kept as they are.

// The names, without extension, of the files in the folder ending exactly in ".bsp" (not
// ".BSP", not folders), in the order the folder lists them. A missing folder lists nothing. A
// name with a line break in it is left out: no line of the cycle could name it.
std::vector<std::string> ListMaps(const std::string& mapsFolder);

// The file's lines as they are (no trimming; a blank line is an empty entry). A missing file is
// an empty cycle.
std::vector<std::string> LoadMapCycle(const std::string& path);
// The file made of the entries, each followed by CR LF. False (file unchanged) when it cannot be
// written.
bool SaveMapCycle(const std::string& path, const std::vector<std::string>& entries);
// More entries at the end of the file, in one write (made when missing); what is there stays as
// it is.
bool AppendToMapCycle(const std::string& path, const std::vector<std::string>& names);
inline bool AppendToMapCycle(const std::string& path, const std::string& name)
{
    return AppendToMapCycle(path, std::vector<std::string>{name});
}
// The file emptied (made when missing).
bool ClearMapCycle(const std::string& path);

enum class MapMove { Top, Up, Down, Bottom };

// Moves the selected entry; the index it now has, or -1 when the move does nothing (nothing
// selected, or the entry already at that end) and the entries are unchanged.
int MoveMapCycleEntry(std::vector<std::string>& entries, int selected, MapMove move);

// The first entry after index `after` (-1: from the start) that starts with text, letter case
// aside — how the list finds the entry it selects after a move. -1 when none does.
int FindEntryStartingWith(const std::vector<std::string>& entries, const std::string& text, int after);

// Ascending, letter case aside (accented Latin letters next to their plain ones), entries that
// compare equal keeping their order.
void SortMapCycle(std::vector<std::string>& entries);

// Shuffled with the program's random sequence: each round draws a number to take the first
// (odd) or the last (even) entry left, and another for the place it goes among those already
// placed; the first entry of that text is then taken off the rest.
void RandomizeMapCycle(std::vector<std::string>& entries, Lcg& random);
