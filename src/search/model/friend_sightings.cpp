// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/model/friend_sightings.h"

#include "core/text_match.h"

#include <set>

namespace {
// Beyond this many sightings the ones older than the quiet hour are forgotten.
constexpr size_t kPruneAbove = 4096;
} // namespace

std::vector<std::string> FriendSightings::Seen(const std::vector<std::string>& friends, const std::string& address,
                                               const std::vector<std::string>& players, int64_t now)
{
    std::vector<std::string> told;
    if (friends.empty() || players.empty())
        return told;
    std::set<std::u32string> present;
    for (const std::string& name : players)
        present.insert(FoldedCharacters(name));
    for (const std::string& name : friends) {
        const std::u32string folded = FoldedCharacters(name);
        if (folded.empty() || !present.count(folded))
            continue;
        const auto [it, fresh] = told_.try_emplace({folded, address}, now);
        if (!fresh && now - it->second < kQuietSeconds && now >= it->second)
            continue;
        it->second = now;
        told.push_back(name);
        // The same friend twice in the friends list is one friend.
        present.erase(folded);
    }
    if (told_.size() > kPruneAbove)
        std::erase_if(told_, [now](const auto& entry) { return now - entry.second >= kQuietSeconds; });
    return told;
}
