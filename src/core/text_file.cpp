#include "core/text_file.h"

#include "core/file_io.h"

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.emplace_back(text, start);
            break;
        }
        lines.emplace_back(text, start, end - start);
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
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
    return WriteFileAtomic(path, JoinLinesCrLf(lines, breakAfterLast));
}
