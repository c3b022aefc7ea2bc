// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The game receives its parameters as one string and its Microsoft C runtime cuts that into argv.
// These do the same cut, and its inverse, on every OS.

// Splits params exactly as the Microsoft C runtime (Visual C++ 2008 and later, the Universal CRT)
// splits the arguments after the program name:
//  - spaces and tabs separate arguments outside double quotes; runs of them count once;
//  - a double quote starts or ends a quoted part and is dropped; "" gives an empty argument;
//  - inside a quoted part, "" is one literal quote and the part goes on (the rule of 2008 on;
//    older runtimes ended the quoted part there);
//  - 2n backslashes before a quote give n backslashes, and the quote acts as above;
//    2n+1 backslashes before a quote give n backslashes and a literal quote;
//  - backslashes not before a quote are literal.
std::vector<std::string> SplitWindowsCommandLine(const std::string& params);

// One argument written so that SplitWindowsCommandLine gives it back unchanged: as it is when it
// needs nothing (unless alwaysQuote), else in double quotes with quotes and the backslashes
// before them escaped.
std::string QuoteWindowsArgument(const std::string& argument, bool alwaysQuote = false);

// The arguments quoted and joined with single spaces.
std::string JoinWindowsCommandLine(const std::vector<std::string>& arguments);
