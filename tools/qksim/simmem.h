// The simulated programmer's memory and the device behind it. The device is
// flash: programming can only clear bits, erasing sets every cell to the
// erase value.
#pragma once

#include <cstdint>
#include <vector>

class clSimMemory {
public:
    // The outcome of a check: ok, or the first failing address and its value.
    struct clCheck {
        bool ok = true;
        std::uint32_t address = 0;
        unsigned char value = 0;
    };

    // The programmer's memory starts with whatever a power-up leaves in it
    // (a fixed scramble, never the erase value throughout), the device erased.
    clSimMemory(std::uint32_t size, unsigned char eraseValue);

    // A restart of the programmer: its memory is lost again; the device keeps
    // what it holds.
    void LoseRam();

    std::uint32_t Size() const { return static_cast<std::uint32_t>(m_Ram.size()); }
    // True when start <= stop and both lie in the memory.
    bool InRange(std::uint64_t start, std::uint64_t stop) const { return start <= stop && stop < m_Ram.size(); }

    // The programmer's memory. Each answers false (and changes nothing) when
    // the range leaves it.
    bool WriteRam(std::uint32_t at, const unsigned char* data, std::uint32_t count);
    bool FillRam(std::uint32_t start, std::uint32_t stop, unsigned char value);
    bool ReadRam(std::uint32_t at, std::uint32_t count, unsigned char* out) const;
    // The 16-bit sum of the memory over [start, stop] (0 outside it).
    std::uint16_t RamSum(std::uint32_t start, std::uint32_t stop) const;

    // Device orders over [start, stop], which must be InRange.
    void Erase();
    // Programs memory into the device; false when a cell did not take its value.
    bool Program(std::uint32_t start, std::uint32_t stop);
    clCheck Verify(std::uint32_t start, std::uint32_t stop) const;
    clCheck BlankCheck(std::uint32_t start, std::uint32_t stop) const;
    std::uint16_t Checksum(std::uint32_t start, std::uint32_t stop) const;
    void ReadDevice(std::uint32_t start, std::uint32_t stop);

    const std::vector<unsigned char>& Device() const { return m_Device; }
    const std::vector<unsigned char>& Ram() const { return m_Ram; }

    // Faults: a byte inverted after every program order; a cell stuck at 0.
    void SetFlip(std::uint32_t address);
    void SetStuck(std::uint32_t address);

private:
    void ApplyStuck();

    std::vector<unsigned char> m_Ram;
    std::vector<unsigned char> m_Device;
    unsigned char m_ucErase;
    bool m_bFlip = false;
    std::uint32_t m_ulFlip = 0;
    bool m_bStuck = false;
    std::uint32_t m_ulStuck = 0;
};
