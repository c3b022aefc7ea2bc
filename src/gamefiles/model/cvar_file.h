// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct AppSettings;

// The game's and the mod's option files: config.cfg, server.cfg, listenserver.cfg, game.cfg,
// liblist.gam and the like, one "name value" line per variable. Single values are read out of
// them and written back in place; lines are matched by their leading characters, nothing else
// of the game's syntax is parsed, and every other line is kept as it is.
//
// Two line styles: plain, `key "value"` (the key as the bare variable name), and tabbed,
// `"key"<tab><tab>"value"` (the key passed already wrapped in double quotes), used by game.cfg.
// Files are read with CR LF, LF or CR line ends and written with CR LF; a byte-order mark at the
// start is skipped by the readers and kept by the writers.
//
// A key names a line only where the line starts with it and it is followed by a blank, a tab, a
// double quote or the end of the line: "fps_max" never takes the line of "fps_maxx", nor
// "gamedll" the line of "gamedll_linux".
bool LineHasKey(std::string_view line, std::string_view key);

// The names of the mod's files the program rewrites, and the folder of each (relative to the mod
// folder, "" for the mod folder itself).
struct RewrittenFile {
    const char* folder;
    const char* name;
};
extern const std::vector<RewrittenFile> kRewrittenGameFiles;

// The files of one mod folder, and the text of the file loaded last. Each user (the settings
// loader, a page) has its own: two threads never share a loaded text.
class CvarFiles {
public:
    // The mod folder: gameFolder + separator + modFolder; workFolder for RemoveLines's names
    // that start with the separator.
    CvarFiles(std::string modFolderPath, std::string workFolder);
    // The mod folder of the settings' game location.
    static CvarFiles ForSettings(const AppSettings& settings);

    // modFolder + separator + file.
    std::string Path(const std::string& file) const;

    // Told of every write of a file, with whether it reached the disk, so that the user can hear
    // of a file that cannot be saved. Never told of a write that would change nothing.
    using WriteReport = std::function<void(const std::string& path, bool written)>;
    void SetWriteReport(WriteReport report) { report_ = std::move(report); }
    // The same files without a loaded text: what a step hands to the window thread to write.
    CvarFiles Writer() const;

    // Replaces the first line of file that has the key (case-sensitive, at the line's first
    // character) by key + (two tabs if tabbed, else one space) + '"' + value + '"', or appends
    // that line when none does. CR, LF and NUL in the value are written as blanks. The file is
    // never created; it ends without a line break after a rewrite; a rewrite that would change no
    // byte is not made. A file that cannot be rewritten is left exactly as it was. False when the
    // file exists and could not be written.
    bool WriteCvar(const std::string& file, const std::string& key, const std::string& value, bool tabbed) const;

    // Loads the file's lines, joined with line feeds, as the loaded text. A missing or unreadable
    // file loads as an empty text: no value of the file read before may pass for one of this file.
    void LoadCvarText(const std::string& file);
    // The value of the first line of the loaded text that has the key and something after it:
    // the rest of the line after key + (two tabs if tabbed, else one space), or after the key and
    // its blanks and tabs when written with another separator, with every double quote removed;
    // def when no line does.
    std::string ReadCvar(const std::string& key, const std::string& def, bool tabbed) const;
    // The same read straight from the file, the separator not checked: the first line that has
    // the key gives the rest after len(key) + (2 if tabbed else 1) characters, quotes removed.
    // "" (not def) for a missing file; def when no line matches.
    std::string ReadCvarFromFile(const std::string& file, const std::string& key, const std::string& def,
                                 bool tabbed) const;
    // Deletes every line of the file that has the key. A file name starting with the path
    // separator is taken in the working folder, any other in the mod folder. A missing file is
    // left missing. False when the file exists and could not be written.
    bool RemoveLines(const std::string& file, const std::string& key) const;

    const std::string& loadedText() const { return loadedText_; }
    const std::string& modFolder() const { return modFolder_; }

private:
    // Rewrites an existing file with change(its text), unless that changes nothing; told to the
    // report. A missing file stays missing (true).
    bool Rewrite(const std::string& path, const std::function<std::string(const std::string&)>& change) const;

    std::string modFolder_;
    std::string workFolder_;
    std::string loadedText_;
    WriteReport report_;
};

// Removes what writes of the mod's files cut short by a kill left beside them (see
// RemoveStaleTempFiles). Run before anything writes them: at start and when the mod changes.
int RemoveStaleGameTempFiles(const std::string& modFolderPath);

// The n-th word (from 1) of a line: words are separated by a space, and a word starting with a
// double quote runs to the next double quote and keeps its quotes (a quote never closed runs to
// the end of the line and gets its closing quote). n below 1, or past the last word, gives "".
// Runs of several spaces can make a later word come back again or in pieces, as the game's own
// tools read these lines.
std::string GetWord(const std::string& line, int n);
