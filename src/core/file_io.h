// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// Reads the whole file into out. False (and out empty) when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& out);

// Who may read a file that WriteFileAtomic makes or replaces (POSIX permissions). On Windows a
// file takes the access of its folder whatever is asked (the program's own files sit in the
// user's own folder there): each choice writes alike.
enum class FileAccess {
    // A new file gets what the umask leaves of 0666; a file replaced keeps its permissions.
    Usual,
    // A new file is the owner's alone (0600) whatever the umask; a file replaced keeps its own.
    OwnerOnlyNew,
    // The file is the owner's alone (0600) after the write, made or replaced.
    OwnerOnly,
};

// Replaces (or creates) path with data: the bytes go to a temporary file beside it, which is
// flushed and renamed over the original, keeping the original's permissions (as access says). A
// crash or a full disk never leaves a half-written file, and when the target cannot be written
// (read-only file, read-only folder) the original is left exactly as it was. Returns false then.
//
// A path that is a symbolic link (or a chain of them) is written through: the temporary file goes
// beside the file the link finally points to and replaces that file, with that file's permissions,
// and the link stays a link. A link whose target is missing is refused (false, nothing written):
// the target usually sits on a drive or share that is not there right now, and a new file made in
// its place would be hidden again, or lost, once the drive is back.
//
// A folder the user may not write (a game installed by another account, a share mounted so) can
// still hold an existing file they may. No temporary file can go beside it, so that file is
// rewritten in place, through a journal:
//  1. the whole new text, with the file's name, is written as one entry into the journal folder
//     (SetRewriteJournalFolder: the program's working folder), by the rename above, so the entry
//     is complete or absent, and flushed to the disk with its folder;
//  2. the file is written over from its start, cut where the new text ends, and flushed;
//  3. the entry is removed.
// What this promises:
//  - When the entry cannot be made (no journal folder set, that folder not writable, a full disk
//    there), the file is not touched and the write returns false.
//  - A crash, a kill or a power cut in step 2 can leave the file as a mix of the new text and the
//    old one's tail, or short; a full disk there returns false with the same mix. The entry stays
//    in either case, and CompleteInterruptedRewrites, run at the next start before anything reads
//    the file, rewrites it from the entry: after the next start the file holds the whole new text.
//    A later successful write of the same file in this run makes the entry void and removes it.
//  - A file that cannot even be opened in step 2 was never touched: its entry goes, false.
//  - Unlike the rename, this does not spare other readers: a program that reads the file while
//    it is rewritten (the game, another tool) may see the mix for that moment.
bool WriteFileAtomic(const std::string& path, const std::string& data, FileAccess access = FileAccess::Usual);

// The folder in-place rewrites keep their journal in: one this process can write, the program's
// working folder. Until one is set an in-place rewrite is refused (false, the file untouched).
void SetRewriteJournalFolder(const std::string& folder);

// A journal entry is "<journal folder>/" + kRewriteJournalPrefix + six letters or digits +
// kRewriteJournalSuffix, such as "znktool-rewrite-Q7x0aB.journal"; while it is being written it is
// a temporary file of that name as above.
inline constexpr const char* kRewriteJournalPrefix = "znktool-rewrite-";
inline constexpr const char* kRewriteJournalSuffix = ".journal";

// Step 1 of an in-place rewrite alone: the journal entry that makes a rewrite of target (a file's
// full path, not a link) recoverable, written into the journal folder. The entry's path, or ""
// when it could not be written. What a crash right after it leaves, for the start-up to complete.
std::string WriteRewriteJournal(const std::string& target, const std::string& data,
                                FileAccess access = FileAccess::Usual);

// Finishes what in-place rewrites cut short left in folder (the journal folder): each file an
// entry names is written from the entry (by the rename where its folder allows it now, else in
// place) and the entry removed; of several entries for one file the newest is written. An entry
// whose file is gone from a folder still there goes with nothing written; one whose file cannot
// be written now (or whose folder is not there: a drive not mounted) stays for the next start.
// Entries cut off while being made, and damaged ones, are removed. Returns how many files were
// written. Call it at start, before anything reads files, with the folder set as the journal's.
int CompleteInterruptedRewrites(const std::string& folder);

// The temporary file of a write to "<folder>/<name>" is "<folder>/<name>" + kTempFileMarker + six
// letters or digits (A-Z, a-z, 0-9), such as "Servers.ini.znktool-tmp-a8Zq0C". A process killed
// during a write leaves it behind; RemoveStaleTempFiles clears it away at the next start.
inline constexpr const char* kTempFileMarker = ".znktool-tmp-";

// Removes the temporary files that interrupted writes of these files (names without a folder)
// left in folder, and, for a name that is a symbolic link, beside the file it points to. Only
// regular files named exactly as above are touched; anything else, however alike, stays. Returns
// how many were removed. Call it before anything else writes these files: a write in progress has
// a temporary file of the same pattern.
int RemoveStaleTempFiles(const std::string& folder, const std::vector<std::string>& fileNames);

// Deletes the file path names (a link itself, not what it points to). False when nothing was
// deleted.
bool RemoveFile(const std::string& path);

// True when path exists and this process may not write it (a read-only file).
bool IsReadOnlyFile(const std::string& path);
