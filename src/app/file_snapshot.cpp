// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_snapshot.h"

#include "core/file_io.h"
#include "core/path.h"

#include <system_error>

namespace fs = std::filesystem;

void FileSnapshot::Take(const std::string& folder, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        File file{JoinPath(folder, name), std::nullopt, fs::perms::none};
        std::error_code error;
        const fs::file_status status = fs::status(file.path, error);
        if (status.type() == fs::file_type::not_found && !fs::is_symlink(fs::symlink_status(file.path, error))) {
            files_.push_back(std::move(file));
            continue;
        }
        std::string bytes;
        if (status.type() != fs::file_type::regular || !ReadWholeFile(file.path, bytes))
            continue;
        file.bytes = std::move(bytes);
        file.perms = status.permissions();
        files_.push_back(std::move(file));
    }
}

std::vector<std::string> FileSnapshot::Restore() const
{
    std::vector<std::string> failed;
    for (const File& file : files_) {
        std::error_code error;
        const fs::file_status status = fs::status(file.path, error);
        if (!file.bytes) {
            if (status.type() != fs::file_type::not_found && !RemoveFile(file.path))
                failed.push_back(file.path);
            continue;
        }
        std::string now;
        const bool same =
            status.type() == fs::file_type::regular && ReadWholeFile(file.path, now) && now == *file.bytes;
        if (!same && !WriteFileAtomic(file.path, *file.bytes)) {
            failed.push_back(file.path);
            continue;
        }
        if (fs::status(file.path, error).permissions() != file.perms) {
            fs::permissions(file.path, file.perms, error);
            if (error)
                failed.push_back(file.path);
        }
    }
    return failed;
}
