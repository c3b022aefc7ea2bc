// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support/work_dir.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <random>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// What mkdtemp does: a new folder under a name no one else holds, made in one step.
std::filesystem::path MakeTempFolder()
{
    std::mt19937 rng(std::random_device{}() ^ GetCurrentProcessId() ^ GetTickCount());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("znktool-test-" + std::to_string(rng() % 1000000000));
        if (CreateDirectoryW(candidate.c_str(), nullptr))
            return candidate;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("cannot make a temporary folder");
}
#else
std::filesystem::path MakeTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "znktool-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}
#endif

} // namespace

bool ChangeDirectory(const std::string& path)
{
#ifdef _WIN32
    // Never the "\\?\" form: the current folder takes none (Wine hangs at exit after one).
    return SetCurrentDirectoryW(Widen(path).c_str()) != 0;
#else
    return ::chdir(path.c_str()) == 0;
#endif
}

TempDir::TempDir()
{
    // The real name: a test that compares paths with the working folder sees no link in it.
    path_ = Utf8FromPath(std::filesystem::canonical(MakeTempFolder()));
}

#ifdef _WIN32
namespace {

// Not std::filesystem::remove_all: MinGW's runtime lists the current folder in place of a folder
// past MAX_PATH. Links are removed, never followed; read-only files are made writable first.
void RemoveTree(const std::string& folder)
{
    for (const FolderEntry& entry : ListFolder(folder)) {
        const std::string path = JoinPath(folder, entry.name);
        const std::wstring wide = WidePath(path);
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.kind == FolderEntry::Kind::Folder)
            RemoveTree(path);
        else if (!DeleteFileW(wide.c_str()))
            RemoveDirectoryW(wide.c_str()); // a link to a folder
    }
    RemoveDirectoryW(WidePath(folder).c_str());
}

} // namespace

TempDir::~TempDir()
{
    RemoveTree(path_);
}
#else
TempDir::~TempDir()
{
    std::error_code ignored;
    // Folders a test made read-only must not keep their contents.
    const std::filesystem::path path = PathFromUtf8(path_);
    for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path, ignored);
}
#endif

std::string TempDir::File(const std::string& name) const
{
    return JoinPath(path_, name);
}

ScopedWorkDir::ScopedWorkDir()
{
    std::error_code error;
    oldDir_ = Utf8FromPath(std::filesystem::current_path(error));
    if (!ChangeDirectory(dir_.Path()))
        throw std::runtime_error("cannot enter a temporary working folder");
}

ScopedWorkDir::~ScopedWorkDir()
{
    if (!oldDir_.empty())
        (void)ChangeDirectory(oldDir_);
}

void MakeFolders(const std::string& path)
{
    for (size_t cut = path.find(kPathSeparator, 1); cut != std::string::npos; cut = path.find(kPathSeparator, cut + 1))
        MakeFolder(path.substr(0, cut));
    MakeFolder(path);
}

// Through OpenFileUtf8: MinGW's file streams take a std::filesystem::path in the ANSI code page.
std::vector<unsigned char> ReadAllBytes(const std::string& path)
{
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

void WriteAllBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    WriteText(path, std::string(bytes.begin(), bytes.end()));
}

void WriteText(const std::string& path, const std::string& text)
{
    if (std::FILE* f = OpenFileUtf8(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

std::string ReadText(const std::string& path)
{
    std::string text;
    if (std::FILE* f = OpenFileUtf8(path, "rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

bool PollUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
