#pragma once
#include <string>

// Reads the whole file into out. False (and out empty) when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& out);

// Replaces (or creates) path with data: the bytes go to a temporary file beside it, which is
// flushed and renamed over the original, keeping the original's permissions. A crash or a full
// disk never leaves a half-written file, and when the target cannot be written (read-only file,
// read-only folder) the original is left exactly as it was. Returns false then.
bool WriteFileAtomic(const std::string& path, const std::string& data);

// True when path exists and this process may not write it (a read-only file).
bool IsReadOnlyFile(const std::string& path);
