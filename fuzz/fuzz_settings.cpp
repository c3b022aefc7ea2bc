// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"
#include "settings/app_settings.h"

// znktool.conf: a fixed-layout record, of any length on disk.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AppSettings settings;
    settings.Decode(std::vector<uint8_t>(data, data + size));
    const std::vector<uint8_t> encoded = settings.Encode();
    FUZZ_CHECK(encoded.size() == size_t(AppSettings::kRecordSize));

    // Once written, a record reads back to the same bytes.
    AppSettings again;
    again.Decode(encoded);
    FUZZ_CHECK(again.Encode() == encoded);

    settings.ApplyDefaults();
    const int timeoutMs = settings.TimeoutMs();
    FUZZ_CHECK(timeoutMs >= AppSettings::kMinTimeoutMs && timeoutMs <= AppSettings::kMaxTimeoutMs);
    FUZZ_CHECK(settings.port != 0 && settings.maxPlayers != 0 && !settings.masterServer.empty());
    (void)settings.GetLaunchSwitches();
    (void)settings.GetExePath(true);
    return 0;
}
