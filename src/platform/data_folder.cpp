// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/data_folder.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {

// An absolute folder that is not the root itself, or an empty path.
fs::path UsableBase(const char* value)
{
    if (value == nullptr || *value == '\0')
        return {};
    fs::path base = fs::path(value).lexically_normal();
    if (!base.is_absolute() || base == base.root_path())
        return {};
    return base;
}

} // namespace

std::string UserDataFolder(const std::function<const char*(const char*)>& env)
{
    fs::path base = UsableBase(env("XDG_DATA_HOME"));
    if (base.empty()) {
        const fs::path home = UsableBase(env("HOME"));
        if (home.empty())
            return {};
        base = home / ".local" / "share";
    }
    // lexically_normal() leaves a trailing separator as an empty last part.
    if (!base.has_filename())
        base = base.parent_path();
    return (base / "znktool").string();
}

std::string EnterFolder(const std::string& folder)
{
    const fs::path target(folder);
    std::error_code ec;
    fs::path made;
    for (const fs::path& part : target) {
        made /= part;
        if (fs::is_directory(made, ec))
            continue;
        if (!fs::create_directory(made, ec) && !ec) // a file in the way
            ec = std::make_error_code(std::errc::not_a_directory);
        if (ec)
            return made.string() + ": " + ec.message();
        fs::permissions(made, fs::perms::owner_all, ec);
    }
    fs::current_path(target, ec);
    if (ec)
        return folder + ": " + ec.message();
    return {};
}

} // namespace platform
