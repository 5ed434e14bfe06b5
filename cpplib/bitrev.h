// Bit-order reversal of a byte (bit 7 becomes bit 0, bit 6 bit 1, ...): some
// device families store their bits in reverse order.
#pragma once

#include <array>
#include <cstddef>

namespace qk_detail {
constexpr std::array<unsigned char, 256> MakeBitReverseTable()
{
    std::array<unsigned char, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned r = 0;
        for (unsigned bit = 0; bit < 8; ++bit)
            if (v & (1u << bit))
                r |= 0x80u >> bit;
        table[v] = static_cast<unsigned char>(r);
    }
    return table;
}
inline constexpr std::array<unsigned char, 256> kBitReverse = MakeBitReverseTable();
} // namespace qk_detail

constexpr unsigned char QkReverseBits(unsigned char value)
{
    return qk_detail::kBitReverse[value];
}

inline void QkReverseBits(unsigned char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = QkReverseBits(bytes[i]);
}
