// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/recent_servers.h"

#include "core/address.h"
#include "core/file_io.h"
#include "core/text_file.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <set>
#include <string_view>

namespace {

// A name from a server may hold anything; the file keeps one entry a line, three fields a line.
std::string OneField(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

void RecentServers::Add(const std::string& address, const std::string& name, int64_t joined)
{
    std::erase_if(entries_, [&](const Entry& e) { return e.address == address; });
    entries_.insert(entries_.begin(), Entry{address, OneField(name), joined});
    if (entries_.size() > kMaxEntries)
        entries_.resize(kMaxEntries);
}

void RecentServers::Load(const std::string& path)
{
    Load(path, static_cast<int64_t>(std::time(nullptr)));
}

void RecentServers::Load(const std::string& path, int64_t now)
{
    entries_.clear();
    std::string text;
    if (!ReadWholeFile(path, text))
        return;
    if (text.size() > kMaxFileBytes)
        text.resize(kMaxFileBytes);
    ForEachLine(text, [&](std::string_view line) {
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos)
            return true;
        int64_t joined = 0;
        const std::string_view when = line.substr(0, tab1);
        const auto [end, error] = std::from_chars(when.data(), when.data() + when.size(), joined);
        const std::string address(line.substr(tab1 + 1, tab2 - tab1 - 1));
        if (error != std::errc() || end != when.data() + when.size() || !IsValidAddress(address) ||
            joined < kEarliestJoin || joined > now + kMaxAhead)
            return true;
        entries_.push_back(Entry{address, OneField(std::string(line.substr(tab2 + 1))), joined});
        return true;
    });
    // Newest first by time (lines of one time in file order, as the program writes them); a
    // server listed twice keeps its newest line.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.joined > b.joined; });
    std::set<std::string> seen;
    std::erase_if(entries_, [&](const Entry& e) { return !seen.insert(e.address).second; });
    if (entries_.size() > kMaxEntries)
        entries_.resize(kMaxEntries);
}

bool RecentServers::Save(const std::string& path) const
{
    std::string text;
    for (const Entry& e : entries_)
        text += std::to_string(e.joined) + "\t" + e.address + "\t" + e.name + "\r\n";
    return WriteFileAtomic(path, text);
}
