// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "fuzz_check.h"

#include <charconv>

// Re-encodes the decoded addresses and checks they are the received entries, and that the list
// stopped for a reason.
inline void CheckMasterList(MasterFlavour flavour, const uint8_t* data, size_t size)
{
    const size_t header = flavour == MasterFlavour::Won ? 10 : 6;
    const std::vector<std::string> addresses = DecodeMasterList(flavour, data, size);
    FUZZ_CHECK(addresses.size() <= static_cast<size_t>(kMaxMasterEntries));

    Datagram encoded;
    for (const std::string& address : addresses) {
        // "a.b.c.d:port", each number plain decimal.
        unsigned numbers[5] = {};
        const char* p = address.data();
        const char* end = p + address.size();
        for (int i = 0; i < 5; ++i) {
            const auto [next, error] = std::from_chars(p, end, numbers[i]);
            FUZZ_CHECK(error == std::errc() && next != p);
            FUZZ_CHECK(i == 4 ? next == end : next < end && *next == (i == 3 ? ':' : '.'));
            p = next + (i == 4 ? 0 : 1);
        }
        FUZZ_CHECK(numbers[0] >= 1 && numbers[0] <= 255 && numbers[1] <= 255 && numbers[2] <= 255 &&
                   numbers[3] <= 255 && numbers[4] <= 65535);
        for (int i = 0; i < 4; ++i)
            encoded.push_back(static_cast<unsigned char>(numbers[i]));
        encoded.push_back(static_cast<unsigned char>(numbers[4] >> 8));
        encoded.push_back(static_cast<unsigned char>(numbers[4]));
    }
    if (size <= header) {
        FUZZ_CHECK(addresses.empty());
        return;
    }
    FUZZ_CHECK(IsPrefixAt(data, size, header, encoded));
    const size_t next = header + encoded.size();
    if (addresses.size() < static_cast<size_t>(kMaxMasterEntries))
        FUZZ_CHECK(size - next < 6 || data[next] == 0);
}
