// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// What the tag viewer shows of a file's ID3 tags, and the MPEG version of its first audio frame.
// The ID3v2 tag comes first; an ID3v1 tag fills only what it lacks.
//
// Texts come as stored: single-byte texts as their bytes (ISO-8859-1 by the standard, often UTF-8
// or a Windows code page in practice: the window decides how to show them); texts stored as
// UTF-16 or UTF-8, which is what encoders write by default, as UTF-8. A frame holding several
// texts shows its first.
struct Mp3Tags {
    std::string album;
    std::string title;
    std::string artist;
    std::string year;
    std::string comment;
    // As stored: "(17)" stays "(17)", not a genre name; an ID3v1 genre number reads "(17)" too.
    std::string genre;
    std::string track;
    // The version of the first audio frame header (3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5), when one was
    // found where the decoder finds one: within 64 KiB after the ID3v2 tag.
    bool hasMpegHeader = false;
    int mpegVersion = -1;

    bool operator==(const Mp3Tags&) const = default;
};

// Reads the tags of the file. A file without tags, one that cannot be read, or anything that is
// not a regular file (a pipe would wait for a writer for ever) gives empty texts.
Mp3Tags ReadMp3Tags(const std::string& path);
// The same of a file's bytes.
Mp3Tags ReadMp3TagsFromBytes(const std::string& bytes);
