// Stands in for the game in the Windows process-start tests: writes its working folder and its
// arguments, as the C runtime of a Windows program splits its command line, to recorded.txt
// beside itself (UTF-8, one "[argument]" a line), then stays while a file "hold" lies there (at
// most ten seconds), so that a test can look at the running process. With a file "window-class"
// beside it, it shows a window of the class named there meanwhile; with a file "child", it
// starts the program named there (UTF-8) and ends at once, as a launcher does.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text)
{
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring OwnFolder()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

bool ReadLine(const std::wstring& path, std::string& line)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    char buffer[1024];
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer, &n, nullptr);
    CloseHandle(f);
    line.assign(buffer, n);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::wstring cwd(GetCurrentDirectoryW(0, nullptr), L'\0');
    cwd.resize(GetCurrentDirectoryW(static_cast<DWORD>(cwd.size()), cwd.data()));
    std::string text = Utf8(cwd) + "\n";
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i)
        text += "[" + Utf8(args[i]) + "]\n";
    LocalFree(args);

    const std::wstring folder = OwnFolder();
    const std::wstring temp = folder + L"recorded.tmp";
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
    MoveFileExW(temp.c_str(), (folder + L"recorded.txt").c_str(), MOVEFILE_REPLACE_EXISTING);

    std::string line;
    if (ReadLine(folder + L"child", line)) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + Wide(line) + L"\"";
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return 1;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return 0;
    }
    if (ReadLine(folder + L"window-class", line)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        const std::wstring name = Wide(line);
        windowClass.lpszClassName = name.c_str();
        RegisterClassW(&windowClass);
        CreateWindowExW(0, name.c_str(), L"game", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                        windowClass.hInstance, nullptr);
    }
    for (int waited = 0; waited < 10000 && GetFileAttributesW((folder + L"hold").c_str()) != INVALID_FILE_ATTRIBUTES;
         waited += 20)
        Sleep(20);
    return 0;
}
