#include "qkdb/dbrec.h"

#include <algorithm>
#include <cstring>

#include "cpplib/qkbytes.h"

namespace {
// Little-endian fields of a resource; bytes past its end read as 0, as they
// do in the cleared read buffer of the database.
class clResReader {
public:
    clResReader(const unsigned char* data, std::size_t size) : m_pData(data), m_uSize(data != nullptr ? size : 0) {}

    std::uint32_t Get(std::size_t offset, std::size_t width) const
    {
        unsigned char bytes[4] = {};
        for (std::size_t i = 0; i < width && i < sizeof bytes; ++i)
            bytes[i] = Byte(offset + i);
        return QkLoadLE32(bytes);
    }
    unsigned short Get16(std::size_t offset) const { return static_cast<unsigned short>(Get(offset, 2)); }
    std::uint32_t Get32(std::size_t offset) const { return Get(offset, 4); }
    unsigned char Byte(std::size_t offset) const { return offset < m_uSize ? m_pData[offset] : 0; }

    // The NUL-terminated name from offset, cut at 255 characters.
    std::string Name(std::size_t offset) const
    {
        if (offset >= m_uSize)
            return {};
        const std::size_t available = std::min<std::size_t>(m_uSize - offset, 255);
        const auto* begin = reinterpret_cast<const char*>(m_pData + offset);
        return std::string(begin, strnlen(begin, available));
    }

private:
    const unsigned char* m_pData;
    std::size_t m_uSize;
};
} // namespace

clDBVndr::clDBVndr(unsigned short dbId, const unsigned char* data, std::size_t size)
    : clDBBasic(dbId), m_sName(clResReader(data, size).Name(0))
{}

clDBAdptr::clDBAdptr(unsigned short dbId, const unsigned char* data, std::size_t size) : clDBBasic(dbId)
{
    const clResReader r(data, size);
    m_usId = r.Get16(0);
    m_sName = r.Name(2);
}

clDBBuf::clDBBuf(unsigned short dbId, const unsigned char* data, std::size_t size) : clDBBasic(dbId)
{
    const clResReader r(data, size);
    m_usSpace = r.Get16(0);
    m_ulStart = r.Get32(2);
    m_ulStop = r.Get32(6);
    m_ulAlignment = r.Get32(10);
    m_ucEraseVal = r.Byte(14);
    m_usDlgHndlId = r.Get16(15);
    m_sName = r.Name(17);
}

clDBChipHdr::clDBChipHdr(unsigned short dbId, const unsigned char* data, std::size_t size) : clDBBasic(dbId)
{
    ReadHeader(data, size);
}

void clDBChipHdr::ReadHeader(const unsigned char* data, std::size_t size)
{
    const clResReader r(data, size);
    m_lType = r.Get16(0);
    m_usVndrNo = r.Get16(2);
    m_usAdptrNo = r.Get16(4);
    m_usChipId = r.Get16(6);
    m_sName = r.Name(8);
}

clDBChipInfo::clDBChipInfo(unsigned short dbId, const unsigned char* data, std::size_t size) : clDBBasic(dbId)
{
    ReadInfo(data, size);
}

void clDBChipInfo::ReadInfo(const unsigned char* data, std::size_t size)
{
    const clResReader r(data, size);
    m_usAlgId = r.Get16(0);
    m_usDeviceId = r.Get16(2);
    m_usVppVal = r.Get16(4);
    m_lSigChk = r.Get16(6);
    m_lErase = r.Get16(8);
    m_ulEraseTime = r.Get32(10);
    m_ulPgmTime = r.Get32(14);
    m_usVerSupp = r.Get16(18);
    m_ucScrtyBits = r.Byte(20);
    for (int i = 0; i < kMaxBufs; ++i)
        m_usBufNo[i] = r.Get16(21 + 2 * static_cast<std::size_t>(i));
    // Only 15 slots exist, whatever the stored count says.
    m_usBufCount = std::min<unsigned short>(r.Get16(51), kMaxBufs);
    m_usPgmPulse = r.Get16(53);
}

unsigned short clDBChipInfo::GetBufNo(int i) const
{
    if (i < 0 || i >= m_usBufCount)
        return 0;
    return m_usBufNo[i];
}

clDBChip::clDBChip(unsigned short dbId, const unsigned char* header, std::size_t headerSize, const unsigned char* info,
                   std::size_t infoSize)
    : clDBBasic(dbId)
{
    ReadHeader(header, headerSize);
    ReadInfo(info, infoSize);
}
