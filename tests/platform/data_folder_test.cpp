// SPDX-License-Identifier: GPL-3.0-or-later
// The data folder follows the XDG base directory rule of the Linux desktop's menu entry; folder
// modes and chdir are the POSIX ones. Built for Linux only.
#ifndef _WIN32
#include "core/path.h"
#include "platform/data_folder.h"
#include "platform/platform.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FolderCase {
    const char* xdgDataHome;
    const char* home;
    const char* expected;
};

int Mode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

TEST(UserDataFolder, FollowsTheBaseDirectoryRuleAndNeverPicksTheRoot)
{
    const FolderCase cases[] = {
        {"/data/me", "/home/me", "/data/me/znktool"},
        {"/data/me/", "/home/me", "/data/me/znktool"},
        {nullptr, "/home/me", "/home/me/.local/share/znktool"},
        {"", "/home/me/", "/home/me/.local/share/znktool"},
        {"relative/data", "/home/me", "/home/me/.local/share/znktool"},
        {"/", "/home/me", "/home/me/.local/share/znktool"},
        {nullptr, nullptr, ""},
        {"", "", ""},
        {"data", "home/me", ""},
        {nullptr, "/", ""},
        {"//", "/", ""},
    };
    for (const FolderCase& c : cases) {
        const std::map<std::string, const char*> env = {{"XDG_DATA_HOME", c.xdgDataHome}, {"HOME", c.home}};
        EXPECT_EQ(platform::UserDataFolder([&](const char* name) { return env.at(name); }), c.expected)
            << (c.xdgDataHome ? c.xdgDataHome : "(unset)") << " / " << (c.home ? c.home : "(unset)");
    }
}

TEST(EnterFolder, MakesTheMissingFoldersForTheOwnerAloneAndStartsThere)
{
    ScopedWorkDir dir;
    ::mkdir(dir.File("share").c_str(), 0755);
    const std::string folder = JoinPath(dir.Path(), "share", "deeper", "znktool");

    EXPECT_EQ(platform::EnterFolder(folder), "");
    EXPECT_EQ(platform::CurrentDirectory(), folder);
    EXPECT_EQ(Mode(JoinPath(dir.Path(), "share", "deeper")), 0700);
    EXPECT_EQ(Mode(folder), 0700);
    EXPECT_EQ(Mode(dir.File("share")), 0755) << "a folder that was there keeps its permissions";

    // The second start finds it as it was, with what the program left there.
    WriteText(JoinPath(folder, "Servers.ini"), "[Servers]\r\n");
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    EXPECT_EQ(platform::EnterFolder(folder), "");
    EXPECT_EQ(ReadText(JoinPath(folder, "Servers.ini")), "[Servers]\r\n");
}

TEST(EnterFolder, AFileInTheWayIsReportedAndTheCurrentFolderStays)
{
    ScopedWorkDir dir;
    WriteText(dir.File("share"), "not a folder");
    for (const std::string& folder : {dir.File("share"), JoinPath(dir.Path(), "share", "znktool")}) {
        const std::string error = platform::EnterFolder(folder);
        EXPECT_NE(error.find(dir.File("share") + ": "), std::string::npos) << error;
        EXPECT_EQ(platform::CurrentDirectory(), dir.Path());
    }
    EXPECT_EQ(ReadText(dir.File("share")), "not a folder");
}

#endif // _WIN32
