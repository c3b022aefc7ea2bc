// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// True when the bytes are well-formed UTF-8: no stray continuation bytes, no sequence cut short,
// no overlong forms, no surrogates, nothing above U+10FFFF. Game servers send names in whatever
// 8-bit code page their owners typed them; this tells UTF-8 from the rest.
bool IsValidUtf8(std::string_view text);

// How many bytes at the end of text are the start of a UTF-8 character whose last bytes are
// missing (1 to 3); 0 when text ends with a whole character, or with bytes that no further
// bytes could make one.
std::size_t IncompleteUtf8Tail(std::string_view text);

// How many bytes of the start of text hold at most units UTF-16 code units (what a text field
// counts, a character beyond U+FFFF taking two), ending on a character boundary: a text cut to
// this many bytes ends in a whole character. A byte that is no part of a well-formed character
// counts as one unit of its own (it shows as one replacement character).
std::size_t Utf8PrefixWithinUtf16(std::string_view text, std::size_t units);

// U+FFFD REPLACEMENT CHARACTER: what a malformed sequence or an impossible code point becomes.
inline constexpr char32_t kUtf8Replacement = 0xFFFD;

// The character that starts at text[i], and how many bytes it takes; a malformed sequence gives
// U+FFFD for its longest start that could still have been a character (at least one byte), as
// Unicode recommends and Windows does.
char32_t DecodeUtf8At(std::string_view text, std::size_t i, std::size_t& length);

// The character in UTF-8 at the end of out; a surrogate or a value beyond U+10FFFF as U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// Every byte as the Latin-1 character of its value, in UTF-8.
std::string Latin1ToUtf8(std::string_view text);

// Text that arrives in pieces (a console's output datagrams, cut wherever a size limit fell)
// read as one stream and given out as UTF-8. A piece that is valid UTF-8 passes unchanged,
// except that a character cut off at its very end is held back and goes in front of the next
// piece; any other piece is read as Latin-1, the bytes held back from before included.
class Utf8Stream {
public:
    // What the piece adds to the text: empty when it held nothing but the start of a character.
    std::string Decode(std::string_view piece);

private:
    std::string held_; // at most three bytes
};
