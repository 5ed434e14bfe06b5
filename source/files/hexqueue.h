// The byte queue between records and blocks, and the block a reader fills.
#pragma once

#include <cstdint>
#include <vector>

#include "cladrs/cladrs.h"

// A ring of 256 bytes that holds at most 255, with the address of the next
// byte to be taken out (reading) or put in (writing). The address keeps the
// kind and base of the last address record, so a data record can set the
// offset within them; every byte moved advances it by one.
class clHexQueue {
public:
    static constexpr unsigned kCapacity = 256;

    bool IsEmpty() const { return m_uHead == m_uTail; }
    bool IsFull() const { return Next(m_uTail) == m_uHead; }
    unsigned GetCount() const { return (m_uTail + kCapacity - m_uHead) % kCapacity; }
    // False when the queue is full.
    bool Put(unsigned char byte)
    {
        if (IsFull())
            return false;
        m_Ring[m_uTail] = byte;
        m_uTail = Next(m_uTail);
        return true;
    }
    // The oldest byte; the queue must not be empty.
    unsigned char Take()
    {
        const unsigned char byte = m_Ring[m_uHead];
        m_uHead = Next(m_uHead);
        return byte;
    }
    void Clear() { m_uHead = m_uTail = 0; }

    // The address of the next byte, as a plain linear address.
    clAdrs GetAddress() const { return clAdrs(m_ulLinear); }
    std::uint32_t GetLinear() const { return m_ulLinear; }
    void Advance() { ++m_ulLinear; }
    // A plain linear address (Motorola records, writing).
    void SetLinear(std::uint32_t linear);
    // Kind and base of an address record, offset 0.
    void SetBase(ADRS_TYPE type, unsigned short base);
    // The offset of a data record within the current kind and base.
    void SetOffset(unsigned short offset);
    // Moves the current address, with its offset from the current base, to a
    // new kind and base.
    void Rebase(ADRS_TYPE type, unsigned short base);

private:
    static unsigned Next(unsigned i) { return (i + 1) % kCapacity; }
    std::uint32_t BaseLinear() const;

    unsigned char m_Ring[kCapacity] = {};
    unsigned m_uHead = 0;
    unsigned m_uTail = 0;
    ADRS_TYPE m_iType = adrsLinear;
    unsigned short m_usBase = 0;
    std::uint32_t m_ulLinear = 0;
};

// A block of up to its capacity bytes and the address of its first byte.
class clHexBlk {
public:
    explicit clHexBlk(std::size_t capacity) : m_Bytes(capacity) {}

    std::size_t GetCapacity() const { return m_Bytes.size(); }
    std::size_t GetCount() const { return m_uCount; }
    const clAdrs& GetAddress() const { return m_Adrs; }
    void SetAddress(const clAdrs& adrs) { m_Adrs = adrs; }
    void Clear() { m_uCount = 0; }
    // The caller keeps the count below the capacity.
    void Append(unsigned char byte) { m_Bytes[m_uCount++] = byte; }
    unsigned char* Data() { return m_Bytes.data(); }
    const unsigned char* Data() const { return m_Bytes.data(); }
    // Sets the bytes (at most the capacity).
    void Assign(const unsigned char* bytes, std::size_t count);

private:
    std::vector<unsigned char> m_Bytes;
    std::size_t m_uCount = 0;
    clAdrs m_Adrs;
};
