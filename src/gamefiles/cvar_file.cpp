#include "gamefiles/cvar_file.h"

#include "core/file_io.h"
#include "core/path.h"
#include "core/text_file.h"
#include "settings/app_settings.h"

#include <utility>
#include <vector>

namespace {

bool StartsWith(const std::string& line, const std::string& prefix)
{
    return line.size() >= prefix.size() && line.compare(0, prefix.size(), prefix) == 0;
}

std::string WithoutQuotes(std::string text)
{
    std::erase(text, '"');
    return text;
}

std::string Separator(bool tabbed)
{
    return tabbed ? "\t\t" : " ";
}

// The game writes these files with CR LF and reads any of the three breaks; a rewrite keeps
// CR LF whatever the file held, and drops the break after the last line as the game's own
// tools do. WriteFileAtomic leaves a file it may not write exactly as it was, which is all the
// handling a read-only option file gets: the control simply does not stick.
void Rewrite(const std::string& path, const std::vector<std::string>& lines)
{
    WriteFileAtomic(path, JoinLinesCrLf(lines, false));
}

} // namespace

CvarFiles::CvarFiles(std::string modFolderPath, std::string workFolder)
    : modFolder_(std::move(modFolderPath)), workFolder_(std::move(workFolder))
{
}

CvarFiles CvarFiles::ForSettings(const AppSettings& settings)
{
    return CvarFiles(JoinPath(settings.gameFolder, settings.modFolder), settings.workFolder);
}

std::string CvarFiles::Path(const std::string& file) const
{
    return JoinPath(modFolder_, file);
}

void CvarFiles::WriteCvar(const std::string& file, const std::string& key, const std::string& value,
                          bool tabbed) const
{
    // A missing file means the game is not where the settings say (or not installed yet); a
    // file made here would hold one line and hide the game's defaults once it is.
    const std::string path = Path(file);
    if (!FileExists(path))
        return;
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines))
        return;

    const std::string newLine = key + Separator(tabbed) + '"' + value + '"';
    bool replaced = false;
    for (std::string& line : lines) {
        if (StartsWith(line, key)) {
            line = newLine;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines.push_back(newLine);
    Rewrite(path, lines);
}

void CvarFiles::LoadCvarText(const std::string& file)
{
    // An unreadable file counts as a missing one: the pages then fill from the text they had.
    const std::string path = Path(file);
    if (!FileExists(path))
        return;
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines))
        return;
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    loadedText_ = std::move(text);
}

std::string CvarFiles::ReadCvar(const std::string& key, const std::string& def, bool tabbed) const
{
    // The prefix always ends in its separator, so the empty lines of the text never match.
    const std::string prefix = key + Separator(tabbed);
    size_t start = 0;
    while (start < loadedText_.size()) {
        size_t end = loadedText_.find('\n', start);
        if (end == std::string::npos)
            end = loadedText_.size();
        if (end - start >= prefix.size() && loadedText_.compare(start, prefix.size(), prefix) == 0)
            return WithoutQuotes(loadedText_.substr(start + prefix.size(), end - start - prefix.size()));
        start = end + 1;
    }
    return def;
}

std::string CvarFiles::ReadCvarFromFile(const std::string& file, const std::string& key, const std::string& def,
                                        bool tabbed) const
{
    // "" rather than def for a file that is not there: the misc page shows an empty field then,
    // so the user sees that the game's files were not found instead of a made-up value.
    std::vector<std::string> lines;
    const std::string path = Path(file);
    if (!FileExists(path) || !ReadTextLines(path, lines))
        return "";
    // The separator is skipped by its length, not checked, so a line with a tab or with two
    // spaces after the name still gives its value (with a leading blank).
    const size_t skip = key.size() + (tabbed ? 2 : 1);
    for (const std::string& line : lines) {
        if (StartsWith(line, key))
            return WithoutQuotes(skip < line.size() ? line.substr(skip) : std::string());
    }
    return def;
}

void CvarFiles::RemoveLines(const std::string& file, const std::string& prefix) const
{
    // Names starting with the separator address the program's own files next to it.
    const std::string path = !file.empty() && file[0] == kPathSeparator ? JoinPath(workFolder_, file.substr(1))
                                                                        : Path(file);
    if (!FileExists(path))
        return;
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines))
        return;
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (std::string& line : lines) {
        if (!StartsWith(line, prefix))
            kept.push_back(std::move(line));
    }
    Rewrite(path, kept);
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
