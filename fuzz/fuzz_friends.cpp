// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "fuzz_files.h"
#include "settings/server_store.h"

namespace {

std::vector<std::string> LoadedFriends(const ScratchFolder& scratch)
{
    ServerStore store(scratch.folder());
    store.LoadFriends();
    return store.friends().Friends();
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

// Friends.txt: one name a line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ScratchFolder& scratch = Scratch();
    scratch.Write(ServerStore::kFriendsFile, AsText(data, size));
    ServerStore store(scratch.folder());
    store.LoadFriends();
    const std::vector<std::string> names = store.friends().Friends();
    for (const std::string& name : names)
        FUZZ_CHECK(!name.empty() && name.find_first_of("\r\n") == std::string::npos);

    // Saved, the list loads back as it was.
    store.SaveFriends();
    FUZZ_CHECK(LoadedFriends(scratch) == names);
    if (names.empty())
        return 0;

    // Removing a friend (named in another letter case) takes the same one from the file and from
    // the list, so that both still hold the same friends.
    std::string removed = names[names.size() / 2];
    for (char& c : removed)
        c = Lower(c);
    store.RemoveFriend(removed);
    const std::vector<std::string> left = store.friends().Friends();
    FUZZ_CHECK(left.size() + 1 == names.size());
    FUZZ_CHECK(LoadedFriends(scratch) == left);
    return 0;
}
