// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

// isspace() of the "C" locale, without depending on the current locale.
bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int ReadNumberView(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsCSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // A long long holds -INT_MIN, which an int cannot; digits past the limit are still consumed.
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    bool clamped = false;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        if (clamped)
            continue;
        value = value * 10 + (s[i] - '0');
        if (value > limit) {
            value = limit;
            clamped = true;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

// from_chars reports a result that does not fit a double without telling whether it was too large
// or too small. The order of magnitude of the matched text decides: a positive decimal (or binary)
// exponent of the leading digit means too large. Only called on text from_chars accepted.
bool MatchedTextOverflows(std::string_view s, bool hex)
{
    size_t i = 0;
    long long leadExponent = 0; // digits before the point from the first non-zero one, or -zeros after it
    bool seenNonZero = false;
    bool afterPoint = false;
    const int digitWeight = hex ? 4 : 1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (!(hex ? IsHexDigit(c) : IsDigit(c)))
            break;
        if (c != '0')
            seenNonZero = true;
        if (!afterPoint && seenNonZero)
            leadExponent += digitWeight;
        else if (afterPoint && !seenNonZero)
            leadExponent -= digitWeight;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'p' || s[i] == 'P')) {
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negative = s[i++] == '-';
        long long exponent = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i)
            if (exponent < 1000000000)
                exponent = exponent * 10 + (s[i] - '0');
        leadExponent += negative ? -exponent : exponent;
    }
    return leadExponent > 0;
}

double ReadDoubleView(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsCSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string_view rest = s.substr(i);
    // from_chars would take a second '-' itself; atof stops there.
    if (rest.empty() || rest[0] == '-' || rest[0] == '+')
        return 0.0;

    bool hex = false;
    std::chars_format format = std::chars_format::general;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') &&
        (IsHexDigit(rest[2]) || (rest[2] == '.' && rest.size() > 3 && IsHexDigit(rest[3])))) {
        hex = true;
        format = std::chars_format::hex;
        rest.remove_prefix(2);
    }

    double value = 0.0;
    auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (ec == std::errc::invalid_argument)
        return 0.0; // no conversion: a plain zero, whatever sign came before
    if (ec == std::errc::result_out_of_range) {
        std::string_view matched(rest.data(), static_cast<size_t>(ptr - rest.data()));
        value = MatchedTextOverflows(matched, hex) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

float NarrowToFloat(double d)
{
    // A double beyond float's range is undefined behaviour to convert; IEEE rounding would give
    // infinity from half a unit past FLT_MAX on, and FLT_MAX below that.
    constexpr double kRoundsToInfinity = 0x1.ffffffp127;
    if (std::isfinite(d) && std::fabs(d) >= kRoundsToInfinity)
        return d > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

} // namespace

int ReadNumber(const std::string& text)
{
    return ReadNumberView(text);
}
int ReadNumber(const char* text)
{
    return text ? ReadNumberView(text) : 0;
}

double ReadDouble(const std::string& text)
{
    return ReadDoubleView(text);
}
double ReadDouble(const char* text)
{
    return text ? ReadDoubleView(text) : 0.0;
}

float ReadFloat(const std::string& text)
{
    return NarrowToFloat(ReadDoubleView(text));
}
float ReadFloat(const char* text)
{
    return text ? NarrowToFloat(ReadDoubleView(text)) : 0.0f;
}
