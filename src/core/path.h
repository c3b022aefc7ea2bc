#pragma once
#include <string>

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

// True when anything exists under that name.
bool PathExists(const std::string& path);
// True when the path names an existing file (not a folder).
bool FileExists(const std::string& path);
// True when the path names an existing folder.
bool FolderExists(const std::string& path);
