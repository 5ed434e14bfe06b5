// The texts the dump editor reads from its dialogs and the clipboard:
// numbers with their radix suffixes or C prefixes, and search texts that
// make a byte pattern (Ex.  0xFF,12h,'B',"AM",10).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kDumpPatternMax = 32;    // bytes of a find or replace pattern
inline constexpr std::size_t kDumpSearchTextMax = 32; // characters of a find or replace field

// One number: a last character h/H, d/D or o/O chooses hexadecimal, decimal
// or octal; without one, "0x" means hexadecimal, a leading "0" octal,
// otherwise decimal. The whole text must be digits of that radix. Blanks
// and tabs around it are allowed. Nothing for an empty text, a stray
// character or a value that does not fit in 64 bits.
std::optional<std::uint64_t> QkParseDumpNumber(std::string_view text);

// The byte pattern of a search text; nothing when the text is empty, an item
// is empty or does not parse, or the pattern would be longer than 32 bytes.
std::optional<std::vector<unsigned char>> QkParseSearchText(std::string_view text);

// The find text proposed for selected bytes: "%02Xh," items of at most 8
// bytes for the hex column, else the characters (at most 30, "." for bytes
// below 0x20 or above 0x7F) between double quotes.
std::string QkSearchTextOf(const std::vector<unsigned char>& bytes, bool hexPane);

// "%lXh", the form a checked address or count field is rewritten in.
std::string QkDumpHexText(std::uint64_t value);

// A byte as the character column shows it.
inline char QkDumpChar(unsigned char byte)
{
    return byte < 0x20 || byte > 0x7F ? '.' : static_cast<char>(byte);
}
