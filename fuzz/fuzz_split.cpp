// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"
#include "query/model/a2s.h"

#include <string>

// A stream of split pieces from a few senders: the input is cut into datagrams, each led by a
// length byte and a sender byte. Whatever comes, the waiting sets stay bounded and a joined
// reply is a normal one of at most 15 pieces.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SplitJoiner joiner;
    int64_t now = 0;
    size_t pos = 0;
    while (pos + 2 <= size) {
        const size_t len = std::min<size_t>(data[pos], size - pos - 2);
        const std::string sender(1, static_cast<char>(data[pos + 1] & 7));
        const uint8_t* piece = data + pos + 2;
        pos += 2 + len;
        const auto joined = joiner.Add(sender, piece, len, now++);
        if (joined) {
            FUZZ_CHECK(joined->size() >= 4 && (*joined)[0] == 0xFF && (*joined)[1] == 0xFF);
            FUZZ_CHECK(joined->size() <= SplitJoiner::kMaxPieces * SplitJoiner::kMaxPieceBytes);
        }
        FUZZ_CHECK(joiner.SetCount() <= SplitJoiner::kMaxSenders * SplitJoiner::kMaxSetsPerSender);
        if (now % 16 == 0)
            joiner.DropExpired(now, 8);
    }
    return 0;
}
