// Multi-byte values in byte arrays, whatever the host's byte order: files,
// resources and records hold them least significant byte first, the
// programmer's frames most significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>

// count bytes (at most 8), least significant first.
inline constexpr std::uint64_t QkLoadLE(const unsigned char* at, std::size_t count)
{
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = (value << 8) | at[i];
    return value;
}

inline constexpr void QkStoreLE(unsigned char* at, std::uint64_t value, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i, value >>= 8)
        at[i] = static_cast<unsigned char>(value & 0xFF);
}

inline constexpr std::uint16_t QkLoadLE16(const unsigned char* at)
{
    return static_cast<std::uint16_t>(QkLoadLE(at, 2));
}

inline constexpr std::uint32_t QkLoadLE32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(QkLoadLE(at, 4));
}

// count bytes (at most 8), most significant first.
inline constexpr std::uint64_t QkLoadBE(const unsigned char* at, std::size_t count)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = (value << 8) | at[i];
    return value;
}

inline constexpr void QkStoreBE(unsigned char* at, std::uint64_t value, std::size_t count)
{
    for (std::size_t i = count; i-- > 0; value >>= 8)
        at[i] = static_cast<unsigned char>(value & 0xFF);
}

inline constexpr std::uint32_t QkLoadBE32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(QkLoadBE(at, 4));
}

inline constexpr void QkStoreBE32(unsigned char* at, std::uint32_t value)
{
    QkStoreBE(at, value, 4);
}

inline constexpr void QkStoreBE16(unsigned char* at, std::uint16_t value)
{
    QkStoreBE(at, value, 2);
}
