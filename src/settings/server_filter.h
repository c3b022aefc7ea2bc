// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>

// What the Servers list leaves out. A favourite is left out by the text alone: the user chose it,
// so being empty, full, locked or far does not take it away, but a name that does not match
// what the user is looking for does.
struct ServerFilter {
    bool hideEmpty = false;
    bool hideFull = false;
    bool hidePassworded = false;
    // 0: any ping. Otherwise a server whose ping is not known (no answer yet, "???") is left out
    // too: nothing says it is close enough.
    int maxPing = 0;
    // Must occur in the name or the map, letter case aside; empty: every server.
    std::string text;
    // The most the text may hold, in UTF-16 code units: what the field counts and what the
    // options file gives back (see CutFilterText).
    static constexpr std::size_t kMaxTextLength = 64;

    bool Active() const { return hideEmpty || hideFull || hidePassworded || maxPing > 0 || !text.empty(); }
    bool operator==(const ServerFilter&) const = default;
};

// One row of the Servers list as the filter sees it: its columns as the bytes the server sent,
// and what its record says.
struct FilterFacts {
    std::string name;
    std::string map;
    std::string ping;    // milliseconds, or "???"
    std::string players; // "current/max"; anything else is neither empty nor full
    bool passworded = false;
    bool favorite = false;
};

bool PassesFilter(const ServerFilter& filter, const FilterFacts& row);

// A filter text (UTF-8) cut to ServerFilter::kMaxTextLength as the field measures it, on a
// character boundary: a text typed into the field comes back whole, a longer one (a file edited
// by hand) loses its end, never half a character.
std::string CutFilterText(const std::string& text);

// A players column of "current/max" with max > 0 and current >= max (a 0/0 server has no slots
// to be full of).
bool IsFullServer(const std::string& players);
