// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// Player names come as the bytes a server sent: UTF-8, or an 8-bit code page (read as Latin-1,
// as they are shown). These compare them as the user reads them.

// The text's characters, upper case folded to lower case: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic letters (enough for the names players type).
std::u32string FoldedCharacters(std::string_view bytes);

// True when text occurs anywhere in name, letter case aside. An empty text occurs in every name.
bool ContainsIgnoringCase(std::string_view name, std::string_view text);
