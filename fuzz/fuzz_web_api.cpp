// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/address.h"
#include "fuzz_check.h"
#include "query/model/web_api.h"

#include <string_view>

// The first byte is the limit (1..256), the rest the answer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t limit = 1 + data[0];
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    const WebApiList list = DecodeServerList(body, limit);
    FUZZ_CHECK(list.servers.size() <= limit);
    FUZZ_CHECK((list.status == WebApiListStatus::Ok) == !list.servers.empty());
    FUZZ_CHECK(!list.filledLimit || list.servers.size() == limit);
    const auto oneLine = [](const std::optional<std::string>& text) {
        return !text || text->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
    };
    for (const WebApiServer& s : list.servers) {
        FUZZ_CHECK(IsValidAddress(s.addr));
        FUZZ_CHECK(NormalizeAddress(s.addr) == s.addr);
        FUZZ_CHECK(IsRelayedAddress(s.addr) == (s.addr.rfind("169.254.", 0) == 0));
        for (const auto* text : {&s.name, &s.map, &s.steamid, &s.gamedir, &s.version, &s.product, &s.os, &s.gametype})
            FUZZ_CHECK(oneLine(*text));
        FUZZ_CHECK(!s.gameport || (*s.gameport >= 1 && *s.gameport <= 65535));
        for (const auto* count : {&s.players, &s.maxPlayers, &s.bots, &s.appid})
            FUZZ_CHECK(!*count || **count >= 0);
    }

    // A larger limit keeps the same servers first, and says the same of the answer.
    const WebApiList more = DecodeServerList(body, limit + 7);
    FUZZ_CHECK(more.status == list.status);
    FUZZ_CHECK(more.servers.size() >= list.servers.size());
    for (size_t i = 0; i < list.servers.size(); ++i)
        FUZZ_CHECK(more.servers[i] == list.servers[i]);
    FUZZ_CHECK(list.filledLimit || more.servers.size() == list.servers.size());
    return 0;
}
