// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/server_filter.h"

#include "core/text_match.h"
#include "core/utf8.h"

#include <cctype>
#include <optional>

namespace {

// A whole decimal number, nothing before or after it.
std::optional<long> WholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

bool IsFullServer(const std::string& players)
{
    const size_t slash = players.find('/');
    if (slash == std::string::npos)
        return false;
    const auto current = WholeNumber(players.substr(0, slash));
    const auto max = WholeNumber(players.substr(slash + 1));
    return current && max && *max > 0 && *current >= *max;
}

bool PassesFilter(const ServerFilter& filter, const FilterFacts& row)
{
    const bool textMatches = filter.text.empty() || ContainsIgnoringCase(row.name, filter.text) ||
                             ContainsIgnoringCase(row.map, filter.text);
    if (row.favorite || !textMatches)
        return textMatches;
    if (filter.hidePassworded && row.passworded)
        return false;
    const size_t slash = row.players.find('/');
    if (filter.hideEmpty && slash != std::string::npos && WholeNumber(row.players.substr(0, slash)) == 0)
        return false;
    if (filter.hideFull && IsFullServer(row.players))
        return false;
    if (filter.maxPing > 0) {
        const auto ping = WholeNumber(row.ping);
        if (!ping || *ping > filter.maxPing)
            return false;
    }
    return true;
}

std::string CutFilterText(const std::string& text)
{
    return text.substr(0, Utf8PrefixWithinUtf16(text, ServerFilter::kMaxTextLength));
}
