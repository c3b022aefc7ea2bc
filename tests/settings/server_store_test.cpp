// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/path.h"
#include "settings/server_store.h"
#include "test_support/work_dir.h"

#include <functional>
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
    ServerStore store{dir.Path()};
    std::string File(const char* name) const { return dir.File(name); }
};

} // namespace

TEST_F(StoreTest, ListsAreSavedWithTotalOneAboveTheCountAndLoadBack)
{
    store.AddFavorite("10.0.0.1:27015", "One", "dusk", "20", "1/8",
                      std::string("d|Dedicated//Linux Server|Password: No"));
    store.AddFavorite("10.0.0.2:27016", "Two", "", "???", "", std::nullopt);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(File("Servers.ini")), "[Servers]\r\nTotal=1\r\n"
                                             "[Favorites]\r\n1=10.0.0.1:27015\r\n2=10.0.0.2:27016\r\nTotal=3\r\n");
    EXPECT_EQ(ReadText(File("ServersDB.ini")), "[10.0.0.1:27015]\r\nName=One\r\nMap=dusk\r\nPing=20\r\nPlayers=1/8\r\n"
                                               "Info=d|Dedicated//Linux Server|Password: No\r\n"
                                               "[10.0.0.2:27016]\r\nName=Two\r\nMap=\r\nPing=???\r\nPlayers=\r\nInfo=");

    ServerStore back(dir.Path());
    back.Load();
    EXPECT_TRUE(back.serverList().empty());
    EXPECT_EQ(Addresses(back.favoriteList()), (std::vector<std::string>{"10.0.0.1:27015", "10.0.0.2:27016"}));
    EXPECT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.favoriteList()[0]->name, "One");
    EXPECT_EQ(back.favoriteList()[0]->info, "d|Dedicated//Linux Server|Password: No");
    EXPECT_EQ(back.favoriteList()[1]->ping, "???");
}

TEST_F(StoreTest, AFavoriteTwiceIsListedTwiceAndSharesOneRecord)
{
    ServerRecord* first = store.FindOrCreateRecord("1.2.3.4:27015");
    first->info = "kept";
    store.Append(ServerList::Servers, first);
    store.AddFavorite("1.2.3.4:27015", "A", "m", "5", "0/8");
    store.AddFavorite("1.2.3.4:27015", "B", "m", "6", "0/8");
    EXPECT_EQ(store.favoriteList().size(), 2u);
    EXPECT_EQ(store.favoriteList()[0], first);
    EXPECT_EQ(store.favoriteList()[1], first);
    EXPECT_EQ(store.records.size(), 1u);
    EXPECT_EQ(first->name, "B");
    EXPECT_EQ(first->info, "kept"); // no info given: the old one stays
}

// What a list model hears: each change once, in the order it was made.
struct HeardChanges : ServerStoreListener {
    std::vector<std::string> heard;
    static const char* Name(ServerList list) { return list == ServerList::Servers ? "servers" : "favorites"; }
    void ListAppended(ServerList list) override { heard.push_back(std::string("+") + Name(list)); }
    void ListEntryRemoved(ServerList list, size_t index) override
    {
        heard.push_back(std::string("-") + Name(list) + std::to_string(index));
    }
    void ListReplaced(ServerList list) override { heard.push_back(std::string("=") + Name(list)); }
    void RecordChanged(const ServerRecord& record) override { heard.push_back("*" + record.name); }
};

TEST_F(StoreTest, ListOperationsTellTheirListenersAndLeaveTheRecords)
{
    HeardChanges listener;
    store.AddListener(&listener);
    ServerRecord* a = store.FindOrCreateRecord("1.1.1.1:27015");
    ServerRecord* b = store.FindOrCreateRecord("2.2.2.2:27015");
    EXPECT_EQ(store.FindRecord("3.3.3.3:27015"), nullptr); // a look-up makes no record
    EXPECT_EQ(store.records.size(), 2u);
    EXPECT_EQ(store.FindRecord("1.1.1.1:27015"), a);
    const struct {
        std::function<void()> change;
        std::vector<ServerRecord*> servers, favorites;
        std::vector<std::string> heard;
    } steps[] = {
        {[&] { store.Append(ServerList::Servers, a); }, {a}, {}, {"+servers"}},
        {[&] { store.Append(ServerList::Servers, b); }, {a, b}, {}, {"+servers"}},
        {[&] { store.Append(ServerList::Servers, a); }, {a, b, a}, {}, {"+servers"}},
        {[&] { store.AddFavorite(b->address, "Bee", "m", "5", "1/8"); }, {a, b, a}, {b}, {"*Bee", "+favorites"}},
        {[&] { store.Append(ServerList::Favorites, a); }, {a, b, a}, {b, a}, {"+favorites"}},
        {[&] { store.Append(ServerList::Favorites, b); }, {a, b, a}, {b, a, b}, {"+favorites"}},
        // One entry of a favourite twice goes: the first.
        {[&] { EXPECT_TRUE(store.RemoveFavorite(b)); }, {a, b, a}, {a, b}, {"-favorites0"}},
        {[&] { EXPECT_FALSE(store.RemoveFavorite(nullptr)); }, {a, b, a}, {a, b}, {}},
        // Every entry of a dropped server goes, told from the last one up.
        {[&] { store.DropServer(a->address); }, {b}, {a, b}, {"-servers2", "-servers0"}},
        {[&] { store.TakeReply(a->address, {.name = "Ay", .ping = "17"}); }, {b}, {a, b}, {"*Ay"}},
        {[&] { store.ClearList(ServerList::Servers); }, {}, {a, b}, {"=servers"}},
        {[&] { store.Clear(); }, {}, {}, {"=servers", "=favorites"}},
    };
    for (const auto& step : steps) {
        listener.heard.clear();
        step.change();
        EXPECT_EQ(store.serverList(), step.servers);
        EXPECT_EQ(store.favoriteList(), step.favorites);
        EXPECT_EQ(listener.heard, step.heard);
    }
    listener.heard.clear();
    store.RemoveListener(&listener);
    store.TakeReply("4.4.4.4:27015", {});
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(StoreTest, AReplyWritesOnlyTheFieldsItGives)
{
    store.AddFavorite("1.2.3.4:27015", "Name", "map", "20", "1/8", std::string("info"));
    const ServerRecord* r = store.TakeReply("1.2.3.4:27015", {.map = "other", .players = "2/8"});
    EXPECT_EQ(r->name + " " + r->map + " " + r->ping + " " + r->players + " " + r->info, "Name other 20 2/8 info");
    r = store.TakeReply("5.6.7.8:27015", {.ping = "???"});
    EXPECT_EQ(r->name + " " + r->ping, "5.6.7.8:27015 ???");
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
    EXPECT_EQ(Addresses(store.favoriteList()), (std::vector<std::string>{"10.0.0.1:27015", "10.0.0.2:27016"}));
    ASSERT_EQ(store.records.size(), 2u);
    EXPECT_EQ(store.favoriteList()[0]->map, "dusk");
    EXPECT_EQ(store.favoriteList()[1]->name, "Two");
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string>{"Ann", "Bob"}));

    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(File("Servers.ini")), "[Servers]\r\nTotal=1\r\n"
                                             "[Favorites]\r\n1=10.0.0.1:27015\r\n2=10.0.0.2:27016\r\nTotal=3\r\n");
    EXPECT_EQ(ReadText(File("ServersDB.ini")),
              "[10.0.0.1:27015]\r\nName=One\r\nMap=dusk\r\nPing=20\r\nPlayers=1/8\r\nInfo=i\r\n"
              "[10.0.0.2:27016]\r\nName=Two\r\nMap=\r\nPing=???\r\nPlayers=\r\nInfo=");
}

TEST_F(StoreTest, ListsHoldOnlyTheKeysThereAreAndCutLongAddresses)
{
    // A damaged Total names keys that are not there: they are no servers, and a huge one must
    // not make the start-up build millions of empty rows.
    WriteText(File("Servers.ini"), "[Servers]\r\n1=1.2.3.4:27015\r\n3=5.6.7.8:27015\r\n2=\r\n"
                                   "9=9.9.9.9:27015\r\n01=7.7.7.7:27015\r\nTotal=2147483647\r\n"
                                   "[favorites]\r\n1=123.123.123.123:27015-and-more\r\n2=2.2.2.2:27015\r\nTOTAL=2\r\n");
    store.Load();
    EXPECT_EQ(Addresses(store.serverList()),
              (std::vector<std::string>{"1.2.3.4:27015", "5.6.7.8:27015", "9.9.9.9:27015"}));
    // Keys at or above Total are still left out.
    EXPECT_EQ(Addresses(store.favoriteList()), (std::vector<std::string>{"123.123.123.123:27015-an"}));
    EXPECT_EQ(store.records.size(), 4u);
}

TEST_F(StoreTest, LineBreaksInServerTextsCannotBreakTheRecordsFile)
{
    ServerRecord* evil = store.FindOrCreateRecord("6.6.6.6:27015");
    evil->name = "Evil\n\nname";
    evil->map = "map\r\n[7.7.7.7:27015]\r\nName=Forged";
    evil->info = std::string("desc\0x|Listen//Windows Server|Password: No", 42);
    ServerRecord* next = store.FindOrCreateRecord("8.8.8.8:27015");
    next->name = "Normal";
    next->map = "dusk";
    store.Append(ServerList::Servers, evil);
    store.Append(ServerList::Servers, next);
    ASSERT_TRUE(store.Save());

    ServerStore back(dir.Path());
    back.Load();
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[0].name, "Evil  name");
    EXPECT_EQ(back.records[0].map, "map  [7.7.7.7:27015]  Name=Forged");
    EXPECT_EQ(back.records[0].info, "desc x|Listen//Windows Server|Password: No");
    EXPECT_EQ(back.records[1].address, "8.8.8.8:27015");
    EXPECT_EQ(back.records[1].name, "Normal");
    EXPECT_EQ(back.records[1].map, "dusk");
    EXPECT_EQ(Addresses(back.serverList()), (std::vector<std::string>{"6.6.6.6:27015", "8.8.8.8:27015"}));
}

TEST_F(StoreTest, ByteOrderMarkBeforeTheRecordsIsSkipped)
{
    WriteText(File("ServersDB.ini"), "\xEF\xBB\xBF[1.1.1.1:27015]\r\nName=First\r\nMap=m\r\n"
                                     "[2.2.2.2:27015]\r\nName=Second");
    WriteText(File("Servers.ini"), "[Favorites]\r\n1=1.1.1.1:27015\r\nTotal=2\r\n");
    store.Load();
    ASSERT_EQ(store.favoriteList().size(), 1u);
    EXPECT_EQ(store.favoriteList()[0]->name, "First");
    EXPECT_EQ(store.favoriteList()[0]->map, "m");
    EXPECT_EQ(store.records.size(), 2u);
    ASSERT_TRUE(store.Save());
    EXPECT_TRUE(ReadText(File("ServersDB.ini")).starts_with("[1.1.1.1:27015]\r\nName=First\r\nMap=m\r\n"));
}

TEST_F(StoreTest, EmptyStoreWritesTotalsOfOneAndAnEmptyRecordsFile)
{
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(File("Servers.ini")), "[Servers]\r\nTotal=1\r\n[Favorites]\r\nTotal=1\r\n");
    EXPECT_EQ(ReadText(File("ServersDB.ini")), "");
    ServerStore back(dir.Path());
    back.Load();
    EXPECT_TRUE(back.serverList().empty() && back.favoriteList().empty() && back.records.empty());
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
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string>{"Ann", "Bob"}));

    ScopedWorkDir other;
    ServerStore fresh(other.Path());
    fresh.AddFriend("Cid");
    EXPECT_EQ(ReadText(other.File("Friends.txt")), "Cid");
}

TEST_F(StoreTest, RemoveFriendTakesOneLineAndTheListAndFileStayAlike)
{
    WriteText(File("Friends.txt"), "Bob\r\nAnn\r\nbob\r\nBob\r\n\r\nCid");
    store.LoadFriends();
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string>{"Bob", "Ann", "bob", "Bob", "Cid"}));
    // The list finds its first entry ignoring case; the file loses that same line.
    store.RemoveFriend("bob");
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string>{"Ann", "bob", "Bob", "Cid"}));
    EXPECT_EQ(ReadText(File("Friends.txt")), "Ann\r\nbob\r\nBob\r\n\r\nCid\r\n");

    // What the next start reads is what the list showed.
    ServerStore back(dir.Path());
    back.LoadFriends();
    EXPECT_EQ(back.friends().Friends(), store.friends().Friends());

    // A name that is no friend changes neither.
    store.RemoveFriend("Zed");
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string>{"Ann", "bob", "Bob", "Cid"}));
    EXPECT_EQ(ReadText(File("Friends.txt")), "Ann\r\nbob\r\nBob\r\n\r\nCid\r\n");
}

TEST_F(StoreTest, RemoveFriendWithoutAFileStillRemovesTheEntry)
{
    store.friends().AppendFriend("Dee");
    store.RemoveFriend("Dee");
    EXPECT_TRUE(store.friends().Friends().empty());
    EXPECT_FALSE(FileExists(File("Friends.txt")));
}

// A name from a hostile server stays one friend; an editor's byte-order mark hides none.
TEST_F(StoreTest, FriendsAreOneLineEachAndTheFirstIsFoundBehindAByteOrderMark)
{
    const std::string bom = "\xEF\xBB\xBF";
    WriteText(File("Friends.txt"), bom + "Ann\r\nBob\r\n");
    store.LoadFriends();
    store.RemoveFriend("Ann");
    EXPECT_EQ(ReadText(File("Friends.txt")), bom + "Bob\r\n");
    store.AddFriend("Eve\r\nMallory");
    EXPECT_EQ(ReadText(File("Friends.txt")), bom + "Bob\r\n\r\nEve  Mallory");
    EXPECT_EQ(store.friends().Friends(), (std::vector<std::string>{"Bob", "Eve  Mallory"}));
}
