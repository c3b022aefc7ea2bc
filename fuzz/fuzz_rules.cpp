// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::pair<std::string, std::string>> rules = DecodeRules(data, size);
    if (size < 7) {
        FUZZ_CHECK(rules.empty());
        return 0;
    }
    const int count = static_cast<int16_t>(data[5] | (data[6] << 8));
    FUZZ_CHECK(static_cast<int>(rules.size()) <= (count < 1 ? 0 : count));

    Datagram encoded;
    for (const auto& [name, value] : rules) {
        AppendText(encoded, name);
        AppendText(encoded, value);
    }
    FUZZ_CHECK(IsPrefixAt(data, size, 7, encoded));

    if (count >= 1 && static_cast<int>(rules.size()) < count) {
        size_t nameLength = 0, valueLength = 0;
        const size_t next = 7 + encoded.size();
        const bool whole =
            WholeTextAt(data, size, next, nameLength) && WholeTextAt(data, size, next + nameLength, valueLength);
        FUZZ_CHECK(!whole);
    }
    return 0;
}
