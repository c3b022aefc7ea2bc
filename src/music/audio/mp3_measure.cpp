// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/audio/mp3_measure.h"

#include "music/audio/audio_library.h"

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
