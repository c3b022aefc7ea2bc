// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/web_api.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// An answer of the service's shape listing count servers, every member filled as it sends them.
std::string Answer(int count)
{
    std::string body = R"({"response":{"servers":[)";
    for (int i = 0; i < count; ++i) {
        const std::string address = "10." + std::to_string(i >> 16) + "." + std::to_string((i >> 8) & 255) + "." +
                                    std::to_string(1 + i % 250) + ":" + std::to_string(27015 + i % 20);
        body += std::string(i ? "," : "") + R"({"addr":")" + address + R"(","gameport":)" +
                std::to_string(27015 + i % 20) + R"(,"steamid":"9007199254740)" + std::to_string(10000 + i) +
                R"(","name":"ZNK Public Server number )" + std::to_string(i) +
                R"( | fast downloads","appid":70,"gamedir":"znk","version":"1.1.2.7/Stdio","product":"valve",)"
                R"("region":255,"players":)" +
                std::to_string(i % 17) +
                R"(,"max_players":16,"bots":0,"map":"dusk_canyon","secure":true,)"
                R"("dedicated":true,"os":"l","gametype":"ctf,znk"})";
    }
    return body + "]}}";
}

void BM_DecodeServerList(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::string body = Answer(count);
    for (auto _ : state) {
        WebApiList list = DecodeServerList(body, 20000);
        benchmark::DoNotOptimize(list.servers.data());
        if (list.servers.size() != static_cast<size_t>(count))
            state.SkipWithError("wrong number of servers");
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}

} // namespace

// A full answer at the Options' default limit.
BENCHMARK(BM_DecodeServerList)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
