// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes MPEG audio layer III files byte by byte, without an encoder: every frame is a valid
// frame whose side information says "no data", so a decoder plays it as silence. That is all a
// test of lengths, bitrates, headers and tags needs, and it makes files of any size in no time.
namespace mp3w {

enum class Mpeg { V1, V2, V25 };

struct StreamSpec {
    Mpeg version = Mpeg::V1;
    int sampleRate = 44100; // one the version allows: 44100/48000/32000, half or a quarter of those
    bool stereo = true;
    // One entry a frame, in kbit/s (a rate of the version's table).
    std::vector<int> bitrates;
    // A Xing frame first (of the first frame's rate) telling the frame count and the byte count,
    // as VBR encoders write it.
    bool xingHeader = false;
};

// n frames of one rate.
std::vector<int> ConstantRate(int kbps, int frames);
// n frames cycling through the given rates, starting with the first.
std::vector<int> CyclingRates(const std::vector<int>& kbps, int frames);

// Samples per frame and bytes of one frame (no padding).
int SamplesPerFrame(Mpeg version);
int FrameBytes(Mpeg version, int kbps, int sampleRate);

// The audio frames (and the Xing frame first when asked). Empty when the stream asked for is impossible.
std::string AudioFrames(const StreamSpec& spec);

// A 128-byte ID3v1.1 tag (fields cut to their room; track 0 leaves the v1.1 track byte out).
std::string Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     const std::string& year, const std::string& comment, int track, int genre);

// One ID3v2.3 text frame (T***) or comment frame (COMM). text is UTF-8; utf16 stores it with
// encoding 1 (UTF-16 with a little-endian byte order mark, what encoders write), otherwise with
// encoding 0 (ISO-8859-1: the UTF-8 code points below 256 as single bytes). compressed stores the
// frame's data as a zlib stream behind its size (frame flag 0x0080).
struct TagFrame {
    std::string id;
    std::string text;
    bool utf16 = false;
    bool compressed = false;
};
std::string Id3v2Tag(const std::vector<TagFrame>& frames);

// A 16-bit PCM WAV file holding a sine tone that fades in and out (for an encoder).
std::string ToneWav(double seconds, double frequencyHz, int sampleRate, int channels);

// Writes bytes to path; false when it cannot.
bool WriteBytes(const std::string& path, const std::string& bytes);

} // namespace mp3w
