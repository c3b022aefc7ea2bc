#include "music/mp3_measure.h"

#include "music/audio_library.h"

#include <cstdio>

bool HasInvalidMarker(const std::string& text)
{
    return text.compare(0, kInvalidMarkerLength, kInvalidMarker) == 0;
}

std::string WithoutInvalidMarker(const std::string& text)
{
    return HasInvalidMarker(text) ? text.substr(kInvalidMarkerLength) : text;
}

StreamTexts FormatStreamTexts(uint32_t ms, uint32_t bytes)
{
    const uint32_t seconds = ms / 1000u;
    if (seconds == 0)
        return {};
    char length[32];
    std::snprintf(length, sizeof length, "%u:%.2u", ms / 60000u, (ms % 60000u) / 1000u);
    const uint32_t kilobitsPerSecond = ((bytes / seconds) / 1000u) * 8u;
    return {length, std::to_string(kilobitsPerSecond)};
}

StreamTexts MeasureStream(AudioLibrary& audio, const std::string& path, bool accurate)
{
    AudioLibrary::Stream* stream =
        audio.StreamOpen(path, accurate ? AudioLibrary::kModeAccurate : AudioLibrary::kModeQuick);
    if (!stream)
        return {};
    const uint32_t ms = audio.StreamGetLengthMs(stream);
    const uint32_t bytes = audio.StreamGetLength(stream);
    audio.StreamClose(stream);
    return FormatStreamTexts(ms, bytes);
}

std::string DetectVariableBitrate(AudioLibrary& audio, const std::string& path, const StreamTexts& accurate)
{
    return MeasureStream(audio, path, false).bitrate != accurate.bitrate ? "Yes" : "No";
}

std::string DetectVariableBitrate(AudioLibrary& audio, const std::string& path)
{
    return DetectVariableBitrate(audio, path, MeasureStream(audio, path, true));
}

std::string MpegVersionText(int version)
{
    switch (version) {
    case -1:
        return "Not MPEG";
    case 0:
        return "MPEG 2.5";
    case 1:
        return "MPEG Reserved";
    case 2:
        return "MPEG 2.0";
    case 3:
        return "MPEG 1.0";
    default:
        return {};
    }
}
