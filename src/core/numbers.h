// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Numbers read the way the Microsoft C runtime reads them, so that settings files and command
// lines mean on every OS what they mean to the game on Windows. Never undefined behaviour, whatever
// the text.

// atoi: leading whitespace, an optional sign, then decimal digits up to the first other character.
// No digits gives 0; a value out of range gives INT_MAX or INT_MIN.
int ReadNumber(const std::string& text);
int ReadNumber(const char* text);

// atof: leading whitespace, then the longest prefix that is a number (decimal with optional
// exponent, "0x" hexadecimal with optional binary exponent, "inf", "infinity", "nan"). The decimal
// point is always '.', whatever the locale. No number gives 0; too large gives +-infinity, too
// small gives 0.
double ReadDouble(const std::string& text);
double ReadDouble(const char* text);

// ReadDouble narrowed to float, as `float f = atof(text);` does.
float ReadFloat(const std::string& text);
float ReadFloat(const char* text);
