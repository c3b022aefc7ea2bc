// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamefiles/model/cvar_file.h"

#include "core/file_io.h"
#include "core/path.h"
#include "core/text_file.h"
#include "settings/app_settings.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

namespace {

std::string WithoutQuotes(std::string_view text)
{
    std::string value(text);
    std::erase(value, '"');
    return value;
}

std::string Separator(bool tabbed)
{
    return tabbed ? "\t\t" : " ";
}

// The game writes these files with CR LF and reads any of the three breaks; a rewrite keeps
// CR LF whatever the file held, and drops the break after the last line as the game's own tools
// do. Each line goes through f, which gives the line to write, or nothing to drop it; lines
// counts those written.
template <typename F> std::string Rewritten(const std::string& text, size_t& lines, F&& f)
{
    lines = 0;
    std::string out;
    out.reserve(text.size() + 64);
    if (StartsWithBom(text))
        out += kUtf8Bom;
    ForEachLine(text, [&](std::string_view line) {
        if (const std::optional<std::string_view> kept = f(line)) {
            if (lines++ > 0)
                out += "\r\n";
            out += *kept;
        }
        return true;
    });
    return out;
}

} // namespace

const std::vector<RewrittenFile> kRewrittenGameFiles = {
    {"", "config.cfg"}, {"", "game.cfg"},    {"", "server.cfg"},   {"", "listenserver.cfg"}, {"", "liblist.gam"},
    {"", "bot.cfg"},    {"", "bot.cfg.bak"}, {"", "mapcycle.txt"}, {"mp3", "playlist.txt"},
};

bool LineHasKey(std::string_view line, std::string_view key)
{
    if (line.size() < key.size() || line.compare(0, key.size(), key) != 0)
        return false;
    if (line.size() == key.size())
        return true;
    const char next = line[key.size()];
    return next == ' ' || next == '\t' || next == '"';
}

CvarFiles::CvarFiles(std::string modFolderPath, std::string workFolder)
    : modFolder_(std::move(modFolderPath)), workFolder_(std::move(workFolder))
{
}

CvarFiles CvarFiles::ForSettings(const AppSettings& settings)
{
    return CvarFiles(JoinPath(settings.gameFolder, settings.modFolder), settings.workFolder);
}

CvarFiles CvarFiles::Writer() const
{
    CvarFiles writer(modFolder_, workFolder_);
    writer.report_ = report_;
    return writer;
}

std::string CvarFiles::Path(const std::string& file) const
{
    return JoinPath(modFolder_, file);
}

bool CvarFiles::Rewrite(const std::string& path, const std::function<std::string(const std::string&)>& change) const
{
    // A missing file means the game is not where the settings say (or not installed yet); a
    // file made here would hold one line and hide the game's defaults once it is.
    if (!FileExists(path))
        return true;
    std::string before;
    bool written = ReadWholeFile(path, before);
    if (written) {
        // A write-back of the value just read changes nothing: the file (and its date) stay as
        // they are, and a large file is not written again and again while the pages fill.
        const std::string after = change(before);
        if (after == before)
            return true;
        written = WriteFileAtomic(path, after);
    }
    if (report_)
        report_(path, written);
    return written;
}

bool CvarFiles::WriteCvar(const std::string& file, const std::string& key, const std::string& value, bool tabbed) const
{
    const std::string newLine = key + Separator(tabbed) + '"' + OneLine(value) + '"';
    return Rewrite(Path(file), [&](const std::string& before) {
        bool replaced = false;
        size_t lines = 0;
        std::string after = Rewritten(before, lines, [&](std::string_view line) -> std::optional<std::string_view> {
            if (replaced || !LineHasKey(line, key))
                return line;
            replaced = true;
            return std::string_view(newLine);
        });
        if (!replaced) {
            if (lines > 0)
                after += "\r\n";
            after += newLine;
        }
        return after;
    });
}

void CvarFiles::LoadCvarText(const std::string& file)
{
    // The lines joined with line feeds, made in place: a large config.cfg is held once.
    if (!ReadWholeFile(Path(file), loadedText_))
        loadedText_.clear();
    std::string& text = loadedText_;
    size_t out = 0;
    size_t lines = 0;
    const std::string_view whole(text);
    ForEachLine(whole, [&](std::string_view line) {
        if (lines++ > 0)
            text[out++] = '\n';
        // Never ahead of what is read: the separators dropped or shortened only shift it back.
        std::memmove(text.data() + out, line.data(), line.size());
        out += line.size();
        return true;
    });
    text.resize(out);
}

std::string CvarFiles::ReadCvar(const std::string& key, const std::string& def, bool tabbed) const
{
    // The key's line is the one WriteCvar would replace: a bare name (a question to the game, not
    // a value) is passed over. Its value follows the style's separator; written with another one
    // (a tab in config.cfg, one tab in game.cfg) it still reads, its blanks skipped: read as
    // absent, the page's fill would write an empty value over it.
    const std::string separator = Separator(tabbed);
    const std::string_view text = loadedText_;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.size() > key.size() && LineHasKey(line, key)) {
            std::string_view rest = line.substr(key.size());
            if (rest.starts_with(separator))
                rest.remove_prefix(separator.size());
            else
                rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
            return WithoutQuotes(rest);
        }
        start = end + 1;
    }
    return def;
}

std::string CvarFiles::ReadCvarFromFile(const std::string& file, const std::string& key, const std::string& def,
                                        bool tabbed) const
{
    // "" rather than def for a file that is not there: the misc page shows an empty field then,
    // so the user sees that the game's files were not found instead of a made-up value.
    std::string text;
    const std::string path = Path(file);
    if (!FileExists(path) || !ReadWholeFile(path, text))
        return "";
    // The separator is skipped by its length, not checked, so a line with a tab or with two
    // spaces after the name still gives its value (with a leading blank).
    const size_t skip = key.size() + (tabbed ? 2 : 1);
    std::optional<std::string> value;
    ForEachLine(text, [&](std::string_view line) {
        if (LineHasKey(line, key))
            value = WithoutQuotes(skip < line.size() ? line.substr(skip) : std::string_view());
        return !value;
    });
    return value ? *value : def;
}

bool CvarFiles::RemoveLines(const std::string& file, const std::string& key) const
{
    // Names starting with the separator address the program's own files next to it.
    const std::string path =
        !file.empty() && file[0] == kPathSeparator ? JoinPath(workFolder_, file.substr(1)) : Path(file);
    return Rewrite(path, [&](const std::string& before) {
        size_t lines = 0;
        return Rewritten(before, lines, [&](std::string_view line) -> std::optional<std::string_view> {
            if (LineHasKey(line, key))
                return std::nullopt;
            return line;
        });
    });
}

int RemoveStaleGameTempFiles(const std::string& modFolderPath)
{
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const RewrittenFile& f : kRewrittenGameFiles)
        byFolder[f.folder].push_back(f.name);
    int removed = 0;
    for (const auto& [folder, names] : byFolder)
        removed += RemoveStaleTempFiles(*folder.c_str() ? JoinPath(modFolderPath, folder) : modFolderPath, names);
    return removed;
}
std::string GetWord(const std::string& line, int n)
{
    if (n < 1)
        return "";
    // R is consumed by fixed lengths from its front, whatever spaces led the token, so runs of
    // spaces shift what a later pass sees; bind and bot lines written by the game use single
    // spaces and read back word by word.
    std::string rest = line;
    std::string word;
    const auto drop = [&rest](size_t count) { rest.erase(0, count < rest.size() ? count : rest.size()); };
    for (int i = 1; i <= n; ++i) {
        const size_t tokenStart = rest.find_first_not_of(' ');
        std::string token;
        if (tokenStart != std::string::npos) {
            const size_t tokenEnd = rest.find(' ', tokenStart);
            token = rest.substr(tokenStart, tokenEnd == std::string::npos ? std::string::npos : tokenEnd - tokenStart);
        }
        if (!rest.empty() && rest[0] == '"' && token.find('"', 1) == std::string::npos) {
            // A quote that is never closed takes the rest of the line as its word.
            const size_t close = rest.find('"', 1);
            const std::string quoted = rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            if (quoted.empty())
                return "";
            drop(quoted.size() + 3);
            word = '"' + quoted + '"';
        } else {
            if (token.empty())
                return "";
            drop(token.size() + 1);
            word = std::move(token);
        }
    }
    return word;
}
