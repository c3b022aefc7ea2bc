// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace mp3w {

namespace {

constexpr int kRatesV1[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kRatesV2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

int BitrateIndex(Mpeg version, int kbps)
{
    const int* table = version == Mpeg::V1 ? kRatesV1 : kRatesV2;
    for (int i = 1; i < 15; ++i)
        if (table[i] == kbps)
            return i;
    return -1;
}

int SampleRateIndex(Mpeg version, int rate)
{
    const int base[3] = {44100, 48000, 32000};
    const int divisor = version == Mpeg::V1 ? 1 : version == Mpeg::V2 ? 2 : 4;
    for (int i = 0; i < 3; ++i)
        if (base[i] / divisor == rate)
            return i;
    return -1;
}

int SideInfoBytes(Mpeg version, bool stereo)
{
    if (version == Mpeg::V1)
        return stereo ? 32 : 17;
    return stereo ? 17 : 9;
}

void PutBigEndian32(std::string& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

std::string Frame(const StreamSpec& spec, int kbps)
{
    const int bitrateIndex = BitrateIndex(spec.version, kbps);
    const int rateIndex = SampleRateIndex(spec.version, spec.sampleRate);
    if (bitrateIndex < 0 || rateIndex < 0)
        return {};
    std::string frame(FrameBytes(spec.version, kbps, spec.sampleRate), '\0');
    const int versionBits = spec.version == Mpeg::V1 ? 3 : spec.version == Mpeg::V2 ? 2 : 0;
    frame[0] = static_cast<char>(0xFF);
    frame[1] = static_cast<char>(0xE0 | (versionBits << 3) | (1 << 1) | 1); // layer III, no CRC
    frame[2] = static_cast<char>((bitrateIndex << 4) | (rateIndex << 2));
    frame[3] = static_cast<char>(spec.stereo ? 0x00 : 0xC0);
    return frame;
}

// Code points of UTF-8 text (invalid bytes are taken as Latin-1).
std::vector<uint32_t> CodePoints(const std::string& text)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra && i + extra >= text.size())
            extra = 0;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = ok && (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += 1 + extra;
    }
    return out;
}

std::string EncodedText(const std::string& text, bool utf16)
{
    std::string out;
    if (!utf16) {
        out += '\0';
        for (uint32_t cp : CodePoints(text))
            out += static_cast<char>(cp < 256 ? cp : '?');
        return out;
    }
    out += '\x01';
    out += "\xFF\xFE";
    auto unit = [&out](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (uint32_t cp : CodePoints(text)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 | (cp >> 10));
            unit(0xDC00 | (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

// A zlib stream of stored deflate blocks: what every inflater reads, with no compressor needed.
std::string ZlibStream(const std::string& data)
{
    std::string out = "\x78\x01";
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(data.size() - at, 0xFFFF);
        out += static_cast<char>(at + n == data.size() ? 1 : 0); // the last block, or not; stored
        for (const size_t v : {n, ~n})
            out += {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
        out.append(data, at, n);
        at += n;
    } while (at < data.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (const unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    out += std::string(4, '\0');
    PutBigEndian32(out, out.size() - 4, (b << 16) | a);
    return out;
}

void Field(std::string& tag, const std::string& text, size_t room)
{
    std::string field = text.substr(0, room);
    field.resize(room, '\0');
    tag += field;
}

} // namespace

std::vector<int> ConstantRate(int kbps, int frames)
{
    return std::vector<int>(frames > 0 ? frames : 0, kbps);
}

std::vector<int> CyclingRates(const std::vector<int>& kbps, int frames)
{
    std::vector<int> out;
    for (int i = 0; i < frames && !kbps.empty(); ++i)
        out.push_back(kbps[i % kbps.size()]);
    return out;
}

int SamplesPerFrame(Mpeg version)
{
    return version == Mpeg::V1 ? 1152 : 576;
}

int FrameBytes(Mpeg version, int kbps, int sampleRate)
{
    return (version == Mpeg::V1 ? 144000 : 72000) * kbps / sampleRate;
}

std::string AudioFrames(const StreamSpec& spec)
{
    std::string out;
    if (spec.bitrates.empty())
        return out;
    for (int kbps : spec.bitrates) {
        const std::string frame = Frame(spec, kbps);
        if (frame.empty())
            return {};
        out += frame;
    }
    if (!spec.xingHeader)
        return out;
    std::string xing = Frame(spec, spec.bitrates.front());
    const size_t at = 4 + SideInfoBytes(spec.version, spec.stereo);
    if (xing.size() < at + 16)
        return {};
    xing.replace(at, 4, "Xing");
    PutBigEndian32(xing, at + 4, 0x3); // frame count and byte count follow
    PutBigEndian32(xing, at + 8, static_cast<uint32_t>(spec.bitrates.size()));
    PutBigEndian32(xing, at + 12, static_cast<uint32_t>(out.size() + xing.size()));
    return xing + out;
}

std::string Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     const std::string& year, const std::string& comment, int track, int genre)
{
    std::string tag = "TAG";
    Field(tag, title, 30);
    Field(tag, artist, 30);
    Field(tag, album, 30);
    Field(tag, year, 4);
    if (track > 0) {
        Field(tag, comment, 28);
        tag += '\0';
        tag += static_cast<char>(track & 0xFF);
    } else {
        Field(tag, comment, 30);
    }
    tag += static_cast<char>(genre & 0xFF);
    return tag;
}

std::string Id3v2Tag(const std::vector<TagFrame>& frames)
{
    std::string body;
    for (const TagFrame& f : frames) {
        std::string data;
        if (f.id == "COMM") {
            const std::string text = EncodedText(f.text, f.utf16);
            data += text[0];
            data += "eng";
            // An empty description, terminated in the frame's encoding.
            data += f.utf16 ? std::string("\xFF\xFE\0\0", 4) : std::string(1, '\0');
            data += text.substr(1);
        } else {
            data = EncodedText(f.text, f.utf16);
        }
        if (f.compressed) {
            std::string size(4, '\0');
            PutBigEndian32(size, 0, static_cast<uint32_t>(data.size()));
            data = size + ZlibStream(data);
        }
        std::string header = f.id.substr(0, 4);
        header.resize(4, ' ');
        header += std::string(4, '\0');
        PutBigEndian32(header, 4, static_cast<uint32_t>(data.size()));
        header += '\0';
        header += static_cast<char>(f.compressed ? 0x80 : 0);
        body += header + data;
    }
    std::string tag = "ID3";
    tag += '\x03';
    tag += '\0';
    tag += '\0';
    const auto size = static_cast<uint32_t>(body.size());
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += static_cast<char>((size >> shift) & 0x7F);
    return tag + body;
}

std::string ToneWav(double seconds, double frequencyHz, int sampleRate, int channels)
{
    const auto frames = static_cast<uint32_t>(seconds * sampleRate);
    const uint32_t dataBytes = frames * channels * 2;
    std::string out = "RIFF";
    auto le32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto le16 = [&out](uint32_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    };
    le32(36 + dataBytes);
    out += "WAVEfmt ";
    le32(16);
    le16(1);
    le16(channels);
    le32(sampleRate);
    le32(sampleRate * channels * 2);
    le16(channels * 2);
    le16(16);
    out += "data";
    le32(dataBytes);
    const double fade = 0.05 * sampleRate;
    for (uint32_t i = 0; i < frames; ++i) {
        double gain = 0.3;
        if (i < fade)
            gain *= i / fade;
        if (frames - i < fade)
            gain *= (frames - i) / fade;
        const double v = gain * std::sin(2 * std::numbers::pi * frequencyHz * i / sampleRate);
        const auto sample = static_cast<int16_t>(std::lround(v * 32767));
        for (int c = 0; c < channels; ++c)
            le16(static_cast<uint16_t>(sample));
    }
    return out;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace mp3w
