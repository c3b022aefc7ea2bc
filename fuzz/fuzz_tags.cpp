// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"
#include "music/audio/mp3_tags.h"

// The tag viewer's reader on any file at all: it answers (the sanitizers watch TagLib's memory
// too), the same way twice, with texts cut at their terminators and a version the window knows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Mp3Tags tags = ReadMp3TagsFromBytes(bytes);
    FUZZ_CHECK(tags == ReadMp3TagsFromBytes(bytes));
    for (const std::string* text :
         {&tags.album, &tags.title, &tags.artist, &tags.year, &tags.comment, &tags.genre, &tags.track})
        FUZZ_CHECK(text->find('\0') == std::string::npos);
    FUZZ_CHECK(tags.hasMpegHeader ? tags.mpegVersion == 0 || tags.mpegVersion == 2 || tags.mpegVersion == 3
                                  : tags.mpegVersion == -1);
    return 0;
}
