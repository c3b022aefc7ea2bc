// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

#include <gtest/gtest.h>

using platform::DriveType;

// Drives as Windows may report them; the questions asked of each are written down, so that a
// drive left out is seen not to have been touched further (a disconnected share would hang the
// list, an empty drive would ask for a disk).
TEST(DriveRootsOf, OnlyReadyDrivesOfAKnownTypeAndNothingAskedPastTheAnswer)
{
    struct Drive {
        char letter;
        DriveType type;
        bool connected, ready;
    };
    const Drive drives[] = {
        {'A', DriveType::Removable, true, false}, {'C', DriveType::Fixed, true, true},
        {'D', DriveType::Optical, true, false},   {'E', DriveType::Optical, true, true},
        {'F', DriveType::Unknown, true, true},    {'G', DriveType::NoRoot, true, true},
        {'M', DriveType::Remote, false, true},    {'N', DriveType::Remote, true, false},
        {'P', DriveType::Remote, true, true},     {'R', DriveType::RamDisk, true, true},
        {'Z', DriveType::Fixed, true, true},
    };
    std::string asked;
    const auto ask = [&](const std::string& root, char question) {
        asked += root[0];
        asked += question;
        for (const Drive& d : drives)
            if (d.letter == root[0])
                return d;
        ADD_FAILURE() << "asked of " << root;
        return Drive{};
    };
    platform::DriveProbe probe;
    probe.type = [&](const std::string& root) { return ask(root, 't').type; };
    probe.connected = [&](const std::string& root) { return ask(root, 'c').connected; };
    probe.ready = [&](const std::string& root, DriveType type) {
        const Drive d = ask(root, 'r');
        EXPECT_EQ(type, d.type);
        return d.ready;
    };

    uint32_t mask = 0;
    for (const Drive& d : drives)
        mask |= 1u << (d.letter - 'A');
    EXPECT_EQ(platform::DriveRootsOf(mask, probe), (std::vector<std::string>{"C:\\", "E:\\", "P:\\", "R:\\", "Z:\\"}));
    EXPECT_EQ(asked, "AtArCtCrDtDrEtErFtGtMtMcNtNcNrPtPcPrRtRrZtZr");
}

// Process 10 is the program started; 11 its child (a launcher's game), 12 a grandchild whose
// parent 13 has ended; 20 a game the user started by hand; 30 made before 10 under the parent id
// 10 (that id's earlier owner); 40 and 41 name each other as parents.
TEST(GameWindowOwner, OnlyAWindowOfTheStartedProcessOrOfProcessesItStarted)
{
    const std::map<int64_t, platform::ProcessInfo> processes = {
        {10, {1, 1000}}, {11, {10, 1001}}, {12, {13, 1003}}, {20, {1, 900}},
        {30, {10, 500}}, {40, {41, 2000}}, {41, {40, 2000}},
    };
    using W = platform::TopLevelWindow;
    const struct {
        std::vector<W> windows;
        int64_t started, expected;
    } table[] = {
        {{{"Half-Life", 20}, {"Valve001", 10}}, 10, 10}, // the started one, behind another copy
        {{{"Valve001", 11}, {"Half-Life", 10}}, 10, 10}, // "Half-Life" before "Valve001"
        {{{"valve001", 11}}, 10, 11},                    // classes ignore case
        {{{"Half-Life", 20}, {"Valve001", 20}}, 10, 0},
        {{{"Half-Life", 12}}, 13, 12}, // the launcher 13 has ended
        {{{"Half-Life", 12}}, 10, 0},
        {{{"Half-Life", 30}}, 10, 0},
        {{{"Half-Life", 40}}, 10, 0},
        {{{"Notepad", 10}, {"Half-Life2", 10}, {"Half-Lif", 10}}, 10, 0},
        {{{"Half-Life", 0}, {"Half-Life", 20}}, 0, 0},
        {{}, 10, 0},
    };
    for (const auto& row : table)
        EXPECT_EQ(platform::GameWindowOwner(row.windows, processes, row.started), row.expected)
            << row.windows.size() << " windows, started " << row.started;
}
