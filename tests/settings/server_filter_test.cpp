// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/server_filter.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    ServerFilter filter;
    FilterFacts row;
    bool listed;
};

TEST(ServerFilter, EachChoiceLeavesOutItsServersAndAFavouriteOnlyByItsText)
{
    const FilterFacts plain{"Dusk Canyon 24/7", "dusk_canyon", "45", "3/16"};
    FilterFacts locked = plain;
    locked.passworded = true;
    FilterFacts emptyFavorite{"Mine", "harbor", "???", "0/8", true, true};
    const Case cases[] = {
        {{false, false, false, 0, ""}, {"", "", "???", "???"}, true},
        {{true, false, false, 0, ""}, plain, true},
        {{true, false, false, 0, ""}, {"A", "b", "10", "0/16"}, false},
        {{true, false, false, 0, ""}, {"A", "b", "10", " 0/16"}, true}, // not a count this reads
        {{false, true, false, 0, ""}, {"A", "b", "10", "16/16"}, false},
        {{false, true, false, 0, ""}, {"A", "b", "10", "17/16"}, false},
        {{false, true, false, 0, ""}, {"A", "b", "10", "0/0"}, true}, // no slots at all is no full server
        {{false, false, true, 0, ""}, locked, false},
        {{false, false, true, 0, ""}, plain, true},
        {{false, false, false, 45, ""}, plain, true},
        {{false, false, false, 44, ""}, plain, false},
        {{false, false, false, 100, ""}, {"A", "b", "???", "1/8"}, false},
        {{false, false, false, 0, "CANYON"}, plain, true},
        {{false, false, false, 0, "dusk_"}, {"Other", "dusk_canyon", "1", "1/8"}, true},
        {{false, false, false, 0, "\xC3\xA9t\xC3\xA9"}, {"\xC3\x89T\xC3\x89", "x", "1", "1/8"}, true},
        {{false, false, false, 0, "nowhere"}, plain, false},
        // A favourite: empty, locked and far, but chosen; only a text it does not hold leaves it out.
        {{true, true, true, 10, ""}, emptyFavorite, true},
        {{true, true, true, 10, "HARB"}, emptyFavorite, true},
        {{false, false, false, 0, "mine"}, emptyFavorite, true},
        {{true, true, true, 10, "nowhere"}, emptyFavorite, false},
        {{false, false, false, 0, "harbor"}, {"Rookie Friendly", "dusk_canyon", "20", "1/8", false, true}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PassesFilter(c.filter, c.row), c.listed)
            << c.row.name << " | " << c.row.ping << " | " << c.row.players << " text " << c.filter.text;
}

} // namespace
