#include "settings/recent_servers.h"

#include "test_support/work_dir.h"

#include <gtest/gtest.h>

namespace {

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
        recent.Add("127.0.0." + std::to_string(i) + ":27015", "Server " + std::to_string(i), 1000 + i);
    recent.Add("127.0.0.20:27015", "Tab\there\r\nand break", 2000);
    ASSERT_EQ(recent.Entries().size(), RecentServers::kMaxEntries);
    EXPECT_EQ(Addresses(recent).front(), "127.0.0.20:27015");
    EXPECT_EQ(recent.Entries().front().name, "Tab here  and break");
    EXPECT_EQ(Addresses(recent)[1], "127.0.0.35:27015");
    EXPECT_EQ(Addresses(recent).back(), "127.0.0.6:27015"); // 20 moved up: no entry dropped for it

    ASSERT_TRUE(recent.Save(path));
    EXPECT_EQ(ReadText(path).substr(0, 65), "2000\t127.0.0.20:27015\tTab here  and break\r\n1035\t127.0.0.35:27015\t");
    RecentServers back;
    back.Load(path);
    EXPECT_EQ(Addresses(back), Addresses(recent));
    EXPECT_EQ(back.Entries()[1].joined, 1035);
}

TEST(RecentServers, DamagedLinesCostThemselvesAlone)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(RecentServers::kFileName);
    WriteText(path, "\xEF\xBB\xBF"
                    "100\t127.0.0.1:27015\tFirst\n"
                    "garbage line\n"
                    "12x\t127.0.0.2:27015\tBad time\n"
                    "300\tnot-an-address\tBad address\n"
                    "400\t127.0.0.1:27015\tOlder copy\n"
                    "500\t127.0.0.3:27016\t\xE9t\xE9\r");
    RecentServers recent;
    recent.Load(path);
    EXPECT_EQ(Addresses(recent), (std::vector<std::string>{"127.0.0.1:27015", "127.0.0.3:27016"}));
    EXPECT_EQ(recent.Entries()[1].name, "\xE9t\xE9");
    recent.Load(dir.File("missing.txt"));
    EXPECT_TRUE(recent.Entries().empty());
}

} // namespace
