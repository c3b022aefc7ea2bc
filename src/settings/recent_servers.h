// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The servers the user joined lately, newest first, with when: RecentServers.txt in the working
// folder, one "seconds-since-1970<TAB>address<TAB>name" line each. Written whole through a safe
// write at every join; read line by line, so a damaged line costs that line alone.
class RecentServers {
public:
    static constexpr const char* kFileName = "RecentServers.txt";
    static constexpr size_t kMaxEntries = 30;
    // A longer file is not a history this program wrote: only its start is read.
    static constexpr size_t kMaxFileBytes = 256 * 1024;

    struct Entry {
        std::string address;
        std::string name; // as the server last called itself; one line, no tabs
        int64_t joined = 0;
    };

    // The server goes to the top (once: an older entry of it goes), the oldest beyond the bound
    // drop off.
    void Add(const std::string& address, const std::string& name, int64_t joined);
    const std::vector<Entry>& Entries() const { return entries_; }

    // Times outside these bounds are no time a join was made at: the program did not exist, or a
    // clock was wrong. An entry a day ahead of the clock is still taken (time zones, a clock set
    // back since).
    static constexpr int64_t kEarliestJoin = 946684800; // 2000-01-01 00:00:00 UTC
    static constexpr int64_t kMaxAhead = 24 * 60 * 60;

    // A missing or unreadable file gives an empty history; lines that cannot be read are skipped,
    // and so are lines joined before 2000 or more than a day after now (seconds since 1970). The
    // entries come newest first by their times, whatever the order of the lines.
    void Load(const std::string& path, int64_t now);
    void Load(const std::string& path);
    // False leaves the file as it was.
    bool Save(const std::string& path) const;

private:
    std::vector<Entry> entries_;
};
