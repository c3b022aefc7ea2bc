// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/model/mp3_texts.h"

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
