// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/path.h"
#include "core/wide_path.h"
#include "platform/platform.h"
#include "test_support/work_dir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

#ifdef _WIN32
// The recorder program built beside the tests (test_support/arg_recorder_win32.cpp), copied into
// folder: it writes its working folder and arguments to recorded.txt there, then stays while a
// file "hold" lies beside it.
std::string WriteRecorder(const std::string& folder, bool hold)
{
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const std::filesystem::path built = std::filesystem::path(self).parent_path() / L"arg_recorder.exe";
    const std::string path = JoinPath(folder, "recorder.exe");
    std::filesystem::copy_file(built, PathFromUtf8(path));
    if (hold)
        WriteText(JoinPath(folder, "hold"), "");
    return path;
}
#else
// A program that records its argument list and working folder, then waits a while.
std::string WriteRecorder(const std::string& folder, int sleepSeconds)
{
    const std::string path = JoinPath(folder, "recorder.sh");
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
#endif

bool WaitForFile(const std::string& path)
{
    return PollUntil([&] { return FileExists(path); }, 5000);
}

} // namespace

TEST(StartProgram, SplitsTheParameterStringAsTheWindowsRuntimeDoes)
{
    ScopedWorkDir dir;
    const std::string program = WriteRecorder(dir.Path(), 0);
    const std::string work = dir.File("work folder");
    MakeFolders(work);

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
    EXPECT_EQ(platform::StartProgram(WriteRecorder(dir.Path(), 0), "", dir.File("gone")), 0);
    WriteText(dir.File("plain.sh"), "#!/bin/sh\n");
    EXPECT_EQ(platform::StartProgram(dir.File("plain.sh"), "", dir.Path()), 0);
    EXPECT_FALSE(FileExists(dir.File("recorded.txt")));
}

// Windows hands a program one command line: there the parameter string goes, not the list.
TEST(StartProgram, AnArgumentListIsPassedAsItIsExceptOnWindows)
{
    ScopedWorkDir dir;
    const std::vector<std::string> arguments = {"+password", "a\" b\\", ""};
    ASSERT_GT(platform::StartProgram(WriteRecorder(dir.Path(), 0), "ignored \"here\"", dir.Path(), &arguments), 0);
    ASSERT_TRUE(WaitForFile(dir.File("recorded.txt")));
#ifdef _WIN32
    EXPECT_EQ(ReadText(dir.File("recorded.txt")), dir.Path() + "\n[ignored]\n[here]\n");
#else
    EXPECT_EQ(ReadText(dir.File("recorded.txt")), dir.Path() + "\n[+password]\n[a\" b\\]\n[]\n");
#endif
}

// A game installed under any name, a player's name and a password in any script.
TEST(StartProgram, NamesAndParametersInAnyScriptArriveIntact)
{
    ScopedWorkDir dir;
    const std::string gameFolder = dir.File("Jeux Café Ж 游戏");
    const std::string work = JoinPath(gameFolder, "dossier 🎮");
    MakeFolders(work);
    const std::string program = WriteRecorder(gameFolder, 0);
    ASSERT_GT(platform::StartProgram(program, "-game znk +name \"Jöhn Ж\" +password \"p 游 🎮\"", work), 0);
    const std::string recorded = JoinPath(gameFolder, "recorded.txt");
    ASSERT_TRUE(WaitForFile(recorded));
    EXPECT_EQ(ReadText(recorded), work + "\n[-game]\n[znk]\n[+name]\n[Jöhn Ж]\n[+password]\n[p 游 🎮]\n");
}

#ifdef _WIN32
TEST(ProcessPriority, SettingsGiveTheWindowsPriorityClasses)
{
    ScopedWorkDir dir;
    const int64_t pid = platform::StartProgram(WriteRecorder(dir.Path(), true), "", dir.Path());
    ASSERT_GT(pid, 0);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(process, nullptr);
    // Real time (3) is left out: without a privilege Windows gives high instead.
    const std::pair<int, DWORD> table[] = {{-2, IDLE_PRIORITY_CLASS},        {-1, BELOW_NORMAL_PRIORITY_CLASS},
                                           {1, ABOVE_NORMAL_PRIORITY_CLASS}, {2, HIGH_PRIORITY_CLASS},
                                           {0, NORMAL_PRIORITY_CLASS},       {9, NORMAL_PRIORITY_CLASS}};
    for (const auto& [priority, expected] : table) {
        EXPECT_TRUE(platform::SetProcessPriority(pid, priority)) << priority;
        EXPECT_EQ(GetPriorityClass(process), expected) << priority;
    }
    RemoveFile(dir.File("hold"));
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_FALSE(platform::SetProcessPriority(0, 1));
}

// Needs windows: make windows-check gives its Wine the display driver that has no display.
TEST(WaitForGameWindow, TakesTheWindowOfTheLaunchNotAnotherCopyOfTheGame)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Half-Life";
    RegisterClassW(&windowClass);
    HWND other = CreateWindowExW(0, L"Half-Life", L"by hand", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    if (!other)
        GTEST_SKIP() << "no windows here";
    ScopedWorkDir dir;
    for (const char* folder : {"game", "launcher", "quiet"})
        MakeFolders(dir.File(folder));
    const std::string game = WriteRecorder(dir.File("game"), true);
    const int64_t pid = platform::StartProgram(game, "window Valve001", dir.Path());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(platform::WaitForGameWindow(pid, 5000), pid);

    // A launcher that starts the game and ends.
    const int64_t launcher =
        platform::StartProgram(WriteRecorder(dir.File("launcher"), false), "child \"" + game + "\"", dir.Path());
    const int64_t child = platform::WaitForGameWindow(launcher, 5000);
    EXPECT_NE(child, pid);
    EXPECT_EQ(platform::RunningProcesses()[child].parent, launcher);

    // No window of the launch: the wait ends at its bound, whatever other games show.
    const int64_t quiet = platform::StartProgram(WriteRecorder(dir.File("quiet"), true), "", dir.Path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::WaitForGameWindow(quiet, 300), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    DestroyWindow(other);
    for (const char* folder : {"game", "quiet"})
        RemoveFile(JoinPath(dir.File(folder), "hold"));
    for (const int64_t p : {pid, child, quiet})
        if (HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(p))) {
            WaitForSingleObject(h, 10000);
            CloseHandle(h);
        }
}
#else
TEST(ProcessPriority, LowPriorityReachesTheGamesProcessGroup)
{
    ScopedWorkDir dir;
    const int64_t pid = platform::StartProgram(WriteRecorder(dir.Path(), 3), "", dir.Path());
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
#endif

#ifdef _WIN32
// On a scratch key of the test's own: the game's settings are never touched.
TEST(GameRegistry, ReadsAndWritesDwordsOfTheKeyAndNeverCreatesIt)
{
    const wchar_t* const scratch = L"Software\\ZNKToolTest";
    const std::string key = "Software\\ZNKToolTest\\Valve Ж\\Settings";
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch);
    platform::SetGameRegistryKey(key);
    struct Restore {
        const wchar_t* scratch;
        ~Restore()
        {
            platform::SetGameRegistryKey("");
            RegDeleteTreeW(HKEY_CURRENT_USER, scratch);
        }
    } restore{scratch};

    uint32_t v = 0;
    EXPECT_FALSE(platform::ReadGameRegistryDword("", "EngineModeW", v));
    EXPECT_FALSE(platform::WriteGameRegistryDword("", "EngineModeW", 800));
    HKEY h = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, scratch, 0, KEY_READ, &h), ERROR_SUCCESS);

    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, Widen(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
        ERROR_SUCCESS);
    const DWORD height = 600;
    RegSetValueExW(h, L"EngineModeH", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&height), sizeof height);
    RegSetValueExW(h, L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"600"), 8);
    ASSERT_TRUE(platform::ReadGameRegistryDword("", "enginemodeh", v));
    EXPECT_EQ(v, 600u);
    EXPECT_FALSE(platform::ReadGameRegistryDword("", "Text", v));
    EXPECT_FALSE(platform::ReadGameRegistryDword("", "EngineModeW", v));

    EXPECT_TRUE(platform::WriteGameRegistryDword("", "EngineModeW", 1024));
    EXPECT_TRUE(platform::WriteGameRegistryDword("", "Réglage Ж", 7));
    for (const auto& [name, expected] : {std::pair{L"EngineModeW", 1024u}, std::pair{L"Réglage Ж", 7u}}) {
        DWORD data = 0, size = sizeof data, type = 0;
        EXPECT_EQ(RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(data, expected);
    }
    RegCloseKey(h);
}
#else
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
#endif

// A current folder deeper than the old fixed buffer of 1,024 bytes comes back whole. (Wine lets
// a program have one about this long; much longer and it ends the program with status 1.)
TEST(CurrentDirectory, ADeepFolderInAnyScript)
{
    ScopedWorkDir dir;
    std::string deep = dir.Path();
    for (const char* part : {"游戏", "フォ", "게임", "Жё", "🎮"}) {
        std::string name;
        while (name.size() < 200) // Linux takes 255 bytes in a name
            name += part;
        deep = JoinPath(deep, name);
    }
    ASSERT_GT(deep.size(), 1024u);
    MakeFolders(deep);
    ASSERT_TRUE(FolderExists(deep));
    if (!ChangeDirectory(deep))
        GTEST_SKIP() << "the system refuses a current folder this long";
    EXPECT_EQ(platform::CurrentDirectory(), deep);
    ChangeDirectory(dir.Path());
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

#ifdef _WIN32
TEST(DriveRoots, TheDrivesThatExistWithTheSystemDrive)
{
    // The quiet error mode the drives are asked under is the list's own.
    SetThreadErrorMode(0, nullptr);
    const auto roots = platform::DriveRoots();
    EXPECT_EQ(GetThreadErrorMode(), 0u);
    for (const std::string& root : roots)
        EXPECT_TRUE(root.size() == 3 && root.substr(1) == ":\\" && (GetLogicalDrives() & (1u << (root[0] - 'A'))))
            << root;
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 2u);
    EXPECT_NE(std::find(roots.begin(), roots.end(), Narrow(std::wstring_view(system, 2)) + "\\"), roots.end());
    EXPECT_TRUE(platform::ScanSkipFolders().empty());
}
#else
TEST(DriveRoots, HomeFirstThenRootAndVirtualFoldersSkipped)
{
    const auto roots = platform::DriveRoots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.back(), "/");
    const auto skip = platform::ScanSkipFolders();
    for (const char* f : {"/proc", "/sys", "/dev", "/run"})
        EXPECT_NE(std::find(skip.begin(), skip.end(), f), skip.end()) << f;
}
#endif
