// What the dump editor puts on the clipboard and takes from it.
//
// Copy gives text (one character per byte from the character column; "%02Xh"
// items from the hex column, two blanks apart and CR LF after every 16th
// byte) and, from the hex column, the binary image "CF_BINIMAGE": a 32-bit
// little-endian byte count and the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cpplib/clbuffer.h"

inline constexpr const char kBinImageFormat[] = "CF_BINIMAGE";

// The clipboard as the editor sees it; the window supplies the real one.
class clDumpClipboard {
public:
    virtual ~clDumpClipboard() = default;
    // Whether the "CF_BINIMAGE" format could be registered.
    virtual bool HasBinFormat() const = 0;
    // Replaces the clipboard's contents: text, and an image when given.
    virtual void Put(const std::string& text, const std::vector<unsigned char>* image) = 0;
    virtual std::optional<std::vector<unsigned char>> GetBinImage() const = 0;
    virtual std::optional<std::string> GetText() const = 0;
};

// The text of first..last (inclusive), read in windows of 2048 bytes.
std::string QkDumpCopyText(const clHugeBuffer<unsigned char>& buf, std::uint32_t first, std::uint32_t last,
                           bool hexPane);
// The "CF_BINIMAGE" block of first..last.
std::vector<unsigned char> QkDumpBinImage(const clHugeBuffer<unsigned char>& buf, std::uint32_t first,
                                          std::uint32_t last);

// The bytes of a "CF_BINIMAGE" block; nothing when the block is shorter than
// 4 bytes or than its count says.
std::optional<std::span<const unsigned char>> QkDumpBinImageBytes(std::span<const unsigned char> block);
// Pasted hex-column text: numbers separated by blanks, tabs, CR or LF (low 8
// bits each); the first item that is not a number ends the bytes, unless the
// whole text is a plain hex dump ("DE AD BE EF"), which is read as such.
std::vector<unsigned char> QkDumpBytesOfHexText(std::string_view text);
// Pasted character-column text: its characters up to a zero.
std::vector<unsigned char> QkDumpBytesOfCharText(std::string_view text);

// Writes bytes from adrs in chunks of 2048, cut at the buffer's last
// address; answers the number written.
std::uint32_t QkDumpWriteAt(clHugeBuffer<unsigned char>& buf, std::uint32_t adrs, std::span<const unsigned char> bytes);
