#include "core/file_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>

#ifdef _WIN32
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

template <typename Char> bool IsTempSuffixChar(Char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

bool ReadWholeFile(const std::string& path, std::string& out)
{
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    // Sized up front: a large file is not copied over and over as the text grows.
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError)
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
    const DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    char buf[32768];
    const DWORD n = GetFinalPathNameByHandleA(h, buf, sizeof buf, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(h);
    if (n == 0 || n >= sizeof buf)
        return {};
    std::string target(buf, n);
    if (target.rfind("\\\\?\\UNC\\", 0) == 0)
        target = "\\\\" + target.substr(8);
    else if (target.rfind("\\\\?\\", 0) == 0)
        target.erase(0, 4);
    return target;
}

} // namespace

bool IsReadOnlyFile(const std::string& path)
{
    const DWORD attr = GetFileAttributesA(path.c_str());
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
    HANDLE f = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    std::string temp;
    HANDLE f = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTempNameTries && f == INVALID_HANDLE_VALUE; ++i) {
        temp = TempNameFor(target);
        f = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
            return GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES && RewriteInPlace(target, data);
        if (f == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(f, data);
    ok = FlushFileBuffers(f) && ok;
    ok = CloseHandle(f) && ok;
    if (ok)
        ok = MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temp.c_str());
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
    namespace fs = std::filesystem;
    // Folder -> the names whose temporary files may lie there. A link's writes leave theirs beside
    // its target, under the target's name.
    std::map<fs::path, std::vector<fs::path::string_type>> places;
    const fs::path::string_type marker = fs::path(kTempFileMarker).native();
    auto add = [&](const fs::path& file) {
        if (!file.has_filename())
            return;
        const fs::path where = file.has_parent_path() ? file.parent_path() : fs::path(".");
        places[where].push_back(file.filename().native() + marker);
    };
    for (const std::string& name : fileNames) {
        const fs::path file = fs::path(folder) / name;
        add(file);
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(file, ec))) {
            const fs::path target = fs::canonical(file, ec);
            if (!ec)
                add(target);
        }
    }

    int removed = 0;
    for (const auto& [where, prefixes] : places) {
        std::error_code ec;
        std::vector<fs::path> stale;
        for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path::string_type entry = it->path().filename().native();
            const bool ours = std::any_of(prefixes.begin(), prefixes.end(), [&](const fs::path::string_type& prefix) {
                return entry.size() == prefix.size() + kTempSuffixLength &&
                       entry.compare(0, prefix.size(), prefix) == 0 &&
                       std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(),
                                   [](auto c) { return IsTempSuffixChar(c); });
            });
            std::error_code typeError;
            if (ours && it->symlink_status(typeError).type() == fs::file_type::regular)
                stale.push_back(it->path());
        }
        // Removed after the listing: a folder changed while it is being read may list entries twice.
        for (const fs::path& p : stale) {
            std::error_code removeError;
            if (fs::remove(p, removeError))
                ++removed;
        }
    }
    return removed;
}
