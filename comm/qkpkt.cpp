#include "comm/qkpkt.h"

#include <algorithm>
#include <cstring>

#include "cpplib/qkbytes.h"

void clQKPkt::Start(int length, unsigned char kind, unsigned char order)
{
    m_iLength = length;
    m_Bytes[0] = static_cast<unsigned char>(length - 1);
    m_Bytes[1] = kind;
    m_Bytes[2] = order;
}

std::uint32_t clQKPkt::BigEndian32(int at) const
{
    return QkLoadBE32(m_Bytes + at);
}

void clQKPkt::SetExecute(unsigned char order, const unsigned char* args, int count)
{
    count = std::max(count, 0);
    Start(3 + count, qkwire::kindExecute, order);
    const int room = static_cast<int>(sizeof m_Bytes) - 3;
    if (args != nullptr)
        std::memcpy(m_Bytes + 3, args, static_cast<std::size_t>(std::min(count, room)));
}

void clQKPkt::SetRequest(unsigned char order, unsigned char sub, std::uint32_t adrs, unsigned char len)
{
    Start(kHeader, qkwire::kindRequest, order);
    m_Bytes[3] = sub;
    QkStoreBE32(m_Bytes + 4, adrs);
    m_Bytes[8] = len;
}

void clQKPkt::SetWrite(unsigned char order, unsigned char sub, std::uint32_t adrs, const unsigned char* data, int len)
{
    len = std::max(len, 0);
    Start(kHeader + len, qkwire::kindWrite, order);
    m_Bytes[3] = sub;
    QkStoreBE32(m_Bytes + 4, adrs);
    m_Bytes[8] = static_cast<unsigned char>(len);
    const int room = static_cast<int>(sizeof m_Bytes) - kHeader;
    if (data != nullptr)
        std::memcpy(m_Bytes + kHeader, data, static_cast<std::size_t>(std::min(len, room)));
}

void clQKPkt::SetFill(unsigned char order, unsigned char sub, std::uint32_t start, std::uint32_t stop,
                      unsigned char value)
{
    Start(13, qkwire::kindFill, order); // cnt, kind, order, sub, start, stop, value
    m_Bytes[3] = sub;
    QkStoreBE32(m_Bytes + 4, start);
    QkStoreBE32(m_Bytes + 8, stop);
    m_Bytes[12] = value;
}

void clQKPkt::SetReboot(unsigned char order)
{
    Start(3, qkwire::kindReboot, order);
}
