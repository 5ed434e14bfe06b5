// Builds expected option-array bytes by hand: little-endian numbers, texts
// and whole items.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "options/srvqk51.h"

class clBytes {
public:
    clBytes& U8(unsigned value) { return Raw(value, 1); }
    clBytes& U16(unsigned value) { return Raw(value, 2); }
    clBytes& U32(std::uint32_t value) { return Raw(value, 4); }
    // Characters only, no terminator.
    clBytes& Chars(const std::string& text)
    {
        m_s += text;
        return *this;
    }
    // Stored text: characters and a zero byte.
    clBytes& Text(const std::string& text) { return Chars(text).U8(0); }
    clBytes& Add(const clBytes& other) { return Chars(other.m_s); }
    // id, data length, data, 2 zero bytes.
    clBytes& Item(unsigned id, const clBytes& data)
    {
        return U16(id).U32(static_cast<std::uint32_t>(data.m_s.size())).Add(data).U16(0);
    }
    // Length byte and characters.
    clBytes& Signature(const std::string& text) { return U8(static_cast<unsigned>(text.size())).Chars(text); }
    // The stream form of a buffer with a linear start address.
    clBytes& Buffer(const std::string& name, std::uint32_t start, const std::string& bytes)
    {
        U8(static_cast<unsigned>(name.size())).Chars(name).U32(static_cast<std::uint32_t>(bytes.size()));
        return U16(0).U16(0).U16(0).U32(start).Chars(bytes); // type, base, offset, linear
    }

    const std::string& Str() const { return m_s; }

private:
    clBytes& Raw(std::uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i, value >>= 8)
            m_s += static_cast<char>(value & 0xFF);
        return *this;
    }

    std::string m_s;
};

// CRC-32 bit by bit (the zip and PNG one), to check a seal independently.
inline std::uint32_t BitwiseCrc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0);
    }
    return ~crc;
}

inline std::string SavedBytes(const TBscOptServer& server)
{
    std::ostringstream out;
    server.Save(out);
    return out.str();
}

inline void LoadBytes(TBscOptServer& server, const std::string& bytes)
{
    std::istringstream in(bytes);
    server.Load(in);
}
