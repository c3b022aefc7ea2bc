// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Text files as lists of lines. The game and its tools on Windows write CR LF, so that is what is
// written here on every OS; reading accepts LF and CR alone too.

// The UTF-8 byte-order mark some Windows editors put at the start of a text file. It is not part
// of the first line: read as text it would hide the first variable, friend or playlist entry.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline bool StartsWithBom(std::string_view text)
{
    return text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
}

// A line ends at CR LF, at LF or at CR alone: files copied through old Mac editors or mangled by
// transfer tools end their lines in CR, and reading them as one long line would lose every entry
// but the first. A last line without a break is kept; a text that ends in a break (of any of the
// three kinds) gives no extra empty line after it. No line holds a CR or LF. A byte-order mark at
// the very start of the text is skipped.
std::vector<std::string> SplitLines(std::string_view text);

// The lines of SplitLines handed to f one by one, without a copy; f returns false to stop.
template <typename F> void ForEachLine(std::string_view text, F&& f)
{
    size_t start = StartsWithBom(text) ? kUtf8Bom.size() : 0;
    while (start < text.size()) {
        // A plain loop: find_first_of tests each character against the set one by one, several
        // times slower on the large files this reads.
        size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        if (!f(text.substr(start, end - start)))
            return;
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

// A value as one line of a text file: CR, LF and NUL become blanks. Whatever a field, a pasted
// text or a server hands over, it can never end its line early and start a line of its own in
// the game's files (a forged "bind" or "rcon_password" line) or in the program's own.
std::string OneLine(std::string value);

// Lines joined with CR LF, and one more CR LF after the last line when breakAfterLast.
// No lines give an empty text either way.
std::string JoinLinesCrLf(const std::vector<std::string>& lines, bool breakAfterLast);

// SplitLines of the whole file. False (and lines empty) when it cannot be read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file with the lines joined by CR LF, through WriteTextFile: the old file stays
// untouched when the new one cannot be written.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool breakAfterLast = true);

// Replaces the text of a file that may start with a byte-order mark, through WriteFileAtomic: a
// file that starts with one keeps it (the editor that put it there expects it back); text is given
// without it, as the readers give it, and reads back as it was given.
bool WriteTextFile(const std::string& path, std::string text);
