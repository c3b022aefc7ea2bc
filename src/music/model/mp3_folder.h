// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// What the playlist editor's browser lists of one folder.
struct Mp3FolderListing {
    std::vector<std::string> folders; // its subfolders
    std::vector<std::string> files;   // its MP3 files
};

// The subfolders and MP3 files of folder, by name. A subfolder is a folder or a link to one; an
// MP3 file is a regular file, or a link to one, whose name ends exactly in ".mp3" (letter case
// counts): a pipe or a device named so would hold "Add" up for ever. On POSIX both lists are in
// name order, letter case aside; Windows hands a folder out in name order itself, and that
// order is kept. A bare drive ("C:") lists its root, not the drive's current folder. A folder
// that cannot be read lists nothing.
Mp3FolderListing ListMp3Folder(const std::string& folder);
