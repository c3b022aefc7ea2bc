// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/server_store.h"

#include "core/file_io.h"
#include "core/path.h"
#include "core/profile_file.h"
#include "core/text_file.h"

#include <algorithm>

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

// Addresses were always read into a 25-character buffer.
constexpr size_t kAddressReadLimit = 24;

// The list numbers actually present in a section, in order, no higher than below: a damaged
// "Total" never makes more entries than the file has keys.
std::vector<int> PresentNumbers(const ProfileFile& file, const char* section, int below)
{
    std::vector<int> numbers;
    for (const std::string& key : file.GetKeys(section)) {
        if (key.empty() || key.size() > 9 || key[0] == '0' || key.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int n = std::stoi(key);
        if (n < below)
            numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace

void MemoryFriendsList::RemoveFirstFriend(const std::string& name)
{
    auto it =
        std::find_if(names_.begin(), names_.end(), [&](const std::string& n) { return SameIgnoringCase(n, name); });
    if (it != names_.end())
        names_.erase(it);
}

ServerStore::ServerStore(std::string workFolder) : workFolder_(std::move(workFolder)) {}

std::string ServerStore::FilePath(const char* name) const
{
    return workFolder_ + kPathSeparator + name;
}

ServerRecord* ServerStore::FindOrCreateRecord(const std::string& address)
{
    if (auto it = byAddress_.find(address); it != byAddress_.end())
        return it->second;
    ServerRecord* record = NewRecord();
    record->address = address;
    record->name = address;
    byAddress_.emplace(address, record);
    return record;
}

const ServerRecord* ServerStore::FindRecord(const std::string& address) const
{
    const auto it = byAddress_.find(address);
    return it == byAddress_.end() ? nullptr : it->second;
}

std::string ServerStore::KnownName(const std::string& address) const
{
    if (auto it = byAddress_.find(address); it != byAddress_.end()) {
        const std::string& name = it->second->name;
        if (!name.empty() && name != address && name != "???")
            return name;
    }
    for (const RecentServers::Entry& entry : recent.Entries())
        if (entry.address == address && !entry.name.empty() && entry.name != address)
            return entry.name;
    return address;
}

ServerRecord* ServerStore::NewRecord()
{
    return &records.emplace_back();
}

ServerRecord* ServerStore::TakeReply(const std::string& address, const ServerFields& fields)
{
    ServerRecord* record = FindOrCreateRecord(address);
    for (auto [field, value] : {std::pair{&record->name, &fields.name}, std::pair{&record->map, &fields.map},
                                std::pair{&record->ping, &fields.ping}, std::pair{&record->players, &fields.players},
                                std::pair{&record->info, &fields.info}})
        if (*value)
            *field = **value;
    for (ServerStoreListener* listener : listeners_)
        listener->RecordChanged(*record);
    return record;
}

void ServerStore::AddFavorite(const std::string& address, const std::string& name, const std::string& map,
                              const std::string& ping, const std::string& players,
                              const std::optional<std::string>& info)
{
    ServerRecord* record = TakeReply(address, {name, map, ping, players, info});
    Append(ServerList::Favorites, record);
}

void ServerStore::Append(ServerList list, ServerRecord* record)
{
    Entries(list).push_back(record);
    for (ServerStoreListener* listener : listeners_)
        listener->ListAppended(list);
}

bool ServerStore::RemoveFavorite(const ServerRecord* record)
{
    const auto it = std::find(favoriteList_.begin(), favoriteList_.end(), record);
    if (it == favoriteList_.end())
        return false;
    const auto index = static_cast<size_t>(it - favoriteList_.begin());
    favoriteList_.erase(it);
    for (ServerStoreListener* listener : listeners_)
        listener->ListEntryRemoved(ServerList::Favorites, index);
    return true;
}

void ServerStore::ClearList(ServerList list)
{
    Entries(list).clear();
    Replaced(list);
}

void ServerStore::DropServer(const std::string& address)
{
    // From the end: the indexes told stay those of the entries still to come.
    for (size_t i = serverList_.size(); i-- > 0;) {
        if (serverList_[i]->address != address)
            continue;
        serverList_.erase(serverList_.begin() + static_cast<std::ptrdiff_t>(i));
        for (ServerStoreListener* listener : listeners_)
            listener->ListEntryRemoved(ServerList::Servers, i);
    }
}

void ServerStore::Replaced(ServerList list)
{
    for (ServerStoreListener* listener : listeners_)
        listener->ListReplaced(list);
}

void ServerStore::AddListener(ServerStoreListener* listener)
{
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void ServerStore::RemoveListener(ServerStoreListener* listener)
{
    std::erase(listeners_, listener);
}

void ServerStore::Load()
{
    LoadRecords();
    ProfileFile servers;
    if (servers.Load(FilePath(kServersFile))) {
        const std::string text = servers.Text();
        LoadList(text, "Servers", serverList_);
        LoadList(text, "Favorites", favoriteList_);
    }
    Replaced(ServerList::Servers);
    Replaced(ServerList::Favorites);
    recent.Load(FilePath(RecentServers::kFileName));
}

bool ServerStore::RememberJoin(const std::string& address, int64_t when)
{
    recent.Add(address, FindOrCreateRecord(address)->name, when);
    const std::string path = FilePath(RecentServers::kFileName);
    const bool saved = recent.Save(path);
    if (joinSaved)
        joinSaved(path, saved);
    return saved;
}

void ServerStore::LoadRecords()
{
    std::string text;
    if (!ReadWholeFile(FilePath(kRecordsFile), text))
        return;
    // An editor's byte-order mark would become part of the first address.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);

    std::string section;
    ServerRecord values;
    auto finish = [&] {
        if (section.empty())
            return;
        ServerRecord* record = NewRecord();
        *record = values;
        record->address = section;
        byAddress_.emplace(section, record);
    };
    for (const std::string& line : SplitLines(text)) {
        if (line.empty())
            break; // a blank line ends the records
        if (line[0] == '[') {
            finish();
            section.clear();
            for (char c : line)
                if (c != '[' && c != ']')
                    section.push_back(c);
            // Each record starts from nothing: a missing line never borrows the previous value.
            values = ServerRecord();
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "Name")
            values.name = value;
        else if (key == "Map")
            values.map = value;
        else if (key == "Ping")
            values.ping = value;
        else if (key == "Players")
            values.players = value;
        else if (key == "Info")
            values.info = value;
    }
    finish();
}

void ServerStore::LoadList(const std::string& text, const char* section, std::vector<ServerRecord*>& list)
{
    ProfileFile file;
    file.SetText(text);
    const int total = file.GetInt(section, "Total", 0);
    for (int i : PresentNumbers(file, section, total)) {
        std::string address = file.GetString(section, std::to_string(i), "");
        if (address.size() > kAddressReadLimit)
            address.resize(kAddressReadLimit);
        // An empty address is no server; it would only give the lists a row that names nothing.
        if (!address.empty())
            list.push_back(FindOrCreateRecord(address));
    }
}

std::string ServerStore::ServersIniText() const
{
    ProfileFile file;
    auto write = [&](const char* section, const std::vector<ServerRecord*>& list) {
        int counter = 1;
        for (const ServerRecord* r : list)
            file.WriteString(section, std::to_string(counter++), r->address);
        file.WriteString(section, "Total", std::to_string(counter));
    };
    write("Servers", serverList_);
    write("Favorites", favoriteList_);
    return file.Text();
}

std::string ServerStore::RecordsText() const
{
    std::string text;
    text.reserve(records.size() * 128);
    for (const ServerRecord& r : records) {
        if (!text.empty())
            text += "\r\n";
        text += "[" + OneLine(r.address) + "]\r\n";
        text += "Name=" + OneLine(r.name) + "\r\n";
        text += "Map=" + OneLine(r.map) + "\r\n";
        text += "Ping=" + OneLine(r.ping) + "\r\n";
        text += "Players=" + OneLine(r.players) + "\r\n";
        text += "Info=" + OneLine(r.info); // no line break after the last value
    }
    return text;
}

bool ServerStore::Save() const
{
    const bool lists = WriteFileAtomic(FilePath(kServersFile), ServersIniText());
    const bool db = WriteFileAtomic(FilePath(kRecordsFile), RecordsText());
    return lists && db;
}

void ServerStore::LoadFriends()
{
    std::vector<std::string> lines;
    if (!ReadTextLines(FilePath(kFriendsFile), lines))
        return;
    for (const std::string& name : lines)
        if (!name.empty())
            friends_->AppendFriend(name);
}

void ServerStore::AddFriend(const std::string& name)
{
    const std::string path = FilePath(kFriendsFile);
    std::string text;
    ReadWholeFile(path, text);
    // A name from a server may hold a line break: it stays one friend on one line.
    const std::string line = OneLine(name);
    text += text.empty() || text == kUtf8Bom ? line : "\r\n" + line;
    WriteFileAtomic(path, text);
    friends_->AppendFriend(line);
}

void ServerStore::RemoveFriend(const std::string& name)
{
    const std::string path = FilePath(kFriendsFile);
    std::vector<std::string> lines;
    // With no file there is nothing to rewrite; the list entry goes all the same. The file
    // loses the very line whose entry leaves the list (the first one equal but for letter
    // case), so that both still hold the same friends.
    if (ReadTextLines(path, lines)) {
        const auto it = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& line) { return SameIgnoringCase(line, name); });
        if (it != lines.end()) {
            lines.erase(it);
            std::string kept;
            for (const std::string& line : lines)
                kept += line + "\r\n";
            WriteTextFile(path, kept);
        }
    }
    friends_->RemoveFirstFriend(name);
}

void ServerStore::SaveFriends()
{
    std::string text;
    for (const std::string& name : friends_->Friends())
        text += name + "\r\n";
    WriteTextFile(FilePath(kFriendsFile), text);
}

void ServerStore::ClearFriends()
{
    friends_->ClearFriends();
    WriteTextFile(FilePath(kFriendsFile), std::string());
}

void ServerStore::Clear()
{
    serverList_.clear();
    favoriteList_.clear();
    Replaced(ServerList::Servers);
    Replaced(ServerList::Favorites);
    byAddress_.clear();
    records.clear();
}
