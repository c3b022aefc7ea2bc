// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"
#include "query/model/a2s.h"

// 'I' and 'm' info replies and 'A' challenges from anyone on the network.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InfoReply out;
    out.name = "untouched";
    const A2sReply kind = ClassifyA2s(data, size);
    const bool decoded = DecodeA2sInfo(data, size, out);
    FUZZ_CHECK(!decoded || kind == A2sReply::SourceInfo || kind == A2sReply::GoldSrcInfo);
    if (!decoded) {
        FUZZ_CHECK(out.name == "untouched");
    } else {
        FUZZ_CHECK(out.kind == "Dedicated" || out.kind == "Listen" || out.kind == "Proxy");
        FUZZ_CHECK(out.password == "Yes" || out.password == "No");
        FUZZ_CHECK(out.players.find('/') != std::string::npos);
        FUZZ_CHECK(out.name.find('\0') == std::string::npos);
    }
    int32_t challenge = 0;
    FUZZ_CHECK(DecodeChallenge(data, size, challenge) == (kind == A2sReply::Challenge && size >= 9));
    return 0;
}
