// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/model/playlist_file.h"

#include "core/file_io.h"
#include "core/numbers.h"
#include "core/path.h"
#include "core/profile_file.h"
#include "core/text_file.h"
#include "core/wide_path.h"
#include "music/model/mp3_texts.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

const char* const kPlsSection = "playlist";
constexpr size_t kMaxPlsValue = 1023;

// The folder the file is in, created when its own parent (the mod folder) exists.
void MakePlaylistFolder(const std::string& path)
{
    const std::string folder = SplitPath(path).folder;
    if (folder.empty() || FolderExists(folder))
        return;
    const std::string parent = FolderOf(folder);
    if (FolderExists(parent.empty() ? "." : parent))
        MakeFolder(folder);
}

} // namespace

std::string PlaylistFilePath(const std::string& gameFolder, const std::string& modFolder)
{
    return JoinPath(gameFolder, modFolder, "mp3", "playlist.txt");
}

bool IsAbsolutePlaylistLine(const std::string& line)
{
#ifdef _WIN32
    return line.size() >= 2 && line[1] == ':';
#else
    return !line.empty() && line[0] == '/';
#endif
}

std::string ResolvePlaylistLine(const std::string& line, const std::string& gameFolder, const std::string& modFolder)
{
    if (IsAbsolutePlaylistLine(line))
        return line;
    const std::string joined = gameFolder + kPathSeparator + modFolder + kPathSeparator + line;
    std::string out;
    out.reserve(joined.size());
    for (size_t i = 0; i < joined.size(); ++i) {
        out += joined[i];
        if (joined[i] == kPathSeparator && i + 1 < joined.size() && joined[i + 1] == kPathSeparator)
            ++i;
    }
    return out;
}

bool SavePlaylistFile(const std::string& path, const std::vector<std::string>& entries)
{
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const std::string& entry : entries)
        lines.push_back(OneLine(WithoutInvalidMarker(entry)));
    MakePlaylistFolder(path);
    return WriteTextLines(path, lines, true);
}

bool AppendToPlaylistFile(const std::string& path, const std::string& line)
{
    MakePlaylistFolder(path);
    // An append, not a rewrite: the lines already there are never at stake.
    FILE* file = OpenFileUtf8(path, "a+b");
    if (!file)
        return false;
    std::string text;
    if (std::fseek(file, -1, SEEK_END) == 0) {
        const int last = std::fgetc(file);
        if (last != '\n' && last != '\r' && last != EOF)
            text = "\r\n";
    }
    // A file name with a line break in it stays one entry (one that names no file).
    text += OneLine(line) + "\r\n";
    std::fseek(file, 0, SEEK_END);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool RemovePlaylistLine(const std::string& path, const std::string& text, bool* writeFailed)
{
    if (writeFailed)
        *writeFailed = false;
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines))
        return false;
    auto found = std::find(lines.begin(), lines.end(), text);
    if (found == lines.end())
        found = std::find_if(lines.begin(), lines.end(),
                             [&text](const std::string& line) { return line.compare(0, text.size(), text) == 0; });
    if (found == lines.end())
        return false;
    lines.erase(found);
    const bool written = WriteTextLines(path, lines, true);
    if (writeFailed)
        *writeFailed = !written;
    return written;
}

bool ClearPlaylistFile(const std::string& path)
{
    MakePlaylistFolder(path);
    return WriteTextFile(path, std::string());
}

bool HasPlsExtension(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && name.compare(dot + 1, std::string::npos, "pls") == 0;
}

bool ImportPlaylist(const std::string& chosenPath, const std::string& playlistPath, bool* writeFailed)
{
    if (writeFailed)
        *writeFailed = false;
    std::vector<std::string> lines;
    if (HasPlsExtension(chosenPath)) {
        ProfileFile pls;
        if (!pls.Load(chosenPath))
            return false;
        const int count = std::min(pls.GetInt(kPlsSection, "NumberOfEntries", 0), kMaxPlsEntries);
        if (count <= 0)
            return false;
        for (int i = 1; i <= count; ++i)
            lines.push_back(pls.GetString(kPlsSection, "File" + std::to_string(i)).substr(0, kMaxPlsValue));
    } else {
        std::string text;
        if (!ReadWholeFile(chosenPath, text))
            return false;
        for (std::string& line : SplitLines(text))
            if (line.empty() || line[0] != '#')
                lines.push_back(std::move(line));
    }
    MakePlaylistFolder(playlistPath);
    const bool written = WriteTextLines(playlistPath, lines, true);
    if (writeFailed)
        *writeFailed = !written;
    return written;
}

int PlsLengthSeconds(const std::string& lengthText)
{
    const size_t colon = lengthText.find(':');
    const long long minutes = ReadNumber(lengthText.substr(0, colon));
    const long long seconds = colon == std::string::npos ? 0 : ReadNumber(lengthText.substr(colon + 1));
    return static_cast<int>(
        std::clamp(minutes * 60 + seconds, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

std::string PlsTitle(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

bool ExportPlaylist(const std::string& chosenPath, const std::string& playlistPath,
                    const std::vector<PlaylistExportRow>& rows)
{
    if (!HasPlsExtension(chosenPath)) {
        std::vector<std::string> lines;
        ReadTextLines(playlistPath, lines);
        return WriteTextLines(chosenPath, lines, true);
    }
    // Built from nothing, as after deleting the old file, and written in one go.
    ProfileFile pls;
    int i = 0;
    for (const PlaylistExportRow& row : rows) {
        const std::string n = std::to_string(++i);
        const std::string file = WithoutInvalidMarker(row.file);
        pls.WriteString(kPlsSection, "File" + n, file);
        pls.WriteString(kPlsSection, "Length" + n, std::to_string(PlsLengthSeconds(row.length)));
        pls.WriteString(kPlsSection, "Title" + n, PlsTitle(file));
    }
    pls.WriteString(kPlsSection, "NumberOfEntries", std::to_string(i));
    pls.WriteString(kPlsSection, "Version", "2");
    return pls.Save(chosenPath);
}
