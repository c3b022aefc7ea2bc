// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/avi_reader.h"

#include "core/wide_path.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiBitfields = 3;
constexpr int kBitmapInfoHeaderSize = 40;
// Nothing a valid clip needs is nested deeper than movi > rec > chunk; the bound keeps a
// crafted file from recursing without end.
constexpr int kMaxListDepth = 4;
// A file larger than any movie that could pass the limits is not worth reading: frame data takes
// at most as many bytes as it decodes to, and twice that leaves room for headers, index and junk.
constexpr long long kMaxFileBytes = static_cast<long long>(2 * kAviMaxDecodedBytes);

struct Bytes {
    const uint8_t* p = nullptr;
    size_t n = 0;
};

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int32_t S32(const uint8_t* p)
{
    return static_cast<int32_t>(U32(p));
}

bool IsId(const uint8_t* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

struct Chunk {
    const uint8_t* id = nullptr;
    Bytes body;
    bool truncated = false; // the declared size runs past the region; body is what is there
};

// Steps through the chunks of one region. A chunk whose size runs past the region is handed
// out cut short (flagged) and ends the walk, so callers decide whether a cut is tolerable.
class ChunkWalker {
public:
    explicit ChunkWalker(Bytes region) : r_(region) {}

    bool Next(Chunk& c)
    {
        if (r_.n - pos_ < 8)
            return false;
        const uint8_t* h = r_.p + pos_;
        const size_t size = U32(h + 4);
        const size_t avail = r_.n - pos_ - 8;
        c.id = h;
        c.truncated = size > avail;
        c.body = {h + 8, c.truncated ? avail : size};
        if (c.truncated) {
            pos_ = r_.n;
        } else {
            pos_ += 8 + size;
            // Chunks start on even offsets; a missing pad byte at the very end is harmless.
            if ((size & 1) && pos_ < r_.n)
                ++pos_;
        }
        return true;
    }

private:
    Bytes r_;
    size_t pos_ = 0;
};

bool IsList(const Chunk& c, const char* type)
{
    return IsId(c.id, "LIST") && c.body.n >= 4 && IsId(c.body.p, type);
}

Bytes ListBody(const Chunk& c)
{
    return {c.body.p + 4, c.body.n - 4};
}

struct VideoFormat {
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bitCount = 0;
    uint32_t compression = 0;
    std::array<uint32_t, 3> masks{};     // BI_BITFIELDS: red, green, blue
    std::array<uint32_t, 256> palette{}; // 0xFFRRGGBB; entries the file leaves out are black
    size_t Stride() const { return ((size_t(width) * size_t(bitCount) + 31) / 32) * 4; }
    bool Palettized() const { return bitCount <= 8; }
};

struct Headers {
    bool haveMain = false;
    uint32_t microSecPerFrame = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    int videoStream = -1;
    VideoFormat format;
};

bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

bool ParseFormat(Bytes strf, VideoFormat& f, std::string* error)
{
    if (strf.n < kBitmapInfoHeaderSize)
        return Fail(error, "video format too short");
    const uint32_t biSize = U32(strf.p);
    if (biSize < kBitmapInfoHeaderSize || biSize > strf.n)
        return Fail(error, "unsupported bitmap header");
    const int64_t width = S32(strf.p + 4);
    const int64_t height = S32(strf.p + 8);
    f.bitCount = U16(strf.p + 14);
    f.compression = U32(strf.p + 16);
    const uint32_t clrUsed = U32(strf.p + 32);

    if (width <= 0 || height == 0)
        return Fail(error, "empty frame size");
    const int64_t rows = height < 0 ? -height : height;
    if (width > kAviMaxDimension || rows > kAviMaxDimension)
        return Fail(error, "frame size too large");
    f.width = static_cast<int>(width);
    f.height = static_cast<int>(rows);
    f.bottomUp = height > 0;

    const int bpp = f.bitCount;
    const bool ok =
        (f.compression == kBiRgb && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) ||
        (f.compression == kBiRle8 && bpp == 8) || (f.compression == kBiBitfields && (bpp == 16 || bpp == 32));
    if (!ok)
        return Fail(error, "unsupported pixel format");

    if (f.compression == kBiBitfields) {
        // The masks follow a plain header and sit inside the larger (V4/V5) ones: same offset.
        if (strf.n < kBitmapInfoHeaderSize + 12)
            return Fail(error, "colour masks missing");
        for (int i = 0; i < 3; ++i)
            f.masks[i] = U32(strf.p + kBitmapInfoHeaderSize + 4 * i);
    }

    if (f.Palettized()) {
        size_t count = clrUsed ? std::min<size_t>(clrUsed, 256) : size_t(1) << bpp;
        count = std::min(count, (strf.n - biSize) / 4);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* q = strf.p + biSize + 4 * i;
            f.palette[i] = 0xFF000000u | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
        }
        for (size_t i = count; i < 256; ++i)
            f.palette[i] = 0xFF000000u;
    }
    return true;
}

enum class StreamKind { Other, Video, Bad };

StreamKind ParseStrl(Bytes strl, Headers& h, std::string* error)
{
    ChunkWalker w(strl);
    Chunk c;
    Bytes strh, strf;
    bool haveStrh = false, haveStrf = false;
    while (w.Next(c)) {
        if (c.truncated) {
            Fail(error, "stream header cut short");
            return StreamKind::Bad;
        }
        if (IsId(c.id, "strh") && !haveStrh) {
            strh = c.body;
            haveStrh = true;
        } else if (IsId(c.id, "strf") && !haveStrf) {
            strf = c.body;
            haveStrf = true;
        }
    }
    if (!haveStrh || strh.n < 4 || !IsId(strh.p, "vids"))
        return StreamKind::Other;
    if (strh.n < 28) {
        Fail(error, "video stream header too short");
        return StreamKind::Bad;
    }
    h.scale = U32(strh.p + 20);
    h.rate = U32(strh.p + 24);
    if (!haveStrf) {
        Fail(error, "video format missing");
        return StreamKind::Bad;
    }
    return ParseFormat(strf, h.format, error) ? StreamKind::Video : StreamKind::Bad;
}

bool ParseHdrl(Bytes hdrl, Headers& h, std::string* error)
{
    ChunkWalker w(hdrl);
    Chunk c;
    int stream = 0;
    while (w.Next(c)) {
        if (c.truncated)
            return Fail(error, "header cut short");
        if (IsId(c.id, "avih")) {
            if (c.body.n < 40)
                return Fail(error, "main header too short");
            h.microSecPerFrame = U32(c.body.p);
            h.haveMain = true;
        } else if (IsList(c, "strl")) {
            if (h.videoStream < 0) {
                switch (ParseStrl(ListBody(c), h, error)) {
                case StreamKind::Video:
                    h.videoStream = stream;
                    break;
                case StreamKind::Bad:
                    return false;
                case StreamKind::Other:
                    break;
                }
            }
            ++stream;
        }
    }
    if (!h.haveMain)
        return Fail(error, "main header missing");
    if (h.videoStream < 0)
        return Fail(error, "no video stream");
    return true;
}

int FrameMicroseconds(const Headers& h)
{
    uint64_t us = h.microSecPerFrame;
    if (us == 0 && h.scale != 0 && h.rate != 0)
        us = (uint64_t(h.scale) * 1000000u + h.rate / 2) / h.rate;
    if (us == 0)
        return kAviDefaultFrameMicroseconds;
    return static_cast<int>(std::min<uint64_t>(us, std::numeric_limits<int>::max()));
}

enum class MoviKind { Frame, RawFrame, PaletteChange, Other };

char HexDigit(int v)
{
    return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10);
}

// Chunk ids in 'movi' are a two-digit (hex) stream number and a two-letter type.
MoviKind Classify(const uint8_t* id, int stream)
{
    auto upper = [](uint8_t ch) { return static_cast<char>(ch >= 'a' && ch <= 'f' ? ch - 32 : ch); };
    if (upper(id[0]) != HexDigit((stream >> 4) & 15) || upper(id[1]) != HexDigit(stream & 15))
        return MoviKind::Other;
    if (id[2] == 'd' && id[3] == 'b')
        return MoviKind::RawFrame;
    if (id[2] == 'd' && id[3] == 'c')
        return MoviKind::Frame;
    if (id[2] == 'p' && id[3] == 'c')
        return MoviKind::PaletteChange;
    return MoviKind::Other;
}

// Calls fn(kind, body) for each whole chunk of the video stream, descending into LIST 'rec '.
// Returns false when damage stopped the walk (or fn asked to stop).
template <typename Fn> bool WalkMovi(Bytes region, int stream, int depth, Fn&& fn)
{
    ChunkWalker w(region);
    Chunk c;
    while (w.Next(c)) {
        if (IsId(c.id, "LIST")) {
            if (c.body.n < 4)
                return false;
            if (IsId(c.body.p, "rec ") && depth < kMaxListDepth && !WalkMovi(ListBody(c), stream, depth + 1, fn))
                return false;
            if (c.truncated)
                return false;
            continue;
        }
        if (c.truncated)
            return false;
        const MoviKind kind = Classify(c.id, stream);
        if (kind != MoviKind::Other && !fn(kind, c.body))
            return false;
    }
    return true;
}

// Paints BI_RLE8 data onto the index canvas. Pixels the data does not reach keep their
// values; that is how the format carries only what changed since the previous frame.
void DecodeRle8(Bytes d, const VideoFormat& f, std::vector<uint8_t>& canvas)
{
    const int64_t w = f.width, h = f.height;
    int64_t x = 0, y = 0; // y counts stored rows
    auto put = [&](const uint8_t* src, size_t count, bool repeat) {
        if (y < h && x < w) {
            const int64_t row = f.bottomUp ? h - 1 - y : y;
            const size_t fit = static_cast<size_t>(std::min<int64_t>(count, w - x));
            uint8_t* dst = canvas.data() + row * w + x;
            if (repeat)
                std::memset(dst, *src, fit);
            else
                std::memcpy(dst, src, fit);
        }
        x += static_cast<int64_t>(count);
    };

    size_t i = 0;
    while (d.n - i >= 2 && y < h) {
        const uint8_t a = d.p[i], b = d.p[i + 1];
        i += 2;
        if (a != 0) {
            put(&d.p[i - 1], a, true);
            continue;
        }
        if (b == 0) {
            x = 0;
            ++y;
        } else if (b == 1) {
            return;
        } else if (b == 2) {
            if (d.n - i < 2)
                return;
            x += d.p[i];
            y += d.p[i + 1];
            i += 2;
        } else {
            const size_t count = std::min<size_t>(b, d.n - i);
            put(d.p + i, count, false);
            // Literal runs are padded to an even length.
            i += std::min<size_t>(size_t(b) + (b & 1), d.n - i);
        }
    }
}

uint32_t Channel(uint32_t v, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t m = mask >> shift;
    const int bits = std::bit_width(m);
    const uint32_t c = (v & mask) >> shift;
    if (bits >= 8)
        return c >> (bits - 8);
    return (c * 255 + m / 2) / m;
}

uint32_t FromMasks(uint32_t v, const std::array<uint32_t, 3>& m)
{
    return 0xFF000000u | (Channel(v, m[0]) << 16) | (Channel(v, m[1]) << 8) | Channel(v, m[2]);
}

// Uncompressed DIB; the caller has checked that body holds every row.
void DecodeRaw(const uint8_t* body, const VideoFormat& f, std::vector<uint8_t>& indices, std::vector<uint32_t>& argb)
{
    const size_t stride = f.Stride();
    const size_t w = size_t(f.width);
    static constexpr std::array<uint32_t, 3> k555 = {0x7C00, 0x03E0, 0x001F};
    static constexpr std::array<uint32_t, 3> k888 = {0xFF0000, 0x00FF00, 0x0000FF};
    const auto& masks = f.compression == kBiBitfields ? f.masks : (f.bitCount == 16 ? k555 : k888);
    for (int r = 0; r < f.height; ++r) {
        const uint8_t* src = body + size_t(r) * stride;
        const size_t row = size_t(f.bottomUp ? f.height - 1 - r : r);
        if (f.Palettized()) {
            uint8_t* dst = indices.data() + row * w;
            const int bpp = f.bitCount;
            const unsigned mask = (1u << bpp) - 1;
            for (size_t x = 0; x < w; ++x) {
                const size_t bit = x * size_t(bpp);
                const int shift = 8 - bpp - static_cast<int>(bit & 7);
                dst[x] = static_cast<uint8_t>((src[bit >> 3] >> shift) & mask);
            }
            continue;
        }
        uint32_t* dst = argb.data() + row * w;
        for (size_t x = 0; x < w; ++x) {
            switch (f.bitCount) {
            case 16:
                dst[x] = FromMasks(U16(src + 2 * x), masks);
                break;
            case 24: {
                const uint8_t* q = src + 3 * x;
                dst[x] = 0xFF000000u | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
                break;
            }
            default:
                dst[x] = FromMasks(U32(src + 4 * x), masks);
                break;
            }
        }
    }
}

void ApplyPaletteChange(Bytes d, VideoFormat& f)
{
    // AVIPALCHANGE: first entry, count (0 = 256), flags, then PALETTEENTRY (R, G, B, flags).
    size_t i = 0;
    while (d.n - i >= 4) {
        const size_t first = d.p[i];
        const size_t count = d.p[i + 1] ? d.p[i + 1] : 256;
        i += 4;
        const size_t have = std::min(count, (d.n - i) / 4);
        for (size_t k = 0; k < have && first + k < 256; ++k) {
            const uint8_t* q = d.p + i + 4 * k;
            f.palette[first + k] = 0xFF000000u | (uint32_t(q[0]) << 16) | (uint32_t(q[1]) << 8) | q[2];
        }
        if (have < count)
            return;
        i += 4 * count;
    }
}

} // namespace

bool ReadAvi(const uint8_t* data, size_t size, AviMovie& out, std::string* error, AviReadCost* cost)
{
    out = AviMovie{};
    AviReadCost ignored;
    AviReadCost& spent = cost ? *cost : ignored;
    spent = AviReadCost{};
    if (!data || size < 12 || !IsId(data, "RIFF") || !IsId(data + 8, "AVI "))
        return Fail(error, "not an AVI file");
    // A declared size shorter than the data leaves out trailing extension chunks; a longer
    // one means the file was cut, and the walk below copes with that.
    const size_t riffBody = U32(data + 4) >= 4 ? size_t(U32(data + 4)) - 4 : 0;
    const Bytes riff{data + 12, std::min(size - 12, riffBody)};

    Headers h;
    bool haveHeaders = false;
    bool haveMovi = false;
    Bytes movi;
    ChunkWalker top(riff);
    Chunk c;
    while (top.Next(c)) {
        if (IsList(c, "hdrl") && !haveHeaders) {
            if (c.truncated)
                return Fail(error, "header cut short");
            if (!ParseHdrl(ListBody(c), h, error))
                return false;
            haveHeaders = true;
        } else if (IsList(c, "movi") && !haveMovi) {
            movi = ListBody(c);
            haveMovi = true;
        }
    }
    if (!haveHeaders)
        return Fail(error, "header list missing");
    if (!haveMovi)
        return Fail(error, "no movie data");

    const uint64_t frameCost = AviFrameCost(h.format.width, h.format.height);
    // Count first, so that an oversized movie is refused before anything is allocated for it;
    // the walk stops at the first chunk past a bound.
    uint64_t& frameChunks = spent.frameChunksCounted;
    WalkMovi(movi, h.videoStream, 0, [&](MoviKind kind, Bytes) {
        if (kind != MoviKind::PaletteChange)
            ++frameChunks;
        return frameChunks <= kAviMaxFrames && frameChunks * frameCost <= kAviMaxDecodedBytes;
    });
    if (frameChunks > kAviMaxFrames)
        return Fail(error, "too many frames");
    if (frameChunks * frameCost > kAviMaxDecodedBytes)
        return Fail(error, "movie too large");
    if (frameChunks == 0)
        return Fail(error, "no frames");

    VideoFormat f = h.format;
    const size_t pixels = size_t(f.width) * size_t(f.height);
    const size_t imageBytes = f.Stride() * size_t(f.height);
    std::vector<uint8_t> indices(f.Palettized() ? pixels : 0, 0);
    std::vector<uint32_t> argb(f.Palettized() ? 0 : pixels, 0xFF000000u);
    std::vector<std::vector<uint32_t>> frames;
    frames.reserve(static_cast<size_t>(frameChunks));

    WalkMovi(movi, h.videoStream, 0, [&](MoviKind kind, Bytes body) {
        if (kind == MoviKind::PaletteChange) {
            if (f.Palettized())
                ApplyPaletteChange(body, f);
            return true;
        }
        // An empty frame chunk repeats the previous picture.
        if (body.n > 0) {
            if (kind == MoviKind::Frame && f.compression == kBiRle8) {
                DecodeRle8(body, f, indices);
            } else {
                if (body.n < imageBytes)
                    return false;
                DecodeRaw(body.p, f, indices, argb);
            }
        }
        if (f.Palettized()) {
            std::vector<uint32_t> frame(pixels);
            for (size_t i = 0; i < pixels; ++i)
                frame[i] = f.palette[indices[i]];
            frames.push_back(std::move(frame));
        } else {
            frames.push_back(argb);
        }
        spent.decodedBytes += frameCost;
        return true;
    });
    if (frames.empty())
        return Fail(error, "no whole frame");

    // The bitmap header, not avih, gives the size: it is what the frame data is laid out by.
    out.width = f.width;
    out.height = f.height;
    out.frameMicroseconds = FrameMicroseconds(h);
    out.frames = std::move(frames);
    return true;
}

bool ReadAvi(const std::vector<uint8_t>& bytes, AviMovie& out, std::string* error, AviReadCost* cost)
{
    return ReadAvi(bytes.data(), bytes.size(), out, error, cost);
}

bool ReadAviFile(const std::string& path, AviMovie& out, std::string* error, AviReadCost* cost)
{
    out = AviMovie{};
    if (cost)
        *cost = AviReadCost{};
    FILE* file = OpenFileUtf8(path, "rb");
    if (!file)
        return Fail(error, "cannot open file");
    std::vector<uint8_t> bytes;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok)
        return Fail(error, size > kMaxFileBytes ? "file too large" : "cannot read file");
    return ReadAvi(bytes, out, error, cost);
}
