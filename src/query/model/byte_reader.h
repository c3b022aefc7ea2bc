// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

// Reads forward through received bytes; a read that would pass the end fails and leaves the
// position where it was, so a cut-off field is never half consumed.
class ByteReader {
public:
    ByteReader(const unsigned char* data, std::size_t len, std::size_t pos) : data_(data), len_(len), pos_(pos) {}

    bool Byte(unsigned char& out)
    {
        if (pos_ >= len_)
            return false;
        out = data_[pos_++];
        return true;
    }

    bool Text(std::string& out)
    {
        if (pos_ >= len_)
            return false;
        const unsigned char* begin = data_ + pos_;
        const unsigned char* end = data_ + len_;
        const unsigned char* nul = std::find(begin, end, 0);
        if (nul == end)
            return false;
        out.assign(begin, nul);
        pos_ += static_cast<std::size_t>(nul - begin) + 1;
        return true;
    }

    bool Int16(int16_t& out)
    {
        uint16_t raw = 0;
        if (!Little(raw))
            return false;
        out = static_cast<int16_t>(raw);
        return true;
    }

    bool Int32(int32_t& out)
    {
        uint32_t raw = 0;
        if (!Little(raw))
            return false;
        out = static_cast<int32_t>(raw);
        return true;
    }

    bool Float32(float& out)
    {
        uint32_t raw = 0;
        if (!Little(raw))
            return false;
        out = std::bit_cast<float>(raw);
        return true;
    }

private:
    template <typename Unsigned> bool Little(Unsigned& out)
    {
        if (len_ - std::min(pos_, len_) < sizeof(Unsigned))
            return false;
        Unsigned value = 0;
        for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
            value |= static_cast<Unsigned>(static_cast<Unsigned>(data_[pos_ + i]) << (8 * i));
        out = value;
        pos_ += sizeof(Unsigned);
        return true;
    }

    const unsigned char* data_;
    std::size_t len_;
    std::size_t pos_;
};
