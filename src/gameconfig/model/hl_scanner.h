// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Depth-first search of folder trees for files with one exact name (the game's client
// executable). Plain C++ without Qt, so that it runs on the finder's worker thread and in tests
// without any window.
//
// Rules, chosen so that a whole-disk scan finishes and lists each install once:
// - Entries are visited in the order the file system enumerates them (not sorted), and a
//   subfolder is scanned completely before the next entry of its parent.
// - Names compare case-sensitively: "HL.SH" is not "hl.sh".
// - Symbolic links (reparse points on Windows) are never entered, so link loops cannot recur
//   and nothing is listed twice through a link. A link whose name matches is listed when it
//   leads to a regular file: that is a runnable install (the game is often linked in).
// - A folder whose name matches is not listed (it cannot be run) but is scanned like any other.
// - Folders that cannot be opened or read are skipped silently.
class CHLScanner {
public:
    using FolderCallback = std::function<void(const std::string& folder)>;
    using FoundCallback = std::function<void(const std::string& path)>;

    // stopRequested is read before every entry, so setting it from another thread ends even a
    // huge folder quickly. It must outlive the scanner.
    CHLScanner(std::string fileName, const std::atomic<bool>& stopRequested);

    // Folders never entered below a scanned folder. They match by path and also by identity on
    // disk, so another spelling of the same folder (through a link, a trailing separator) is
    // skipped as well. A folder handed to ScanFolder() itself is always scanned: the home
    // folder is both scanned first and skipped under "/".
    void SetSkipFolders(const std::vector<std::string>& folders);

    // Called with each folder as it is entered, before its entries are read.
    FolderCallback onEnterFolder;
    // Called with the full path of each match, in enumeration order. Never dropped.
    FoundCallback onFound;

    // Scans folder and everything below it. The folder itself may be reached through a link
    // (a home folder often is); nothing below it is.
    void ScanFolder(const std::string& folder);

    // Which folder a path is on disk (device and inode on POSIX).
    struct FolderId {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const FolderId&) const = default;
    };

private:
    void ScanTree(const std::string& folder, bool isRoot);
    bool IsSkipped(const std::string& path) const;

    std::string fileName_;
    const std::atomic<bool>& stopRequested_;
    std::vector<std::string> skipPaths_;
    std::vector<FolderId> skipIds_;
    // Identities of the folders being scanned, outermost first: a bind mount of a folder inside
    // itself would otherwise recur without end even though no link is followed.
    std::vector<FolderId> ancestors_;
};

// Lets an event through at most once per interval; the first one always passes. The finder
// uses it for the folder shown while searching: a fast scan enters thousands of folders a
// second and must not flood the window thread's event queue with texts nobody can read.
class CRateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit CRateLimiter(Clock::duration interval) : interval_(interval) {}

    bool Allow(Clock::time_point now)
    {
        if (passedAny_ && now - last_ < interval_)
            return false;
        passedAny_ = true;
        last_ = now;
        return true;
    }

private:
    Clock::duration interval_;
    Clock::time_point last_{};
    bool passedAny_ = false;
};
