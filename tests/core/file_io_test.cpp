#include "core/file_io.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::set<std::string> Listing(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

// A save killed half-way (here by the file size limit, which stops the process inside write())
// leaves the old file as it was and a temporary file that the next start recognises and removes.
TEST(FileIoTempFiles, KilledWriteLeavesOneRecognisableTempFile)
{
    ScopedWorkDir dir;
    WriteText(dir.File("Servers.ini"), "[Servers]\r\nTotal=1\r\n");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        WriteFileAtomic(dir.File("Servers.ini"), std::string(1 << 20, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the write should have been cut off";

    EXPECT_EQ(ReadText(dir.File("Servers.ini")), "[Servers]\r\nTotal=1\r\n");
    const std::set<std::string> left = Listing(dir.Path());
    ASSERT_EQ(left.size(), 2u);
    const std::string temp =
        *std::find_if(left.begin(), left.end(), [](const std::string& n) { return n != "Servers.ini"; });
    const std::string prefix = std::string("Servers.ini") + kTempFileMarker;
    EXPECT_EQ(temp.substr(0, prefix.size()), prefix);
    EXPECT_EQ(temp.size(), prefix.size() + 6);

    EXPECT_EQ(RemoveStaleTempFiles(dir.Path(), {"znktool.conf", "Servers.ini", "ServersDB.ini", "Friends.txt"}), 1);
    EXPECT_EQ(Listing(dir.Path()), (std::set<std::string>{"Servers.ini"}));
}

TEST(FileIoTempFiles, RemovesOnlyTheTempFilesOfTheNamedFiles)
{
    ScopedWorkDir dir;
    const std::string m = kTempFileMarker;
    const std::set<std::string> stale = {"znktool.conf" + m + "a8Zq0C", "Servers.ini" + m + "000000",
                                         "ServersDB.ini" + m + "ZZZZZZ", "Friends.txt" + m + "zz09AZ"};
    const std::set<std::string> userFiles = {
        "znktool.conf",
        "Servers.ini",
        "Friends.txt",
        "Servers.ini" + m + "00000",   // one letter short
        "Servers.ini" + m + "0000000", // one letter long
        "Servers.ini" + m + "00-000",  // not a letter or digit
        "Servers.ini" + m + "00 000",
        "servers.ini" + m + "000000", // another file's name (names are exact)
        "xServers.ini" + m + "000000",
        "Other.ini" + m + "000000", // a file the caller did not name
        "Servers.ini.tmp000000",
        "Servers.ini" + m + "000000.bak",
        "Servers.ini" + m,
    };
    for (const std::string& name : stale)
        WriteText(dir.File(name), "half");
    for (const std::string& name : userFiles)
        WriteText(dir.File(name), "mine");
    // Names of the pattern that are no regular file are not ours either.
    ASSERT_TRUE(fs::create_directory(dir.File("Friends.txt" + m + "dir123")));
    ASSERT_EQ(::symlink("znktool.conf", dir.File("znktool.conf" + m + "link12").c_str()), 0);

    EXPECT_EQ(RemoveStaleTempFiles(dir.Path(), {"znktool.conf", "Servers.ini", "ServersDB.ini", "Friends.txt"}), 4);

    std::set<std::string> expected = userFiles;
    expected.insert({"Friends.txt" + m + "dir123", "znktool.conf" + m + "link12"});
    EXPECT_EQ(Listing(dir.Path()), expected);
    for (const std::string& name : userFiles)
        EXPECT_EQ(ReadText(dir.File(name)), "mine") << name;

    EXPECT_EQ(RemoveStaleTempFiles(dir.File("missing-folder"), {"Servers.ini"}), 0);
}
