// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/wide_path.h"

#include "core/utf8.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifndef _WIN32
constexpr char32_t kReplacement = 0xFFFD;

// The character that starts at text[i], and how many bytes it takes; a malformed sequence gives
// U+FFFD for its longest start that could still have been a character (at least one byte), as
// Unicode recommends and Windows does.
char32_t DecodeAt(std::string_view text, std::size_t i, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t need = 0;
    char32_t code = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacement;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k >= text.size())
            return kReplacement;
        const auto next = static_cast<unsigned char>(text[i + k]);
        if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80)
            return kReplacement;
        code = (code << 6) | (next & 0x3F);
        length = k + 1;
    }
    return code;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
#endif

} // namespace

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
        wide += static_cast<wchar_t>(DecodeAt(utf8, i, length));
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
