// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"

#ifdef _WIN32
#include "core/wide_path.h"

#include <cstdint>
#include <windows.h>
#else
#include <filesystem>
#include <sys/stat.h>
#endif

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (a.empty())
        return b;
    if (a.back() == kPathSeparator)
        return a + b;
    return a + kPathSeparator + b;
}

PathParts SplitPath(const std::string& path)
{
    const size_t cut = path.rfind(kPathSeparator);
    if (cut == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, cut), path.substr(cut + 1)};
}

std::string FileNameOf(const std::string& path)
{
    return SplitPath(path).name;
}

std::string FolderOf(const std::string& path)
{
#ifndef _WIN32
    // The root has no text before its separator.
    if (path.rfind(kPathSeparator) == 0)
        return std::string(1, kPathSeparator);
#endif
    return SplitPath(path).folder;
}

std::string FolderAbove(const std::string& folder)
{
#ifndef _WIN32
    if (folder.empty())
        return std::string(1, kPathSeparator);
#endif
    const std::string above = FolderOf(folder);
    return above.empty() ? folder : above;
}

#ifdef _WIN32
namespace {

// The attributes of what path names, through any link to it (as stat() sees it);
// INVALID_FILE_ATTRIBUTES when nothing is there, or a link leads nowhere.
DWORD AttributesFollowingLinks(const std::string& path)
{
    const std::wstring name = WidePath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return attributes;
    HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return INVALID_FILE_ATTRIBUTES;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool FileExists(const std::string& path)
{
    const DWORD attributes = AttributesFollowingLinks(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = AttributesFollowingLinks(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::string& path)
{
    return AttributesFollowingLinks(path) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::string& path)
{
    HANDLE h = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(h);
    return ok ? static_cast<long long>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow) : -1;
}

bool MakeFolder(const std::string& path)
{
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) || FolderExists(path);
}

std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW data{};
    HANDLE h = FindFirstFileW(WidePath(JoinPath(folder, "*")).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const DWORD attributes = data.dwFileAttributes;
        entries.push_back({Narrow(name), (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FolderEntry::Kind::Link
                                         : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? FolderEntry::Kind::Folder
                                                                                     : FolderEntry::Kind::File});
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return entries;
}
#else
bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

long long FileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
}

bool MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 || FolderExists(path);
}

std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        const fs::file_type type = it->symlink_status(typeError).type();
        entries.push_back(
            {it->path().filename().native(), type == fs::file_type::regular     ? FolderEntry::Kind::File
                                             : type == fs::file_type::directory ? FolderEntry::Kind::Folder
                                             : type == fs::file_type::symlink   ? FolderEntry::Kind::Link
                                                                                : FolderEntry::Kind::Other});
    }
    return entries;
}
#endif
