#pragma once
#include <QString>
#include <string_view>

// Text from the network (server, map and player names, rules, info lines) as the user reads it.
// The bytes are kept as they came; for the screen they are read as UTF-8 when they are valid
// UTF-8, and otherwise as Latin-1, the code page most servers of the game's era used. Every
// place that shows such text goes through here.
QString DisplayText(std::string_view bytes);
