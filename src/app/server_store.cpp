#include "app/server_store.h"

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

} // namespace

void MemoryFriendsList::RemoveFirstFriend(const std::string& name)
{
    auto it = std::find_if(names_.begin(), names_.end(), [&](const std::string& n) { return SameIgnoringCase(n, name); });
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

ServerRecord* ServerStore::NewRecord()
{
    return &records.emplace_back();
}

void ServerStore::AddFavorite(const std::string& address, const std::string& name, const std::string& map,
                              const std::string& ping, const std::string& players,
                              const std::optional<std::string>& info)
{
    ServerRecord* record = FindOrCreateRecord(address);
    favoriteList.push_back(record);
    record->address = address;
    record->name = name;
    record->map = map;
    record->ping = ping;
    record->players = players;
    if (info)
        record->info = *info;
}

void ServerStore::Load()
{
    LoadRecords();
    ProfileFile servers;
    if (servers.Load(FilePath(kServersFile))) {
        const std::string text = servers.Text();
        LoadList(text, "Servers", serverList);
        LoadList(text, "Favorites", favoriteList);
    }
}

void ServerStore::LoadRecords()
{
    std::string text;
    if (!ReadWholeFile(FilePath(kRecordsFile), text))
        return;

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
    for (int i = 1; i < total; ++i) {
        std::string address = file.GetString(section, std::to_string(i), "");
        if (address.size() > kAddressReadLimit)
            address.resize(kAddressReadLimit);
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
    write("Servers", serverList);
    write("Favorites", favoriteList);
    return file.Text();
}

std::string ServerStore::RecordsText() const
{
    std::string text;
    text.reserve(records.size() * 128);
    for (const ServerRecord& r : records) {
        if (!text.empty())
            text += "\r\n";
        text += "[" + r.address + "]\r\n";
        text += "Name=" + r.name + "\r\n";
        text += "Map=" + r.map + "\r\n";
        text += "Ping=" + r.ping + "\r\n";
        text += "Players=" + r.players + "\r\n";
        text += "Info=" + r.info; // no line break after the last value
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
    text += text.empty() ? name : "\r\n" + name;
    WriteFileAtomic(path, text);
    friends_->AppendFriend(name);
}

void ServerStore::RemoveFriend(const std::string& name)
{
    const std::string path = FilePath(kFriendsFile);
    std::vector<std::string> lines;
    // With no file there is nothing to rewrite; the list entry goes all the same.
    if (ReadTextLines(path, lines)) {
        std::string kept;
        for (const std::string& line : lines)
            if (line != name)
                kept += line + "\r\n";
        WriteFileAtomic(path, kept);
    }
    friends_->RemoveFirstFriend(name);
}

void ServerStore::SaveFriends()
{
    std::string text;
    for (const std::string& name : friends_->Friends())
        text += name + "\r\n";
    WriteFileAtomic(FilePath(kFriendsFile), text);
}

void ServerStore::Clear()
{
    serverList.clear();
    favoriteList.clear();
    byAddress_.clear();
    records.clear();
}
