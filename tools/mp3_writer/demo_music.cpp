// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the demo's music into MODDIR/mp3: a few short tunes (constant and variable bitrate, with
// and without tags, MPEG 1 and MPEG 2), made here as PCM and encoded with lame, and the mod's
// playlist.txt mixing absolute, relative and missing entries. Without lame the files are silent
// frames of the same kinds, so the demo still measures and tags them.
// Used by `make run` on its scratch copy of the demo: MODDIR's absolute path is only known then.
#include "mp3_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Tune {
    const char* file;          // under mp3/
    std::vector<double> notes; // Hz, 0 a rest; each note a quarter of a second
    const char* lameOptions;
    // The silent stand-in's frames and tags.
    mp3w::Mpeg version;
    int sampleRate;
    std::vector<int> rates;
    bool xing;
    std::string tags;
};

// A little melody with overtones and a noisy hit on every bar, so that a variable-bitrate
// encoder really varies its rate.
std::string TuneWav(const std::vector<double>& notes, int repeats)
{
    constexpr int kRate = 44100;
    const int noteSamples = kRate / 4;
    std::vector<int16_t> pcm;
    uint32_t noise = 12345;
    for (int r = 0; r < repeats; ++r) {
        for (size_t n = 0; n < notes.size(); ++n) {
            for (int i = 0; i < noteSamples; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const double envelope = std::exp(-3.0 * t) * std::min(1.0, i / 200.0);
                double v = 0;
                if (notes[n] > 0)
                    for (int h = 1; h <= 4; ++h)
                        v += std::sin(2 * std::numbers::pi * notes[n] * h * t) / (h * 1.6);
                if (n % 4 == 0 && i < kRate / 16) {
                    noise = noise * 1103515245u + 12345u;
                    v += ((noise >> 16) / 32768.0 - 1.0) * (1.0 - i / (kRate / 16.0));
                }
                pcm.push_back(static_cast<int16_t>(std::lround(std::clamp(v * envelope * 0.35, -1.0, 1.0) * 32767)));
            }
        }
    }
    std::string wav = mp3w::ToneWav(0, 0, kRate, 1); // the header of an empty mono file
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    auto put32 = [&wav](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            wav[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put32(4, 36 + dataBytes);
    put32(40, dataBytes);
    for (int16_t s : pcm) {
        wav += static_cast<char>(s & 0xFF);
        wav += static_cast<char>((s >> 8) & 0xFF);
    }
    return wav;
}

bool HaveLame()
{
    return std::system("lame --version > /dev/null 2>&1") == 0;
}

std::string Quoted(const fs::path& p)
{
    std::string out = "'";
    for (char c : p.string())
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo_music MODDIR\n");
        return 2;
    }
    std::error_code error;
    const fs::path mod = fs::canonical(argv[1], error);
    if (error) {
        std::fprintf(stderr, "demo_music: no folder %s\n", argv[1]);
        return 1;
    }
    const fs::path mp3 = mod / "mp3";
    fs::create_directories(mp3 / "ambient");

    const std::vector<double> theme = {392, 523, 659, 784, 659, 523, 587, 0, 440, 587, 698, 880, 698, 587, 523, 0};
    const std::vector<double> march = {196, 196, 262, 0, 196, 196, 294, 0, 330, 294, 262, 247, 220, 0, 196, 0};
    const std::vector<double> drone = {110, 0, 0, 0, 116, 0, 0, 0};
    const std::vector<Tune> tunes = {
        {"znk-theme.mp3", theme,
         "-b 128 --add-id3v2 --id3v2-utf16 --tt 'Menu Thème' --ta 'ZNK Team' --tl 'ZNK Sounds' --ty 2024 "
         "--tc 'Made for the demo' --tn 1 --tg Soundtrack",
         mp3w::Mpeg::V1, 44100, mp3w::ConstantRate(128, 400), false,
         mp3w::Id3v2Tag({{"TIT2", "Menu Thème", true},
                         {"TPE1", "ZNK Team", true},
                         {"TALB", "ZNK Sounds", true},
                         {"TYER", "2024", true},
                         {"COMM", "Made for the demo", true},
                         {"TRCK", "1", true},
                         {"TCON", "Soundtrack", true}})},
        {"briefing-vbr.mp3", march,
         "-V 2 --id3v2-only --tt 'Briefing' --ta 'ZNK Team' --tl 'ZNK Sounds' --ty 2024 --tn 2 --tg 'Game'",
         mp3w::Mpeg::V1, 44100, mp3w::CyclingRates({160, 96, 128, 192, 64}, 380), true,
         mp3w::Id3v2Tag({{"TIT2", "Briefing"},
                         {"TPE1", "ZNK Team"},
                         {"TALB", "ZNK Sounds"},
                         {"TYER", "2024"},
                         {"TRCK", "2"},
                         {"TCON", "Game"}})},
        {"radio-chatter.mp3", march, "-V 5 -t", mp3w::Mpeg::V1, 44100, mp3w::CyclingRates({96, 48, 128, 64}, 300),
         false, ""},
        {"lowfi-mpeg2.mp3", theme,
         "--resample 22.05 -b 64 --id3v1-only --tt 'Lo-fi Loop' --ta 'ZNK Team' --ty 2023 --tg 17", mp3w::Mpeg::V2,
         22050, mp3w::ConstantRate(64, 500), false, ""},
        {"ambient/wind.mp3", drone, "-b 96", mp3w::Mpeg::V1, 44100, mp3w::ConstantRate(96, 300), false, ""},
    };

    const bool lame = HaveLame();
    const fs::path wav = mp3 / "tune.wav";
    for (const Tune& t : tunes) {
        const fs::path out = mp3 / t.file;
        bool made = false;
        if (lame && mp3w::WriteBytes(wav.string(), TuneWav(t.notes, 3))) {
            const std::string command =
                std::string("lame --quiet ") + t.lameOptions + " " + Quoted(wav) + " " + Quoted(out);
            made = std::system(command.c_str()) == 0;
        }
        if (!made) {
            mp3w::StreamSpec spec;
            spec.version = t.version;
            spec.sampleRate = t.sampleRate;
            spec.bitrates = t.rates;
            spec.xingHeader = t.xing;
            std::string bytes = t.tags + mp3w::AudioFrames(spec);
            if (std::string(t.file) == "lowfi-mpeg2.mp3")
                bytes += mp3w::Id3v1Tag("Lo-fi Loop", "ZNK Team", "", "2023", "", 0, 17);
            if (!mp3w::WriteBytes(out.string(), bytes)) {
                std::fprintf(stderr, "demo_music: cannot write %s\n", out.c_str());
                return 1;
            }
        }
    }
    fs::remove(wav, error);

    // Absolute lines name this copy of the demo; relative ones are read under the mod folder.
    const std::string abs = mp3.string() + "/";
    const std::string playlist = abs +
                                 "znk-theme.mp3\r\n"
                                 "mp3/briefing-vbr.mp3\r\n" +
                                 abs +
                                 "ambient/wind.mp3\r\n"
                                 "mp3/lowfi-mpeg2.mp3\r\n"
                                 "mp3/missing-track.mp3\r\n" +
                                 abs + "radio-chatter.mp3\r\n";
    if (!mp3w::WriteBytes((mp3 / "playlist.txt").string(), playlist)) {
        std::fprintf(stderr, "demo_music: cannot write the playlist\n");
        return 1;
    }
    return 0;
}
