#include "tools/qksim/simmem.h"

#include <algorithm>
#include <cstring>

clSimMemory::clSimMemory(std::uint32_t size, unsigned char eraseValue)
    : m_Ram(size), m_Device(size, eraseValue), m_ucErase(eraseValue)
{
    LoseRam();
}

void clSimMemory::LoseRam()
{
    // A host that relies on memory it never wrote must fail, so the memory
    // must not happen to hold the bytes a blank image has.
    std::uint32_t state = 0x2545F491u;
    for (unsigned char& cell : m_Ram) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        cell = static_cast<unsigned char>(state >> 24);
    }
}

bool clSimMemory::WriteRam(std::uint32_t at, const unsigned char* data, std::uint32_t count)
{
    if (count == 0 || !InRange(at, static_cast<std::uint64_t>(at) + count - 1))
        return false;
    std::memcpy(m_Ram.data() + at, data, count);
    return true;
}

bool clSimMemory::FillRam(std::uint32_t start, std::uint32_t stop, unsigned char value)
{
    if (!InRange(start, stop))
        return false;
    std::fill(m_Ram.begin() + start, m_Ram.begin() + stop + 1, value);
    return true;
}

bool clSimMemory::ReadRam(std::uint32_t at, std::uint32_t count, unsigned char* out) const
{
    if (count == 0 || !InRange(at, static_cast<std::uint64_t>(at) + count - 1))
        return false;
    std::memcpy(out, m_Ram.data() + at, count);
    return true;
}

void clSimMemory::Erase()
{
    std::fill(m_Device.begin(), m_Device.end(), m_ucErase);
    ApplyStuck();
}

bool clSimMemory::Program(std::uint32_t start, std::uint32_t stop)
{
    for (std::uint64_t a = start; a <= stop; ++a)
        m_Device[a] &= m_Ram[a];
    ApplyStuck();
    const bool ok = Verify(start, stop).ok;
    // The flipped byte goes bad after the programmer's own check.
    if (m_bFlip && m_ulFlip < m_Device.size())
        m_Device[m_ulFlip] = static_cast<unsigned char>(~m_Device[m_ulFlip]);
    return ok;
}

clSimMemory::clCheck clSimMemory::Verify(std::uint32_t start, std::uint32_t stop) const
{
    for (std::uint64_t a = start; a <= stop; ++a)
        if (m_Device[a] != m_Ram[a])
            return {false, static_cast<std::uint32_t>(a), m_Device[a]};
    return {};
}

clSimMemory::clCheck clSimMemory::BlankCheck(std::uint32_t start, std::uint32_t stop) const
{
    for (std::uint64_t a = start; a <= stop; ++a)
        if (m_Device[a] != m_ucErase)
            return {false, static_cast<std::uint32_t>(a), m_Device[a]};
    return {};
}

std::uint16_t clSimMemory::Checksum(std::uint32_t start, std::uint32_t stop) const
{
    std::uint16_t sum = 0;
    for (std::uint64_t a = start; a <= stop; ++a)
        sum = static_cast<std::uint16_t>(sum + m_Device[a]);
    return sum;
}

void clSimMemory::ReadDevice(std::uint32_t start, std::uint32_t stop)
{
    std::copy(m_Device.begin() + start, m_Device.begin() + stop + 1, m_Ram.begin() + start);
}

void clSimMemory::SetFlip(std::uint32_t address)
{
    m_bFlip = true;
    m_ulFlip = address;
}

void clSimMemory::SetStuck(std::uint32_t address)
{
    m_bStuck = true;
    m_ulStuck = address;
    ApplyStuck();
}

void clSimMemory::ApplyStuck()
{
    if (m_bStuck && m_ulStuck < m_Device.size())
        m_Device[m_ulStuck] = 0x00;
}
