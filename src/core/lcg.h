// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The program's random numbers, as the C runtime's rand() made them: state := state * 214013 +
// 2531011 (mod 2^32), each number is bits 16..30 of the new state (0..32767). Never seeded, so
// the map cycle and the playlist shuffle the same way at every start.
class Lcg {
public:
    static constexpr uint32_t kStart = 1;
    static constexpr int kMax = 32767;

    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }

    uint32_t state = kStart;
};

// The one sequence the window thread draws from (map cycle and playlist shuffles share it).
// Window thread only.
Lcg& ProgramRandom();
