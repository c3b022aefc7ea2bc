// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/one_line.h"

#include "core/utf8.h"

namespace {

bool PlainAscii(std::string_view bytes)
{
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F)
            return false;
    }
    return true;
}

} // namespace

bool IsLayoutControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 ||
           c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string OneLineText(std::string_view bytes)
{
    // Most names are printable ASCII: nothing to read or replace.
    if (PlainAscii(bytes))
        return std::string(bytes);
    const std::string utf8 = IsValidUtf8(bytes) ? std::string(bytes) : Latin1ToUtf8(bytes);
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0, n = 0; i < utf8.size(); i += n) {
        const char32_t c = DecodeUtf8At(utf8, i, n);
        if (IsLayoutControl(c))
            AppendUtf8(out, kControlPlaceholder);
        else
            out.append(utf8, i, n);
    }
    return out;
}
