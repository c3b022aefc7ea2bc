// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The mod's playlist, mp3/playlist.txt in the mod folder: one MP3 path a line, CR LF line ends,
// no header, no comments. The game plays from it; the playlist editor mirrors it line by line.
// A line is an absolute path (on Windows its second character is ':', elsewhere it starts with
// '/'), or a path relative to the mod folder. The program itself only writes absolute paths;
// relative lines come from files made by other means or imported.

// gameFolder/modFolder/mp3/playlist.txt
std::string PlaylistFilePath(const std::string& gameFolder, const std::string& modFolder);

bool IsAbsolutePlaylistLine(const std::string& line);
// The file a line names: an absolute line as it is; a relative one under the mod folder, with
// every doubled separator of the result made single (left to right, a pair at a time).
std::string ResolvePlaylistLine(const std::string& line, const std::string& gameFolder, const std::string& modFolder);

// The writes below create the mp3 folder when the mod folder exists but it does not yet: a
// playlist the user builds must not vanish for want of a folder. Each returns false when the
// file was left unchanged.

// Rewrites the file from the editor's entries in order, each without its "Invalid: " marker.
bool SavePlaylistFile(const std::string& path, const std::vector<std::string>& entries);
// Adds one line at the end (the file is created when missing). A last line that lacks its line
// break gets one first, so the new line never runs into it.
bool AppendToPlaylistFile(const std::string& path, const std::string& line);
// Drops one line for an entry removed from the editor: the first line equal to text, or, when
// there is none, the first line that begins with it (case-sensitive); every other line stays.
// A missing file, or no such line, leaves everything as it was. writeFailed (when given) tells
// a false that came from a write that did not work.
bool RemovePlaylistLine(const std::string& path, const std::string& text, bool* writeFailed = nullptr);
// Empties the file (creates it when missing).
bool ClearPlaylistFile(const std::string& path);

// True when the extension (the text after the file name's last '.') is exactly "pls"; any other,
// ".PLS" too, is read as a text or M3U playlist.
bool HasPlsExtension(const std::string& path);

// Replaces playlist.txt with the entries of a playlist file:
//  - PLS: File1 .. File<NumberOfEntries> of section [playlist] (values up to 1023 characters, a
//    missing key an empty line; Title and Length ignored). NumberOfEntries missing or not above
//    0: nothing is written.
//  - anything else (text, M3U): every line that does not start with '#' (M3U directives go,
//    empty lines stay); a UTF-8 byte order mark before the first line is no part of it.
// A file that cannot be read writes nothing. True when playlist.txt was written; writeFailed
// (when given) tells a false that came from a write of playlist.txt that did not work.
bool ImportPlaylist(const std::string& chosenPath, const std::string& playlistPath, bool* writeFailed = nullptr);
// The most entries a PLS import reads: a damaged count must not make millions of empty lines.
inline constexpr int kMaxPlsEntries = 100000;

// One line of the editor as the export sees it: the File and Length columns' texts.
struct PlaylistExportRow {
    std::string file;   // may carry the "Invalid: " marker
    std::string length; // "m:ss" or "???"
};

// Writes the playlist to chosenPath. PLS: section [playlist] with File<i>, Length<i> (whole
// seconds, 0 for "???"), Title<i> (the file name without its last extension) for each row, then
// NumberOfEntries and Version=2, in that order; any file there before is replaced. Otherwise a
// copy of playlist.txt's lines (relative lines included), CR LF after each. False when the file
// could not be written.
bool ExportPlaylist(const std::string& chosenPath, const std::string& playlistPath,
                    const std::vector<PlaylistExportRow>& rows);

// The Length<i> of a length text: minutes and seconds split at ':', each read as a decimal
// number (no digits: 0).
int PlsLengthSeconds(const std::string& lengthText);
// The Title<i> of a path: the file name without its last extension; no '.' gives "".
std::string PlsTitle(const std::string& path);
