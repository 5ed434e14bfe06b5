#include "cladrs/cladrs.h"

#include "cpplib/clexpt.h"
#include "cpplib/clutil.h"

namespace {
constexpr const char kSrc[] = "..\\cladrs\\cladrs.cpp";
}

clAdrs::clAdrs(std::uint32_t linear) : m_ulLinear(linear) {}

clAdrs::clAdrs(ADRS_TYPE type, unsigned short base, unsigned short offset)
    : m_usBase(base), m_usOffset(offset), m_iType(type)
{
    if (type == adrsLinear)
        QkRaise<clXType>(this, kSrc, 103);
    Recompute();
}

void clAdrs::Recompute()
{
    switch (m_iType) {
    case adrsLinear:
        m_usBase = 0;
        m_usOffset = 0;
        break;
    case adrsSegment: m_ulLinear = static_cast<std::uint32_t>(m_usBase) * 16u + m_usOffset; break;
    case adrsBase64K: m_ulLinear = (static_cast<std::uint32_t>(m_usBase) << 16) | m_usOffset; break;
    default:
        // Never produced by the system; a stored address of an unknown kind
        // keeps its linear value.
        break;
    }
}

void clAdrs::SetAdrs(ADRS_TYPE type, unsigned short base, unsigned short offset)
{
    if (type == adrsLinear)
        QkRaise<clXType>(this, kSrc, 197);
    m_iType = type;
    m_usBase = base;
    m_usOffset = offset;
    Recompute();
}

unsigned short clAdrs::GetBase() const
{
    if (m_iType == adrsLinear)
        QkRaise<clXType>(this, kSrc, 175);
    return m_usBase;
}

unsigned short clAdrs::GetOffset() const
{
    if (m_iType == adrsLinear)
        QkRaise<clXType>(this, kSrc, 219);
    return m_usOffset;
}

void clAdrs::SetOffset(unsigned short offset)
{
    if (m_iType == adrsLinear)
        QkRaise<clXType>(this, kSrc, 238);
    m_usOffset = offset;
    Recompute();
}

void clAdrs::SetBase(unsigned short base)
{
    if (m_iType == adrsLinear)
        QkRaise<clXType>(this, kSrc, 259);
    m_usBase = base;
    Recompute();
}

clAdrs clAdrs::operator+(std::uint32_t n) const
{
    return clAdrs(static_cast<std::uint32_t>(m_ulLinear + n));
}

clAdrs clAdrs::operator-(std::uint32_t n) const
{
    if (n > m_ulLinear)
        QkRaise<clXRange>(this, kSrc, 299);
    return clAdrs(m_ulLinear - n);
}

std::uint32_t clAdrs::operator-(const clAdrs& other) const
{
    if (m_ulLinear < other.m_ulLinear)
        QkRaise<clXRange>(this, kSrc, 156);
    return m_ulLinear - other.m_ulLinear;
}

void clAdrs::Load(std::istream& in)
{
    std::uint16_t type = 0;
    std::uint16_t base = 0;
    std::uint16_t offset = 0;
    std::uint32_t linear = 0;
    // Read into locals first, so a short stream leaves the address as it was.
    clBinaryIO::Read(in, type);
    clBinaryIO::Read(in, base);
    clBinaryIO::Read(in, offset);
    clBinaryIO::Read(in, linear);
    m_iType = static_cast<std::int16_t>(type);
    m_usBase = base;
    m_usOffset = offset;
    m_ulLinear = linear;
}

void clAdrs::Save(std::ostream& out) const
{
    clBinaryIO::Write(out, static_cast<std::uint16_t>(m_iType & 0xFFFF));
    clBinaryIO::Write(out, m_usBase);
    clBinaryIO::Write(out, m_usOffset);
    clBinaryIO::Write(out, m_ulLinear);
}

bool clAdrs::SameFields(const clAdrs& other) const
{
    return m_iType == other.m_iType && m_usBase == other.m_usBase && m_usOffset == other.m_usOffset &&
           m_ulLinear == other.m_ulLinear;
}
