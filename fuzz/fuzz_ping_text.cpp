// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"

#include <charconv>

// The ping text of a record can come from a saved file; ComputePing must keep or replace it,
// never anything else.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const platform::ClockTime receive{0, data[0] % 60, data[1] % 60, (data[2] * 7) % 1000};
    ServerRecord record;
    record.ping.assign(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::string before = record.ping;
    ComputePing(record, receive);
    if (record.ping != before) {
        int elapsed = -1;
        const char* end = record.ping.data() + record.ping.size();
        const auto [ptr, error] = std::from_chars(record.ping.data(), end, elapsed);
        FUZZ_CHECK(error == std::errc() && ptr == end);
        FUZZ_CHECK(elapsed >= 0 && elapsed < 3600000);
        FUZZ_CHECK(before.find('-') != std::string::npos);
    }

    // A stamp of any time and a reply any time within the hour give the time between them.
    const platform::ClockTime sent{0, data[2] % 60, data[1] % 60, (data[0] * 3) % 1000};
    ServerRecord stamped;
    StampSendTime(stamped, sent);
    ComputePing(stamped, receive);
    const int sentMs = (sent.minute * 60 + sent.second) * 1000 + sent.millisecond;
    const int receivedMs = (receive.minute * 60 + receive.second) * 1000 + receive.millisecond;
    FUZZ_CHECK(stamped.ping == std::to_string((receivedMs - sentMs + 3600000) % 3600000));
    return 0;
}
