// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_files.h"
#include "music/audio/audio_library.h"
#include "music/audio/mp3_measure.h"

#include <charconv>

namespace {

// The most playing time one byte of a file can stand for: a frame of 1152 samples at the lowest
// rate of 8000 Hz (144 ms) in no less than the one byte after its header.
constexpr uint64_t kMaxMsPerByte = 144;

AudioLibrary& Audio()
{
    static AudioLibrary audio(AudioOutput{"dummy", ""});
    return audio;
}

uint32_t Number(const std::string& text)
{
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    FUZZ_CHECK(error == std::errc() && end == text.data() + text.size());
    return value;
}

// "???" both, or minutes:seconds and a bitrate that fit the measured numbers.
void CheckTexts(const StreamTexts& texts, uint32_t ms, uint32_t bytes)
{
    FUZZ_CHECK(texts == FormatStreamTexts(ms, bytes));
    if (texts.length == "???") {
        FUZZ_CHECK(texts.bitrate == "???");
        return;
    }
    const size_t colon = texts.length.find(':');
    FUZZ_CHECK(colon != std::string::npos);
    const uint32_t minutes = Number(texts.length.substr(0, colon));
    const uint32_t seconds = Number(texts.length.substr(colon + 1));
    FUZZ_CHECK(seconds < 60 && uint64_t(minutes) * 60 + seconds == ms / 1000);
    FUZZ_CHECK(Number(texts.bitrate) % 8 == 0 && Number(texts.bitrate) <= uint64_t(bytes) * 8 / 1000 + 8);
}

// One stream measured: the file's size, a playing time the bytes can hold, the same at every
// measurement.
uint32_t Measure(const std::string& path, size_t size, unsigned mode)
{
    AudioLibrary& audio = Audio();
    AudioLibrary::Stream* stream = audio.StreamOpen(path, mode);
    if (!stream)
        return 0;
    const uint32_t ms = audio.StreamGetLengthMs(stream);
    FUZZ_CHECK(audio.StreamGetLength(stream) == size);
    FUZZ_CHECK(uint64_t(ms) <= kMaxMsPerByte * size);
    FUZZ_CHECK(audio.StreamClose(stream));
    FUZZ_CHECK(audio.StreamGetLengthMs(stream) == 0 && audio.StreamGetLength(stream) == 0);
    return ms;
}

} // namespace

// Any file at all measured as an MP3, quickly and by scanning every frame.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ScratchFolder& scratch = Scratch();
    scratch.Write("song.mp3", AsText(data, size));
    const std::string path = scratch.Path("song.mp3");

    const uint32_t quickMs = Measure(path, size, AudioLibrary::kModeQuick);
    const uint32_t accurateMs = Measure(path, size, AudioLibrary::kModeAccurate);
    FUZZ_CHECK(Measure(path, size, AudioLibrary::kModeQuick) == quickMs);
    FUZZ_CHECK(Measure(path, size, AudioLibrary::kModeAccurate) == accurateMs);

    const StreamTexts quick = MeasureStream(Audio(), path, false);
    const StreamTexts accurate = MeasureStream(Audio(), path, true);
    CheckTexts(quick, quickMs, static_cast<uint32_t>(size));
    CheckTexts(accurate, accurateMs, static_cast<uint32_t>(size));
    const std::string vbr = DetectVariableBitrate(Audio(), path, accurate);
    FUZZ_CHECK(vbr == (quick.bitrate != accurate.bitrate ? "Yes" : "No"));
    FUZZ_CHECK(Audio().StreamCount() == 0);
    return 0;
}
