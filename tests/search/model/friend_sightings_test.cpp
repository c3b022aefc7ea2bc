// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/model/friend_sightings.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

TEST(FriendSightings, OncePerFriendAndServerAnHour)
{
    FriendSightings sightings;
    const Names friends{"Mira", "tamsin", "Mira", "Nobody"};
    const Names players{"TAMSIN", "Mira", "Stranger"};
    struct Step {
        const char* server;
        int64_t now;
        Names told;
    };
    const Step steps[] = {
        {"127.0.0.1:27015", 1000, {"Mira", "tamsin"}}, {"127.0.0.1:27015", 1001, {}},
        {"127.0.0.1:27016", 1002, {"Mira", "tamsin"}}, // another server is another sighting
        {"127.0.0.1:27015", 1000 + 3599, {}},          {"127.0.0.1:27015", 1000 + 3600, {"Mira", "tamsin"}},
        {"127.0.0.1:27015", 500, {"Mira", "tamsin"}}, // the clock went back: not an hour of silence
    };
    for (const Step& s : steps)
        EXPECT_EQ(sightings.Seen(friends, s.server, players, s.now), s.told) << s.server << " at " << s.now;
    EXPECT_TRUE(sightings.Seen({}, "127.0.0.1:1", players, 1).empty());
}

} // namespace
