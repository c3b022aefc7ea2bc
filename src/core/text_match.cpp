// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text_match.h"

#include "core/utf8.h"

namespace {

char32_t Lower(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 32;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE && c != 0xD7) // Latin-1 capitals, the multiplication sign aside
        return c + 32;
    if (c == 0x178) // capital Y with diaeresis, whose small letter is in Latin-1
        return 0xFF;
    if (c >= 0x100 && c <= 0x17F) { // Latin Extended-A: capital and small in pairs
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek capitals
        return c + 32;
    if (c >= 0x410 && c <= 0x42F) // Cyrillic capitals
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    return c;
}

std::u32string Decode(std::string_view bytes)
{
    std::u32string out;
    out.reserve(bytes.size());
    if (!IsValidUtf8(bytes)) {
        for (unsigned char b : bytes)
            out.push_back(b);
        return out;
    }
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < length; ++k)
            c = (c << 6) | (static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]) & 0x3F);
        out.push_back(c);
        i += static_cast<size_t>(length);
    }
    return out;
}

} // namespace

std::u32string FoldedCharacters(std::string_view bytes)
{
    std::u32string text = Decode(bytes);
    for (char32_t& c : text)
        c = Lower(c);
    return text;
}

bool ContainsIgnoringCase(std::string_view name, std::string_view text)
{
    return FoldedCharacters(name).find(FoldedCharacters(text)) != std::u32string::npos;
}
