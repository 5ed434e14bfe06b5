#include "source/dump/dumplayout.h"

#include <algorithm>
#include <cstdio>

#include "source/dump/dumptext.h"

clDumpLayout::clDumpLayout(std::uint32_t first, std::uint32_t size, unsigned unitSize, unsigned lineWidth)
    : m_ulFirst(first),
      m_ulSize(size),
      m_uUnit(IsUnitSize(unitSize) ? unitSize : 1),
      m_uLineWidth(IsLineWidth(lineWidth) ? lineWidth : 16),
      m_uBytesPerLine(std::max(m_uLineWidth, m_uUnit))
{
    // A buffer may reach the end of the address space, no further.
    if (std::uint64_t{m_ulFirst} + m_ulSize > 0x100000000ull)
        m_ulSize = static_cast<std::uint32_t>(0x100000000ull - m_ulFirst);
}

int clDumpLayout::AddressDigits() const
{
    const std::uint32_t last = Last();
    if (last < 0x10000)
        return 4;
    if (last < 0x1000000)
        return 6;
    return 8;
}

std::string clDumpLayout::AddressText(std::uint32_t adrs) const
{
    char format[16];
    std::snprintf(format, sizeof format, "%%0%dXh", AddressDigits());
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(adrs));
    return text;
}

std::uint32_t clDumpLayout::LineCount() const
{
    return static_cast<std::uint32_t>((std::uint64_t{m_ulSize} + m_uBytesPerLine - 1) / m_uBytesPerLine);
}

unsigned clDumpLayout::OffsetAt(int x, int charWidth, bool& hexPane) const
{
    const int charX = CharX(charWidth);
    const unsigned lastUnit = m_uBytesPerLine - m_uUnit;
    if (charWidth <= 0)
        return 0;
    hexPane = x < charX - dmpHexGap / 2;
    if (hexPane) {
        if (x < HexX(charWidth))
            return 0;
        const auto unit =
            static_cast<unsigned>((x - HexX(charWidth)) / (charWidth * static_cast<int>(2 * m_uUnit + 1)));
        return std::min(unit * m_uUnit, lastUnit);
    }
    if (x < charX)
        return 0;
    return std::min(static_cast<unsigned>((x - charX) / charWidth), m_uBytesPerLine - 1);
}

std::string clDumpLayout::HexText(const unsigned char* bytes, unsigned count, bool littleEndian) const
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<std::size_t>(UnitsPerLine()) * (2 * m_uUnit + 1));
    for (unsigned unit = 0; unit * m_uUnit < count; ++unit) {
        for (unsigned k = 0; k < m_uUnit; ++k) {
            // k counts from the most significant byte.
            const unsigned index = unit * m_uUnit + (littleEndian ? m_uUnit - 1 - k : k);
            if (index < count) {
                text += kDigits[bytes[index] >> 4];
                text += kDigits[bytes[index] & 0x0F];
            } else {
                text += "  ";
            }
        }
        text += ' ';
    }
    return text;
}

std::string clDumpLayout::CharText(const unsigned char* bytes, unsigned count)
{
    std::string text(count, '.');
    for (unsigned i = 0; i < count; ++i)
        text[i] = QkDumpChar(bytes[i]);
    return text;
}
