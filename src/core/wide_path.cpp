// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/wide_path.h"

#include "core/utf8.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef _WIN32

std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    // Sized by a first call: no fixed buffer, whatever the length. Without MB_ERR_INVALID_CHARS
    // malformed bytes become U+FFFD.
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(Widen(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return Narrow(path.native());
}

std::FILE* OpenFileUtf8(const std::string& path, const char* mode)
{
    const std::wstring name = WidePath(path);
    return name.empty() ? nullptr : _wfopen(name.c_str(), Widen(mode).c_str());
}

std::filesystem::path::string_type NativeFileName(std::string_view utf8)
{
    return WidePath(utf8);
}

std::wstring WidePath(std::string_view utf8)
{
    if (!IsValidUtf8(utf8))
        return {};
    std::wstring wide = Widen(utf8);
    // CreateDirectoryW's limit, the tightest: MAX_PATH less room for an 8.3 file name.
    constexpr std::size_t kPlainLimit = MAX_PATH - 12;
    if (wide.size() < kPlainLimit || wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0)
        return wide;
    // The prefixed form is taken as it stands: no '/', no "." or "..", no relative part. The
    // full path name resolves all three.
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full;
    while (n > full.size()) {
        full.resize(n);
        n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    }
    if (n == 0)
        return wide;
    full.resize(n);
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string PathFromWide(std::wstring_view wide)
{
    if (wide.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return "\\\\" + Narrow(wide.substr(8));
    if (wide.rfind(L"\\\\?\\", 0) == 0)
        return Narrow(wide.substr(4));
    return Narrow(wide);
}

#else

std::wstring Widen(std::string_view utf8)
{
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0, length = 0; i < utf8.size(); i += length)
        wide += static_cast<wchar_t>(DecodeUtf8At(utf8, i, length));
    return wide;
}

std::string Narrow(std::wstring_view wide)
{
    std::string utf8;
    utf8.reserve(wide.size());
    for (const wchar_t c : wide)
        AppendUtf8(utf8, static_cast<char32_t>(static_cast<std::uint32_t>(c)));
    return utf8;
}

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::string(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return path.native();
}

std::FILE* OpenFileUtf8(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::filesystem::path::string_type NativeFileName(std::string_view utf8)
{
    return std::string(utf8);
}

#endif
