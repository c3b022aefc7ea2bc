// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Writes clips the Windows animation control plays: RIFF 'AVI ' with one video stream of
// 8-bit palettized frames, stored uncompressed ('00db') or BI_RLE8 ('00dc'), and an idx1
// index. Every RLE frame is complete on its own (no skips over unchanged pixels), so each
// frame is a key frame and a player may start anywhere.

// Layout of the one video stream, as it goes into strf and the headers.
struct AviVideoFormat {
    int width = 0;
    int height = 0; // > 0: rows stored bottom-up (the norm); < 0: top-down
    int microsecondsPerFrame = 0;
    int bitCount = 8;
    uint32_t compression = 0;      // 0 = BI_RGB, 1 = BI_RLE8, 3 = BI_BITFIELDS
    std::vector<uint32_t> palette; // 0xRRGGBB; written as biClrUsed RGBQUADs
    std::vector<uint32_t> masks;   // BI_BITFIELDS: red, green, blue masks after the header
};

// One chunk of 'movi'. Ids ending in "db" or "dc" are frames, "pc" palette changes; other
// ids (JUNK, say) are stored but kept out of the index and the frame count.
struct AviChunk {
    std::string id; // four characters
    std::vector<uint8_t> data;
};

// The whole file for the given chunks, taken as they are: no check that frame data fits the
// format. The tests use it to build unusual and broken files.
std::vector<uint8_t> BuildAvi(const AviVideoFormat& format, const std::vector<AviChunk>& chunks);

// Frames are width * height palette indices each, rows top-down; palette entries 0xRRGGBB.
// False (and *error) for sizes out of range (1..32767), a frame time <= 0, no frames or a
// frame of the wrong size.
bool WriteAvi(std::vector<uint8_t>& out, int width, int height, int microsecondsPerFrame,
              const std::vector<std::vector<uint8_t>>& frames, const std::array<uint32_t, 256>& palette, bool rle8,
              std::string* error = nullptr);
bool WriteAviFile(const std::string& path, int width, int height, int microsecondsPerFrame,
                  const std::vector<std::vector<uint8_t>>& frames, const std::array<uint32_t, 256>& palette, bool rle8,
                  std::string* error = nullptr);

// Top-down indices -> bottom-up DIB rows padded to 4 bytes.
std::vector<uint8_t> PackDib8(const uint8_t* pixels, int width, int height);
// Top-down indices -> BI_RLE8 data for a bottom-up bitmap: repeat runs, absolute runs of
// three or more differing bytes, end of line after each row but the last, end of bitmap.
std::vector<uint8_t> EncodeRle8(const uint8_t* pixels, int width, int height);
