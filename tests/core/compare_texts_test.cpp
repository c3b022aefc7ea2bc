// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/compare_texts.h"

#include "core/report_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// The order a list column shows after a sort in the given direction.
Texts Sorted(Texts texts, bool ascending)
{
    StableMergeSort(texts, [&](const std::string& a, const std::string& b) { return SortCompare(a, b, ascending); });
    return texts;
}

constexpr bool kAscending = true;
constexpr bool kDescending = false;

} // namespace

TEST(CompareTextsUnknown, UnansweredServersStayLastInBothDirections)
{
    const Texts pings = {"???", "30", "???", "5", "120"};
    EXPECT_EQ(Sorted(pings, kAscending), (Texts{"5", "30", "120", "???", "???"}));
    EXPECT_EQ(Sorted(pings, kDescending), (Texts{"120", "30", "5", "???", "???"}));

    const Texts names = {"zeta", "???", "alpha"};
    EXPECT_EQ(Sorted(names, kAscending), (Texts{"alpha", "zeta", "???"}));
    EXPECT_EQ(Sorted(names, kDescending), (Texts{"zeta", "alpha", "???"}));

    // Only the exact text marks an unanswered server.
    EXPECT_EQ(Sorted({"????", "5"}, kAscending), (Texts{"5", "????"}));
    EXPECT_EQ(Sorted({"????", "5"}, kDescending), (Texts{"????", "5"}));
}

TEST(CompareTextsPlayers, MaximumFirstThenCurrent)
{
    const Texts players = {"12/14", "7/16", "3/14", "16/16", "0/8"};
    EXPECT_EQ(Sorted(players, kAscending), (Texts{"0/8", "3/14", "12/14", "7/16", "16/16"}));
    EXPECT_EQ(Sorted(players, kDescending), (Texts{"16/16", "7/16", "12/14", "3/14", "0/8"}));
    EXPECT_EQ(CompareTexts("4/10", "4/10"), 0);
}

TEST(CompareTextsPlayers, PartsThatAreNotNumbersCompareAsText)
{
    // As numbers 9 < 10; as texts "10/x" < "9/x".
    EXPECT_EQ(Sorted({"9/x", "10/x"}, kAscending), (Texts{"10/x", "9/x"}));
    // A slash in only one of them: neither a player count nor an address pair.
    EXPECT_EQ(Sorted({"9", "10/12"}, kAscending), (Texts{"10/12", "9"}));
}

TEST(CompareTextsAddresses, OctetsCompareAsNumbersInOrder)
{
    EXPECT_EQ(Sorted({"10.0.0.10:27015", "10.0.0.9:27015"}, kAscending), (Texts{"10.0.0.9:27015", "10.0.0.10:27015"}));
    EXPECT_EQ(Sorted({"10.0.0.9:27015", "10.0.0.10:27015"}, kDescending), (Texts{"10.0.0.10:27015", "10.0.0.9:27015"}));
    // The first octet outranks all later ones.
    EXPECT_EQ(Sorted({"10.0.0.1:27015", "9.255.255.255:27015", "192.168.1.2:27015"}, kAscending),
              (Texts{"9.255.255.255:27015", "10.0.0.1:27015", "192.168.1.2:27015"}));
}

TEST(CompareTextsAddresses, EqualHostsGoByPort)
{
    EXPECT_EQ(Sorted({"10.0.0.9:27016", "10.0.0.9:9000", "10.0.0.9:27015"}, kAscending),
              (Texts{"10.0.0.9:9000", "10.0.0.9:27015", "10.0.0.9:27016"}));
    EXPECT_EQ(CompareTexts("10.0.0.9:27015", "10.0.0.9:27015"), 0);
}

TEST(CompareTextsAddresses, HostThatIsNoAddressComparesAsText)
{
    // 300 is no octet, so both are plain texts: "300..." < "40...", though 40 < 300.
    EXPECT_EQ(Sorted({"40.0.0.1:5", "300.0.0.1:5"}, kAscending), (Texts{"300.0.0.1:5", "40.0.0.1:5"}));
    EXPECT_EQ(Sorted({"300.0.0.1:5", "40.0.0.1:5"}, kDescending), (Texts{"40.0.0.1:5", "300.0.0.1:5"}));
    EXPECT_EQ(Sorted({"host.example:27015", "9.0.0.1:27015"}, kAscending),
              (Texts{"9.0.0.1:27015", "host.example:27015"}));
}

TEST(CompareTextsPlayTimes, MinutesFirstThenSeconds)
{
    EXPECT_EQ(Sorted({"10:1", "2:5"}, kAscending), (Texts{"2:5", "10:1"}));
    EXPECT_EQ(Sorted({"2:30", "2:5", "1:59"}, kAscending), (Texts{"1:59", "2:5", "2:30"}));
    EXPECT_EQ(Sorted({"2:30", "2:5", "1:59"}, kDescending), (Texts{"2:30", "2:5", "1:59"}));
}

TEST(CompareTextsNumbers, DigitsCompareAsNumbers)
{
    EXPECT_EQ(Sorted({"100", "25", "9"}, kAscending), (Texts{"9", "25", "100"}));
    EXPECT_EQ(Sorted({"100", "25", "9"}, kDescending), (Texts{"100", "25", "9"}));
    EXPECT_EQ(CompareTexts("007", "7"), 0);
}

TEST(CompareTextsNumbers, EmptyCellCountsAsZero)
{
    EXPECT_EQ(Sorted({"50", "", "7"}, kAscending), (Texts{"", "7", "50"}));
    EXPECT_EQ(Sorted({"50", "", "7"}, kDescending), (Texts{"50", "7", ""}));
    EXPECT_EQ(CompareTexts("", "0"), 0);
}

TEST(CompareTextsNumbers, SignedNumbersCompareAsText)
{
    // As numbers -4 < -3 < 2; as texts "-3" < "-4" < "2".
    EXPECT_EQ(Sorted({"2", "-4", "-3"}, kAscending), (Texts{"-3", "-4", "2"}));
    EXPECT_EQ(Sorted({"2", "-4", "-3"}, kDescending), (Texts{"2", "-4", "-3"}));
}

TEST(CompareTextsNumbers, LongDigitStringsNeitherOverflowNorPoseAsUnknown)
{
    const std::string huge(40, '9');
    EXPECT_EQ(Sorted({huge, "5", "0"}, kAscending), (Texts{"0", "5", huge}));
    EXPECT_EQ(Sorted({huge, "5", "0"}, kDescending), (Texts{huge, "5", "0"}));
    // A difference of exactly 99999 must not turn into the "???" marker, which ignores the direction.
    EXPECT_EQ(Sorted({"99999", "0"}, kAscending), (Texts{"0", "99999"}));
    EXPECT_EQ(Sorted({"0", "99999"}, kDescending), (Texts{"99999", "0"}));
    EXPECT_EQ(Sorted({"100000/1", "0/100000"}, kAscending), (Texts{"100000/1", "0/100000"}));
    EXPECT_EQ(Sorted({"10.0.0.1:99999", "10.0.0.1:0"}, kAscending), (Texts{"10.0.0.1:0", "10.0.0.1:99999"}));
    for (const auto& [a, b] :
         {std::pair<std::string, std::string>{huge, "0"}, {"0", huge}, {"99999", "0"}, {"0", "100000"}}) {
        EXPECT_LT(CompareTexts(a, b), kUnknownLast) << a << " vs " << b;
        EXPECT_GT(CompareTexts(a, b), -kUnknownLast) << a << " vs " << b;
    }
}

TEST(CompareTextsSplitting, EmptyPiecesAreSkipped)
{
    EXPECT_EQ(CompareTexts("12//14", "12/14"), 0);
    EXPECT_EQ(CompareTexts("2::30", "2:30"), 0);
    EXPECT_EQ(CompareTexts("10.0.0.1::27015", "10.0.0.1:27015"), 0);
    // "/16" is the piece "16" and nothing: 16 players of no maximum, before anything of maximum 1.
    EXPECT_EQ(Sorted({"1/1", "/16"}, kAscending), (Texts{"/16", "1/1"}));
    EXPECT_EQ(CompareTexts("/16", "16/"), 0);
    // Only the first two pieces count.
    EXPECT_EQ(CompareTexts("3/8/99", "3/8"), 0);
}

TEST(CompareTextsText, BytesCompareUnsignedAndCaseSensitive)
{
    const Texts names = {"zeta", "alpha", "\xc3\xa9t\xc3\xa9", "Alpha"};
    EXPECT_EQ(Sorted(names, kAscending), (Texts{"Alpha", "alpha", "zeta", "\xc3\xa9t\xc3\xa9"}));
    EXPECT_EQ(Sorted(names, kDescending), (Texts{"\xc3\xa9t\xc3\xa9", "zeta", "alpha", "Alpha"}));
    EXPECT_EQ(CompareTexts("same", "same"), 0);
    EXPECT_EQ(Sorted({"abc", "ab"}, kAscending), (Texts{"ab", "abc"}));
}

TEST(CompareTextsSort, EqualCellsKeepTheirOrder)
{
    // Rows told apart by a second field that the comparison does not see.
    std::vector<std::pair<std::string, int>> rows = {{"5", 0}, {"???", 1}, {"3", 2}, {"5", 3}, {"???", 4}, {"3", 5}};
    for (int i = 0; i < 40; ++i)
        rows.push_back({std::to_string(i % 3), 6 + i});
    StableMergeSort(rows, [](const auto& a, const auto& b) { return SortCompare(a.first, b.first, kDescending); });
    for (size_t i = 1; i < rows.size(); ++i) {
        if (rows[i - 1].first == rows[i].first) {
            EXPECT_LT(rows[i - 1].second, rows[i].second) << "at " << i;
        }
    }
}

TEST(CompareTextsSort, MixedColumnLosesNoRows)
{
    // Numbers and texts together do not order consistently; the sort must still just permute.
    Texts mixed;
    for (int i = 0; i < 500; ++i)
        mixed.push_back(i % 4 == 0   ? std::to_string(i * 37 % 101)
                        : i % 4 == 1 ? "x" + std::to_string(i)
                        : i % 4 == 2 ? std::to_string(i % 7) + ":" + std::to_string(i % 5)
                                     : "???");
    Texts sorted = Sorted(mixed, kAscending);
    std::sort(mixed.begin(), mixed.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, mixed);
}

TEST(CompareTextsSort, StatusLinesStayOnTopInTheirOrderWhateverTheColumnAndDirection)
{
    std::vector<ReportRow> rows;
    for (const char* name : {"Mike", "*Searching the LAN", "???", "Alpha", "*No server answered", "Zulu"})
        rows.push_back(name[0] == '*' ? ReportRow{{name + 1}, nullptr, true} : ReportRow{{name}, nullptr, false});
    for (bool ascending : {kAscending, kDescending}) {
        Texts shown;
        for (size_t i : SortedRowOrder(rows, 0, ascending))
            shown.push_back(rows[i].cells[0]);
        const Texts expected = ascending
                                   ? Texts{"Searching the LAN", "No server answered", "Alpha", "Mike", "Zulu", "???"}
                                   : Texts{"Searching the LAN", "No server answered", "Zulu", "Mike", "Alpha", "???"};
        EXPECT_EQ(shown, expected);
    }
}
