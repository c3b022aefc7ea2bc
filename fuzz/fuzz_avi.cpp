// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/avi_reader.h"
#include "fuzz_check.h"

// The logo clip comes from the game folder: any file, within the reader's bounds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AviMovie movie;
    std::string error;
    AviReadCost cost;
    const bool read = ReadAvi(data, size, movie, &error, &cost);
    FUZZ_CHECK(cost.frameChunksCounted <= kAviMaxFrames + 1);
    if (!read) {
        FUZZ_CHECK(!error.empty() && movie.frames.empty() && cost.decodedBytes == 0);
        FUZZ_CHECK(movie.width == 0 && movie.height == 0);
        return 0;
    }
    FUZZ_CHECK(movie.width >= 1 && movie.width <= kAviMaxDimension);
    FUZZ_CHECK(movie.height >= 1 && movie.height <= kAviMaxDimension);
    FUZZ_CHECK(movie.frameMicroseconds > 0);
    FUZZ_CHECK(!movie.frames.empty() && movie.frames.size() <= kAviMaxFrames);
    FUZZ_CHECK(movie.frames.size() <= cost.frameChunksCounted);
    FUZZ_CHECK(cost.decodedBytes == movie.frames.size() * AviFrameCost(movie.width, movie.height));
    FUZZ_CHECK(cost.decodedBytes <= kAviMaxDecodedBytes);
    const size_t pixels = size_t(movie.width) * size_t(movie.height);
    for (const std::vector<uint32_t>& frame : movie.frames) {
        FUZZ_CHECK(frame.size() == pixels);
        // Every pixel is opaque: the strip draws them over its background as they are.
        for (uint32_t pixel : frame)
            FUZZ_CHECK((pixel >> 24) == 0xFF);
    }
    return 0;
}
