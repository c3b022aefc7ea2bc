// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

// What this process has read from files so far (Linux's count of bytes read, "rchar"): a work
// count that tells a file read whole from one read in part, however fast the machine.
inline uint64_t BytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value && key != "rchar:") {
    }
    return value;
}
