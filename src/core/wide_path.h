// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// Text in the program is UTF-8 everywhere, file and folder names included. Windows' file,
// folder, registry and process functions take UTF-16 (their "W" forms; the "A" forms read bytes
// in the ANSI code page and cannot name "C:\Jeux\Café Ж"), so every call into Windows goes
// through these conversions, and nothing else converts.
//
// Malformed input is never an error here: each malformed UTF-8 sequence (and each unpaired
// surrogate on the way back) becomes U+FFFD, as Windows' own conversions do, so a name that is
// shown is never cut short. A path is stricter: see WidePath.

// UTF-8 to wide characters: UTF-16 on Windows, UTF-32 elsewhere.
std::wstring Widen(std::string_view utf8);
// Wide characters (UTF-16 on Windows, UTF-32 elsewhere) to UTF-8.
std::string Narrow(std::wstring_view wide);

// A std::filesystem path for a UTF-8 name, and back. On Windows a path made from a narrow
// string would read it in the ANSI code page; these go through Widen and Narrow there.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 path (on Windows _wfopen of WidePath). Null when it cannot be opened.
std::FILE* OpenFileUtf8(const std::string& path, const char* mode);

// The name to hand a library that opens a file by a name of the system's own kind (TagLib's file
// stream): on Windows WidePath's, so that a file deeper than MAX_PATH opens there too (a plain
// wide name stops at the limit); elsewhere the UTF-8 bytes as they are.
std::filesystem::path::string_type NativeFileName(std::string_view utf8);

#ifdef _WIN32
// The name to give a W function for a UTF-8 path. A path too long for the plain form (MAX_PATH,
// less room for a file name in a folder) is made absolute and given the "\\?\" prefix, which
// lifts the limit to 32,767 characters. A path that is not valid UTF-8 gives "", so the call
// fails rather than writing a file under a name nobody asked for.
std::wstring WidePath(std::string_view utf8);
// A path a W function returned, in UTF-8, without the "\\?\" prefix it may carry.
std::string PathFromWide(std::wstring_view wide);
#endif
