// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <string>
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

// Six letters or digits, different at every call.
std::string RandomSuffix()
{
    // Seeded with the clock too: some runtimes give a random_device that always starts alike.
    thread_local std::mt19937 rng(std::random_device{}() ^
                                  static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<size_t> pick(0, sizeof kTempAlphabet - 2);
    std::string suffix;
    for (size_t i = 0; i < kTempSuffixLength; ++i)
        suffix += kTempAlphabet[pick(rng)];
    return suffix;
}

// The same pattern on every OS, so that RemoveStaleTempFiles recognises what any build left.
std::string TempNameFor(const std::string& path)
{
    return path + kTempFileMarker + RandomSuffix();
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

// What a replace by rename came to.
enum class Renamed {
    Done,
    FolderRefused, // no temporary file may go beside the target: its folder is not writable
    Failed,        // the target is as it was
};

// What a rewrite in place came to.
enum class Rewritten {
    Done,
    Untouched, // the file could not be opened: it is as it was
    Failed,    // written part of the way: it may hold a mix of the old and new texts
};

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

// See the POSIX version below. Permissions are the folder's on Windows: access changes nothing.
Rewritten RewriteInPlace(const std::string& target, const std::string& data, FileAccess)
{
    HANDLE f =
        CreateFileW(WidePath(target).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return Rewritten::Untouched;
    bool ok = WriteAll(f, data) && SetEndOfFile(f);
    ok = FlushFileBuffers(f) && ok;
    ok = CloseHandle(f) && ok;
    return ok ? Rewritten::Done : Rewritten::Failed;
}

Renamed ReplaceByRename(const std::string& target, const std::string& data, FileAccess)
{
    std::wstring temp;
    HANDLE f = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTempNameTries && f == INVALID_HANDLE_VALUE; ++i) {
        temp = WidePath(TempNameFor(target));
        f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
            return Renamed::FolderRefused;
        if (f == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return Renamed::Failed;
    }
    if (f == INVALID_HANDLE_VALUE)
        return Renamed::Failed;
    bool ok = WriteAll(f, data);
    ok = FlushFileBuffers(f) && ok;
    ok = CloseHandle(f) && ok;
    if (ok)
        ok = MoveFileExW(temp.c_str(), WidePath(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
             0;
    if (!ok)
        DeleteFileW(temp.c_str());
    return ok ? Renamed::Done : Renamed::Failed;
}

// MoveFileEx with MOVEFILE_WRITE_THROUGH returns once the rename is on the disk.
void SyncFolder(const std::string&) {}

} // namespace
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
// still hold files they may: written over from the start and cut where the new text ends.
Rewritten RewriteInPlace(const std::string& target, const std::string& data, FileAccess access)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return Rewritten::Untouched;
    // Tightened before the new text is in it; a file of another owner keeps its mode (the write
    // is still wanted).
    if (access == FileAccess::OwnerOnly)
        ::fchmod(fd, 0600);
    bool ok = WriteAll(fd, data) && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok ? Rewritten::Done : Rewritten::Failed;
}

// The permissions of the replacement: those the file had, or for a new file what the umask
// leaves, as access says.
mode_t ReplacementMode(const struct stat* original, FileAccess access)
{
    if (access == FileAccess::OwnerOnly || (!original && access == FileAccess::OwnerOnlyNew))
        return 0600;
    if (original)
        return original->st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

Renamed ReplaceByRename(const std::string& target, const std::string& data, FileAccess access)
{
    struct stat original {};
    const bool exists = ::stat(target.c_str(), &original) == 0;
    std::string temp;
    int fd = -1;
    for (int i = 0; i < kTempNameTries && fd < 0; ++i) {
        temp = TempNameFor(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && (errno == EACCES || errno == EPERM))
            return Renamed::FolderRefused;
        if (fd < 0 && errno != EEXIST)
            return Renamed::Failed;
    }
    if (fd < 0)
        return Renamed::Failed;

    bool ok = WriteAll(fd, data);
    if (ok && ::fchmod(fd, ReplacementMode(exists ? &original : nullptr, access)) != 0)
        ok = false;
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temp.c_str());
    return ok ? Renamed::Done : Renamed::Failed;
}

// A rename is on the disk once its folder is: the journal entry must be there before the file
// it saves is touched.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
#endif

// ---- the rewrite journal ----

namespace {

constexpr char kJournalMagic[] = "ZNK Tool rewrite journal 1\n";

struct Journal {
    std::mutex lock;
    std::string folder;
    // Entries an earlier run left whose file could not be written at this start, by that file:
    // a later write of it in this run makes them void.
    std::multimap<std::string, std::string> leftOver;
};

Journal& TheJournal()
{
    static Journal journal;
    return journal;
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), error);
    return error ? path : Utf8FromPath(absolute.lexically_normal());
}

// The folder part of a path as the system opens it ("" for a bare name; a root keeps its
// separator, so that "C:\x" is in "C:\", not in the drive's current folder).
std::string ContainingFolder(const std::string& path)
{
#ifdef _WIN32
    const size_t cut = path.find_last_of("\\/");
#else
    const size_t cut = path.rfind('/');
#endif
    if (cut == std::string::npos)
        return {};
    return cut == 0 || path[cut - 1] == ':' ? path.substr(0, cut + 1) : path.substr(0, cut);
}

// "<prefix>" + six letters or digits + "<suffix>" and nothing else.
bool IsSuffixedName(const std::string& name, const std::string& prefix, const std::string& suffix)
{
    const size_t size = prefix.size() + kTempSuffixLength + suffix.size();
    return name.size() == size && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(size - suffix.size(), suffix.size(), suffix) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()),
                       name.begin() + static_cast<std::ptrdiff_t>(prefix.size() + kTempSuffixLength), IsTempSuffixChar);
}

bool IsJournalEntryName(const std::string& name)
{
    return IsSuffixedName(name, kRewriteJournalPrefix, kRewriteJournalSuffix);
}

// A journal entry cut off while it was being written: its temporary file.
bool IsJournalTempName(const std::string& name)
{
    const size_t entrySize = std::char_traits<char>::length(kRewriteJournalPrefix) + kTempSuffixLength +
                             std::char_traits<char>::length(kRewriteJournalSuffix);
    return name.size() > entrySize && IsJournalEntryName(name.substr(0, entrySize)) &&
           IsSuffixedName(name.substr(entrySize), kTempFileMarker, "");
}

struct JournalEntry {
    FileAccess access = FileAccess::Usual;
    unsigned long long stamp = 0; // when it was written, to tell the newest of several
    std::string target;
    std::string data;
};

std::string EntryText(const JournalEntry& entry)
{
    std::string text = kJournalMagic;
    text += std::to_string(static_cast<int>(entry.access)) + ' ' + std::to_string(entry.stamp) + ' ' +
            std::to_string(entry.target.size()) + ' ' + std::to_string(entry.data.size()) + '\n';
    text += entry.target;
    text += '\n';
    text += entry.data;
    return text;
}

bool ReadNumberField(const std::string& text, size_t& at, char end, unsigned long long& out)
{
    const size_t stop = text.find(end, at);
    if (stop == std::string::npos || stop == at || stop - at > 20)
        return false;
    out = 0;
    for (size_t i = at; i < stop; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + static_cast<unsigned>(text[i] - '0');
    }
    at = stop + 1;
    return true;
}

// False for anything but an entry as EntryText writes it, whole.
bool ParseEntry(const std::string& text, JournalEntry& entry)
{
    const size_t magic = sizeof kJournalMagic - 1;
    if (text.compare(0, magic, kJournalMagic) != 0)
        return false;
    size_t at = magic;
    unsigned long long access = 0, targetSize = 0, dataSize = 0;
    if (!ReadNumberField(text, at, ' ', access) || access > static_cast<int>(FileAccess::OwnerOnly) ||
        !ReadNumberField(text, at, ' ', entry.stamp) || !ReadNumberField(text, at, ' ', targetSize) ||
        !ReadNumberField(text, at, '\n', dataSize))
        return false;
    if (targetSize == 0 || targetSize > text.size() || dataSize > text.size() ||
        text.size() - at != targetSize + 1 + dataSize || text[at + targetSize] != '\n')
        return false;
    entry.access = static_cast<FileAccess>(access);
    entry.target = text.substr(at, targetSize);
    entry.data = text.substr(at + targetSize + 1);
    return true;
}

// A write of target worked: what an earlier run left for it is older than what it holds now.
void ForgetLeftOvers(const std::string& target)
{
    Journal& journal = TheJournal();
    const std::lock_guard<std::mutex> hold(journal.lock);
    if (journal.leftOver.empty())
        return;
    const auto [from, to] = journal.leftOver.equal_range(AbsolutePath(target));
    for (auto it = from; it != to; ++it)
        RemoveFile(it->second);
    journal.leftOver.erase(from, to);
}

bool JournaledRewrite(const std::string& target, const std::string& data, FileAccess access)
{
    const std::string entry = WriteRewriteJournal(target, data, access);
    if (entry.empty())
        return false;
    const Rewritten rewritten = RewriteInPlace(target, data, access);
    if (rewritten == Rewritten::Failed) {
        // Half-written: the file is made whole from the entry at the next start, unless a write
        // of it that works comes first.
        Journal& journal = TheJournal();
        const std::lock_guard<std::mutex> hold(journal.lock);
        journal.leftOver.emplace(AbsolutePath(target), entry);
        return false;
    }
    RemoveFile(entry);
    // Gone for good: a power cut must not bring it back over a later write of the file.
    SyncFolder(ContainingFolder(entry));
    if (rewritten == Rewritten::Done)
        ForgetLeftOvers(target);
    return rewritten == Rewritten::Done;
}

} // namespace

void SetRewriteJournalFolder(const std::string& folder)
{
    Journal& journal = TheJournal();
    const std::lock_guard<std::mutex> hold(journal.lock);
    journal.folder = folder.empty() ? folder : AbsolutePath(folder);
}

std::string WriteRewriteJournal(const std::string& target, const std::string& data, FileAccess access)
{
    JournalEntry entry{access,
                       static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                           std::chrono::system_clock::now().time_since_epoch())
                                                           .count()),
                       AbsolutePath(target), data};
    Journal& journal = TheJournal();
    const std::lock_guard<std::mutex> hold(journal.lock);
    if (journal.folder.empty())
        return {};
    // The name is free when chosen; the lock keeps this process's other writes from taking it.
    std::string path;
    for (int i = 0; i < kTempNameTries && (path.empty() || PathExists(path)); ++i)
        path = JoinPath(journal.folder, kRewriteJournalPrefix + RandomSuffix() + kRewriteJournalSuffix);
    if (PathExists(path) || ReplaceByRename(path, EntryText(entry), FileAccess::OwnerOnly) != Renamed::Done)
        return {};
    SyncFolder(journal.folder);
    return path;
}

bool WriteFileAtomic(const std::string& path, const std::string& data, FileAccess access)
{
    const std::string target = WriteTarget(path);
    if (target.empty())
        return false;
    const bool exists = PathExists(target);
    // Root may write anything; a user's read-only file stays untouched all the same.
    if (exists && IsReadOnlyFile(target))
        return false;
    switch (ReplaceByRename(target, data, access)) {
    case Renamed::Done:
        ForgetLeftOvers(target);
        return true;
    case Renamed::FolderRefused:
        return exists && JournaledRewrite(target, data, access);
    default:
        return false;
    }
}

int CompleteInterruptedRewrites(const std::string& folder)
{
    // Every entry read before any is acted on; by the file each names.
    std::map<std::string, std::vector<std::pair<std::string, JournalEntry>>> byTarget;
    for (const FolderEntry& found : ListFolder(folder)) {
        if (found.kind != FolderEntry::Kind::File)
            continue;
        const std::string path = JoinPath(folder, found.name);
        if (IsJournalTempName(found.name)) {
            // Cut off before it was whole: its file was never touched.
            RemoveFile(path);
            continue;
        }
        if (!IsJournalEntryName(found.name))
            continue;
        std::string text;
        JournalEntry entry;
        if (!ReadWholeFile(path, text) || !ParseEntry(text, entry)) {
            RemoveFile(path);
            continue;
        }
        byTarget[entry.target].emplace_back(path, std::move(entry));
    }

    int completed = 0;
    for (auto& [target, entries] : byTarget) {
        const auto newest = std::max_element(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.second.stamp != b.second.stamp ? a.second.stamp < b.second.stamp : a.first < b.first;
        });
        const JournalEntry& entry = newest->second;
        bool done = false;
        bool keep = false;
        if (!FileExists(target)) {
            // Gone from its folder: nothing half-written is left to mend. A folder not there at
            // all may be a drive not mounted now.
            keep = !FolderExists(ContainingFolder(target).empty() ? "." : ContainingFolder(target));
        } else if (IsReadOnlyFile(target)) {
            keep = true;
        } else {
            const Renamed renamed = ReplaceByRename(target, entry.data, entry.access);
            done = renamed == Renamed::Done || (renamed == Renamed::FolderRefused &&
                                                RewriteInPlace(target, entry.data, entry.access) == Rewritten::Done);
            keep = !done;
        }
        if (keep) {
            Journal& journal = TheJournal();
            const std::lock_guard<std::mutex> hold(journal.lock);
            for (const auto& [path, unused] : entries)
                journal.leftOver.emplace(target, path);
            continue;
        }
        for (const auto& [path, unused] : entries)
            RemoveFile(path);
        completed += done ? 1 : 0;
    }
    return completed;
}

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
