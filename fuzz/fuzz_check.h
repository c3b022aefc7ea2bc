// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The sanitizers catch bad reads; these catch wrong answers. A failed check aborts, which
// libFuzzer reports as a crash and saves the input.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

inline void AppendText(Datagram& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

inline void AppendLittle32(Datagram& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The decoded part must be the received bytes themselves, re-encoded.
inline bool IsPrefixAt(const uint8_t* data, size_t size, size_t offset, const Datagram& encoded)
{
    return offset <= size && size - offset >= encoded.size() &&
           (encoded.empty() || std::memcmp(data + offset, encoded.data(), encoded.size()) == 0);
}

// Whether bytes [pos, size) start with a whole NUL-terminated text; its length with the NUL.
inline bool WholeTextAt(const uint8_t* data, size_t size, size_t pos, size_t& length)
{
    for (size_t i = pos; i < size; ++i)
        if (data[i] == 0) {
            length = i - pos + 1;
            return true;
        }
    return false;
}
