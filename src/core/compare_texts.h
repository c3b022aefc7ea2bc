// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// How the lists order their cells: one rule for every column, so that numbers, player counts
// ("current/max"), play times ("minutes:seconds"), addresses ("a.b.c.d:port") and plain texts each
// sort the way a player expects, and "???" (a server that did not answer) always sorts last.

// Marks a "???" cell; SortCompare passes it through unchanged so that such rows stay at the bottom
// whichever direction the list is sorted in.
inline constexpr int kUnknownLast = 99999;

// Negative when a belongs after b in a descending list (the larger number or the later text is
// "first"), positive when before, 0 when the two rank equal. Cases, tried in order:
//  1. a is "???": 0 when b is too, else +kUnknownLast.   2. b is "???": -kUnknownLast.
//  3. Both contain '/': when the two parts of each (split at '/') are digits only, the second
//     parts decide (b - a), then the first parts; otherwise go on at 5.
//  4. Both contain ':': when the first parts are valid addresses, the octets decide in order,
//     then the numbers after the colon; else, when all parts are digits only, the first parts,
//     then the second parts; otherwise go on at 5.
//  5. Both digits only: b - a.
//  6. b against a byte by byte (unsigned, case-sensitive): -1, 0 or +1.
// Splitting skips empty pieces the way strtok does (":5" splits into "5" and nothing, "1//2"
// into "1" and "2") and uses the first two pieces only. An absent or empty part counts as digits
// only with the value 0, just as an empty cell does in case 5. Numbers are read with ReadNumber.
// Differences are computed in 64 bits and clamped to +-(kUnknownLast - 1) so that no number
// difference can be mistaken for a "???".
int CompareTexts(const std::string& a, const std::string& b);

// The list's sort callback: CompareTexts turned round for an ascending list, except that the
// "???" results keep their sign. Negative = a is shown before b.
int SortCompare(const std::string& a, const std::string& b, bool ascending);

// Everything CompareTexts needs to know about one text, worked out once. Sorting n rows makes
// about n log n comparisons but only n keys; CompareTexts itself goes through keys, so both give
// the same answers by construction. A key refers to its text and must not outlive it.
struct CompareKey {
    std::string_view text;
    bool unknown = false;    // exactly "???"
    bool digitsOnly = false; // empty or '0'-'9' only
    int value = 0;

    bool hasSlash = false;
    bool slashDigits = false; // both parts digits only
    int slashFirst = 0;
    int slashSecond = 0;

    bool hasColon = false;
    bool colonDigits = false;  // both parts digits only
    bool colonAddress = false; // the first part passes IsValidAddress
    int colonFirst = 0;
    int colonSecond = 0; // the port when colonAddress
    int octets[4] = {0, 0, 0, 0};
};

CompareKey MakeCompareKey(std::string_view text);
int CompareKeys(const CompareKey& a, const CompareKey& b);
int SortCompareKeys(const CompareKey& a, const CompareKey& b, bool ascending);
