// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What the program needs of the operating system, one implementation per OS
// (platform/posix, platform/win32).
namespace platform {

// The process's current directory ("" when it cannot be read).
std::string CurrentDirectory();

// Where the first-run finder searches, in order: on Windows the roots A:\ to Z:\ of the logical
// drives that are ready (DriveRootsOf), asked without a "no disk" box; the user's home folder,
// then "/" elsewhere.
std::vector<std::string> DriveRoots();

// What the drive list asks of a drive, one question at a time (on Windows GetDriveType,
// WNetGetConnection and a free-space query under an error mode that shows no box).
enum class DriveType { NoRoot, Unknown, Removable, Fixed, Remote, Optical, RamDisk };
struct DriveProbe {
    std::function<DriveType(const std::string& root)> type;
    // A network drive only: false for a remembered connection that is down now. Answered by the
    // network provider without touching the share, which would wait for the server.
    std::function<bool(const std::string& root)> connected;
    // Whether the drive answers now: a disk in it, its share reachable.
    std::function<bool(const std::string& root, DriveType type)> ready;
};
// The roots "A:\" … "Z:\" of the drives in driveMask (bit 0 = A:, as GetLogicalDrives gives it),
// in letter order, without those of no or unknown type, those not ready, and network drives that
// are not connected. A drive is asked no further than needed to rule it out: a drive of unknown
// type is never asked if it is ready, a disconnected share never touched.
std::vector<std::string> DriveRootsOf(uint32_t driveMask, const DriveProbe& probe);
// Folders a drive scan never enters (virtual file systems; the home folder already scanned
// first). Empty on Windows.
std::vector<std::string> ScanSkipFolders();

// A DWORD value under the game's settings key (HKCU\Software\Valve\Half-Life\Settings).
// Elsewhere the key is the section "HKEY_CURRENT_USER\Software\Valve\Half-Life\Settings" of
// registry.ini in the working folder. Reading gives false when the file, section or value is
// missing; writing never creates the key (the file or the section) and gives false then.
bool ReadGameRegistryDword(const std::string& workFolder, const std::string& name, uint32_t& value);
bool WriteGameRegistryDword(const std::string& workFolder, const std::string& name, uint32_t value);
inline constexpr const char* kGameRegistryKey = "Software\\Valve\\Half-Life\\Settings"; // under HKCU
inline constexpr const char* kGameRegistrySection = "HKEY_CURRENT_USER\\Software\\Valve\\Half-Life\\Settings";
inline constexpr const char* kRegistryFileName = "registry.ini";
// The key the two above use in place of kGameRegistryKey, under HKEY_CURRENT_USER (and named so
// as registry.ini's section); "" goes back to the game's. Tests point it at a scratch key of
// their own, so that they never touch the game's settings.
void SetGameRegistryKey(const std::string& subkey);
std::string GameRegistryKey();

// Starts program with one parameter string, the way the shell's "open" does: on Windows the
// string is passed as it is; elsewhere it is split into arguments as the Windows C runtime
// splits a command line, unless arguments gives the list itself (then used as it is there;
// Windows still passes parameters). The program runs detached in its own process group, in
// workFolder. Returns the process id, or 0 when it could not be started.
int64_t StartProgram(const std::string& program, const std::string& parameters, const std::string& workFolder,
                     const std::vector<std::string>* arguments = nullptr);

// The game's priority setting (-2 low … 0 normal … 3 real time) applied to a started process
// (on POSIX its process group gets a nice value). A refusal is ignored; false then.
bool SetProcessPriority(int64_t pid, int priority);
// The nice value used for a priority setting on POSIX.
int NiceValueForPriority(int priority);

// Lowers the calling thread, and only it, to the lowest normal priority: on Windows the thread
// priority "lowest"; on Linux, where each thread has a nice value of its own, ten steps nicer (at
// most 19, as below-normal processes run). Elsewhere nothing. A refusal is ignored; false then.
bool LowerCurrentThreadPriority();

// Waits (at most timeoutMs) for the game's window — class "Half-Life" or "Valve001" — of the
// started process or of a process it started (GameWindowOwner), and gives the id of the process
// that owns it, 0 when none appeared. Elsewhere there is no such window to wait for: the started
// process itself is returned at once.
int64_t WaitForGameWindow(int64_t startedPid, int timeoutMs);

// A top-level window as the wait sees it.
struct TopLevelWindow {
    std::string windowClass;
    int64_t pid = 0; // of the process that owns it
};
// A running process: its parent's id and when it was made (any clock counting up; 0 unknown).
struct ProcessInfo {
    int64_t parent = 0;
    uint64_t created = 0;
};
// Which window the game's is, among windows (front to back): the first of class "Half-Life", else
// the first of class "Valve001" (classes compared as Windows does, ignoring case), whose process
// is startedPid or descends from it through processes (a launcher may start the game as its
// child, and may have ended since). A process made before the started one is no descendant,
// whatever parent id it names: that id belonged to an earlier process. Gives the window's
// process id, 0 when no window is the game's: another copy of the game, started by hand or by an
// earlier launch, is never taken.
int64_t GameWindowOwner(const std::vector<TopLevelWindow>& windows, const std::map<int64_t, ProcessInfo>& processes,
                        int64_t startedPid);
// The running processes (Windows only; empty elsewhere).
std::map<int64_t, ProcessInfo> RunningProcesses();

// A master list pings up to 681 servers at once, one socket each: lift the soft limit on open
// files to what the system allows (a desktop's default of 1024 is too tight for two lists).
void RaiseOpenFileLimit();

// Hands memory the program has freed back to the system. glibc keeps the free pages of a
// fragmented heap for later: a closed window's memory would stay with the process. Nothing to
// do on Windows, whose heap gives large free ranges back by itself.
void ReturnFreedMemory();

// Opens a web address in the user's browser; failures are ignored.
void OpenUrl(const std::string& url);

// The UTC wall clock, to the millisecond.
struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};
ClockTime UtcNow();

} // namespace platform
