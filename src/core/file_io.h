#pragma once
#include <string>
#include <vector>

// Reads the whole file into out. False (and out empty) when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& out);

// Replaces (or creates) path with data: the bytes go to a temporary file beside it, which is
// flushed and renamed over the original, keeping the original's permissions. A crash or a full
// disk never leaves a half-written file, and when the target cannot be written (read-only file,
// read-only folder) the original is left exactly as it was. Returns false then.
//
// A path that is a symbolic link (or a chain of them) is written through: the temporary file goes
// beside the file the link finally points to and replaces that file, with that file's permissions,
// and the link stays a link. A link whose target is missing is refused (false, nothing written):
// the target usually sits on a drive or share that is not there right now, and a new file made in
// its place would be hidden again, or lost, once the drive is back.
bool WriteFileAtomic(const std::string& path, const std::string& data);

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
