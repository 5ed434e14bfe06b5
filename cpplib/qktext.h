// Text comparisons without regard to case, for the ASCII texts of switches,
// space names and the like; the same on every platform.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr char QkLowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline constexpr bool QkEqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (QkLowerAscii(a[i]) != QkLowerAscii(b[i]))
            return false;
    return true;
}

// The value of a hexadecimal digit, or -1 for any other character.
inline constexpr int QkHexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whether text begins with prefix.
inline constexpr bool QkStartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && QkEqualNoCase(text.substr(0, prefix.size()), prefix);
}
