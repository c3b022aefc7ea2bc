#pragma once
#include <string_view>

// True when the bytes are well-formed UTF-8: no stray continuation bytes, no sequence cut short,
// no overlong forms, no surrogates, nothing above U+10FFFF. Game servers send names in whatever
// 8-bit code page their owners typed them; this tells UTF-8 from the rest.
bool IsValidUtf8(std::string_view text);
