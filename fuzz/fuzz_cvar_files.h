// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/file_io.h"
#include "gamefiles/model/cvar_file.h"

#include <string>

// What the targets of the game's option files share: how a value written back must look, and
// what a rewrite may change of a file.

inline bool OneValue(const std::string& value)
{
    return value.find_first_of("\"\r\n") == std::string::npos;
}

// A rewrite ends the file without a line break, so each one takes an empty last line off (as the
// game's own tools do): the only bytes a write of the values already there may change.
inline bool SameButEmptyLastLines(const std::string& after, const std::string& before)
{
    if (!before.starts_with(after))
        return false;
    for (size_t at = after.size(); at < before.size(); at += 2)
        if (before.compare(at, 2, "\r\n") != 0)
            return false;
    return true;
}

inline std::string FileText(const CvarFiles& files, const char* name)
{
    std::string text;
    ReadWholeFile(files.Path(name), text);
    return text;
}
