// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "music/model/mp3_texts.h"

#include <string>

class AudioLibrary;

// Opens the file through the audio library, quickly (the first frame's estimate) or accurately
// (every frame scanned), asks for both lengths and closes it again. A file that cannot be opened
// gives "???" for both texts.
StreamTexts MeasureStream(AudioLibrary& audio, const std::string& path, bool accurate);

// "Yes" when the accurate and the quick measurement's bitrate texts differ, "No" when they agree.
// accurate is the accurate measurement already made of the file.
std::string DetectVariableBitrate(AudioLibrary& audio, const std::string& path, const StreamTexts& accurate);
std::string DetectVariableBitrate(AudioLibrary& audio, const std::string& path);
