// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/restart_gate.h"

#include <gtest/gtest.h>
#include <string>

// Each step: R Request, S StartIfIdle, E Ended; the answers as 1/0, then whether a run still goes.
TEST(RestartGate, OneRunAtATimeAndExactlyOneMoreAfterIt)
{
    const struct {
        const char* steps;
        const char* answers;
        bool running;
    } cases[] = {
        // Two requests while a run goes make one more run, not two; it ends with nothing due.
        {"RE", "10", false},
        {"RRRE", "1001", true},
        {"RRREE", "10010", false},
        {"RRESE", "10100", false},
        // A start while one runs is dropped; a request after it is not.
        {"SSE", "100", false},
        {"SRE", "101", true},
    };
    for (const auto& c : cases) {
        RestartGate gate;
        std::string answers;
        for (const char* s = c.steps; *s; ++s)
            answers += (*s == 'R' ? gate.Request() : *s == 'S' ? gate.StartIfIdle() : gate.Ended()) ? '1' : '0';
        EXPECT_EQ(answers, c.answers) << c.steps;
        EXPECT_EQ(gate.running(), c.running) << c.steps;
    }
}

TEST(RestartGate, WaitsWhileARunGoesOrIsDue)
{
    RestartGate gate;
    gate.Request();
    gate.Request();
    int pumps = 0;
    // Each pump ends the run going; the one due follows it.
    EXPECT_TRUE(gate.WaitUntilIdle(1000, [&] {
        ++pumps;
        gate.Ended();
    }));
    EXPECT_EQ(pumps, 2);
    gate.Request();
    EXPECT_FALSE(gate.WaitUntilIdle(20, [] {}));
}
