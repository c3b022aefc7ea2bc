// SPDX-License-Identifier: GPL-3.0-or-later
// Windows build of the platform layer. Not compiled on the Linux builders; kept small and
// close to what the shell and kernel calls do.
#include "platform/platform.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <chrono>
#include <future>
#include <optional>
#include <system_error>
#include <thread>

#include <windows.h>

// After windows.h, whose types they use.
#include <shellapi.h>
#include <tlhelp32.h>
#include <winnetwk.h>

namespace platform {

std::string CurrentDirectory()
{
    // Asked for its size first: a folder deep enough outgrows any fixed buffer. Another thread
    // may change it in between, so the size is asked again until the name fits.
    std::wstring buffer;
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    while (n > buffer.size()) {
        buffer.resize(n);
        n = GetCurrentDirectoryW(n, buffer.data());
    }
    buffer.resize(n);
    return PathFromWide(buffer);
}

namespace {

// No "There is no disk in the drive" box, no "drive not accessible" box: a drive that cannot
// answer is left out. Per thread, and put back afterwards: the playlist editor asks on the
// window thread.
class QuietDriveErrors {
public:
    QuietDriveErrors() : set_(SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_)) {}
    ~QuietDriveErrors()
    {
        if (set_)
            SetThreadErrorMode(previous_, nullptr);
    }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD previous_ = 0;
    bool set_;
};

bool VolumeAnswers(const std::wstring& root)
{
    const QuietDriveErrors quiet;
    ULARGE_INTEGER available{};
    return GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr) != FALSE;
}

// A share whose server has gone can keep a call waiting for half a minute: it is asked on a
// thread of its own and given up on after this long. (The thread ends when the call does.)
constexpr auto kShareAnswerTime = std::chrono::milliseconds(1500);

bool ShareAnswers(const std::wstring& root)
{
    std::packaged_task<bool()> ask([root] { return VolumeAnswers(root); });
    std::future<bool> answer = ask.get_future();
    try {
        std::thread(std::move(ask)).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return answer.wait_for(kShareAnswerTime) == std::future_status::ready && answer.get();
}

} // namespace

std::vector<std::string> DriveRoots()
{
    const QuietDriveErrors quiet;
    DriveProbe probe;
    probe.type = [](const std::string& root) {
        switch (GetDriveTypeW(Widen(root).c_str())) {
        case DRIVE_NO_ROOT_DIR:
            return DriveType::NoRoot;
        case DRIVE_REMOVABLE:
            return DriveType::Removable;
        case DRIVE_FIXED:
            return DriveType::Fixed;
        case DRIVE_REMOTE:
            return DriveType::Remote;
        case DRIVE_CDROM:
            return DriveType::Optical;
        case DRIVE_RAMDISK:
            return DriveType::RamDisk;
        default:
            return DriveType::Unknown;
        }
    };
    probe.connected = [](const std::string& root) {
        const std::wstring device = Widen(root.substr(0, 2));
        wchar_t remote[MAX_PATH];
        DWORD size = MAX_PATH;
        const DWORD status = WNetGetConnectionW(device.c_str(), remote, &size);
        // ERROR_CONNECTION_UNAVAIL: remembered, not connected. Anything else (a name too long for
        // the buffer, a provider that does not know the drive) is left to the free-space query.
        return status != ERROR_CONNECTION_UNAVAIL;
    };
    probe.ready = [](const std::string& root, DriveType type) {
        return type == DriveType::Remote ? ShareAnswers(Widen(root)) : VolumeAnswers(Widen(root));
    };
    return DriveRootsOf(GetLogicalDrives(), probe);
}

std::vector<std::string> ScanSkipFolders()
{
    return {};
}

int64_t StartProgram(const std::string& program, const std::string& parameters, const std::string& workFolder,
                     const std::vector<std::string>*)
{
    // A game folder that is gone starts nothing, as elsewhere (Wine's shell would start the
    // program in another folder).
    if (!workFolder.empty() && !FolderExists(workFolder))
        return 0;
    // The wide forms: the game's folder, the player's name and a server's password may hold any
    // character, which the ANSI forms would turn into '?'.
    const std::wstring file = Widen(program);
    const std::wstring wideParameters = Widen(parameters);
    const std::wstring folder = Widen(workFolder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = wideParameters.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || !info.hProcess)
        return 0;
    DWORD pid = GetProcessId(info.hProcess);
    CloseHandle(info.hProcess);
    return pid;
}

int NiceValueForPriority(int)
{
    return 0;
}

bool SetProcessPriority(int64_t pid, int priority)
{
    static const DWORD classes[] = {IDLE_PRIORITY_CLASS,         BELOW_NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS,
                                    ABOVE_NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS,         REALTIME_PRIORITY_CLASS};
    if (priority < -2 || priority > 3)
        priority = 0;
    HANDLE h = OpenProcess(PROCESS_SET_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    BOOL ok = SetPriorityClass(h, classes[priority + 2]);
    CloseHandle(h);
    return ok != FALSE;
}

bool LowerCurrentThreadPriority()
{
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST) != FALSE;
}

namespace {

// The top-level windows of the game's two classes (the rest need no process lookup).
BOOL CALLBACK CollectWindow(HWND window, LPARAM list)
{
    wchar_t name[256];
    const int n = GetClassNameW(window, name, 256);
    if (n <= 0 || (_wcsicmp(name, L"Half-Life") != 0 && _wcsicmp(name, L"Valve001") != 0))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    reinterpret_cast<std::vector<TopLevelWindow>*>(list)->push_back({Narrow(std::wstring_view(name, n)), pid});
    return TRUE;
}

std::vector<TopLevelWindow> GameClassWindows()
{
    std::vector<TopLevelWindow> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

uint64_t CreationTime(DWORD pid)
{
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h)
        return 0;
    FILETIME created{}, exited{}, kernel{}, user{};
    const bool ok = GetProcessTimes(h, &created, &exited, &kernel, &user);
    CloseHandle(h);
    return ok ? (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime : 0;
}

} // namespace

std::map<int64_t, ProcessInfo> RunningProcesses()
{
    std::map<int64_t, ProcessInfo> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes[entry.th32ProcessID] = {entry.th32ParentProcessID, CreationTime(entry.th32ProcessID)};
    CloseHandle(snapshot);
    return processes;
}

int64_t WaitForGameWindow(int64_t startedPid, int timeoutMs)
{
    if (startedPid <= 0)
        return 0;
    // The started process as it is now: a launcher that ends later leaves its id free for an
    // unrelated process, which must not pass for it.
    const std::optional<ProcessInfo> started = [&]() -> std::optional<ProcessInfo> {
        const std::map<int64_t, ProcessInfo> now = RunningProcesses();
        const auto it = now.find(startedPid);
        return it == now.end() ? std::nullopt : std::optional(it->second);
    }();
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        const std::vector<TopLevelWindow> windows = GameClassWindows();
        std::map<int64_t, ProcessInfo> processes;
        if (!windows.empty()) {
            processes = RunningProcesses();
            if (started)
                processes[startedPid] = *started;
            else
                processes.erase(startedPid);
        }
        if (const int64_t owner = GameWindowOwner(windows, processes, startedPid))
            return owner;
        Sleep(50);
    }
    return 0;
}

void RaiseOpenFileLimit() {}

void ReturnFreedMemory() {}

void OpenUrl(const std::string& url)
{
    ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
}

ClockTime UtcNow()
{
    SYSTEMTIME st;
    GetSystemTime(&st);
    return ClockTime{st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

} // namespace platform
