// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Which friends a players reply is worth telling the user of: a friend seen on a server is told
// once, then not again for that server within the hour, however often the server is asked.
class FriendSightings {
public:
    static constexpr int64_t kQuietSeconds = 3600;

    // The friends (as the friends list writes them) among a server's players, letter case aside,
    // that were not told of for that server in the last hour; they count as told at now.
    std::vector<std::string> Seen(const std::vector<std::string>& friends, const std::string& address,
                                  const std::vector<std::string>& players, int64_t now);

private:
    // (folded friend name, address) -> when told.
    std::map<std::pair<std::u32string, std::string>, int64_t> told_;
};
