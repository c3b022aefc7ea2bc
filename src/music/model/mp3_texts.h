// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>

// What the music lists and the tag viewer show of a measured file, as texts; no audio library
// needed.

// The markers the music lists show. "???": a length or bitrate that was not measured (sorts last
// in every list). "Invalid: " (nine characters): in front of a playlist path whose file was
// missing when the playlist was loaded; every use of such a path drops it first.
inline constexpr const char* kUnknownText = "???";
inline constexpr const char* kInvalidMarker = "Invalid: ";
inline constexpr size_t kInvalidMarkerLength = 9;

// text without a leading "Invalid: " (compared case-sensitively).
std::string WithoutInvalidMarker(const std::string& text);
bool HasInvalidMarker(const std::string& text);

// The two texts a measured file shows.
struct StreamTexts {
    std::string length = kUnknownText;  // minutes:seconds, such as 3:07
    std::string bitrate = kUnknownText; // average kbit/s, such as 128

    bool operator==(const StreamTexts&) const = default;
};

// The texts of a stream of ms milliseconds and bytes bytes. Every division is an unsigned integer
// division, in the order whole seconds, bytes per second, kilobytes per second, then times 8: the
// bitrate is always a multiple of 8 (bytes per second of 19 999 give 152). A stream shorter than
// a second has no bitrate to speak of (it would divide by zero): both texts are "???" then.
StreamTexts FormatStreamTexts(uint32_t ms, uint32_t bytes);

// The text of an MPEG version value: -1 "Not MPEG", 0 "MPEG 2.5", 1 "MPEG Reserved", 2 "MPEG 2.0",
// 3 "MPEG 1.0"; any other value gives "" (the field stays empty).
std::string MpegVersionText(int version);
