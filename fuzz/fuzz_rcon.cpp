// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"
#include "rcon/model/rcon_protocol.h"

#include <charconv>

namespace {

void CheckChallenge(const uint8_t* data, size_t size)
{
    const std::optional<uint32_t> challenge = ParseRconChallenge(data, size);
    const size_t wordEnd = 4 + kRconChallengeReplyWord.size();
    const bool hasWord =
        size >= wordEnd && std::memcmp(data + 4, kRconChallengeReplyWord.data(), kRconChallengeReplyWord.size()) == 0;
    FUZZ_CHECK(challenge.has_value() == hasWord);
    if (!challenge)
        return;
    // A number short enough not to wrap reads as from_chars reads it.
    size_t i = wordEnd;
    while (i < size && std::strchr(" \t\n\v\f\r", data[i]) && data[i] != 0)
        ++i;
    size_t digits = 0;
    while (i + digits < size && data[i + digits] >= '0' && data[i + digits] <= '9')
        ++digits;
    if (digits <= 9) {
        uint32_t expected = 0;
        std::from_chars(reinterpret_cast<const char*>(data + i), reinterpret_cast<const char*>(data + i + digits),
                        expected);
        FUZZ_CHECK(*challenge == expected);
    }
}

// The shown text is the datagram's text without colour codes, with line feeds made CR LF and one
// line break taken off the end: undoing that must give the text back.
void CheckOutput(const uint8_t* data, size_t size)
{
    const std::optional<std::string> shown = DecodeRconOutput(data, size);
    const bool word =
        size >= 4 + kRconPrintWord.size() && std::memcmp(data + 4, kRconPrintWord.data(), kRconPrintWord.size()) == 0;
    std::string body;
    for (size_t i = word ? 4 + kRconPrintWord.size() : 5; i < size && data[i] != 0; ++i)
        body.push_back(static_cast<char>(data[i]));
    FUZZ_CHECK(shown.has_value() == (size >= 5 && !(word && body.empty())));
    if (!shown)
        return;
    FUZZ_CHECK(!shown->empty());
    body = StripColourCodes(body);

    std::string undone;
    for (size_t i = 0; i < shown->size(); ++i) {
        const char c = (*shown)[i];
        if (c == '\n') {
            FUZZ_CHECK(i > 0 && (*shown)[i - 1] == '\r');
            undone.back() = '\n';
        } else {
            undone.push_back(c);
        }
    }
    if (*shown == kRconEmptyOutputLine && (body.empty() || body == "\n"))
        return;
    FUZZ_CHECK(body == undone || body == undone + "\n");
}

} // namespace

// Both decoders see every input: a console takes either reply from the same socket.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckChallenge(data, size);
    CheckOutput(data, size);
    return 0;
}
