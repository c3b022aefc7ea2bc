// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_snapshot.h"
#include "app/screenshot_tour.h"
#include "test_support/work_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

mode_t Mode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A file replaced (written beside and renamed over) has another inode.
ino_t Inode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(ScreenshotTour, JoinsAndConsolesOnlyOnThisMachine)
{
    const std::pair<const char*, bool> cases[] = {
        {"127.0.0.1:27015", true},
        {"127.0.0.1", true},
        {"127.255.255.254:1", true},
        {"128.0.0.1:27015", false},
        {"10.0.0.1:27015", false},
        {"192.168.1.20:27015", false},
        {"0.0.0.0:27015", false},
        {"255.255.255.255:1", false},
        {"126.255.255.255:1", false},
        {"127x.0.0.1:1", false},
        {"", false},
        {"localhost:27015", false},
    };
    for (const auto& [address, allowed] : cases)
        EXPECT_EQ(ScreenshotTour::MayConnectTo(address), allowed) << address;
}

// Every way a file can have changed since the snapshot, put back byte for byte.
TEST(FileSnapshot, PutsBackBytesPermissionsAndAbsence)
{
    TempDir dir;
    const std::string binary("a\0b\r\nc", 6);
    WriteText(dir.File("changed"), binary);
    WriteText(dir.File("removed"), "was here\r\n");
    // Read-only, as a settings file the run could not write: the same bytes are not rewritten.
    WriteText(dir.File("same"), "same\r\n");
    ::chmod(dir.File("same").c_str(), 0444);
    WriteText(dir.File("private"), "secret\r\n");
    ::chmod(dir.File("private").c_str(), 0600);
    WriteText(dir.File("loosened"), "x");
    ::chmod(dir.File("loosened").c_str(), 0600);
    FileSnapshot snapshot;
    snapshot.Take(dir.Path(), {"changed", "removed", "same", "private", "loosened", "created", "untouched-absent"});

    WriteText(dir.File("changed"), "other, and longer than before");
    std::filesystem::remove(dir.File("removed"));
    std::filesystem::remove(dir.File("private"));
    ::chmod(dir.File("loosened").c_str(), 0644);
    WriteText(dir.File("created"), "new");
    const ino_t sameBefore = Inode(dir.File("same"));

    EXPECT_TRUE(snapshot.Restore().empty());
    EXPECT_EQ(ReadText(dir.File("changed")), binary);
    EXPECT_EQ(ReadText(dir.File("removed")), "was here\r\n");
    EXPECT_EQ(ReadText(dir.File("private")), "secret\r\n");
    EXPECT_EQ(Mode(dir.File("private")), 0600u);
    EXPECT_EQ(Mode(dir.File("loosened")), 0600u);
    EXPECT_EQ(ReadText(dir.File("same")), "same\r\n");
    EXPECT_EQ(Mode(dir.File("same")), 0444u);
    EXPECT_EQ(Inode(dir.File("same")), sameBefore);
    EXPECT_FALSE(std::filesystem::exists(dir.File("created")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("untouched-absent")));
    // Nothing beside them: no temporary file left over.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 5);
}
