// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/recent_servers.h"

#include "test_support/work_dir.h"

#include <gtest/gtest.h>

namespace {

// Joins in 2023: times before 2000 are not read back.
constexpr int64_t kT = 1700000000;

std::vector<std::string> Addresses(const RecentServers& recent)
{
    std::vector<std::string> out;
    for (const RecentServers::Entry& e : recent.Entries())
        out.push_back(e.address);
    return out;
}

TEST(RecentServers, NewestFirstEachServerOnceAtMostThirtyAndTheFileRoundTrips)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(RecentServers::kFileName);
    RecentServers recent;
    for (int i = 1; i <= 35; ++i)
        recent.Add("127.0.0." + std::to_string(i) + ":27015", "Server " + std::to_string(i), kT + 1000 + i);
    recent.Add("127.0.0.20:27015", "Tab\there\r\nand break", kT + 2000);
    ASSERT_EQ(recent.Entries().size(), RecentServers::kMaxEntries);
    EXPECT_EQ(Addresses(recent).front(), "127.0.0.20:27015");
    EXPECT_EQ(recent.Entries().front().name, "Tab here  and break");
    EXPECT_EQ(Addresses(recent)[1], "127.0.0.35:27015");
    EXPECT_EQ(Addresses(recent).back(), "127.0.0.6:27015"); // 20 moved up: no entry dropped for it

    ASSERT_TRUE(recent.Save(path));
    EXPECT_EQ(ReadText(path).substr(0, 77),
              "1700002000\t127.0.0.20:27015\tTab here  and break\r\n1700001035\t127.0.0.35:27015\t");
    RecentServers back;
    back.Load(path, kT + 3000);
    EXPECT_EQ(Addresses(back), Addresses(recent));
    EXPECT_EQ(back.Entries()[1].joined, kT + 1035);
}

TEST(RecentServers, DamagedLinesCostThemselvesAlone)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(RecentServers::kFileName);
    WriteText(path, "\xEF\xBB\xBF"
                    "1700000500\t127.0.0.1:27015\tFirst\n"
                    "garbage line\n"
                    "1700000012x\t127.0.0.2:27015\tBad time\n"
                    "1700000300\tnot-an-address\tBad address\n"
                    "1700000400\t127.0.0.1:27015\tOlder copy\n"
                    "1700000100\t127.0.0.3:27016\t\xE9t\xE9\r");
    RecentServers recent;
    recent.Load(path, kT + 1000);
    EXPECT_EQ(Addresses(recent), (std::vector<std::string>{"127.0.0.1:27015", "127.0.0.3:27016"}));
    EXPECT_EQ(recent.Entries()[0].name, "First");
    EXPECT_EQ(recent.Entries()[1].name, "\xE9t\xE9");
    recent.Load(dir.File("missing.txt"));
    EXPECT_TRUE(recent.Entries().empty());
}

// A file put together by hand or by another tool: its times order the menu, and times no join
// was made at are dropped.
TEST(RecentServers, EntriesComeNewestFirstByTimeAndImpossibleTimesGo)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(RecentServers::kFileName);
    const int64_t now = kT;
    struct Line {
        int64_t joined;
        const char* address;
    };
    std::string text;
    for (const Line& line :
         {Line{now - 3600, "127.0.0.1:1"}, Line{RecentServers::kEarliestJoin - 1, "127.0.0.1:2"},
          Line{now + 86400, "127.0.0.1:3"}, Line{now + 86401, "127.0.0.1:4"}, Line{0, "127.0.0.1:5"},
          Line{-5, "127.0.0.1:6"}, Line{now, "127.0.0.1:7"}, Line{RecentServers::kEarliestJoin, "127.0.0.1:8"},
          Line{now - 60, "127.0.0.1:1"}, Line{now + 5000000000, "127.0.0.1:9"}})
        text += std::to_string(line.joined) + "\t" + line.address + "\tname\r\n";
    WriteText(path, text);
    RecentServers recent;
    recent.Load(path, now);
    EXPECT_EQ(Addresses(recent),
              (std::vector<std::string>{"127.0.0.1:3", "127.0.0.1:7", "127.0.0.1:1", "127.0.0.1:8"}));
    EXPECT_EQ(recent.Entries()[2].joined, now - 60);

    // Thirty kept are the thirty newest, wherever they stand in the file.
    text.clear();
    for (int i = 0; i < 40; ++i)
        text += std::to_string(now - (i * 7 % 40)) + "\t127.0.0.2:" + std::to_string(i * 7 % 40 + 1) + "\tn\r\n";
    WriteText(path, text);
    recent.Load(path, now);
    ASSERT_EQ(recent.Entries().size(), RecentServers::kMaxEntries);
    EXPECT_EQ(recent.Entries().front().address, "127.0.0.2:1");
    EXPECT_EQ(recent.Entries().back().address, "127.0.0.2:30");
}

} // namespace
