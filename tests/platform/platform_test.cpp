#include "core/path.h"
#include "platform/platform.h"
#include "test_support/work_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

namespace {

// A program that records its argument list and working folder, then waits a while.
std::string WriteRecorder(const ScopedWorkDir& dir, int sleepSeconds)
{
    const std::string path = dir.File("recorder.sh");
    WriteText(path, "#!/bin/sh\n"
                    "out=\"$(dirname \"$0\")/recorded.txt\"\n"
                    "pwd > \"$out.tmp\"\n"
                    "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$out.tmp\"; done\n"
                    "mv \"$out.tmp\" \"$out\"\n"
                    "sleep " +
                        std::to_string(sleepSeconds) + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

bool WaitForFile(const std::string& path)
{
    return PollUntil([&] { return FileExists(path); }, 5000);
}

} // namespace

TEST(StartProgram, SplitsTheParameterStringAsTheWindowsRuntimeDoes)
{
    ScopedWorkDir dir;
    const std::string program = WriteRecorder(dir, 0);
    const std::string work = dir.File("work folder");
    ASSERT_EQ(::mkdir(work.c_str(), 0755), 0);

    const int64_t pid = platform::StartProgram(
        program, "-game znk  -dev +connect 1.2.3.4:27015 +password \"pass word\" tail\\\"q", work);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForFile(dir.File("recorded.txt")));
    EXPECT_EQ(ReadText(dir.File("recorded.txt")),
              work + "\n[-game]\n[znk]\n[-dev]\n[+connect]\n[1.2.3.4:27015]\n[+password]\n[pass word]\n[tail\"q]\n");
}

TEST(StartProgram, WhatCannotStartGivesNoProcess)
{
    ScopedWorkDir dir;
    EXPECT_EQ(platform::StartProgram(dir.File("no-such-game"), "-game znk", dir.Path()), 0);
    // A game folder that is gone, or a script that may not run.
    EXPECT_EQ(platform::StartProgram(WriteRecorder(dir, 0), "", dir.File("gone")), 0);
    WriteText(dir.File("plain.sh"), "#!/bin/sh\n");
    EXPECT_EQ(platform::StartProgram(dir.File("plain.sh"), "", dir.Path()), 0);
    EXPECT_FALSE(FileExists(dir.File("recorded.txt")));
}

TEST(StartProgram, AnArgumentListIsPassedAsItIs)
{
    ScopedWorkDir dir;
    const std::vector<std::string> arguments = {"+password", "a\" b\\", ""};
    ASSERT_GT(platform::StartProgram(WriteRecorder(dir, 0), "ignored \"here\"", dir.Path(), &arguments), 0);
    ASSERT_TRUE(WaitForFile(dir.File("recorded.txt")));
    EXPECT_EQ(ReadText(dir.File("recorded.txt")), dir.Path() + "\n[+password]\n[a\" b\\]\n[]\n");
}

TEST(ProcessPriority, LowPriorityReachesTheGamesProcessGroup)
{
    ScopedWorkDir dir;
    const int64_t pid = platform::StartProgram(WriteRecorder(dir, 3), "", dir.Path());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForFile(dir.File("recorded.txt")));
    ASSERT_TRUE(platform::SetProcessPriority(pid, -2));
    errno = 0;
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(pid)), 19);
    // The whole group: the recorder's own child would outlive its shell and hold up the run.
    const pid_t group = ::getpgid(static_cast<pid_t>(pid));
    if (group > 1)
        ::kill(-group, SIGTERM);

    EXPECT_EQ(platform::NiceValueForPriority(-1), 10);
    EXPECT_EQ(platform::NiceValueForPriority(0), 0);
    EXPECT_EQ(platform::NiceValueForPriority(3), -15);
    EXPECT_FALSE(platform::SetProcessPriority(0, 1));
}

TEST(GameRegistry, NeverCreatesTheKeyAndKeepsOtherLines)
{
    ScopedWorkDir dir;
    uint32_t v = 0;
    EXPECT_FALSE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeW", v));
    EXPECT_FALSE(platform::WriteGameRegistryDword(dir.Path(), "EngineModeW", 800));
    EXPECT_FALSE(FileExists(dir.File("registry.ini")));

    WriteText(dir.File("registry.ini"), "[HKEY_CURRENT_USER\\Software\\Other]\r\nx=1\r\n");
    EXPECT_FALSE(platform::WriteGameRegistryDword(dir.Path(), "EngineModeW", 800));
    EXPECT_EQ(ReadText(dir.File("registry.ini")), "[HKEY_CURRENT_USER\\Software\\Other]\r\nx=1\r\n");

    WriteText(dir.File("registry.ini"), "[hkey_current_user\\software\\valve\\half-life\\settings]\r\n"
                                        "EngineModeH=600\r\n");
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "enginemodeh", v));
    EXPECT_EQ(v, 600u);
    EXPECT_FALSE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeW", v));
    EXPECT_TRUE(platform::WriteGameRegistryDword(dir.Path(), "EngineModeW", 1024));
    ASSERT_TRUE(platform::ReadGameRegistryDword(dir.Path(), "EngineModeW", v));
    EXPECT_EQ(v, 1024u);
    EXPECT_EQ(ReadText(dir.File("registry.ini")), "[hkey_current_user\\software\\valve\\half-life\\settings]\r\n"
                                                  "EngineModeH=600\r\nEngineModeW=1024\r\n");
}

TEST(Clock, UtcNowHasMilliseconds)
{
    const auto a = platform::UtcNow();
    EXPECT_GE(a.millisecond, 0);
    EXPECT_LT(a.millisecond, 1000);
    EXPECT_LT(a.second, 61);
    EXPECT_LT(a.minute, 60);
    EXPECT_LT(a.hour, 24);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto b = platform::UtcNow();
    const int da = a.minute * 60000 + a.second * 1000 + a.millisecond;
    const int db = b.minute * 60000 + b.second * 1000 + b.millisecond;
    EXPECT_GE((db - da + 3600000) % 3600000, 25);
}

TEST(DriveRoots, HomeFirstThenRootAndVirtualFoldersSkipped)
{
    const auto roots = platform::DriveRoots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.back(), "/");
    const auto skip = platform::ScanSkipFolders();
    for (const char* f : {"/proc", "/sys", "/dev", "/run"})
        EXPECT_NE(std::find(skip.begin(), skip.end(), f), skip.end()) << f;
}
