// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lcg.h"

#include <gtest/gtest.h>

TEST(ProgramRandom, TheRuntimesSequenceFromStateOne)
{
    // The first numbers rand() gives without srand() in the Microsoft C runtime.
    Lcg lcg;
    EXPECT_EQ(lcg.Next(), 41);
    EXPECT_EQ(lcg.Next(), 18467);
    EXPECT_EQ(lcg.Next(), 6334);
    EXPECT_EQ(lcg.Next(), 26500);
    EXPECT_EQ(lcg.Next(), 19169);
    // One state for the program, shared by whoever draws on the window thread.
    Lcg& shared = ProgramRandom();
    const uint32_t saved = shared.state;
    shared.state = Lcg::kStart;
    EXPECT_EQ(ProgramRandom().Next(), 41);
    EXPECT_EQ(ProgramRandom().Next(), 18467);
    shared.state = saved;
}
