// SPDX-License-Identifier: GPL-3.0-or-later
#include "avi_writer.h"
#include "core/avi_reader.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

using Bytes = std::vector<uint8_t>;

std::array<uint32_t, 256> TestPalette()
{
    std::array<uint32_t, 256> p{};
    for (uint32_t i = 0; i < 256; ++i)
        p[i] = (i << 16) | ((255 - i) << 8) | ((i * 7) & 255);
    return p;
}

uint32_t Argb(uint32_t rgb)
{
    return 0xFF000000u | rgb;
}

// Expected decoded pixels for top-down indices.
std::vector<uint32_t> Expect(const Bytes& indices)
{
    const auto pal = TestPalette();
    std::vector<uint32_t> out;
    for (uint8_t i : indices)
        out.push_back(Argb(pal[i]));
    return out;
}

void Add16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Add32(Bytes& b, uint32_t v)
{
    Add16(b, v & 0xFFFF);
    Add16(b, v >> 16);
}

uint32_t Get32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// A hand-made RIFF builder, independent of the writer, for layouts it never produces.
Bytes Chunk(const char* id, const Bytes& body)
{
    Bytes b(id, id + 4);
    Add32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

Bytes List(const char* type, std::initializer_list<Bytes> parts)
{
    Bytes body(type, type + 4);
    const Bytes rest = Join(parts);
    body.insert(body.end(), rest.begin(), rest.end());
    return Chunk("LIST", body);
}

Bytes RiffAvi(std::initializer_list<Bytes> parts)
{
    Bytes body{'A', 'V', 'I', ' '};
    const Bytes rest = Join(parts);
    body.insert(body.end(), rest.begin(), rest.end());
    return Chunk("RIFF", body);
}

Bytes Avih(uint32_t us, uint32_t frames, uint32_t w, uint32_t h)
{
    Bytes b;
    for (uint32_t v : {us, 0u, 0u, 0x10u, frames, 0u, 1u, 0u, w, h, 0u, 0u, 0u, 0u})
        Add32(b, v);
    return Chunk("avih", b);
}

Bytes Strh(const char* type, uint32_t scale, uint32_t rate)
{
    Bytes b(type, type + 4);
    for (uint32_t v : {0u, 0u, 0u, 0u, scale, rate, 0u, 0u, 0u, 0xFFFFFFFFu, 0u, 0u, 0u})
        Add32(b, v);
    return Chunk("strh", b);
}

// 8-bit BI_RGB format with the test palette.
Bytes Strf8(int32_t w, int32_t h)
{
    Bytes b;
    for (uint32_t v : {40u, uint32_t(w), uint32_t(h)})
        Add32(b, v);
    Add16(b, 1);
    Add16(b, 8);
    for (uint32_t v : {0u, 0u, 0u, 0u, 256u, 0u})
        Add32(b, v);
    for (uint32_t rgb : TestPalette())
        Add32(b, rgb);
    return Chunk("strf", b);
}

AviVideoFormat Format8(int w, int h, bool rle)
{
    AviVideoFormat f;
    f.width = w;
    f.height = h;
    f.microsecondsPerFrame = 50000;
    f.bitCount = 8;
    f.compression = rle ? 1 : 0;
    const auto pal = TestPalette();
    f.palette.assign(pal.begin(), pal.end());
    return f;
}

Bytes MustWrite(int w, int h, int us, const std::vector<Bytes>& frames, bool rle)
{
    Bytes out;
    std::string error;
    EXPECT_TRUE(WriteAvi(out, w, h, us, frames, TestPalette(), rle, &error)) << error;
    return out;
}

AviMovie MustRead(const Bytes& file)
{
    AviMovie movie;
    std::string error;
    EXPECT_TRUE(ReadAvi(file, movie, &error)) << error;
    return movie;
}

// Frames whose every pixel differs from its neighbours and from the other frames.
std::vector<Bytes> Ramps(int w, int h, int count)
{
    std::vector<Bytes> frames;
    for (int f = 0; f < count; ++f) {
        Bytes px;
        for (int i = 0; i < w * h; ++i)
            px.push_back(static_cast<uint8_t>(i * 3 + f * 41 + 1));
        frames.push_back(px);
    }
    return frames;
}

} // namespace

TEST(AviReaderTest, ReadsSizeFrameCountAndFrameTime)
{
    for (bool rle : {false, true}) {
        const AviMovie m = MustRead(MustWrite(5, 3, 66667, Ramps(5, 3, 3), rle));
        EXPECT_EQ(m.width, 5) << rle;
        EXPECT_EQ(m.height, 3) << rle;
        EXPECT_EQ(m.frameMicroseconds, 66667) << rle;
        ASSERT_EQ(m.frames.size(), 3u) << rle;
        for (const auto& f : m.frames)
            EXPECT_EQ(f.size(), 15u);
    }
}

TEST(AviReaderTest, UncompressedFramesDecodeToPaletteColours)
{
    // Width 5 makes every stored row carry three padding bytes.
    const auto frames = Ramps(5, 3, 2);
    const AviMovie m = MustRead(MustWrite(5, 3, 1000, frames, false));
    ASSERT_EQ(m.frames.size(), 2u);
    EXPECT_EQ(m.frames[0], Expect(frames[0]));
    EXPECT_EQ(m.frames[1], Expect(frames[1]));
}

TEST(AviReaderTest, StoredRowsAreBottomUpUnlessHeightIsNegative)
{
    // Stored rows as they lie in the file: {0,1}, {2,3}, {4,5}, each padded to four bytes.
    const Bytes stored{0, 1, 0, 0, 2, 3, 0, 0, 4, 5, 0, 0};
    const AviMovie up = MustRead(BuildAvi(Format8(2, 3, false), {{"00db", stored}}));
    ASSERT_EQ(up.frames.size(), 1u);
    EXPECT_EQ(up.frames[0], Expect({4, 5, 2, 3, 0, 1}));

    const AviMovie down = MustRead(BuildAvi(Format8(2, -3, false), {{"00db", stored}}));
    ASSERT_EQ(down.frames.size(), 1u);
    EXPECT_EQ(down.height, 3);
    EXPECT_EQ(down.frames[0], Expect({0, 1, 2, 3, 4, 5}));
}

TEST(AviReaderTest, RleFramesRoundTrip)
{
    // Wider than one run can cover, with repeats, pairs and odd and even literal stretches.
    const int w = 300, h = 4;
    Bytes px;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t v;
            if (y == 0)
                v = 9; // one long run
            else if (y == 1)
                v = static_cast<uint8_t>(x); // all literal
            else if (y == 2)
                v = static_cast<uint8_t>((x / 2) % 7); // pairs
            else
                v = static_cast<uint8_t>(x % 13 < 3 ? x : 77); // short literals between runs
            px.push_back(v);
        }
    }
    const Bytes other(size_t(w) * h, 200);
    const AviMovie m = MustRead(MustWrite(w, h, 1000, {px, other, px}, true));
    ASSERT_EQ(m.frames.size(), 3u);
    EXPECT_EQ(m.frames[0], Expect(px));
    EXPECT_EQ(m.frames[1], Expect(other));
    EXPECT_EQ(m.frames[2], Expect(px));
}

TEST(AviReaderTest, RleSkipsKeepThePreviousFrame)
{
    // 4 x 3. Frame 0 fills with index 1. Frame 1, bottom row first: two pixels of 5, a delta
    // of (+1, +1) to column 3 of the middle row, one pixel of 6, end of line, one pixel of 7
    // at the start of the top row, end of bitmap.
    const Bytes fill{4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 1};
    const Bytes change{2, 5, 0, 2, 1, 1, 1, 6, 0, 0, 1, 7, 0, 1};
    const AviMovie m = MustRead(BuildAvi(Format8(4, 3, true), {{"00dc", fill}, {"00dc", change}, {"00dc", {}}}));
    ASSERT_EQ(m.frames.size(), 3u);
    EXPECT_EQ(m.frames[0], Expect(Bytes(12, 1)));
    const Bytes after{7, 1, 1, 1, 1, 1, 1, 6, 5, 5, 1, 1};
    EXPECT_EQ(m.frames[1], Expect(after));
    EXPECT_EQ(m.frames[2], Expect(after)) << "an empty chunk repeats the frame";
}

TEST(AviReaderTest, RleDataOutsideTheBitmapIsClipped)
{
    // A run far longer than the row, a delta off the bitmap, then a literal cut by the end
    // of the chunk: what lands inside is drawn, nothing else is touched.
    const Bytes wild{255, 9, 3, 8, 0, 0, 0, 5, 2, 3};
    const AviMovie m = MustRead(BuildAvi(Format8(4, 2, true), {{"00dc", wild}}));
    ASSERT_EQ(m.frames.size(), 1u);
    EXPECT_EQ(m.frames[0], Expect({2, 3, 0, 0, 9, 9, 9, 9}));

    const Bytes offBitmap{0, 2, 200, 200, 4, 6};
    const AviMovie m2 = MustRead(BuildAvi(Format8(4, 2, true), {{"00dc", offBitmap}}));
    ASSERT_EQ(m2.frames.size(), 1u);
    EXPECT_EQ(m2.frames[0], Expect(Bytes(8, 0)));
}

TEST(AviReaderTest, DirectColourAndFourBitFormats)
{
    AviVideoFormat f;
    f.width = 2;
    f.height = 1;
    f.microsecondsPerFrame = 1000;

    f.bitCount = 24; // blue, green, red; row padded to 8
    AviMovie m = MustRead(BuildAvi(f, {{"00db", {0x10, 0x20, 0x30, 0xFF, 0x00, 0x80, 0, 0}}}));
    ASSERT_EQ(m.frames.size(), 1u);
    EXPECT_EQ(m.frames[0], (std::vector<uint32_t>{0xFF302010u, 0xFF8000FFu}));

    f.bitCount = 32; // the fourth byte is not alpha
    m = MustRead(BuildAvi(f, {{"00db", {1, 2, 3, 0, 4, 5, 6, 0x7F}}}));
    ASSERT_EQ(m.frames.size(), 1u);
    EXPECT_EQ(m.frames[0], (std::vector<uint32_t>{0xFF030201u, 0xFF060504u}));

    f.bitCount = 16; // x1r5g5b5: pure red, then 1/31 of each channel
    m = MustRead(BuildAvi(f, {{"00db", {0x00, 0x7C, 0x21, 0x04}}}));
    ASSERT_EQ(m.frames.size(), 1u);
    EXPECT_EQ(m.frames[0], (std::vector<uint32_t>{0xFFFF0000u, 0xFF080808u}));

    f.compression = 3; // r5g6b5 through explicit masks: pure green, white
    f.masks = {0xF800, 0x07E0, 0x001F};
    m = MustRead(BuildAvi(f, {{"00db", {0xE0, 0x07, 0xFF, 0xFF}}}));
    ASSERT_EQ(m.frames.size(), 1u);
    EXPECT_EQ(m.frames[0], (std::vector<uint32_t>{0xFF00FF00u, 0xFFFFFFFFu}));

    AviVideoFormat nibbles = Format8(3, 1, false);
    nibbles.bitCount = 4;
    nibbles.palette.resize(16);
    m = MustRead(BuildAvi(nibbles, {{"00db", {0x12, 0x3F, 0, 0}}}));
    ASSERT_EQ(m.frames.size(), 1u);
    EXPECT_EQ(m.frames[0], Expect({1, 2, 3}));
}

TEST(AviReaderTest, PaletteChangeRecoloursFollowingFrames)
{
    // AVIPALCHANGE: from entry 2, one entry, no flags, then R, G, B, flags.
    const Bytes change{2, 1, 0, 0, 10, 20, 30, 0};
    const AviMovie m =
        MustRead(BuildAvi(Format8(2, 1, false), {{"00db", {1, 2, 0, 0}}, {"00pc", change}, {"00dc", {}}}));
    ASSERT_EQ(m.frames.size(), 2u);
    EXPECT_EQ(m.frames[0], Expect({1, 2}));
    EXPECT_EQ(m.frames[1], (std::vector<uint32_t>{Argb(TestPalette()[1]), 0xFF0A141Eu}));
}

TEST(AviReaderTest, ToleratesJunkPaddingRecListsAndOtherStreams)
{
    // Audio is stream 0 here, so video chunks are "01db"; a stray "00db" belongs to audio.
    const Bytes hdrl =
        List("hdrl", {Avih(40000, 2, 2, 1), List("strl", {Strh("auds", 1, 1), Chunk("strf", Bytes(18, 0))}),
                      Chunk("JUNK", {1, 2, 3}), List("strl", {Strh("vids", 1, 25), Strf8(2, 1)})});
    const Bytes movi =
        List("movi", {Chunk("JUNK", {0}), List("rec ", {Chunk("01db", {3, 4, 0, 0}), Chunk("00wb", {9, 9, 9})}),
                      Chunk("00db", {7, 7, 0, 0}), Chunk("01wb", {1}), Chunk("01db", {5, 6, 0, 0})});
    const Bytes file = RiffAvi({hdrl, Chunk("JUNK", {0, 0, 0, 0, 0}), movi});
    const AviMovie m = MustRead(file);
    ASSERT_EQ(m.frames.size(), 2u);
    EXPECT_EQ(m.frames[0], Expect({3, 4}));
    EXPECT_EQ(m.frames[1], Expect({5, 6}));
    EXPECT_EQ(m.frameMicroseconds, 40000);
}

TEST(AviReaderTest, FrameTimeFallsBackToStreamRateThenDefault)
{
    auto timeOf = [](uint32_t avihUs, uint32_t scale, uint32_t rate) {
        const Bytes file =
            RiffAvi({List("hdrl", {Avih(avihUs, 1, 1, 1), List("strl", {Strh("vids", scale, rate), Strf8(1, 1)})}),
                     List("movi", {Chunk("00db", {1, 0, 0, 0})})});
        return MustRead(file).frameMicroseconds;
    };
    EXPECT_EQ(timeOf(80000, 1, 25), 80000);
    EXPECT_EQ(timeOf(0, 1, 25), 40000);
    EXPECT_EQ(timeOf(0, 2, 30), 66667);
    EXPECT_EQ(timeOf(0, 0, 0), 100000);
    EXPECT_EQ(timeOf(0, 5, 0), 100000);
}

TEST(AviReaderTest, RefusesWhatIsNotAPlayableClip)
{
    AviMovie m;
    std::string error;
    EXPECT_FALSE(ReadAvi(Bytes{}, m, &error));
    EXPECT_FALSE(error.empty());

    Bytes wave = RiffAvi({});
    std::memcpy(wave.data() + 8, "WAVE", 4);
    EXPECT_FALSE(ReadAvi(wave, m));

    auto withFormat = [](int32_t w, int32_t h, std::initializer_list<Bytes> movi) {
        return RiffAvi(
            {List("hdrl", {Avih(1000, 1, 1, 1), List("strl", {Strh("vids", 1, 1), Strf8(w, h)})}), List("movi", movi)});
    };
    EXPECT_FALSE(ReadAvi(withFormat(4097, 1, {Chunk("00db", Bytes(4100, 0))}), m)) << "too wide";
    EXPECT_FALSE(ReadAvi(withFormat(1, -4097, {Chunk("00db", Bytes(4 * 4097, 0))}), m)) << "too tall";
    EXPECT_FALSE(ReadAvi(withFormat(0, 1, {Chunk("00db", Bytes(4, 0))}), m)) << "no width";
    EXPECT_FALSE(ReadAvi(withFormat(1, 1, {}), m)) << "no frames";
    EXPECT_FALSE(ReadAvi(withFormat(1, 1, {Chunk("01db", Bytes(4, 0))}), m)) << "frames of another stream only";
    EXPECT_FALSE(ReadAvi(withFormat(4, 1, {Chunk("00db", Bytes(3, 0))}), m)) << "frame shorter than its bitmap";

    // 4096 x 4096 x 4 bytes is 64 MiB a frame, the whole budget before the frame's overhead;
    // seventeen empty chunks (repeats) must be refused before anything is allocated for them.
    const Bytes huge = RiffAvi(
        {List("hdrl", {Avih(1000, 17, 4096, 4096), List("strl", {Strh("vids", 1, 1), Strf8(4096, 4096)})}),
         List("movi", {Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}),
                       Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}),
                       Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}), Chunk("00dc", {}),
                       Chunk("00dc", {}), Chunk("00dc", {})})});
    EXPECT_FALSE(ReadAvi(huge, m, &error));
    EXPECT_EQ(error, "movie too large");
    EXPECT_TRUE(m.frames.empty());
}

// One w x h 8-bit frame (all index 0) and then `repeats` empty frame chunks, which repeat it.
Bytes RepeatedFrames(int w, int h, size_t repeats)
{
    Bytes movi = Join({Bytes{'m', 'o', 'v', 'i'}, Chunk("00db", Bytes(size_t((w + 3) & ~3) * size_t(h), 0))});
    const Bytes empty = Chunk("00dc", {});
    movi.reserve(movi.size() + repeats * empty.size());
    for (size_t i = 0; i < repeats; ++i)
        movi.insert(movi.end(), empty.begin(), empty.end());
    return RiffAvi(
        {List("hdrl", {Avih(1000, 1, uint32_t(w), uint32_t(h)), List("strl", {Strh("vids", 1, 1), Strf8(w, h)})}),
         Chunk("LIST", movi)});
}

TEST(AviReaderTest, EmptyFrameChunksCountAgainstTheFrameCapAndTheByteBudget)
{
    AviMovie m;
    std::string error;
    AviReadCost cost;

    // Half a million repeats in a 4 MB file: refused once the count passes the cap, with
    // nothing decoded and the walk stopped right there.
    EXPECT_FALSE(ReadAvi(RepeatedFrames(1, 1, 500000), m, &error, &cost));
    EXPECT_EQ(error, "too many frames");
    EXPECT_TRUE(m.frames.empty());
    EXPECT_EQ(cost.frameChunksCounted, kAviMaxFrames + 1);
    EXPECT_EQ(cost.decodedBytes, 0u);

    ASSERT_TRUE(ReadAvi(RepeatedFrames(1, 1, kAviMaxFrames - 1), m, &error, &cost)) << error;
    EXPECT_EQ(m.frames.size(), kAviMaxFrames);
    EXPECT_EQ(cost.decodedBytes, kAviMaxFrames * AviFrameCost(1, 1));

    // 64 x 64 frames: the pixels of one frame more than the budget holds would still fit, and
    // only the frames' own overhead puts the movie past the budget.
    const uint64_t fit = kAviMaxDecodedBytes / AviFrameCost(64, 64);
    ASSERT_LT(fit, kAviMaxFrames);
    ASSERT_LE((fit + 1) * 64 * 64 * 4, kAviMaxDecodedBytes);
    EXPECT_FALSE(ReadAvi(RepeatedFrames(64, 64, fit), m, &error, &cost));
    EXPECT_EQ(error, "movie too large");
    EXPECT_EQ(cost.frameChunksCounted, fit + 1);
    EXPECT_EQ(cost.decodedBytes, 0u);

    ASSERT_TRUE(ReadAvi(RepeatedFrames(64, 64, fit - 1), m, &error, &cost)) << error;
    EXPECT_EQ(m.frames.size(), fit);
    EXPECT_EQ(cost.decodedBytes, fit * AviFrameCost(64, 64));
    EXPECT_LE(cost.decodedBytes, kAviMaxDecodedBytes);
    EXPECT_EQ(m.frames.back(), m.frames.front());
}

TEST(AviReaderTest, CutFilesKeepOnlyWholeFrames)
{
    const auto frames = Ramps(16, 8, 4);
    const Bytes full = MustWrite(16, 8, 1000, frames, true);
    const AviMovie whole = MustRead(full);
    ASSERT_EQ(whole.frames.size(), 4u);

    // Frame chunk ends, from the index (offsets count from the 'movi' type).
    const size_t movi = static_cast<size_t>(std::search(full.begin(), full.end(), "movi", "movi" + 4) - full.begin());
    const size_t idx1 = static_cast<size_t>(std::search(full.begin(), full.end(), "idx1", "idx1" + 4) - full.begin());
    std::vector<size_t> ends;
    for (size_t e = idx1 + 8; e + 16 <= full.size(); e += 16)
        ends.push_back(movi + Get32(full, e + 8) + 8 + Get32(full, e + 12));
    ASSERT_EQ(ends.size(), 4u);

    for (size_t cut = 0; cut < full.size(); ++cut) {
        // An exact-size copy, so that the address sanitizer sees any read past the end.
        const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        AviMovie m;
        const bool ok = ReadAvi(part, m);
        const size_t expected = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
        ASSERT_EQ(ok, expected > 0) << "cut at " << cut;
        ASSERT_EQ(m.frames.size(), expected) << "cut at " << cut;
        for (size_t i = 0; i < expected; ++i)
            ASSERT_EQ(m.frames[i], whole.frames[i]) << "cut at " << cut;
    }
}

TEST(AviReaderTest, DamagedBytesNeverCrash)
{
    const Bytes good = MustWrite(16, 8, 1000, Ramps(16, 8, 3), true);
    const Bytes raw = MustWrite(7, 5, 1000, Ramps(7, 5, 2), false);
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 4000; ++round) {
        Bytes b = (round & 1) ? good : raw;
        const int edits = 1 + static_cast<int>(next() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = next() % b.size();
            if (next() % 3 == 0 && at + 4 <= b.size())
                std::memset(b.data() + at, 0xFF, 4); // a size field gone huge
            else
                b[at] = static_cast<uint8_t>(next());
        }
        b.resize(b.size() - next() % 64);
        AviMovie m;
        if (ReadAvi(b, m)) {
            ASSERT_FALSE(m.frames.empty());
            for (const auto& f : m.frames)
                ASSERT_EQ(f.size(), size_t(m.width) * size_t(m.height));
        }
    }
}

TEST(AviReaderTest, ReadsFilesAndReportsMissingOnes)
{
    ScopedWorkDir dir;
    const auto frames = Ramps(3, 2, 2);
    std::string error;
    ASSERT_TRUE(WriteAviFile(dir.File("clip.avi"), 3, 2, 1000, frames, TestPalette(), true, &error)) << error;
    AviMovie m;
    ASSERT_TRUE(ReadAviFile(dir.File("clip.avi"), m, &error)) << error;
    ASSERT_EQ(m.frames.size(), 2u);
    EXPECT_EQ(m.frames[1], Expect(frames[1]));

    EXPECT_FALSE(ReadAviFile(dir.File("missing.avi"), m, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(m.frames.empty());
    WriteAllBytes(dir.File("empty.avi"), {});
    EXPECT_FALSE(ReadAviFile(dir.File("empty.avi"), m));
    EXPECT_FALSE(ReadAviFile(dir.Path(), m)) << "a folder";
}

TEST(AviWriterTest, EncodesRle8AsExpected)
{
    // Bottom row first: a four-byte literal (a pair inside stays literal), end of line, the
    // top row as one run, end of bitmap.
    const Bytes twoRows{7, 7, 7, 7, 1, 2, 3, 3};
    EXPECT_EQ(EncodeRle8(twoRows.data(), 4, 2), (Bytes{0, 4, 1, 2, 3, 3, 0, 0, 4, 7, 0, 1}));

    const Bytes oddLiteral{1, 2, 3};
    EXPECT_EQ(EncodeRle8(oddLiteral.data(), 3, 1), (Bytes{0, 3, 1, 2, 3, 0, 0, 1})) << "padded to even";

    const Bytes shortStretch{4, 5, 5, 5, 5};
    EXPECT_EQ(EncodeRle8(shortStretch.data(), 5, 1), (Bytes{1, 4, 4, 5, 0, 1})) << "no absolute run under 3";

    const Bytes wide(300, 6);
    EXPECT_EQ(EncodeRle8(wide.data(), 300, 1), (Bytes{255, 6, 45, 6, 0, 1}));
}

TEST(AviWriterTest, IndexAndHeadersDescribeTheChunks)
{
    const Bytes file = MustWrite(5, 3, 80000, Ramps(5, 3, 3), false);
    EXPECT_EQ(Get32(file, 4), file.size() - 8) << "RIFF size";
    const size_t movi = static_cast<size_t>(std::search(file.begin(), file.end(), "movi", "movi" + 4) - file.begin());
    const size_t idx1 = static_cast<size_t>(std::search(file.begin(), file.end(), "idx1", "idx1" + 4) - file.begin());
    ASSERT_LT(idx1, file.size());
    ASSERT_EQ(Get32(file, idx1 + 4), 3u * 16u);
    for (size_t e = idx1 + 8; e < idx1 + 8 + 48; e += 16) {
        EXPECT_EQ(std::string(file.begin() + e, file.begin() + e + 4), "00db");
        EXPECT_EQ(Get32(file, e + 4), 0x10u) << "key frame";
        const size_t chunk = movi + Get32(file, e + 8);
        EXPECT_EQ(std::string(file.begin() + chunk, file.begin() + chunk + 4), "00db");
        EXPECT_EQ(Get32(file, chunk + 4), Get32(file, e + 12));
        EXPECT_EQ(Get32(file, e + 12), 8u * 3u) << "rows padded to four bytes";
    }
    const size_t avih = static_cast<size_t>(std::search(file.begin(), file.end(), "avih", "avih" + 4) - file.begin());
    EXPECT_EQ(Get32(file, avih + 8), 80000u);
    EXPECT_EQ(Get32(file, avih + 8 + 16), 3u) << "total frames";
    EXPECT_GE(Get32(file, avih + 8 + 28), 24u) << "suggested buffer holds a frame";
}

TEST(AviWriterTest, RejectsInconsistentInput)
{
    Bytes out;
    const auto pal = TestPalette();
    EXPECT_FALSE(WriteAvi(out, 4, 4, 1000, {}, pal, true));
    EXPECT_FALSE(WriteAvi(out, 4, 4, 1000, {Bytes(15, 0)}, pal, true));
    EXPECT_FALSE(WriteAvi(out, 4, 4, 0, {Bytes(16, 0)}, pal, true));
    EXPECT_FALSE(WriteAvi(out, 0, 4, 1000, {Bytes()}, pal, false));
    EXPECT_TRUE(out.empty());
    ScopedWorkDir dir;
    EXPECT_FALSE(WriteAviFile(dir.File("no/such/folder.avi"), 4, 4, 1000, {Bytes(16, 0)}, pal, true));
}
