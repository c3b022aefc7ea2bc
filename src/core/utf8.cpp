// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/utf8.h"

#include <cstddef>
#include <cstdint>

namespace {

// The length of the character a byte starts: 1 to 4, or 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether the byte after a lead keeps the character out of the overlong forms, the surrogates
// and the range above U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second)
{
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return (second & 0xC0) == 0x80;
    }
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        uint32_t code = 0;
        uint32_t smallest = 0; // below this the same character has a shorter form
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            smallest = 0x10000;
        } else {
            return false;
        }
        if (n - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::size_t IncompleteUtf8Tail(std::string_view text)
{
    const std::size_t n = text.size();
    for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
        const auto byte = static_cast<unsigned char>(text[n - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation: its lead is further back
        if (SequenceLength(byte) <= back)
            return 0; // a whole character, or no character at all
        if (back >= 2 && !SecondByteFits(byte, static_cast<unsigned char>(text[n - back + 1])))
            return 0;
        return back;
    }
    return 0;
}

std::size_t Utf8PrefixWithinUtf16(std::string_view text, std::size_t units)
{
    std::size_t at = 0;
    std::size_t used = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = SequenceLength(lead);
        // A character cut short or malformed is its lead byte alone.
        if (length > text.size() - at ||
            (length >= 2 && !SecondByteFits(lead, static_cast<unsigned char>(text[at + 1]))))
            length = 0;
        for (std::size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
                length = 0;
        const std::size_t cost = length == 4 ? 2 : 1;
        if (used + cost > units)
            break;
        used += cost;
        at += length == 0 ? 1 : length;
    }
    return at;
}

std::string Latin1ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string Utf8Stream::Decode(std::string_view piece)
{
    std::string text = std::move(held_);
    held_.clear();
    text.append(piece);
    const std::size_t whole = text.size() - IncompleteUtf8Tail(text);
    if (!IsValidUtf8(std::string_view(text).substr(0, whole)))
        return Latin1ToUtf8(text);
    held_.assign(text, whole);
    text.resize(whole);
    return text;
}

char32_t DecodeUtf8At(std::string_view text, std::size_t i, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t need = 0;
    char32_t code = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kUtf8Replacement;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k >= text.size())
            return kUtf8Replacement;
        const auto next = static_cast<unsigned char>(text[i + k]);
        if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80)
            return kUtf8Replacement;
        code = (code << 6) | (next & 0x3F);
        length = k + 1;
    }
    return code;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = kUtf8Replacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
