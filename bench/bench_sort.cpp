// SPDX-License-Identifier: GPL-3.0-or-later
// Sorting a full server list: 10,000 rows by each column, as the plain row sort and as the server
// list control does it on a header click (model reordering, selection and view updates included).

#include "core/compare_texts.h"
#include "core/report_rows.h"
#include "ui/sort_list_ctrl.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;
enum Column { kName, kMap, kPing, kPlayers, kAddress, kShuffle, kColumns };
const char* const kTitles[kColumns] = {"Name", "Map", "Ping", "Players", "Address", "Shuffle"};

// Rows the way a master list fills the browser: about one server in twelve never answers and shows
// "???" in its ping and player columns; names mix case, clan tags, digits and Latin-1 bytes.
std::vector<ReportRow> MakeServers()
{
    static const char* const kWords[] = {"Rocket", "arena",    "[ZNK]",    "Quarryway", "fun",  "24/7",
                                         "Clan",   "public",   "NoobZone", "ultra",     "Frag", "#1",
                                         "server", "\xe9lite", "Team",     "old school"};
    static const char* const kMaps[] = {"quarryway", "millyard",   "spring",        "relaycore",
                                        "marsh_pit", "drill_yard", "lambda_bunker", "frenzy",
                                        "gasworks",  "rapidcore",  "subtransit",    "undertow"};
    std::mt19937 random(2024);
    std::vector<ReportRow> rows(kRows);
    for (ReportRow& row : rows) {
        const bool answered = random() % 12 != 0;
        std::string name = kWords[random() % 16];
        for (int words = 1 + random() % 3; words > 0; --words)
            name += std::string(" ") + kWords[random() % 16];
        const int maxPlayers = 8 + static_cast<int>(random() % 25);
        const std::string address = std::to_string(random() % 223 + 1) + "." + std::to_string(random() % 256) + "." +
                                    std::to_string(random() % 256) + "." + std::to_string(random() % 254 + 1) + ":" +
                                    std::to_string(27015 + random() % 20);
        row.cells = {answered ? name : address,
                     answered ? kMaps[random() % 12] : "",
                     answered ? std::to_string(5 + random() % 400) : "???",
                     answered ? std::to_string(random() % (maxPlayers + 1)) + "/" + std::to_string(maxPlayers) : "???",
                     address,
                     std::to_string(random())};
    }
    return rows;
}

const std::vector<ReportRow>& Servers()
{
    static const std::vector<ReportRow> rows = MakeServers();
    return rows;
}

void SortOrder(benchmark::State& state)
{
    const std::vector<ReportRow>& rows = Servers();
    const size_t column = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        std::vector<size_t> order = SortedRowOrder(rows, column, true);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetLabel(kTitles[column]);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(SortOrder)->DenseRange(kName, kAddress)->Unit(benchmark::kMillisecond);

void FillList(CSrvListCtrl& list)
{
    for (int c = 0; c < kColumns; ++c)
        list.InsertColumn(c, kTitles[c], 100);
    for (const ReportRow& server : Servers()) {
        const int row = list.InsertItem(list.GetItemCount(), server.cells[0]);
        for (int c = 1; c < kColumns; ++c)
            list.SetItemText(row, c, server.cells[c]);
        list.SetItemData(row, const_cast<ReportRow*>(&server));
    }
}

void ServerListSort(benchmark::State& state)
{
    CSrvListCtrl list;
    FillList(list);
    list.resize(800, 600);
    list.SelectRow(kRows / 2);
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        // Back to a random order first, so that every timed sort starts from an unsorted list.
        state.PauseTiming();
        list.ShowSort(kShuffle, true);
        state.ResumeTiming();
        list.ShowSort(column, true);
    }
    state.SetLabel(kTitles[column]);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(ServerListSort)->DenseRange(kName, kAddress)->Unit(benchmark::kMillisecond);

void ServerListFill(benchmark::State& state)
{
    for (auto _ : state) {
        CSrvListCtrl list;
        FillList(list);
        benchmark::DoNotOptimize(list.GetItemCount());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(ServerListFill)->Unit(benchmark::kMillisecond);

void CompareAddresses(benchmark::State& state)
{
    const std::string a = "192.168.10.20:27015";
    const std::string b = "192.168.10.3:27016";
    for (auto _ : state)
        benchmark::DoNotOptimize(CompareTexts(a, b));
}
BENCHMARK(CompareAddresses);

} // namespace

int main(int argc, char** argv)
{
    // The list control is a widget: it needs an application, and there is no display here.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qtApp(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
