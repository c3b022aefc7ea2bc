#include "app/server_store.h"
#include "core/path.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::vector<std::string> Addresses(const std::vector<ServerRecord*>& list)
{
    std::vector<std::string> out;
    for (const ServerRecord* r : list)
        out.push_back(r->address);
    return out;
}

struct StoreTest : ::testing::Test {
    ScopedWorkDir dir;
    ServerStore store {dir.Path()};
    std::string File(const char* name) const { return dir.File(name); }
};

} // namespace

TEST_F(StoreTest, ListsAreSavedWithTotalOneAboveTheCountAndLoadBack)
{
    store.AddFavorite("10.0.0.1:27015", "One", "dusk", "20", "1/8", std::string("d|Dedicated//Linux Server|Password: No"));
    store.AddFavorite("10.0.0.2:27016", "Two", "", "???", "", std::nullopt);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(File("Servers.ini")), "[Servers]\r\nTotal=1\r\n"
                                              "[Favorites]\r\n1=10.0.0.1:27015\r\n2=10.0.0.2:27016\r\nTotal=3\r\n");
    EXPECT_EQ(ReadText(File("ServersDB.ini")),
              "[10.0.0.1:27015]\r\nName=One\r\nMap=dusk\r\nPing=20\r\nPlayers=1/8\r\n"
              "Info=d|Dedicated//Linux Server|Password: No\r\n"
              "[10.0.0.2:27016]\r\nName=Two\r\nMap=\r\nPing=???\r\nPlayers=\r\nInfo=");

    ServerStore back(dir.Path());
    back.Load();
    EXPECT_TRUE(back.serverList.empty());
    EXPECT_EQ(Addresses(back.favoriteList), (std::vector<std::string> {"10.0.0.1:27015", "10.0.0.2:27016"}));
    EXPECT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.favoriteList[0]->name, "One");
    EXPECT_EQ(back.favoriteList[0]->info, "d|Dedicated//Linux Server|Password: No");
    EXPECT_EQ(back.favoriteList[1]->ping, "???");
}

TEST_F(StoreTest, AFavoriteTwiceIsListedTwiceAndSharesOneRecord)
{
    ServerRecord* first = store.FindOrCreateRecord("1.2.3.4:27015");
    first->info = "kept";
    store.serverList.push_back(first);
    store.AddFavorite("1.2.3.4:27015", "A", "m", "5", "0/8");
    store.AddFavorite("1.2.3.4:27015", "B", "m", "6", "0/8");
    EXPECT_EQ(store.favoriteList.size(), 2u);
    EXPECT_EQ(store.favoriteList[0], first);
    EXPECT_EQ(store.favoriteList[1], first);
    EXPECT_EQ(store.records.size(), 1u);
    EXPECT_EQ(first->name, "B");
    EXPECT_EQ(first->info, "kept"); // no info given: the old one stays
}

TEST_F(StoreTest, RecordsAreFoundByExactAddressAndNeverMove)
{
    ServerRecord* a = store.FindOrCreateRecord("server.example:27015");
    EXPECT_EQ(a->name, "server.example:27015");
    EXPECT_TRUE(a->map.empty() && a->ping.empty() && a->players.empty() && a->info.empty());
    ServerRecord* upper = store.FindOrCreateRecord("SERVER.example:27015");
    EXPECT_NE(a, upper);
    for (int i = 0; i < 10000; ++i)
        store.FindOrCreateRecord("10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ":27015");
    EXPECT_EQ(store.FindOrCreateRecord("server.example:27015"), a);
    EXPECT_EQ(a->address, "server.example:27015"); // still a live record after the store grew
    EXPECT_EQ(store.records.size(), 10002u);
}

TEST_F(StoreTest, RecordsFileIsReadLineByLine)
{
    WriteText(File("ServersDB.ini"), "[[1.1.1.1:27015]]\r\nName=Only\r\nPing=12\r\n"
                                     "[2.2.2.2:27015]\nInfo=a=b\nPlayers=3/8\nColour=red\r\n"
                                     "[2.2.2.2:27015]\r\nName=Duplicate\r\n"
                                     "\r\n"
                                     "[3.3.3.3:27015]\r\nName=After the blank line\r\n");
    store.Load();
    ASSERT_EQ(store.records.size(), 3u);
    const ServerRecord& one = store.records[0];
    EXPECT_EQ(one.address, "1.1.1.1:27015");
    EXPECT_EQ(one.name, "Only");
    EXPECT_EQ(one.ping, "12");
    EXPECT_TRUE(one.map.empty() && one.players.empty() && one.info.empty());
    EXPECT_EQ(store.records[1].info, "a=b");
    EXPECT_EQ(store.records[1].players, "3/8");
    EXPECT_EQ(store.records[1].name, "") << "a record does not borrow the name of the one before";
    // Duplicates are loaded as they are; finding goes to the first.
    EXPECT_EQ(store.records[2].name, "Duplicate");
    EXPECT_EQ(store.FindOrCreateRecord("2.2.2.2:27015"), &store.records[1]);
    EXPECT_EQ(store.records.size(), 3u);
}

TEST_F(StoreTest, FilesWithCrOnlyLineEndsLoadEveryEntryAndSaveThemAgain)
{
    WriteText(File("Servers.ini"), "[Servers]\rTotal=1\r[Favorites]\r1=10.0.0.1:27015\r2=10.0.0.2:27016\rTotal=3\r");
    WriteText(File("ServersDB.ini"), "[10.0.0.1:27015]\rName=One\rMap=dusk\rPing=20\rPlayers=1/8\rInfo=i\r"
                                     "[10.0.0.2:27016]\rName=Two\rMap=\rPing=???\rPlayers=\rInfo=");
    WriteText(File("Friends.txt"), "Ann\rBob\r");
    store.Load();
    store.LoadFriends();
    EXPECT_EQ(Addresses(store.favoriteList), (std::vector<std::string> {"10.0.0.1:27015", "10.0.0.2:27016"}));
    ASSERT_EQ(store.records.size(), 2u);
    EXPECT_EQ(store.favoriteList[0]->map, "dusk");
    EXPECT_EQ(store.favoriteList[1]->name, "Two");
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string> {"Ann", "Bob"}));

    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(File("Servers.ini")), "[Servers]\r\nTotal=1\r\n"
                                              "[Favorites]\r\n1=10.0.0.1:27015\r\n2=10.0.0.2:27016\r\nTotal=3\r\n");
    EXPECT_EQ(ReadText(File("ServersDB.ini")),
              "[10.0.0.1:27015]\r\nName=One\r\nMap=dusk\r\nPing=20\r\nPlayers=1/8\r\nInfo=i\r\n"
              "[10.0.0.2:27016]\r\nName=Two\r\nMap=\r\nPing=???\r\nPlayers=\r\nInfo=");
}

TEST_F(StoreTest, ListEntriesBeyondTheKeysAndLongAddresses)
{
    WriteText(File("Servers.ini"), "[Servers]\r\n1=1.2.3.4:27015\r\nTotal=4\r\n"
                                   "[favorites]\r\n1=123.123.123.123:27015-and-more\r\nTOTAL=2\r\n");
    store.Load();
    EXPECT_EQ(Addresses(store.serverList), (std::vector<std::string> {"1.2.3.4:27015", "", ""}));
    EXPECT_EQ(store.serverList[1], store.serverList[2]); // one record with an empty address
    EXPECT_EQ(Addresses(store.favoriteList), (std::vector<std::string> {"123.123.123.123:27015-an"}));
}

TEST_F(StoreTest, EmptyStoreWritesTotalsOfOneAndAnEmptyRecordsFile)
{
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(File("Servers.ini")), "[Servers]\r\nTotal=1\r\n[Favorites]\r\nTotal=1\r\n");
    EXPECT_EQ(ReadText(File("ServersDB.ini")), "");
    ServerStore back(dir.Path());
    back.Load();
    EXPECT_TRUE(back.serverList.empty() && back.favoriteList.empty() && back.records.empty());
}

TEST_F(StoreTest, UnwritableRecordsFileIsLeftAsItWas)
{
    WriteText(File("ServersDB.ini"), "[9.9.9.9:27015]\r\nName=Keep me");
    ASSERT_EQ(::chmod(File("ServersDB.ini").c_str(), 0444), 0);
    store.FindOrCreateRecord("1.1.1.1:27015");
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(ReadText(File("ServersDB.ini")), "[9.9.9.9:27015]\r\nName=Keep me");
}

TEST_F(StoreTest, AddFriendStartsANewLineAfterWhatIsThere)
{
    WriteText(File("Friends.txt"), "Ann\r\n");
    store.LoadFriends();
    store.AddFriend("Bob");
    EXPECT_EQ(ReadText(File("Friends.txt")), "Ann\r\n\r\nBob");
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string> {"Ann", "Bob"}));

    ScopedWorkDir other;
    ServerStore fresh(other.Path());
    fresh.AddFriend("Cid");
    EXPECT_EQ(ReadText(other.File("Friends.txt")), "Cid");
}

TEST_F(StoreTest, RemoveFriendDropsEveryLineButOneListEntry)
{
    WriteText(File("Friends.txt"), "Bob\r\nAnn\r\nbob\r\nBob\r\n\r\nCid");
    store.LoadFriends();
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string> {"Bob", "Ann", "bob", "Bob", "Cid"}));
    store.RemoveFriend("bob");
    EXPECT_EQ(ReadText(File("Friends.txt")), "Bob\r\nAnn\r\nBob\r\n\r\nCid\r\n");
    // The list finds its first entry ignoring case.
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string> {"Ann", "bob", "Bob", "Cid"}));

    store.SaveFriends();
    EXPECT_EQ(ReadText(File("Friends.txt")), "Ann\r\nbob\r\nBob\r\nCid\r\n");
}

TEST_F(StoreTest, RemoveFriendWithoutAFileStillRemovesTheEntry)
{
    store.friends().AppendFriend("Dee");
    store.RemoveFriend("Dee");
    EXPECT_TRUE(store.friends().Friends().empty());
    EXPECT_FALSE(FileExists(File("Friends.txt")));
}
