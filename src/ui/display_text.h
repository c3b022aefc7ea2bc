// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <string_view>

// Text from the network (server, map and player names, rules, info lines) as the user reads it.
// The bytes are kept as they came; for the screen they are read as UTF-8 when they are valid
// UTF-8, and otherwise as Latin-1, the code page most servers of the game's era used. Every
// place that shows such text goes through here.
QString DisplayText(std::string_view bytes);

// The same, for one line among others (a list row, a menu line, a message naming a server or a
// player): a line break, a tab, another control or a bidirectional control shows as one
// placeholder, so a name cannot break its row nor turn round the text after it.
QString DisplayLine(std::string_view bytes);

// A name in a menu line: at most kMenuNameChars characters, a longer one cut with "…" (its
// whole text belongs in the line's tool tip).
constexpr int kMenuNameChars = 60;
QString MenuName(const QString& name);

// A tool tip that shows text as it is: a name that looks like markup ("<b>…") is not read as
// markup.
QString PlainToolTip(const QString& text);
