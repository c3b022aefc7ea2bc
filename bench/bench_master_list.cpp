// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"

#include <benchmark/benchmark.h>

namespace {

// A master reply filled to the last whole entry of a 4096-byte datagram: 681 addresses.
Datagram FullReply(MasterFlavour flavour)
{
    Datagram reply = {0xFF, 0xFF, 0xFF,
                      0xFF, 0x66, static_cast<unsigned char>(flavour == MasterFlavour::Won ? 0x0D : 0x0A)};
    if (flavour == MasterFlavour::Won)
        reply.insert(reply.end(), 4, 0);
    for (int i = 0; i < kMaxMasterEntries; ++i) {
        const int port = 27015 + i % 20;
        reply.insert(reply.end(), {static_cast<unsigned char>(64 + i % 128), static_cast<unsigned char>(i >> 8),
                                   static_cast<unsigned char>(i), static_cast<unsigned char>(1 + i % 254),
                                   static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port)});
    }
    return reply;
}

void DecodeFullReply(benchmark::State& state, MasterFlavour flavour)
{
    const Datagram reply = FullReply(flavour);
    for (auto _ : state) {
        std::vector<std::string> addresses = DecodeMasterList(flavour, reply.data(), reply.size());
        benchmark::DoNotOptimize(addresses.data());
        if (addresses.size() != static_cast<std::size_t>(kMaxMasterEntries))
            state.SkipWithError("wrong number of addresses");
    }
    state.SetItemsProcessed(state.iterations() * kMaxMasterEntries);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}

void BM_DecodeMasterListSteam(benchmark::State& state)
{
    DecodeFullReply(state, MasterFlavour::Steam);
}
void BM_DecodeMasterListWon(benchmark::State& state)
{
    DecodeFullReply(state, MasterFlavour::Won);
}

} // namespace

BENCHMARK(BM_DecodeMasterListSteam);
BENCHMARK(BM_DecodeMasterListWon);

BENCHMARK_MAIN();
