// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the server store: every 15 seconds and at exit the whole record list is written.
#include "settings/server_store.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void FillStore(ServerStore& store, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string address = "10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
                                    std::to_string(i % 256 + 1) + ":" + std::to_string(27015 + i % 7);
        ServerRecord* r = store.FindOrCreateRecord(address);
        r->name = "Server number " + std::to_string(i) + " | all welcome";
        r->map = "dusk_canyon";
        r->ping = std::to_string(20 + i % 180);
        r->players = std::to_string(i % 17) + "/16";
        r->info = "Capture mode|Dedicated//Linux Server|Password: No";
        if (i % 3 == 0)
            store.Append(ServerList::Servers, r);
        if (i % 50 == 0)
            store.Append(ServerList::Favorites, r);
    }
}

void BM_SaveServers(benchmark::State& state)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "znk_bench_save";
    std::filesystem::create_directories(folder);
    ServerStore store(folder.string());
    FillStore(store, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!store.Save())
            state.SkipWithError("cannot write the server files");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveServers)->Arg(10000)->Unit(benchmark::kMillisecond);

// The text alone, without the disk: what the window thread spends building it.
void BM_BuildServerFiles(benchmark::State& state)
{
    ServerStore store;
    FillStore(store, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.ServersIniText());
        benchmark::DoNotOptimize(store.RecordsText());
    }
}
BENCHMARK(BM_BuildServerFiles)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
