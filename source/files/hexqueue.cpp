#include "source/files/hexqueue.h"

#include <algorithm>

void clHexQueue::SetLinear(std::uint32_t linear)
{
    m_iType = adrsLinear;
    m_usBase = 0;
    m_ulLinear = linear;
}

void clHexQueue::SetBase(ADRS_TYPE type, unsigned short base)
{
    m_iType = type;
    m_usBase = base;
    m_ulLinear = BaseLinear();
}

void clHexQueue::SetOffset(unsigned short offset)
{
    m_ulLinear = BaseLinear() + offset;
}

void clHexQueue::Rebase(ADRS_TYPE type, unsigned short base)
{
    const std::uint32_t offset = m_ulLinear - BaseLinear();
    m_iType = type;
    m_usBase = base;
    m_ulLinear = BaseLinear() + offset;
}

std::uint32_t clHexQueue::BaseLinear() const
{
    switch (m_iType) {
    case adrsSegment: return static_cast<std::uint32_t>(m_usBase) << 4;
    case adrsBase64K: return static_cast<std::uint32_t>(m_usBase) << 16;
    default: return 0;
    }
}

void clHexBlk::Assign(const unsigned char* bytes, std::size_t count)
{
    m_uCount = std::min(count, m_Bytes.size());
    std::copy(bytes, bytes + m_uCount, m_Bytes.begin());
}
