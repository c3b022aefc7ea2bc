#pragma once
#include <string>
#include <vector>

// Text files as lists of lines. The game and its tools on Windows write CR LF, so that is what is
// written here on every OS; reading accepts LF too.

// Lines end in LF; a CR right before the LF belongs to the line break. A last line without a break
// is kept; a text that ends in a break gives no extra empty line after it. A CR anywhere else (also
// at the very end of the text) is part of the line, so JoinLinesCrLf gives the bytes back.
std::vector<std::string> SplitLines(const std::string& text);

// Lines joined with CR LF, and one more CR LF after the last line when breakAfterLast.
// No lines give an empty text either way.
std::string JoinLinesCrLf(const std::vector<std::string>& lines, bool breakAfterLast);

// SplitLines of the whole file. False (and lines empty) when it cannot be read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file with the lines joined by CR LF, through WriteFileAtomic: the old file stays
// untouched when the new one cannot be written.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool breakAfterLast = true);
