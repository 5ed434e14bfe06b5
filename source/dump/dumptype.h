// Typing over bytes. In the character column a printable character replaces
// the byte under the caret. In the hex column every digit shifts the unit's
// pending value left by 4 bits and enters itself as the lowest digit; the
// unit's bytes are formed from that value in the chosen byte order and
// written at once, so a partly typed unit has zeros in its upper digits.
#pragma once

#include <array>
#include <cstdint>

class clDumpTyping {
public:
    // What one typed character asks for.
    struct clStroke {
        bool accepted = false;
        bool unitDone = false; // the caret goes on to the next unit or byte
        std::array<unsigned char, 16> bytes{};
        unsigned count = 0; // bytes to write at the caret
    };

    // ch typed at a unit of unitSize bytes (the character column when not hexPane).
    clStroke Type(char ch, bool hexPane, unsigned unitSize, bool littleEndian);
    // A new unit starts from 0 (after a caret move or a layout change).
    void Clear();
    unsigned PendingDigits() const { return m_uDigits; }

private:
    // The pending value, most significant byte first.
    std::array<unsigned char, 16> m_Value{};
    unsigned m_uDigits = 0;
};
