// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The native separator between path parts ('\\' on Windows, '/' elsewhere).
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// a + separator + b, with no doubling when a already ends in a separator.
// An empty a gives b unchanged.
std::string JoinPath(const std::string& a, const std::string& b);

// JoinPath over several parts, left to right.
template <typename... Rest> std::string JoinPath(const std::string& a, const std::string& b, const Rest&... rest)
{
    return JoinPath(JoinPath(a, b), rest...);
}

// A path cut at its last separator: the text before it and the text after it. A path without
// a separator is all name, in no folder.
struct PathParts {
    std::string folder;
    std::string name;
};
PathParts SplitPath(const std::string& path);
// The text after the last separator; the whole path when it has none.
std::string FileNameOf(const std::string& path);
// The folder a path lies in, as the playlist browser names folders: the text before the last
// separator, "" when there is none. A file right under a drive's root is in the bare drive
// ("C:\a.mp3" is in "C:"); on POSIX one right under the root is in "/".
std::string FolderOf(const std::string& path);
// One level above folder: its FolderOf, but a folder with nothing above it (a bare drive, the
// root, a name without a separator) stays itself. On POSIX "" (what "/.." leaves without its
// last part) is the root.
std::string FolderAbove(const std::string& folder);

// True when anything exists under that name.
bool PathExists(const std::string& path);
// True when the path names an existing file (not a folder).
bool FileExists(const std::string& path);
// True when the path names an existing folder.
bool FolderExists(const std::string& path);
// The size in bytes of the file path names (through any link), -1 when there is none.
long long FileSize(const std::string& path);

// Makes the folder path names; its parent must exist. True when the folder is there afterwards.
bool MakeFolder(const std::string& path);

// One entry of a folder, as the folder holds it: a link is a link, whatever it points to.
struct FolderEntry {
    enum class Kind { File, Folder, Link, Other };
    std::string name;
    Kind kind = Kind::Other;
};
// The entries of folder but "." and "..", in the order the system lists them; empty when it
// cannot be read. (On Windows std::filesystem cannot list a folder past MAX_PATH: MinGW's runtime
// then lists the current folder instead.)
std::vector<FolderEntry> ListFolder(const std::string& folder);
