// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/recent_servers.h"
#include "settings/server_record.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The friends list as the user sees it (the search page's list box). The store keeps
// Friends.txt and this list in step; the page implements it once it exists.
class FriendsList {
public:
    virtual ~FriendsList() = default;
    virtual void AppendFriend(const std::string& name) = 0;
    // Removes the first entry equal to name, ignoring letter case (a list box's exact search).
    virtual void RemoveFirstFriend(const std::string& name) = 0;
    virtual std::vector<std::string> Friends() const = 0;
    virtual void ClearFriends() = 0;
};

// The friends list kept in memory alone, until a window shows it.
class MemoryFriendsList : public FriendsList {
public:
    void AppendFriend(const std::string& name) override { names_.push_back(name); }
    void RemoveFirstFriend(const std::string& name) override;
    std::vector<std::string> Friends() const override { return names_; }
    void ClearFriends() override { names_.clear(); }

private:
    std::vector<std::string> names_;
};

// What a reply tells of a server (or what the program writes down for it when none came): the
// fields given replace the record's, the others stay as they are.
struct ServerFields {
    std::optional<std::string> name = std::nullopt;
    std::optional<std::string> map = std::nullopt;
    std::optional<std::string> ping = std::nullopt;
    std::optional<std::string> players = std::nullopt;
    std::optional<std::string> info = std::nullopt;
};

// Told of every change to the store's two lists and of every record taking new fields, on the
// thread that made it. The models of the browser's lists listen, so that a record updated by
// any engine updates every row that shows it.
class ServerStoreListener {
public:
    virtual ~ServerStoreListener() = default;
    // A record went at the end of the list.
    virtual void ListAppended(ServerList list) = 0;
    // The entry at index left the list.
    virtual void ListEntryRemoved(ServerList list, size_t index) = 0;
    // The list was emptied or loaded anew: it holds something else as a whole.
    virtual void ListReplaced(ServerList list) = 0;
    // Fields of the record were written (TakeReply, AddFavorite).
    virtual void RecordChanged(const ServerRecord& record) = 0;
};

// Every server the program has heard of, the last master list, the favourites and the friends,
// with their files in the working folder: ServersDB.ini (records), Servers.ini (the two lists as
// addresses) and Friends.txt (one name per line).
class ServerStore {
public:
    static constexpr const char* kServersFile = "Servers.ini";
    static constexpr const char* kRecordsFile = "ServersDB.ini";
    static constexpr const char* kFriendsFile = "Friends.txt";

    explicit ServerStore(std::string workFolder = std::string());

    void SetWorkFolder(const std::string& folder) { workFolder_ = folder; }
    const std::string& workFolder() const { return workFolder_; }

    // The first record with exactly this address, or a new one (name = address, the rest empty).
    ServerRecord* FindOrCreateRecord(const std::string& address);
    // The record of this address; nullptr when there is none (none is made).
    const ServerRecord* FindRecord(const std::string& address) const;
    // What to call the server in a text for the user: its record's name when the server has told
    // one (a record that knows only its address names nothing), else the name it had when it
    // was last joined, else its address.
    std::string KnownName(const std::string& address) const;
    // A new empty record at the end of the record list.
    ServerRecord* NewRecord();
    // The record of the address (made when there is none) takes the fields given; the listeners
    // hear of it. Every reply a query takes goes into its record here.
    ServerRecord* TakeReply(const std::string& address, const ServerFields& fields);
    // Adds the server to the favourites (a second time if it is there already) and overwrites
    // its fields; info only when one is given.
    void AddFavorite(const std::string& address, const std::string& name, const std::string& map,
                     const std::string& ping, const std::string& players,
                     const std::optional<std::string>& info = std::nullopt);

    // Records, then the "Servers" and "Favorites" lists; missing files load nothing.
    void Load();
    // Servers.ini and ServersDB.ini. False when either could not be written (the file is then
    // left as it was).
    bool Save() const;
    std::string ServersIniText() const;
    std::string RecordsText() const;

    // Friends.txt and the friends list together.
    void LoadFriends();
    void AddFriend(const std::string& name);
    void RemoveFriend(const std::string& name);
    void SaveFriends();
    // No friends at all: the list emptied and Friends.txt cut to nothing (made when missing).
    void ClearFriends();
    // The list the user sees; the store keeps an in-memory one until a window sets its own.
    FriendsList& friends() { return *friends_; }
    void SetFriendsList(FriendsList* list) { friends_ = list ? list : &memoryFriends_; }

    // The servers joined lately (RecentServers.txt, loaded with the rest).
    RecentServers recent;
    // A join: the server goes to the top of the recent servers, under its record's name, and the
    // file is written at once. False when the file could not be written (the list keeps it).
    // Every write is told to joinSaved with the file's path and whether it worked.
    bool RememberJoin(const std::string& address, int64_t when);
    std::function<void(const std::string& path, bool saved)> joinSaved;

    // Forgets every list and record (shut-down).
    void Clear();

    std::vector<std::string> FavoriteAddresses() const
    {
        std::vector<std::string> addresses;
        for (const ServerRecord* record : favoriteList_)
            addresses.push_back(record->address);
        return addresses;
    }

    // The last master list (as refreshed since) and the favourites, in the order they were
    // added: the order of Servers.ini, not the order the browser sorts them into.
    const std::vector<ServerRecord*>& List(ServerList list) const
    {
        return list == ServerList::Servers ? serverList_ : favoriteList_;
    }
    const std::vector<ServerRecord*>& serverList() const { return serverList_; }
    const std::vector<ServerRecord*>& favoriteList() const { return favoriteList_; }
    // The record at the end of the list (a second time if it is there already).
    void Append(ServerList list, ServerRecord* record);
    // The first entry of the record in the favourites goes; false when it is none of them.
    bool RemoveFavorite(const ServerRecord* record);
    void ClearList(ServerList list);
    // Every entry of the address leaves the server list (a hidden server).
    void DropServer(const std::string& address);

    // listener hears of every change until it is removed; the store does not own it.
    void AddListener(ServerStoreListener* listener);
    void RemoveListener(ServerStoreListener* listener);

    // Records in creation order. A deque never moves its elements when it grows, so a record
    // pointer handed out stays valid until Clear().
    std::deque<ServerRecord> records;

private:
    std::string FilePath(const char* name) const;
    void LoadRecords();
    void LoadList(const std::string& text, const char* section, std::vector<ServerRecord*>& list);

    std::vector<ServerRecord*>& Entries(ServerList list)
    {
        return list == ServerList::Servers ? serverList_ : favoriteList_;
    }
    void Replaced(ServerList list);

    std::vector<ServerRecord*> serverList_;
    std::vector<ServerRecord*> favoriteList_;
    std::vector<ServerStoreListener*> listeners_;
    std::string workFolder_;
    // First record of each address, so that finding a record does not walk the whole list.
    std::unordered_map<std::string, ServerRecord*> byAddress_;
    MemoryFriendsList memoryFriends_;
    FriendsList* friends_ = &memoryFriends_;
};
