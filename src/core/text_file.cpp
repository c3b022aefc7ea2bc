// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text_file.h"

#include "core/file_io.h"
#include "core/wide_path.h"

#include <cstdio>

namespace {

bool FileStartsWithBom(const std::string& path)
{
    FILE* f = OpenFileUtf8(path, "rb");
    if (!f)
        return false;
    char head[3] = {};
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return StartsWithBom(std::string_view(head, n));
}

} // namespace

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    ForEachLine(text, [&lines](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines, bool breakAfterLast)
{
    size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size() || breakAfterLast)
            text += "\r\n";
    }
    return text;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines)
{
    std::string text;
    if (!ReadWholeFile(path, text)) {
        lines.clear();
        return false;
    }
    lines = SplitLines(text);
    return true;
}

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool breakAfterLast)
{
    return WriteTextFile(path, JoinLinesCrLf(lines, breakAfterLast));
}

bool WriteTextFile(const std::string& path, std::string text)
{
    // Also before a first line that itself starts with those bytes: the mark the readers skip is
    // this one, and the line reads back whole.
    if (StartsWithBom(text) || FileStartsWithBom(path))
        text.insert(0, kUtf8Bom);
    return WriteFileAtomic(path, text);
}

std::string OneLine(std::string value)
{
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return value;
}
