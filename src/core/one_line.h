// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// Names from the network (servers, maps, players, rules) are shown on one line among other text:
// in a list row, a menu line, a message. A character that breaks the line or changes the
// direction of what follows it would let a name show other text than its own bytes, so each one
// is shown as one visible placeholder. The bytes themselves are kept as they came.

// What such a character shows as: U+FFFD REPLACEMENT CHARACTER.
inline constexpr char32_t kControlPlaceholder = 0xFFFD;

// C0 controls (line breaks and tabs among them), DEL, C1 controls, the line and paragraph
// separators, and the bidirectional controls (marks, embeddings, overrides, isolates).
bool IsLayoutControl(char32_t c);

// The bytes as one line of UTF-8 to show: valid UTF-8 is read as UTF-8, anything else as
// Latin-1; each layout control becomes the placeholder.
std::string OneLineText(std::string_view bytes);
