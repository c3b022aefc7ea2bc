// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/command_line.h"

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitWindowsCommandLine(const std::string& params)
{
    std::vector<std::string> arguments;
    const size_t n = params.size();
    size_t i = 0;
    for (;;) {
        while (i < n && IsSeparator(params[i]))
            ++i;
        // The runtime reads a C string: a NUL ends the parameters.
        if (i >= n || params[i] == '\0')
            break;

        std::string argument;
        bool quoted = false;
        for (;;) {
            size_t backslashes = 0;
            while (i < n && params[i] == '\\') {
                ++backslashes;
                ++i;
            }
            bool copy = true;
            if (i < n && params[i] == '"') {
                if (backslashes % 2 == 0) {
                    if (quoted && i + 1 < n && params[i + 1] == '"')
                        ++i; // the second quote of "" is copied below, still quoted
                    else {
                        copy = false;
                        quoted = !quoted;
                    }
                }
                backslashes /= 2;
            }
            argument.append(backslashes, '\\');
            if (i >= n || params[i] == '\0' || (!quoted && IsSeparator(params[i])))
                break;
            if (copy)
                argument += params[i];
            ++i;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string QuoteWindowsArgument(const std::string& argument, bool alwaysQuote)
{
    if (!alwaysQuote && !argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;

    std::string quoted = "\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            // They come before the closing quote, so each must be doubled.
            quoted.append(backslashes * 2, '\\');
            break;
        }
        if (argument[i] == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
            quoted += '"';
        } else {
            quoted.append(backslashes, '\\');
            quoted += argument[i];
        }
    }
    quoted += '"';
    return quoted;
}

std::string JoinWindowsCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += QuoteWindowsArgument(arguments[i]);
    }
    return line;
}
