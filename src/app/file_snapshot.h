// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Files as they were at one moment, to be put back later byte for byte: what a run that is only
// meant to look (the screenshots tour) changed of the user's files is undone after its last write.
class FileSnapshot {
public:
    // Takes the bytes and permissions of each of names in folder, or that it is absent. A file
    // that exists but cannot be read is left out: nothing is known to put back.
    void Take(const std::string& folder, const std::vector<std::string>& names);
    // Each file whose bytes or permissions differ now is rewritten (safely, as every file of the
    // program is), one that did not exist is removed, one that is the same is not touched (a
    // read-only file stays as it was). Returns the paths that could not be put back.
    std::vector<std::string> Restore() const;

private:
    struct File {
        std::string path;
        std::optional<std::string> bytes; // none: absent
        std::filesystem::perms perms = std::filesystem::perms::none;
    };
    std::vector<File> files_;
};
