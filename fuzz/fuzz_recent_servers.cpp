// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/address.h"
#include "core/file_io.h"
#include "fuzz_files.h"
#include "settings/recent_servers.h"

#include <set>

namespace {

bool Same(const std::vector<RecentServers::Entry>& a, const std::vector<RecentServers::Entry>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].address != b[i].address || a[i].name != b[i].name || a[i].joined != b[i].joined)
            return false;
    return true;
}

} // namespace

// RecentServers.txt as anyone may have left it: what loads is a bounded list of servers, each
// once, that a save writes and a load gives back as it was.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = AsText(data, size);
    const ScratchFolder& scratch = Scratch();
    const std::string path = scratch.Path(RecentServers::kFileName);
    scratch.Write(RecentServers::kFileName, text);

    RecentServers recent;
    recent.Load(path);
    const std::vector<RecentServers::Entry> entries = recent.Entries();
    FUZZ_CHECK(entries.size() <= RecentServers::kMaxEntries);
    std::set<std::string> addresses;
    for (const RecentServers::Entry& e : entries) {
        FUZZ_CHECK(IsValidAddress(e.address));
        FUZZ_CHECK(addresses.insert(e.address).second);
        FUZZ_CHECK(text.find(e.address) != std::string::npos);
        FUZZ_CHECK(e.name.find_first_of("\t\r\n") == std::string::npos);
        // The time's digits, perhaps after a sign and zeros.
        const uint64_t magnitude = e.joined < 0 ? 0 - static_cast<uint64_t>(e.joined) : static_cast<uint64_t>(e.joined);
        FUZZ_CHECK(text.find(std::to_string(magnitude)) != std::string::npos);
    }

    FUZZ_CHECK(recent.Save(path));
    RecentServers again;
    again.Load(path);
    FUZZ_CHECK(Same(again.Entries(), entries));
    std::string saved;
    FUZZ_CHECK(ReadWholeFile(path, saved));
    FUZZ_CHECK(again.Save(path));
    std::string savedAgain;
    FUZZ_CHECK(ReadWholeFile(path, savedAgain));
    FUZZ_CHECK(savedAgain == saved);

    // A join goes to the top, once, and the list stays within its bound.
    const std::string joined = entries.empty() ? std::string("127.0.0.1:27015") : entries.back().address;
    again.Add(joined, "Harbour\tNight\r\n", entries.empty() ? 1700000000 : entries.front().joined);
    FUZZ_CHECK(!again.Entries().empty() && again.Entries().front().address == joined);
    FUZZ_CHECK(again.Entries().front().name == "Harbour Night  ");
    FUZZ_CHECK(again.Entries().size() == std::max<size_t>(entries.size(), 1));
    return 0;
}
