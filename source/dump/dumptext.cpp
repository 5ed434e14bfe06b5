#include "source/dump/dumptext.h"

#include <cstdio>

#include "cpplib/qktext.h"

namespace {
std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<std::uint64_t> Digits(std::string_view digits, unsigned radix)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const auto digit = static_cast<unsigned>(QkHexDigitValue(c));
        if (digit >= radix || value > (UINT64_MAX - digit) / radix)
            return std::nullopt;
        value = value * radix + digit;
    }
    return value;
}

bool HasHexPrefix(std::string_view text)
{
    return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// The number as its suffix or prefix says.
std::optional<std::uint64_t> ParseBySyntax(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    switch (text.back()) {
    case 'h':
    case 'H': {
        // A hexadecimal conversion takes an optional "0x" itself (0xFFh).
        std::string_view digits = text.substr(0, text.size() - 1);
        if (HasHexPrefix(digits))
            digits.remove_prefix(2);
        return Digits(digits, 16);
    }
    case 'd':
    case 'D': return Digits(text.substr(0, text.size() - 1), 10);
    case 'o':
    case 'O': return Digits(text.substr(0, text.size() - 1), 8);
    default: break;
    }
    if (HasHexPrefix(text))
        return Digits(text.substr(2), 16);
    if (text.size() > 1 && text[0] == '0')
        return Digits(text.substr(1), 8);
    return Digits(text, 10);
}
} // namespace

std::optional<std::uint64_t> QkParseDumpNumber(std::string_view text)
{
    text = Trim(text);
    if (auto value = ParseBySyntax(text))
        return value;
    // A C hexadecimal number whose last digit reads as a suffix (0x0D, 0x1D)
    // is still that number.
    if (HasHexPrefix(text))
        return Digits(text.substr(2), 16);
    return std::nullopt;
}

std::optional<std::vector<unsigned char>> QkParseSearchText(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::vector<unsigned char> pattern;
    // Items end at every comma; the last one may end at the end of the text.
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view item = Trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (item.empty())
            return std::nullopt;
        if (item.size() == 3 && item.front() == '\'' && item.back() == '\'') {
            pattern.push_back(static_cast<unsigned char>(item[1]));
        } else if (item.size() >= 3 && item.front() == '"' && item.back() == '"') {
            for (char c : item.substr(1, item.size() - 2))
                pattern.push_back(static_cast<unsigned char>(c));
        } else {
            const auto value = QkParseDumpNumber(item);
            if (!value)
                return std::nullopt;
            pattern.push_back(static_cast<unsigned char>(*value & 0xFF));
        }
        if (pattern.size() > kDumpPatternMax)
            return std::nullopt;
    }
    return pattern;
}

std::string QkSearchTextOf(const std::vector<unsigned char>& bytes, bool hexPane)
{
    std::string text;
    if (hexPane) {
        char item[8];
        for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) {
            std::snprintf(item, sizeof item, "%02Xh,", bytes[i]);
            text += item;
        }
        return text;
    }
    text = "\"";
    for (std::size_t i = 0; i < bytes.size() && i < 30; ++i)
        text += QkDumpChar(bytes[i]);
    return text + "\"";
}

std::string QkDumpHexText(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llXh", static_cast<unsigned long long>(value));
    return text;
}
