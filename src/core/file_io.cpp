#include "core/file_io.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr size_t kTempSuffixLength = 6;
constexpr char kTempAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Tries before giving up on finding a free temporary name; a clash is already unlikely once.
constexpr int kTempNameTries = 100;

// The same pattern on every OS, so that RemoveStaleTempFiles recognises what any build left.
std::string TempNameFor(const std::string& path)
{
    // Seeded with the clock too: some runtimes give a random_device that always starts alike.
    thread_local std::mt19937 rng(std::random_device{}() ^
                                  static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<size_t> pick(0, sizeof kTempAlphabet - 2);
    std::string name = path + kTempFileMarker;
    for (size_t i = 0; i < kTempSuffixLength; ++i)
        name += kTempAlphabet[pick(rng)];
    return name;
}

// The size of an open file; -1 when it cannot be told.
long long OpenFileSize(FILE* f)
{
#ifdef _WIN32
    return _filelengthi64(_fileno(f));
#else
    struct stat st {};
    return ::fstat(fileno(f), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
#endif
}

bool IsTempSuffixChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

bool ReadWholeFile(const std::string& path, std::string& out)
{
    out.clear();
    FILE* f = OpenFileUtf8(path, "rb");
    if (!f)
        return false;
    // Sized up front: a large file is not copied over and over as the text grows.
    if (const long long size = OpenFileSize(f); size > 0)
        out.reserve(static_cast<size_t>(size));
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return true;
}

#ifdef _WIN32
namespace {

// The file a write of path replaces: path itself, or for a link the file it finally points to.
// Empty when the link leads nowhere.
std::string WriteTarget(const std::string& path)
{
    const std::wstring name = WidePath(path);
    const DWORD attr = GetFileAttributesW(name.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    // Sized by a first call: a target's name may be longer than any fixed buffer.
    std::wstring target;
    DWORD n = GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    while (n > target.size()) {
        target.resize(n);
        n = GetFinalPathNameByHandleW(h, target.data(), n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    CloseHandle(h);
    if (n == 0)
        return {};
    target.resize(n);
    return PathFromWide(target);
}

} // namespace

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(WidePath(path).c_str()) != 0;
}

bool IsReadOnlyFile(const std::string& path)
{
    const DWORD attr = GetFileAttributesW(WidePath(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
}

namespace {

bool WriteAll(HANDLE f, const std::string& data)
{
    bool ok = true;
    for (size_t done = 0; ok && done < data.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        ok = WriteFile(f, data.data() + done, chunk, &written, nullptr) && written == chunk;
        done += chunk;
    }
    return ok;
}

// See the POSIX version below.
bool RewriteInPlace(const std::string& target, const std::string& data)
{
    HANDLE f =
        CreateFileW(WidePath(target).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(f, data) && SetEndOfFile(f);
    ok = FlushFileBuffers(f) && ok;
    return CloseHandle(f) && ok;
}

} // namespace

bool WriteFileAtomic(const std::string& path, const std::string& data)
{
    const std::string target = WriteTarget(path);
    if (target.empty() || IsReadOnlyFile(target))
        return false;
    std::wstring temp;
    HANDLE f = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTempNameTries && f == INVALID_HANDLE_VALUE; ++i) {
        temp = WidePath(TempNameFor(target));
        f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
            return GetFileAttributesW(WidePath(target).c_str()) != INVALID_FILE_ATTRIBUTES &&
                   RewriteInPlace(target, data);
        if (f == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(f, data);
    ok = FlushFileBuffers(f) && ok;
    ok = CloseHandle(f) && ok;
    if (ok)
        ok = MoveFileExW(temp.c_str(), WidePath(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
             0;
    if (!ok)
        DeleteFileW(temp.c_str());
    return ok;
}
#else
namespace {

// The file a write of path replaces: path itself, or for a link the file it finally points to
// (through any chain of links, relative ones taken from their own folder). Empty when the link
// leads nowhere or round in a loop.
std::string WriteTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string target(resolved);
    std::free(resolved);
    return target;
}

bool WriteAll(int fd, const std::string& data)
{
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    return true;
}

// A folder the user may not write (a game installed by another account, a share mounted so) can
// still hold files they may. Those are rewritten in place, without the safety of the rename,
// rather than not at all: written over from the start and cut where the new text ends.
bool RewriteInPlace(const std::string& target, const std::string& data)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, data) && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok;
}

} // namespace

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool IsReadOnlyFile(const std::string& path)
{
    // Root may write anything, but a file without a write bit is meant to stay as it is.
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 &&
           (::access(path.c_str(), W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0);
}

bool WriteFileAtomic(const std::string& path, const std::string& data)
{
    const std::string target = WriteTarget(path);
    if (target.empty())
        return false;
    struct stat original {};
    const bool exists = ::stat(target.c_str(), &original) == 0;
    // Root may write anything; a user's read-only file stays untouched all the same.
    if (exists && IsReadOnlyFile(target))
        return false;

    std::string temp;
    int fd = -1;
    for (int i = 0; i < kTempNameTries && fd < 0; ++i) {
        temp = TempNameFor(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && (errno == EACCES || errno == EPERM))
            return exists && RewriteInPlace(target, data);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = WriteAll(fd, data);
    mode_t mode = exists ? (original.st_mode & 07777) : 0644;
    if (!exists) {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (ok && ::fchmod(fd, mode) != 0)
        ok = false;
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}
#endif

int RemoveStaleTempFiles(const std::string& folder, const std::vector<std::string>& fileNames)
{
    // Folder -> the names whose temporary files may lie there. A link's writes leave theirs beside
    // its target, under the target's name.
    std::map<std::string, std::vector<std::string>> places;
    auto add = [&](const std::string& file) {
#ifdef _WIN32
        const size_t cut = file.find_last_of("\\/");
#else
        const size_t cut = file.rfind('/');
#endif
        const std::string name = cut == std::string::npos ? file : file.substr(cut + 1);
        if (name.empty())
            return;
        std::string where = cut == std::string::npos ? "." : file.substr(0, cut);
        if (where.empty() || where.back() == ':')
            where += kPathSeparator;
        places[where].push_back(name + kTempFileMarker);
    };
    for (const std::string& name : fileNames) {
        const std::string file = JoinPath(folder, name);
        add(file);
        const std::string target = WriteTarget(file);
        if (!target.empty() && target != file)
            add(target);
    }

    int removed = 0;
    for (const auto& [where, prefixes] : places) {
        // Listed in full before anything is removed: a folder changed while it is being read may
        // list entries twice.
        for (const FolderEntry& entry : ListFolder(where)) {
            const bool ours = std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
                return entry.name.size() == prefix.size() + kTempSuffixLength &&
                       entry.name.compare(0, prefix.size(), prefix) == 0 &&
                       std::all_of(entry.name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.name.end(),
                                   [](char c) { return IsTempSuffixChar(c); });
            });
            if (ours && entry.kind == FolderEntry::Kind::File && RemoveFile(JoinPath(where, entry.name)))
                ++removed;
        }
    }
    return removed;
}
