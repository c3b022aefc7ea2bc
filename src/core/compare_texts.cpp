// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/compare_texts.h"

#include "core/address.h"
#include "core/numbers.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>

namespace {

bool IsDigitsOnly(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int NumberOf(std::string_view text)
{
    return ReadNumber(std::string(text));
}

// The first two non-empty pieces between separators, as strtok hands them out.
std::pair<std::string_view, std::string_view> SplitInTwo(std::string_view text, char separator)
{
    std::string_view parts[2];
    size_t pos = 0;
    for (std::string_view& part : parts) {
        while (pos < text.size() && text[pos] == separator)
            ++pos;
        const size_t end = std::min(text.find(separator, pos), text.size());
        part = text.substr(pos, end - pos);
        pos = end;
    }
    return {parts[0], parts[1]};
}

// ReadNumber clamps to int, so a difference of two may need 33 bits; clamping keeps it clear of
// the "???" markers.
int Difference(int64_t b, int64_t a)
{
    const int64_t limit = kUnknownLast - 1;
    const int64_t d = b - a;
    return static_cast<int>(d > limit ? limit : d < -limit ? -limit : d);
}

// b - a on the first values that differ; 0 when all are equal.
int FirstDifference(std::initializer_list<std::pair<int, int>> ba)
{
    for (const auto& [b, a] : ba)
        if (b != a)
            return Difference(b, a);
    return 0;
}

} // namespace

CompareKey MakeCompareKey(std::string_view text)
{
    CompareKey k;
    k.text = text;
    k.unknown = text == "???";
    k.digitsOnly = IsDigitsOnly(text);
    if (k.digitsOnly)
        k.value = NumberOf(text);

    if (text.find('/') != std::string_view::npos) {
        k.hasSlash = true;
        const auto [first, second] = SplitInTwo(text, '/');
        k.slashDigits = IsDigitsOnly(first) && IsDigitsOnly(second);
        if (k.slashDigits) {
            k.slashFirst = NumberOf(first);
            k.slashSecond = NumberOf(second);
        }
    }

    if (text.find(':') != std::string_view::npos) {
        k.hasColon = true;
        const auto [first, second] = SplitInTwo(text, ':');
        k.colonDigits = IsDigitsOnly(first) && IsDigitsOnly(second);
        k.colonFirst = NumberOf(first);
        k.colonSecond = NumberOf(second);
        const std::string host(first);
        k.colonAddress = IsValidAddress(host);
        if (k.colonAddress) {
            // A valid address has exactly four dot-separated pieces; each octet is its leading digits.
            size_t pos = 0;
            for (int& octet : k.octets) {
                const size_t dot = std::min(host.find('.', pos), host.size());
                octet = NumberOf(std::string_view(host).substr(pos, dot - pos));
                pos = dot + 1;
            }
        }
    }
    return k;
}

int CompareKeys(const CompareKey& a, const CompareKey& b)
{
    if (a.unknown)
        return b.unknown ? 0 : kUnknownLast;
    if (b.unknown)
        return -kUnknownLast;

    if (a.hasSlash && b.hasSlash) {
        // Players "current/max": the bigger server first, then the fuller one.
        if (a.slashDigits && b.slashDigits)
            return FirstDifference({{b.slashSecond, a.slashSecond}, {b.slashFirst, a.slashFirst}});
    } else if (a.hasColon && b.hasColon) {
        if (a.colonAddress && b.colonAddress)
            return FirstDifference({{b.octets[0], a.octets[0]},
                                    {b.octets[1], a.octets[1]},
                                    {b.octets[2], a.octets[2]},
                                    {b.octets[3], a.octets[3]},
                                    {b.colonSecond, a.colonSecond}});
        if (a.colonDigits && b.colonDigits)
            return FirstDifference({{b.colonFirst, a.colonFirst}, {b.colonSecond, a.colonSecond}});
    }

    if (a.digitsOnly && b.digitsOnly)
        return Difference(b.value, a.value);

    // string_view compares through char_traits<char>, which orders bytes as unsigned like strcmp.
    const int order = b.text.compare(a.text);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int SortCompareKeys(const CompareKey& a, const CompareKey& b, bool ascending)
{
    const int r = CompareKeys(a, b);
    if (r == kUnknownLast || r == -kUnknownLast)
        return r;
    return ascending ? -r : r;
}

int CompareTexts(const std::string& a, const std::string& b)
{
    return CompareKeys(MakeCompareKey(a), MakeCompareKey(b));
}

int SortCompare(const std::string& a, const std::string& b, bool ascending)
{
    return SortCompareKeys(MakeCompareKey(a), MakeCompareKey(b), ascending);
}
