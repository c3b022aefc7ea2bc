// Windows build of the platform layer. Not compiled on the Linux builders; kept small and
// close to what the shell and kernel calls do.
#include "platform/platform.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <windows.h>

#include <shellapi.h> // after windows.h, whose types it uses

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

std::vector<std::string> DriveRoots()
{
    std::vector<std::string> roots;
    for (char c = 'A'; c <= 'Z'; ++c) {
        const std::string root = std::string(1, c) + ":\\";
        const DWORD attr = GetFileAttributesW(Widen(root).c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
            roots.push_back(root);
    }
    return roots;
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

int64_t WaitForGameWindow(int64_t, int timeoutMs)
{
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        HWND window = FindWindowW(L"Half-Life", nullptr);
        if (!window)
            window = FindWindowW(L"Valve001", nullptr);
        if (window) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            return pid;
        }
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
