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

TEST(Mp3Folder, SubfoldersAndRegularMp3FilesByNameLetterCaseAside)
{
    namespace fs = std::filesystem;
    enum Kind { File, Folder, Link, Pipe };
    struct Entry {
        const char* name;
        Kind kind;
        const char* target; // of a link, in the temporary folder
        char listed;        // 'd' a subfolder, 'f' an MP3 file, 0 not listed
    };
    const Entry entries[] = {
        {"b.mp3", File, "", 'f'},         {"A.mp3", File, "", 'f'},   {"upper.MP3", File, "", 0},
        {"a.mp3.bak", File, "", 0},       {"Rock", Folder, "", 'd'},  {"ambient", Folder, "", 'd'},
        {"d.mp3", Folder, "", 'd'}, // a folder whatever its name
#ifndef _WIN32
        {"link.mp3", Link, "t.mp3", 'f'}, {"linked", Link, ".", 'd'}, {"gone.mp3", Link, "none.mp3", 0},
        {"pipe.mp3", Pipe, "", 0}, // reading it would never end
#endif
    };
    TempDir dir;
    const std::string folder = dir.File("music");
    MakeFolders(folder);
    WriteText(dir.File("t.mp3"), "frames");
    std::vector<std::string> folders, files;
    for (const Entry& e : entries) {
        const std::string path = JoinPath(folder, e.name);
        if (e.kind == File)
            WriteText(path, "frames");
        else if (e.kind == Folder)
            MakeFolders(path);
        else if (e.kind == Link)
            fs::create_symlink(dir.File(e.target), path);
#ifndef _WIN32
        else
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
#endif
        if (e.listed)
            (e.listed == 'd' ? folders : files).push_back(e.name);
    }

    const Mp3FolderListing listing = ListMp3Folder(folder);
#ifndef _WIN32
    // Windows hands the names out in its own order; a POSIX folder in none.
    EXPECT_EQ(listing.folders, (std::vector<std::string>{"ambient", "d.mp3", "linked", "Rock"}));
    EXPECT_EQ(listing.files, (std::vector<std::string>{"A.mp3", "b.mp3", "link.mp3"}));
#endif
    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(sorted(listing.folders), sorted(folders));
    EXPECT_EQ(sorted(listing.files), sorted(files));
    // A folder that cannot be read lists nothing.
    EXPECT_TRUE(ListMp3Folder(dir.File("nothing-here")).folders.empty());
}
