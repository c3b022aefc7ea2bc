#pragma once
#include <string>

// What the tag viewer shows of a file's ID3 tags (ID3v1 and ID3v2 alike, as id3lib presents
// them), and the MPEG version of its first audio frame.
//
// Texts stored as single bytes come as they are stored (ISO-8859-1 by the standard, often UTF-8
// or a Windows code page in practice: the window decides how to show them). Texts stored as
// UTF-16, which is what encoders write by default, come as UTF-8.
struct Mp3Tags {
    std::string album;
    std::string title;
    std::string artist;
    std::string year;
    std::string comment;
    // As stored: an ID3v1 genre number reads "(17)", not a genre name.
    std::string genre;
    std::string track;
    // id3lib's version value of the MPEG header (3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5, 1 reserved,
    // -1 not MPEG), when id3lib found a header at all.
    bool hasMpegHeader = false;
    int mpegVersion = -1;
};

// Reads the tags of the file. A file without tags, or one that cannot be read, gives empty texts.
Mp3Tags ReadMp3Tags(const std::string& path);

// UTF-16 code units (as id3lib hands them over: each unit's bytes in big-endian order in
// memory) as UTF-8, up to the first zero unit. Unpaired surrogates become U+FFFD.
std::string Utf16BigEndianBytesToUtf8(const unsigned char* bytes, size_t units);
