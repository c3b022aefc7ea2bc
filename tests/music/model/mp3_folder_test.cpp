// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/model/mp3_folder.h"

#include "core/path.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using Names = std::vector<std::string>;

} // namespace

TEST(Mp3Folder, SubfoldersAndRegularMp3FilesByNameLetterCaseAside)
{
    enum Kind { File, Folder, LinkToFile, LinkToFolder, LinkToNothing, Pipe };
    enum Listed { None, AsFolder, AsFile };
    struct Entry {
        const char* name;
        Kind kind;
        Listed listed;
    };
    const Entry entries[] = {
        {"b.mp3", File, AsFile},           {"A.mp3", File, AsFile},
        {"upper.MP3", File, None}, // the extension's case counts
        {"a.mp3.bak", File, None},         {"notes.txt", File, None},
        {"Rock", Folder, AsFolder},        {"ambient", Folder, AsFolder},
        {"d.mp3", Folder, AsFolder}, // a folder whatever its name
#ifndef _WIN32
        {"link.mp3", LinkToFile, AsFile},  {"linked", LinkToFolder, AsFolder},
        {"gone.mp3", LinkToNothing, None}, {"pipe.mp3", Pipe, None}, // reading it would never end
#endif
    };
    TempDir dir;
    const std::string folder = dir.File("music");
    MakeFolders(folder);
    WriteText(dir.File("target.mp3"), "frames");
    Names folders, files;
    for (const Entry& e : entries) {
        const std::string path = JoinPath(folder, e.name);
        switch (e.kind) {
        case File:
            WriteText(path, "frames");
            break;
        case Folder:
            MakeFolders(path);
            break;
        case LinkToFile:
            std::filesystem::create_symlink(dir.File("target.mp3"), path);
            break;
        case LinkToFolder:
            std::filesystem::create_directory_symlink(dir.Path(), path);
            break;
        case LinkToNothing:
            std::filesystem::create_symlink(dir.File("missing.mp3"), path);
            break;
        case Pipe:
#ifndef _WIN32
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
#endif
            break;
        }
        if (e.listed == AsFolder)
            folders.push_back(e.name);
        if (e.listed == AsFile)
            files.push_back(e.name);
    }

    const Mp3FolderListing listing = ListMp3Folder(folder);
#ifndef _WIN32
    // Windows hands the names out in its own order; a POSIX folder in none.
    EXPECT_EQ(listing.folders, (Names{"ambient", "d.mp3", "linked", "Rock"}));
    EXPECT_EQ(listing.files, (Names{"A.mp3", "b.mp3", "link.mp3"}));
#endif
    auto sorted = [](Names names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(sorted(listing.folders), sorted(folders));
    EXPECT_EQ(sorted(listing.files), sorted(files));

    // A folder that cannot be read lists nothing.
    const Mp3FolderListing none = ListMp3Folder(dir.File("nothing-here"));
    EXPECT_TRUE(none.folders.empty());
    EXPECT_TRUE(none.files.empty());
}
