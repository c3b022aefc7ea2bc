// SPDX-License-Identifier: GPL-3.0-or-later
#include "avi_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint32_t kAviifNoTime = 0x100;
constexpr uint32_t kBiRle8 = 1;
constexpr int kMaxSide = 32767;

void Put16(std::vector<uint8_t>& o, uint32_t v)
{
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& o, uint32_t v)
{
    Put16(o, v & 0xFFFF);
    Put16(o, v >> 16);
}

void PutId(std::vector<uint8_t>& o, const std::string& id)
{
    for (size_t i = 0; i < 4; ++i)
        o.push_back(static_cast<uint8_t>(i < id.size() ? id[i] : ' '));
}

void Patch32(std::vector<uint8_t>& o, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        o[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Writes the id and a size placeholder; returns where the size goes.
size_t Begin(std::vector<uint8_t>& o, const std::string& id)
{
    PutId(o, id);
    Put32(o, 0);
    return o.size() - 4;
}

size_t BeginList(std::vector<uint8_t>& o, const std::string& listId, const std::string& type)
{
    const size_t at = Begin(o, listId);
    PutId(o, type);
    return at;
}

// Fills in the size and pads the chunk to an even length, as RIFF requires.
void End(std::vector<uint8_t>& o, size_t sizeAt)
{
    Patch32(o, sizeAt, static_cast<uint32_t>(o.size() - sizeAt - 4));
    if (o.size() & 1)
        o.push_back(0);
}

bool IsFrameId(const std::string& id)
{
    return id.size() == 4 && id[2] == 'd' && (id[3] == 'b' || id[3] == 'c');
}

bool IsStreamId(const std::string& id)
{
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
    return id.size() == 4 && hex(id[0]) && hex(id[1]);
}

void EncodeRow(const uint8_t* row, int w, std::vector<uint8_t>& out)
{
    auto runAt = [&](int j) {
        int k = j + 1;
        while (k < w && k - j < 255 && row[k] == row[j])
            ++k;
        return k - j;
    };
    int i = 0;
    while (i < w) {
        const int run = runAt(i);
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        // Gather differing pixels up to the next run worth encoding.
        int j = i;
        while (j < w && j - i < 255) {
            const int r = runAt(j);
            if (r >= 3)
                break;
            j += std::min(r, 255 - (j - i));
        }
        const int len = j - i;
        if (len >= 3) {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(len));
            out.insert(out.end(), row + i, row + j);
            if (len & 1)
                out.push_back(0);
        } else {
            // Absolute mode needs at least three bytes (0, 1 and 2 are escapes).
            for (int k = i; k < j;) {
                const int n = (k + 1 < j && row[k + 1] == row[k]) ? 2 : 1;
                out.push_back(static_cast<uint8_t>(n));
                out.push_back(row[k]);
                k += n;
            }
        }
        i = j;
    }
}

} // namespace

std::vector<uint8_t> PackDib8(const uint8_t* pixels, int width, int height)
{
    const size_t stride = (size_t(width) + 3) & ~size_t(3);
    std::vector<uint8_t> out(stride * size_t(height), 0);
    for (int y = 0; y < height; ++y)
        std::memcpy(out.data() + size_t(height - 1 - y) * stride, pixels + size_t(y) * size_t(width), size_t(width));
    return out;
}

std::vector<uint8_t> EncodeRle8(const uint8_t* pixels, int width, int height)
{
    std::vector<uint8_t> out;
    for (int y = height - 1; y >= 0; --y) {
        EncodeRow(pixels + size_t(y) * size_t(width), width, out);
        out.push_back(0);
        out.push_back(y > 0 ? 0 : 1);
    }
    return out;
}

std::vector<uint8_t> BuildAvi(const AviVideoFormat& format, const std::vector<AviChunk>& chunks)
{
    const uint32_t width = static_cast<uint32_t>(format.width);
    const uint32_t rows = static_cast<uint32_t>(format.height < 0 ? -format.height : format.height);
    const uint32_t us = static_cast<uint32_t>(std::max(format.microsecondsPerFrame, 0));
    uint32_t frames = 0;
    uint32_t largest = 0;
    for (const AviChunk& c : chunks) {
        if (IsFrameId(c.id)) {
            ++frames;
            largest = std::max(largest, static_cast<uint32_t>(c.data.size()));
        }
    }
    const uint32_t stride = ((width * uint32_t(format.bitCount) + 31) / 32) * 4;
    // Players size their read buffer from these; a whole frame chunk must fit.
    const uint32_t suggested = (largest + 8 + 1) & ~1u;
    const uint32_t gcd = std::gcd(us, 1000000u);
    const uint32_t scale = gcd ? us / gcd : 0;
    const uint32_t rate = gcd ? 1000000u / gcd : 0;

    std::vector<uint8_t> o;
    const size_t riff = BeginList(o, "RIFF", "AVI ");
    const size_t hdrl = BeginList(o, "LIST", "hdrl");

    const size_t avih = Begin(o, "avih");
    Put32(o, us);
    Put32(o, us ? static_cast<uint32_t>(uint64_t(suggested) * 1000000u / us) : 0); // max bytes/s
    Put32(o, 0);                                                                   // padding granularity
    Put32(o, kAvifHasIndex);
    Put32(o, frames);
    Put32(o, 0); // initial frames
    Put32(o, 1); // streams
    Put32(o, suggested);
    Put32(o, width);
    Put32(o, rows);
    for (int i = 0; i < 4; ++i)
        Put32(o, 0);
    End(o, avih);

    const size_t strl = BeginList(o, "LIST", "strl");
    const size_t strh = Begin(o, "strh");
    PutId(o, "vids");
    // 'DIB ' and 'RLE ' tell the animation control it needs no installed codec.
    PutId(o, format.compression == kBiRle8 ? "RLE " : "DIB ");
    Put32(o, 0); // flags
    Put16(o, 0); // priority
    Put16(o, 0); // language
    Put32(o, 0); // initial frames
    Put32(o, scale);
    Put32(o, rate);
    Put32(o, 0); // start
    Put32(o, frames);
    Put32(o, suggested);
    Put32(o, 0xFFFFFFFFu); // quality: default
    Put32(o, 0);           // sample size: varies
    Put16(o, 0);
    Put16(o, 0);
    Put16(o, width);
    Put16(o, rows);
    End(o, strh);

    const size_t strf = Begin(o, "strf");
    Put32(o, 40);
    Put32(o, width);
    Put32(o, static_cast<uint32_t>(format.height));
    Put16(o, 1);
    Put16(o, static_cast<uint32_t>(format.bitCount));
    Put32(o, format.compression);
    // For RLE the image size bounds the compressed data, as in a BMP file.
    Put32(o, format.compression == kBiRle8 ? largest : stride * rows);
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, static_cast<uint32_t>(format.palette.size()));
    Put32(o, 0);
    for (uint32_t m : format.masks)
        Put32(o, m);
    for (uint32_t rgb : format.palette) {
        o.push_back(static_cast<uint8_t>(rgb));
        o.push_back(static_cast<uint8_t>(rgb >> 8));
        o.push_back(static_cast<uint8_t>(rgb >> 16));
        o.push_back(0);
    }
    End(o, strf);
    End(o, strl);
    End(o, hdrl);

    const size_t movi = BeginList(o, "LIST", "movi");
    const size_t moviType = movi + 4; // index offsets count from the 'movi' type
    struct Entry {
        std::string id;
        uint32_t flags, offset, size;
    };
    std::vector<Entry> index;
    for (const AviChunk& c : chunks) {
        const uint32_t offset = static_cast<uint32_t>(o.size() - moviType);
        const size_t at = Begin(o, c.id);
        o.insert(o.end(), c.data.begin(), c.data.end());
        End(o, at);
        if (IsStreamId(c.id))
            index.push_back(
                {c.id, IsFrameId(c.id) ? kAviifKeyFrame : kAviifNoTime, offset, static_cast<uint32_t>(c.data.size())});
    }
    End(o, movi);

    const size_t idx1 = Begin(o, "idx1");
    for (const Entry& e : index) {
        PutId(o, e.id);
        Put32(o, e.flags);
        Put32(o, e.offset);
        Put32(o, e.size);
    }
    End(o, idx1);
    End(o, riff);
    return o;
}

bool WriteAvi(std::vector<uint8_t>& out, int width, int height, int microsecondsPerFrame,
              const std::vector<std::vector<uint8_t>>& frames, const std::array<uint32_t, 256>& palette, bool rle8,
              std::string* error)
{
    auto fail = [&](const char* why) {
        if (error)
            *error = why;
        out.clear();
        return false;
    };
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        return fail("frame size out of range");
    if (microsecondsPerFrame <= 0)
        return fail("frame time must be positive");
    if (frames.empty())
        return fail("no frames");
    const size_t pixels = size_t(width) * size_t(height);
    for (const auto& f : frames) {
        if (f.size() != pixels)
            return fail("frame of the wrong size");
    }

    AviVideoFormat format;
    format.width = width;
    format.height = height;
    format.microsecondsPerFrame = microsecondsPerFrame;
    format.bitCount = 8;
    format.compression = rle8 ? kBiRle8 : 0;
    format.palette.assign(palette.begin(), palette.end());
    std::vector<AviChunk> chunks;
    chunks.reserve(frames.size());
    for (const auto& f : frames) {
        if (rle8)
            chunks.push_back({"00dc", EncodeRle8(f.data(), width, height)});
        else
            chunks.push_back({"00db", PackDib8(f.data(), width, height)});
    }
    out = BuildAvi(format, chunks);
    return true;
}

bool WriteAviFile(const std::string& path, int width, int height, int microsecondsPerFrame,
                  const std::vector<std::vector<uint8_t>>& frames, const std::array<uint32_t, 256>& palette, bool rle8,
                  std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!WriteAvi(bytes, width, height, microsecondsPerFrame, frames, palette, rle8, error))
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (error)
            *error = "cannot create " + path;
        return false;
    }
    const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!wrote || !closed) {
        if (error)
            *error = "cannot write " + path;
        std::remove(path.c_str());
        return false;
    }
    return true;
}
