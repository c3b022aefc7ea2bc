// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the game in the Windows process-start tests: writes its working folder and its
// arguments, as the C runtime of a Windows program splits its command line, to recorded.txt
// beside itself (UTF-8, one "[argument]" a line), then stays while a file "hold" lies there (at
// most ten seconds), so that a test can look at the running process. Given the arguments
// "window" and a class, it shows a window of that class meanwhile; given "child" and a program,
// it starts that program with "window Valve001" and ends at once, as a launcher does.
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
    const std::wstring command = count == 3 ? args[1] : L"", operand = count == 3 ? args[2] : L"";
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

    if (command == L"child")
        return ShellExecuteW(nullptr, L"open", operand.c_str(), L"window Valve001", nullptr, SW_SHOWNORMAL) ? 0 : 1;
    if (command == L"window") {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = operand.c_str();
        RegisterClassW(&windowClass);
        CreateWindowExW(0, operand.c_str(), L"game", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                        windowClass.hInstance, nullptr);
    }
    for (int waited = 0; waited < 10000 && GetFileAttributesW((folder + L"hold").c_str()) != INVALID_FILE_ATTRIBUTES;
         waited += 20)
        Sleep(20);
    return 0;
}
