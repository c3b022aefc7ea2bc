#pragma once
#include <string>
#include <vector>

// Text files as lists of lines. The game and its tools on Windows write CR LF, so that is what is
// written here on every OS; reading accepts LF and CR alone too.

// A line ends at CR LF, at LF or at CR alone: files copied through old Mac editors or mangled by
// transfer tools end their lines in CR, and reading them as one long line would lose every entry
// but the first. A last line without a break is kept; a text that ends in a break (of any of the
// three kinds) gives no extra empty line after it. No line holds a CR or LF.
std::vector<std::string> SplitLines(const std::string& text);

// Lines joined with CR LF, and one more CR LF after the last line when breakAfterLast.
// No lines give an empty text either way.
std::string JoinLinesCrLf(const std::vector<std::string>& lines, bool breakAfterLast);

// SplitLines of the whole file. False (and lines empty) when it cannot be read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file with the lines joined by CR LF, through WriteFileAtomic: the old file stays
// untouched when the new one cannot be written.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool breakAfterLast = true);
