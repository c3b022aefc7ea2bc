// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"

#include <gtest/gtest.h>
#include <string>

TEST(PathParts, FolderFileNameAndOneLevelUp)
{
    struct Case {
        std::string path, split, name, folder, above; // SplitPath's two parts, FolderOf, FolderAbove
    };
    const std::string s(1, kPathSeparator);
    const Case cases[] = {
        {"music" + s + "rock" + s + "c.mp3", "music" + s + "rock", "c.mp3", "music" + s + "rock", "music" + s + "rock"},
        {"music" + s + "rock", "music", "rock", "music", "music"},
        {"c.mp3", "", "c.mp3", "", "c.mp3"},
        {"music" + s, "music", "", "music", "music"},
#ifdef _WIN32
        // A file right under a drive's root lies in the bare drive, which has nothing above it.
        {"C:\\a.mp3", "C:", "a.mp3", "C:", "C:"},
        {"C:", "", "C:", "", "C:"},
        {"\\a.mp3", "", "a.mp3", "", "\\a.mp3"},
        {"", "", "", "", ""},
#else
        // The root is the folder of what lies right under it, and has nothing above it.
        {"/a.mp3", "", "a.mp3", "/", "/"},
        {"/", "", "", "/", "/"},
        {"", "", "", "", "/"},
        {"/x\\y.mp3", "", "x\\y.mp3", "/", "/"}, // '\' is a character of a name
#endif
    };
    for (const Case& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.folder, c.split) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
        EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(FolderAbove(c.path), c.above) << c.path;
    }
}
