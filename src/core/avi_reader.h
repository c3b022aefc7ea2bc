// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A movie of the kind the Windows animation control plays: one video stream of uncompressed
// or BI_RLE8 DIB frames, no sound. Everything is decoded up front; these clips are small.
struct AviMovie {
    int width = 0;
    int height = 0;
    int frameMicroseconds = 0;
    // One entry per frame: width * height pixels as 0xFFRRGGBB, rows top-down.
    std::vector<std::vector<uint32_t>> frames;
};

// Files come from disk and may be damaged or hostile, so sizes are bounded before anything
// is allocated: no side above kAviMaxDimension, at most kAviMaxFrames frames, and all decoded
// frames together at most kAviMaxDecodedBytes, where each frame counts as AviFrameCost: its
// pixels at 32 bits plus kAviFrameOverheadBytes for the vector that holds them. The overhead
// matters for a file of empty frame chunks (repeats of the frame before): each costs the file
// 8 bytes but the reader a whole frame. A logo strip has a few dozen frames of a few hundred
// kilobytes, far inside both bounds; a file past either shows no logo.
inline constexpr int kAviMaxDimension = 4096;
inline constexpr uint64_t kAviMaxFrames = 4096;
inline constexpr uint64_t kAviMaxDecodedBytes = uint64_t(64) << 20;
// The vector's own bytes and the heap's bookkeeping and rounding for its block.
inline constexpr uint64_t kAviFrameOverheadBytes = sizeof(std::vector<uint32_t>) + 32;

inline constexpr uint64_t AviFrameCost(int width, int height)
{
    return uint64_t(width) * uint64_t(height) * sizeof(uint32_t) + kAviFrameOverheadBytes;
}

// What a read took on, for those who watch the cost of hostile files.
struct AviReadCost {
    uint64_t frameChunksCounted = 0; // frame chunks the size check walked before deciding
    uint64_t decodedBytes = 0;       // frames kept, each counted as AviFrameCost
};

// Used when neither the main header nor the stream header gives a frame time.
inline constexpr int kAviDefaultFrameMicroseconds = 100000;

// Decodes a whole movie. Understood: BI_RGB at 1, 4, 8, 16, 24 and 32 bits, BI_BITFIELDS at
// 16 and 32, BI_RLE8 (an RLE frame paints over the one before), palette-change chunks,
// bottom-up and top-down rows, JUNK chunks, LIST 'rec ' groups and a video stream that is
// not the first stream. The index is not needed; frames are found by walking 'movi'.
//
// Damage: a file whose headers are cut or inconsistent is refused. Damage inside 'movi'
// (a cut file, a chunk size running past the end, a frame too short for its bitmap) ends
// the movie at the last whole frame before it, and the call succeeds if at least one frame
// is left. RLE data that strays outside the bitmap is clipped.
//
// Returns false (out emptied, *error set when given) on failure; *cost, when given, is filled
// either way.
bool ReadAvi(const uint8_t* data, size_t size, AviMovie& out, std::string* error = nullptr,
             AviReadCost* cost = nullptr);
bool ReadAvi(const std::vector<uint8_t>& bytes, AviMovie& out, std::string* error = nullptr,
             AviReadCost* cost = nullptr);
bool ReadAviFile(const std::string& path, AviMovie& out, std::string* error = nullptr, AviReadCost* cost = nullptr);
