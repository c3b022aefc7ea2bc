// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profile_file.h"
#include "fuzz_files.h"
#include "settings/server_store.h"

namespace {

// An address that both files store as it is: none of the brackets of a record header, no line
// break or NUL (saved as spaces), no blank at either end nor one pair of enclosing quotes (which
// the profile reading takes off).
bool Plain(const std::string& address)
{
    if (address.empty() || address.find_first_of(std::string("[]\r\n\0", 5)) != std::string::npos)
        return false;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (blank(address.front()) || blank(address.back()))
        return false;
    return address.size() < 2 ||
           !(address.front() == address.back() && (address.front() == '"' || address.front() == '\''));
}

std::string SavedAs(std::string value)
{
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return value;
}

std::vector<std::string> Addresses(const std::vector<ServerRecord*>& list)
{
    std::vector<std::string> out;
    for (const ServerRecord* record : list)
        out.push_back(record->address);
    return out;
}

void CheckLists(ServerStore& store)
{
    const size_t records = store.records.size();
    for (const auto* list : {&store.serverList(), &store.favoriteList()})
        for (ServerRecord* record : *list) {
            FUZZ_CHECK(!record->address.empty() && record->address.size() <= 24);
            FUZZ_CHECK(store.FindOrCreateRecord(record->address) == record);
        }
    FUZZ_CHECK(store.records.size() == records);
}

} // namespace

// ServersDB.ini, then a form feed and Servers.ini (no form feed: no Servers.ini).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string records, lists;
    const ScratchFolder& scratch = Scratch();
    if (SplitAtFormFeed(AsText(data, size), records, lists))
        scratch.Write(ServerStore::kServersFile, lists);
    else
        scratch.Remove(ServerStore::kServersFile);
    scratch.Write(ServerStore::kRecordsFile, records);

    // The profile reading under Servers.ini: once written, a text reads back the same.
    ProfileFile profile;
    profile.SetText(lists);
    const std::string normalised = profile.Text();
    ProfileFile again;
    again.SetText(normalised);
    FUZZ_CHECK(again.Text() == normalised);
    FUZZ_CHECK(again.GetSectionNames() == profile.GetSectionNames());

    ServerStore store(scratch.folder());
    store.Load();
    CheckLists(store);

    // What is saved loads back as it was, when every address can be stored as it is.
    bool plain = true;
    for (const ServerRecord& record : store.records)
        plain = plain && Plain(record.address);
    FUZZ_CHECK(store.Save());
    ServerStore reloaded(scratch.folder());
    reloaded.Load();
    CheckLists(reloaded);
    if (!plain)
        return 0;
    FUZZ_CHECK(reloaded.records.size() == store.records.size());
    for (size_t i = 0; i < store.records.size(); ++i) {
        const ServerRecord& a = store.records[i];
        const ServerRecord& b = reloaded.records[i];
        FUZZ_CHECK(b.address == a.address && b.name == SavedAs(a.name) && b.map == SavedAs(a.map) &&
                   b.ping == SavedAs(a.ping) && b.players == SavedAs(a.players) && b.info == SavedAs(a.info));
    }
    FUZZ_CHECK(Addresses(reloaded.serverList()) == Addresses(store.serverList()));
    FUZZ_CHECK(Addresses(reloaded.favoriteList()) == Addresses(store.favoriteList()));
    return 0;
}
