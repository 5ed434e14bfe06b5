// Where things are in a hex dump: the address width, the lines, the units,
// and the pixel columns of the address, hex and character parts.
//
// Lines start at the buffer's first address; a unit of 2, 4 or 16 bytes
// starts at a multiple of its size from there. A 128-bit unit never fits a
// narrow line, so a line is at least one unit long.
#pragma once

#include <cstdint>
#include <string>

enum : int {
    dmpMarginX = 5,     // pixels left of the address column
    dmpAddressGap = 20, // pixels between the address and hex columns
    dmpHexGap = 10,     // pixels between the hex and character columns
};

class clDumpLayout {
public:
    clDumpLayout() = default;
    // unitSize 1, 2, 4 or 16; lineWidth 8 or 16 (anything else is taken as 1 and 16).
    clDumpLayout(std::uint32_t first, std::uint32_t size, unsigned unitSize, unsigned lineWidth);

    static bool IsUnitSize(unsigned size) { return size == 1 || size == 2 || size == 4 || size == 16; }
    static bool IsLineWidth(unsigned width) { return width == 8 || width == 16; }

    std::uint32_t First() const { return m_ulFirst; }
    std::uint32_t Size() const { return m_ulSize; }
    // The last address; First() for an empty buffer.
    std::uint32_t Last() const { return m_ulSize == 0 ? m_ulFirst : m_ulFirst + (m_ulSize - 1); }
    bool Contains(std::uint64_t adrs) const { return adrs >= m_ulFirst && adrs < std::uint64_t{m_ulFirst} + m_ulSize; }
    unsigned UnitSize() const { return m_uUnit; }
    unsigned LineWidth() const { return m_uLineWidth; }
    unsigned BytesPerLine() const { return m_uBytesPerLine; }
    unsigned UnitsPerLine() const { return m_uBytesPerLine / m_uUnit; }

    // 4, 6 or 8 digits, as the last address needs.
    int AddressDigits() const;
    // "%0<digits>Xh".
    std::string AddressText(std::uint32_t adrs) const;
    // Characters of the address column, its "h" included.
    int AddressChars() const { return AddressDigits() + 1; }

    std::uint32_t LineCount() const;
    std::uint32_t LineOf(std::uint32_t adrs) const { return (adrs - m_ulFirst) / m_uBytesPerLine; }
    std::uint32_t LineStart(std::uint32_t line) const { return m_ulFirst + line * m_uBytesPerLine; }
    std::uint32_t UnitStart(std::uint32_t adrs) const { return adrs - (adrs - m_ulFirst) % m_uUnit; }

    // Pixel columns for a font of charWidth pixels.
    int HexX(int charWidth) const { return dmpMarginX + AddressChars() * charWidth + dmpAddressGap; }
    int UnitX(int charWidth, unsigned unitInLine) const
    {
        return HexX(charWidth) + static_cast<int>(unitInLine * (2 * m_uUnit + 1)) * charWidth;
    }
    int CharX(int charWidth) const
    {
        return HexX(charWidth) + charWidth * static_cast<int>((2 * m_uUnit + 1) * UnitsPerLine()) + dmpHexGap;
    }
    // The width the columns need, with one character to spare.
    int ContentWidth(int charWidth) const
    {
        return CharX(charWidth) + static_cast<int>(m_uBytesPerLine + 1) * charWidth;
    }

    // The byte offset in a line under pixel x: in the hex column (hexPane
    // true, the unit's first byte) or the character column. Left of the
    // columns gives the line's start, right of them its last unit.
    unsigned OffsetAt(int x, int charWidth, bool& hexPane) const;

    // The hex text of one line's count bytes: each unit as 2 x unit digits in
    // the byte order (littleEndian: the highest address is the most
    // significant) and a blank. Bytes past the buffer's end show as blanks.
    std::string HexText(const unsigned char* bytes, unsigned count, bool littleEndian) const;
    // One character per byte ("." below 0x20 or above 0x7F).
    static std::string CharText(const unsigned char* bytes, unsigned count);

private:
    std::uint32_t m_ulFirst = 0;
    std::uint32_t m_ulSize = 0;
    unsigned m_uUnit = 1;
    unsigned m_uLineWidth = 16;
    unsigned m_uBytesPerLine = 16;
};
