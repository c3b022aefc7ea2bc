// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"

#include <bit>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)ClassifyReply(data, size, true);
    (void)ClassifyReply(data, size, false);
    const std::vector<PlayerEntry> players = DecodePlayers(data, size);
    if (size < 6) {
        FUZZ_CHECK(players.empty());
        return 0;
    }
    FUZZ_CHECK(players.size() <= data[5]);

    Datagram encoded;
    for (const PlayerEntry& p : players) {
        FUZZ_CHECK(p.index >= 0 && p.index <= 255);
        FUZZ_CHECK(p.name.find('\0') == std::string::npos);
        FUZZ_CHECK(p.id == std::to_string(p.index));
        FUZZ_CHECK(p.score == std::to_string(p.scoreValue));
        FUZZ_CHECK(p.time == FormatPlayTime(p.seconds));
        encoded.push_back(static_cast<unsigned char>(p.index));
        AppendText(encoded, p.name);
        AppendLittle32(encoded, static_cast<uint32_t>(p.scoreValue));
        AppendLittle32(encoded, std::bit_cast<uint32_t>(p.seconds));
    }
    FUZZ_CHECK(IsPrefixAt(data, size, 6, encoded));

    // Stopping early is right only when the next entry is cut off.
    if (players.size() < data[5]) {
        const size_t next = 6 + encoded.size();
        size_t nameLength = 0;
        const bool whole =
            next < size && WholeTextAt(data, size, next + 1, nameLength) && size - (next + 1 + nameLength) >= 8;
        FUZZ_CHECK(!whole);
    }
    return 0;
}
