// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/model/hl_scanner.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

enum class EntryKind { File, Folder, Link, Other };

struct Entry {
    std::string name;
    EntryKind kind;
};

// The entries of a folder are read in one go and the folder closed again before any subfolder
// is entered, so a deep tree holds one open handle at a time instead of one per level.
#ifdef _WIN32

EntryKind KindOf(DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Folder;
    return EntryKind::File;
}

class FolderReader {
public:
    FolderReader(const std::string& path, bool /*followLink*/)
    {
        handle_ = FindFirstFileW(WidePath(JoinPath(path, "*")).c_str(), &data_);
    }
    ~FolderReader()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Reparse points are never entered, so no folder can be reached twice on one path; the
    // identity is only needed where links could loop.
    bool Identity(CHLScanner::FolderId&) const { return false; }

    void ReadAll(std::vector<Entry>& entries, const std::atomic<bool>& stop)
    {
        if (!IsOpen())
            return;
        do {
            if (stop)
                break;
            const std::string name = Narrow(data_.cFileName);
            if (name != "." && name != "..")
                entries.push_back({name, KindOf(data_.dwFileAttributes)});
        } while (FindNextFileW(handle_, &data_));
        FindClose(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data_{};
};

// Through the link, as stat() does elsewhere: a link that leads nowhere is no game.
bool LeadsToRegularFile(const std::string& path)
{
    return FileExists(path);
}

#else

EntryKind KindOfMode(mode_t mode)
{
    if (S_ISLNK(mode))
        return EntryKind::Link;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISREG(mode))
        return EntryKind::File;
    return EntryKind::Other;
}

class FolderReader {
public:
    // O_NOFOLLOW makes the no-link rule hold even if a folder is replaced by a link between
    // being listed and being entered.
    FolderReader(const std::string& path, bool followLink)
    {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
        fd_ = ::open(path.c_str(), flags);
    }
    ~FolderReader()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    bool Identity(CHLScanner::FolderId& id) const
    {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0)
            return false;
        id = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
        return true;
    }

    void ReadAll(std::vector<Entry>& entries, const std::atomic<bool>& stop)
    {
        if (fd_ < 0)
            return;
        DIR* dir = ::fdopendir(fd_);
        if (!dir)
            return;
        fd_ = -1; // closedir() closes it now
        while (!stop) {
            const dirent* e = ::readdir(dir);
            if (!e)
                break;
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            entries.push_back({name, KindOfEntry(::dirfd(dir), *e)});
        }
        ::closedir(dir);
    }

private:
    static EntryKind KindOfEntry(int dirFd, const dirent& e)
    {
        switch (e.d_type) {
        case DT_DIR:
            return EntryKind::Folder;
        case DT_REG:
            return EntryKind::File;
        case DT_LNK:
            return EntryKind::Link;
        case DT_UNKNOWN:
            break; // some file systems do not fill d_type in
        default:
            return EntryKind::Other;
        }
        struct stat st {};
        if (::fstatat(dirFd, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        return KindOfMode(st.st_mode);
    }

    int fd_ = -1;
};

bool LeadsToRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

#endif

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == kPathSeparator))
        path.pop_back();
    return path;
}

} // namespace

CHLScanner::CHLScanner(std::string fileName, const std::atomic<bool>& stopRequested)
    : fileName_(std::move(fileName)), stopRequested_(stopRequested)
{
}

void CHLScanner::SetSkipFolders(const std::vector<std::string>& folders)
{
    skipPaths_.clear();
    skipIds_.clear();
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        skipPaths_.push_back(WithoutTrailingSeparators(folder));
        FolderReader reader(folder, true);
        FolderId id;
        if (reader.Identity(id))
            skipIds_.push_back(id);
    }
}

void CHLScanner::ScanFolder(const std::string& folder)
{
    ancestors_.clear();
    ScanTree(folder, true);
}

bool CHLScanner::IsSkipped(const std::string& path) const
{
    return std::find(skipPaths_.begin(), skipPaths_.end(), path) != skipPaths_.end();
}

void CHLScanner::ScanTree(const std::string& folder, bool isRoot)
{
    if (stopRequested_)
        return;
    FolderReader reader(folder, isRoot);
    if (!reader.IsOpen())
        return;
    FolderId id;
    const bool known = reader.Identity(id);
    if (known) {
        if (!isRoot && std::find(skipIds_.begin(), skipIds_.end(), id) != skipIds_.end())
            return;
        if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end())
            return;
    }

    if (onEnterFolder)
        onEnterFolder(folder);
    std::vector<Entry> entries;
    reader.ReadAll(entries, stopRequested_);

    if (known)
        ancestors_.push_back(id);
    for (const Entry& entry : entries) {
        if (stopRequested_)
            break;
        const std::string path = JoinPath(folder, entry.name);
        if (entry.kind == EntryKind::Folder) {
            if (!IsSkipped(path))
                ScanTree(path, false);
        } else if (entry.name == fileName_) {
            const bool runnable =
                entry.kind == EntryKind::File || (entry.kind == EntryKind::Link && LeadsToRegularFile(path));
            if (runnable && onFound)
                onFound(path);
        }
    }
    if (known)
        ancestors_.pop_back();
}
