// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/model/mp3_folder.h"

#include "core/path.h"

#include <algorithm>

namespace {

bool EndsWithMp3(const std::string& name)
{
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".mp3") == 0;
}

#ifndef _WIN32
bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&lower](char x, char y) { return lower(x) < lower(y); });
}
#endif

} // namespace

Mp3FolderListing ListMp3Folder(const std::string& folder)
{
    std::string base = folder;
#ifdef _WIN32
    // "C:" alone names the drive's current folder, not its root.
    if (!base.empty() && base.size() <= 2 && base.back() != kPathSeparator)
        base += kPathSeparator;
#endif
    Mp3FolderListing listing;
    for (const FolderEntry& entry : ListFolder(base)) {
        const std::string& name = entry.name;
        const bool link = entry.kind == FolderEntry::Kind::Link;
        if (entry.kind == FolderEntry::Kind::Folder || (link && FolderExists(JoinPath(base, name))))
            listing.folders.push_back(name);
        else if (EndsWithMp3(name) &&
                 (entry.kind == FolderEntry::Kind::File || (link && FileExists(JoinPath(base, name)))))
            listing.files.push_back(name);
    }
#ifndef _WIN32
    // A POSIX folder comes in whatever order its entries lie.
    std::sort(listing.folders.begin(), listing.folders.end(), LessIgnoringCase);
    std::sort(listing.files.begin(), listing.files.end(), LessIgnoringCase);
#endif
    return listing;
}
