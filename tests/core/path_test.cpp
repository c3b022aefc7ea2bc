// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The test's paths are written with '/'; on Windows they become the native '\'.
std::string Native(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = kPathSeparator;
    return path;
}

} // namespace

TEST(PathParts, FolderFileNameAndOneLevelUp)
{
    struct Case {
        const char* path;
        const char* split;  // SplitPath's folder
        const char* name;   // SplitPath's name and FileNameOf
        const char* folder; // FolderOf
        const char* above;  // FolderAbove
    };
    const Case cases[] = {
        {"music/rock/c.mp3", "music/rock", "c.mp3", "music/rock", "music/rock"},
        {"music/rock", "music", "rock", "music", "music"},
        {"c.mp3", "", "c.mp3", "", "c.mp3"},
        {"music/", "music", "", "music", "music"},
        {"", "", "", "", kPathSeparator == '/' ? "/" : ""},
#ifdef _WIN32
        {"C:/Music/a.mp3", "C:/Music", "a.mp3", "C:/Music", "C:/Music"},
        // A file right under a drive's root lies in the bare drive, which has nothing above it.
        {"C:/a.mp3", "C:", "a.mp3", "C:", "C:"},
        {"C:", "", "C:", "", "C:"},
        // Not drive and not root: it stays itself, as a name without a separator does.
        {"/a.mp3", "", "a.mp3", "", "/a.mp3"},
#else
        {"/home/me/a.mp3", "/home/me", "a.mp3", "/home/me", "/home/me"},
        // The root is the folder of what lies right under it, and has nothing above it.
        {"/a.mp3", "", "a.mp3", "/", "/"},
        {"/", "", "", "/", "/"},
        // '\' is a character of a name.
        {"/x\\y.mp3", "", "x\\y.mp3", "/", "/"},
#endif
    };
    for (const Case& c : cases) {
        const std::string path = Native(c.path);
        const PathParts parts = SplitPath(path);
        EXPECT_EQ(parts.folder, Native(c.split)) << c.path;
        EXPECT_EQ(parts.name, Native(c.name)) << c.path;
        EXPECT_EQ(FileNameOf(path), Native(c.name)) << c.path;
        EXPECT_EQ(FolderOf(path), Native(c.folder)) << c.path;
        EXPECT_EQ(FolderAbove(path), Native(c.above)) << c.path;
    }
}
