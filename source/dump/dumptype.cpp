#include "source/dump/dumptype.h"

#include "cpplib/qktext.h"

void clDumpTyping::Clear()
{
    m_Value.fill(0);
    m_uDigits = 0;
}

clDumpTyping::clStroke clDumpTyping::Type(char ch, bool hexPane, unsigned unitSize, bool littleEndian)
{
    clStroke stroke;
    if (!hexPane) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte > 0x7F)
            return stroke;
        stroke = {true, true, {byte}, 1};
        return stroke;
    }
    const int digit = QkHexDigitValue(ch);
    if (digit < 0 || unitSize == 0 || unitSize > m_Value.size())
        return stroke;
    // Shift the unit's value (its last unitSize bytes) left by one digit.
    const std::size_t first = m_Value.size() - unitSize;
    for (std::size_t i = first; i < m_Value.size(); ++i) {
        const unsigned char next = i + 1 < m_Value.size() ? m_Value[i + 1] : 0;
        m_Value[i] = static_cast<unsigned char>((m_Value[i] << 4) | (next >> 4));
    }
    m_Value.back() = static_cast<unsigned char>(m_Value.back() | digit);
    ++m_uDigits;

    stroke.accepted = true;
    stroke.count = unitSize;
    for (unsigned k = 0; k < unitSize; ++k) {
        // k counts from the most significant byte.
        const unsigned char byte = m_Value[first + k];
        stroke.bytes[littleEndian ? unitSize - 1 - k : k] = byte;
    }
    if (m_uDigits >= 2 * unitSize) {
        stroke.unitDone = true;
        Clear();
    }
    return stroke;
}
