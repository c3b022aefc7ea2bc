// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/path.h"
#include "platform/platform.h"
#include "test_support/work_dir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

#ifdef _WIN32
#include "core/wide_path.h"

#include <windows.h>
#endif

using platform::DriveType;

// Drives as Windows may report them; the questions asked of each are written down, so that a
// drive left out is seen not to have been touched further (a disconnected share would hang the
// list, an empty drive would ask for a disk).
TEST(DriveRootsOf, OnlyReadyDrivesOfAKnownTypeAndNothingAskedPastTheAnswer)
{
    struct Drive {
        char letter;
        DriveType type;
        bool connected, ready;
    };
    const Drive drives[] = {
        {'A', DriveType::Removable, true, false}, {'C', DriveType::Fixed, true, true},
        {'D', DriveType::Optical, true, false},   {'E', DriveType::Optical, true, true},
        {'F', DriveType::Unknown, true, true},    {'G', DriveType::NoRoot, true, true},
        {'M', DriveType::Remote, false, true},    {'N', DriveType::Remote, true, false},
        {'P', DriveType::Remote, true, true},     {'R', DriveType::RamDisk, true, true},
        {'Z', DriveType::Fixed, true, true},
    };
    std::string asked;
    const auto ask = [&](const std::string& root, char question) {
        EXPECT_EQ(root.substr(1), ":\\");
        asked += root[0];
        asked += question;
        for (const Drive& d : drives)
            if (d.letter == root[0])
                return d;
        ADD_FAILURE() << "asked of " << root;
        return Drive{};
    };
    platform::DriveProbe probe;
    probe.type = [&](const std::string& root) { return ask(root, 't').type; };
    probe.connected = [&](const std::string& root) { return ask(root, 'c').connected; };
    probe.ready = [&](const std::string& root, DriveType type) {
        const Drive d = ask(root, 'r');
        EXPECT_EQ(type, d.type);
        return d.ready;
    };

    uint32_t mask = 0;
    for (const Drive& d : drives)
        mask |= 1u << (d.letter - 'A');
    EXPECT_EQ(platform::DriveRootsOf(mask, probe), (std::vector<std::string>{"C:\\", "E:\\", "P:\\", "R:\\", "Z:\\"}));
    EXPECT_EQ(asked, "AtArCtCrDtDrEtErFtGtMtMcNtNcNrPtPcPrRtRrZtZr");

    asked.clear();
    EXPECT_TRUE(platform::DriveRootsOf(0, probe).empty());
    EXPECT_EQ(platform::DriveRootsOf(1u << 2, probe), std::vector<std::string>{"C:\\"});
    EXPECT_EQ(asked, "CtCr");
}

// Process 10 is the program started; 11 its child (a launcher's game), 12 a grandchild whose
// parent 13 has ended; 20 a game the user started by hand; 30 made before 10 under the parent id
// 10 (that id's earlier owner); 40 and 41 name each other as parents.
TEST(GameWindowOwner, OnlyAWindowOfTheStartedProcessOrOfProcessesItStarted)
{
    const std::map<int64_t, platform::ProcessInfo> processes = {
        {10, {1, 1000}}, {11, {10, 1001}}, {12, {13, 1003}}, {20, {1, 900}},
        {30, {10, 500}}, {40, {41, 2000}}, {41, {40, 2000}},
    };
    using W = platform::TopLevelWindow;
    const struct {
        std::vector<W> windows;
        int64_t started, expected;
    } table[] = {
        {{{"Half-Life", 20}, {"Valve001", 10}}, 10, 10}, // the started one, behind another copy
        {{{"Valve001", 11}, {"Half-Life", 10}}, 10, 10}, // "Half-Life" before "Valve001"
        {{{"valve001", 11}}, 10, 11},                    // classes ignore case
        {{{"Half-Life", 20}, {"Valve001", 20}}, 10, 0},
        {{{"Half-Life", 12}}, 13, 12}, // the launcher 13 has ended
        {{{"Half-Life", 12}}, 10, 0},
        {{{"Half-Life", 30}}, 10, 0},
        {{{"Half-Life", 40}}, 10, 0},
        {{{"Notepad", 10}, {"Half-Life2", 10}, {"Half-Lif", 10}}, 10, 0},
        {{{"Half-Life", 0}, {"Half-Life", 20}}, 0, 0},
        {{}, 10, 0},
    };
    for (const auto& row : table)
        EXPECT_EQ(platform::GameWindowOwner(row.windows, processes, row.started), row.expected)
            << row.windows.size() << " windows, started " << row.started;
}

#ifdef _WIN32
namespace {

// A copy of the test recorder (test_support/arg_recorder_win32.cpp) in folder, with the files
// that tell it what to do, all as text.
std::string Recorder(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& files)
{
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    MakeFolders(folder);
    const std::string path = JoinPath(folder, "recorder.exe");
    std::filesystem::copy_file(std::filesystem::path(self).parent_path() / L"arg_recorder.exe", PathFromUtf8(path));
    for (const auto& [name, text] : files)
        WriteText(JoinPath(folder, name), text);
    return path;
}

} // namespace

// Needs windows: make windows-check gives its Wine the display driver that has no display.
TEST(WaitForGameWindow, TakesTheWindowOfTheLaunchNotAnotherCopyOfTheGame)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Half-Life";
    RegisterClassW(&windowClass);
    HWND other = CreateWindowExW(0, L"Half-Life", L"hand-started", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    if (!other)
        GTEST_SKIP() << "no windows here";

    ScopedWorkDir dir;
    const std::string game = Recorder(dir.File("game"), {{"window-class", "Valve001"}, {"hold", ""}});
    const int64_t pid = platform::StartProgram(game, "", dir.Path());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(platform::WaitForGameWindow(pid, 5000), pid);

    // A launcher that starts the game and ends.
    const std::string child = Recorder(dir.File("child"), {{"window-class", "Valve001"}, {"hold", ""}});
    const int64_t launcher = platform::StartProgram(Recorder(dir.File("launcher"), {{"child", child}}), "", dir.Path());
    ASSERT_GT(launcher, 0);
    const int64_t owner = platform::WaitForGameWindow(launcher, 5000);
    EXPECT_NE(owner, 0);
    EXPECT_NE(owner, pid);
    EXPECT_EQ(platform::RunningProcesses()[owner].parent, launcher);

    // A launch that opens no window: the wait ends at its bound, whatever other games show.
    const int64_t quiet = platform::StartProgram(Recorder(dir.File("quiet"), {{"hold", ""}}), "", dir.Path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::WaitForGameWindow(quiet, 300), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(platform::WaitForGameWindow(0, 300), 0);

    for (const char* folder : {"game", "child", "quiet"})
        RemoveFile(JoinPath(dir.File(folder), "hold"));
    DestroyWindow(other);
    for (const int64_t p : {pid, owner, quiet})
        if (HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(p))) {
            WaitForSingleObject(h, 10000);
            CloseHandle(h);
        }
}
#endif
