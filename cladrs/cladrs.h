// A device address: a 32-bit linear value and, for segmented kinds, the base
// and offset it is made of.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

// How base and offset make the linear address.
using ADRS_TYPE = std::int32_t;
enum : ADRS_TYPE {
    adrsLinear = 0,  // linear set directly; base and offset are 0
    adrsSegment = 1, // base * 16 + offset
    adrsBase64K = 2, // base * 65536 + offset
};

class clAdrs {
public:
    // A plain linear address (type 0).
    clAdrs(std::uint32_t linear = 0);
    // A segmented address; type 0 raises clXType.
    clAdrs(ADRS_TYPE type, unsigned short base, unsigned short offset);
    clAdrs(const clAdrs&) = default;
    clAdrs& operator=(const clAdrs&) = default;
    virtual ~clAdrs() = default;

    void SetAdrs(ADRS_TYPE type, unsigned short base, unsigned short offset);
    unsigned short GetBase() const;
    unsigned short GetOffset() const;
    void SetBase(unsigned short base);
    void SetOffset(unsigned short offset);

    ADRS_TYPE GetType() const { return m_iType; }
    std::uint32_t GetLinear() const { return m_ulLinear; }

    // Arithmetic always yields a plain linear address.
    clAdrs operator+(std::uint32_t n) const;
    clAdrs operator-(std::uint32_t n) const;
    // The distance from other up to this address.
    std::uint32_t operator-(const clAdrs& other) const;

    // Comparisons look at the linear value only.
    friend bool operator==(const clAdrs& a, const clAdrs& b) { return a.m_ulLinear == b.m_ulLinear; }
    friend auto operator<=>(const clAdrs& a, const clAdrs& b) { return a.m_ulLinear <=> b.m_ulLinear; }

    // The 10-byte stream form: type, base, offset, linear (little-endian).
    void Load(std::istream& in);
    void Save(std::ostream& out) const;

    // Field-for-field equality (all four fields), for round-trip checks.
    bool SameFields(const clAdrs& other) const;

private:
    void Recompute();

    unsigned short m_usBase = 0;
    unsigned short m_usOffset = 0;
    std::uint32_t m_ulLinear = 0;
    ADRS_TYPE m_iType = adrsLinear;
};
