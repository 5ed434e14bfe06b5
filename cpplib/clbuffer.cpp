#include "cpplib/clbuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "cpplib/bitrev.h"
#include "cpplib/clexpt.h"
#include "cpplib/clutil.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"

namespace {
constexpr const char kSrc[] = "..\\CPPLIB\\CLBUFFER.H";
using Buffer = clHugeBuffer<unsigned char>;

std::uint64_t Linear(const clAdrs& a)
{
    return a.GetLinear();
}

std::size_t Count(const clAdrs& start, const clAdrs& stop)
{
    return static_cast<std::size_t>(Linear(stop) - Linear(start) + 1);
}
} // namespace

Buffer::clHugeBuffer(const char* name) : m_sName(name != nullptr ? name : "") {}

Buffer::~clHugeBuffer()
{
    std::free(m_pMem);
}

void Buffer::SetName(const char* name)
{
    m_sName = name != nullptr ? name : "";
}

clAdrs Buffer::GetStopAdrs() const
{
    if (m_ulSize == 0)
        return clAdrs(m_Start.GetLinear());
    return clAdrs(m_Start.GetLinear() + (m_ulSize - 1));
}

bool Buffer::Contains(const clAdrs& start, const clAdrs& stop) const
{
    const std::uint64_t first = m_Start.GetLinear();
    const std::uint64_t end = first + m_ulSize; // one past the last byte
    return Linear(start) >= first && Linear(stop) < end && Linear(start) <= Linear(stop);
}

void Buffer::CheckMemory(unsigned short line) const
{
    if (m_pMem == nullptr)
        QkRaise<clXConstructor>(this, kSrc, line);
}

void Buffer::CheckOrder(const clAdrs& start, const clAdrs& stop, unsigned short line) const
{
    if (stop < start)
        QkRaise<clXRange>(this, kSrc, line);
}

void Buffer::CheckInside(const clAdrs& start, const clAdrs& stop, unsigned short line) const
{
    if (!Contains(start, stop))
        QkRaise<clXRange>(this, kSrc, line);
}

void Buffer::CheckRange(const clAdrs& start, const clAdrs& stop, unsigned short noMemLine, unsigned short orderLine,
                        unsigned short insideLine) const
{
    CheckMemory(noMemLine);
    CheckOrder(start, stop, orderLine);
    CheckInside(start, stop, insideLine);
}

unsigned char Buffer::GetByte(const clAdrs& adrs) const
{
    CheckMemory(412);
    CheckInside(adrs, adrs, 416);
    return m_pMem[OffsetOf(adrs)];
}

std::uint16_t Buffer::Sum(const clAdrs& start, const clAdrs& stop) const
{
    CheckRange(start, stop, 644, 650, 654);
    const unsigned char* p = m_pMem + OffsetOf(start);
    const std::size_t n = Count(start, stop);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += p[i];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

void Buffer::SetByte(const clAdrs& adrs, const unsigned char* byte)
{
    CheckMemory(447);
    CheckInside(adrs, adrs, 453);
    m_pMem[OffsetOf(adrs)] = *byte;
}

void Buffer::CopyWithin(const clAdrs& start, const clAdrs& stop, const clAdrs& dest)
{
    CheckRange(start, stop, 496, 502, 506);
    const std::uint64_t destStop = Linear(dest) + (Linear(stop) - Linear(start));
    if (destStop > 0xFFFFFFFFu || !Contains(dest, clAdrs(static_cast<std::uint32_t>(destStop))))
        QkRaise<clXRange>(this, kSrc, 510);
    // Source and destination may overlap.
    std::memmove(m_pMem + OffsetOf(dest), m_pMem + OffsetOf(start), Count(start, stop));
}

void Buffer::CopyTo(const clAdrs& start, const clAdrs& stop, const clAdrs& dest, Buffer& other) const
{
    CheckMemory(576);
    other.CheckMemory(581);
    CheckOrder(start, stop, 587);
    CheckInside(start, stop, 592);
    const std::uint64_t destStop = Linear(dest) + (Linear(stop) - Linear(start));
    if (destStop > 0xFFFFFFFFu || !other.Contains(dest, clAdrs(static_cast<std::uint32_t>(destStop))))
        QkRaise<clXRange>(this, kSrc, 597);
    std::memmove(other.m_pMem + other.OffsetOf(dest), m_pMem + OffsetOf(start), Count(start, stop));
}

int Buffer::Compare(const clAdrs& start, const clAdrs& stop, const unsigned char* bytes) const
{
    CheckRange(start, stop, 696, 702, 706);
    return std::memcmp(m_pMem + OffsetOf(start), bytes, Count(start, stop)) == 0 ? 1 : 0;
}

int Buffer::Compare(const clAdrs& start, const clAdrs& stop, const Buffer& other, const clAdrs& otherAdrs) const
{
    CheckMemory(757);
    other.CheckMemory(762);
    CheckOrder(start, stop, 767);
    CheckInside(start, stop, 772);
    const std::uint64_t otherStop = Linear(otherAdrs) + (Linear(stop) - Linear(start));
    if (otherStop > 0xFFFFFFFFu || !other.Contains(otherAdrs, clAdrs(static_cast<std::uint32_t>(otherStop))))
        QkRaise<clXRange>(this, kSrc, 777);
    return std::memcmp(m_pMem + OffsetOf(start), other.m_pMem + other.OffsetOf(otherAdrs), Count(start, stop)) == 0 ? 1
                                                                                                                    : 0;
}

void Buffer::Read(const clAdrs& start, const clAdrs& stop, unsigned char* dst) const
{
    CheckRange(start, stop, 834, 840, 844);
    std::memcpy(dst, m_pMem + OffsetOf(start), Count(start, stop));
}

void Buffer::ReadReversed(const clAdrs& start, const clAdrs& stop, unsigned char* dst) const
{
    CheckRange(start, stop, 887, 893, 897);
    const std::size_t n = Count(start, stop);
    std::memcpy(dst, m_pMem + OffsetOf(start), n);
    QkReverseBits(dst, n);
}

void Buffer::Write(const clAdrs& start, const clAdrs& stop, const unsigned char* src)
{
    CheckRange(start, stop, 941, 947, 951);
    std::memmove(m_pMem + OffsetOf(start), src, Count(start, stop));
}

void Buffer::Fill(const clAdrs& start, const clAdrs& stop, const unsigned char* value)
{
    CheckRange(start, stop, 993, 999, 1003);
    std::memset(m_pMem + OffsetOf(start), *value, Count(start, stop));
}

void Buffer::SaveToStream(std::ostream& out) const
{
    CheckMemory(1132);
    const std::size_t nameLength = std::min<std::size_t>(m_sName.size(), 255);
    clBinaryIO::Write(out, static_cast<std::uint8_t>(nameLength));
    clBinaryIO::WriteBytes(out, m_sName.data(), nameLength);
    clBinaryIO::Write(out, m_ulSize);
    m_Start.Save(out);
    clBinaryIO::WriteBytes(out, m_pMem, m_ulSize);
}

void Buffer::LoadFromStream(std::istream& in)
{
    std::uint8_t nameLength = 0;
    clBinaryIO::Read(in, nameLength);
    std::string name(nameLength, '\0');
    clBinaryIO::ReadBytes(in, name.data(), nameLength);
    std::uint32_t size = 0;
    clBinaryIO::Read(in, size);
    clAdrs start;
    start.Load(in);

    // The size comes from the stream: take the bytes in steps, so a size that
    // lies about what the stream holds fails at its end instead of allocating
    // what it claims. Nothing of this buffer changes until all is read.
    std::vector<unsigned char> bytes;
    constexpr std::size_t kStep = 1u << 20;
    while (bytes.size() < size) {
        const std::size_t step = std::min<std::size_t>(kStep, size - bytes.size());
        const std::size_t have = bytes.size();
        bytes.resize(have + step);
        in.read(reinterpret_cast<char*>(bytes.data() + have), static_cast<std::streamsize>(step));
        if (in.gcount() != static_cast<std::streamsize>(step))
            QkRaise<clXEOF>(this, kSrc, 1058);
    }
    if (SetParams(size, start) == 0)
        QkRaise<clXSize>(this, kSrc, 1064);
    m_sName = name;
    if (m_pMem != nullptr)
        std::memcpy(m_pMem, bytes.data(), size);
}

int Buffer::SetParams(std::uint32_t size, const clAdrs& start)
{
    if (size == 0) {
        std::free(m_pMem);
        m_pMem = nullptr;
        m_Start = start;
        m_ulSize = 0;
        return 1;
    }
    if (size == m_ulSize && start == m_Start && m_pMem != nullptr)
        return 1;
    // A buffer whose last byte would lie past the 32-bit address space cannot
    // be addressed; refuse it like the impossible size.
    if (size == 0xFFFFFFFFu || static_cast<std::uint64_t>(start.GetLinear()) + size - 1 > 0xFFFFFFFFu)
        return 0;

    if (start == m_Start && m_pMem != nullptr) {
        if (void* grown = std::realloc(m_pMem, size)) {
            const std::uint32_t kept = std::min(m_ulSize, size);
            m_pMem = static_cast<unsigned char*>(grown);
            m_ulSize = size;
            FillAfterResize(kept);
            return 1;
        }
    }
    // Allocate before letting the old memory go, so a failure leaves the
    // buffer as it was. Zeroed memory from calloc is not touched until it is
    // used, so a large buffer filled piece by piece never costs twice.
    auto* fresh = static_cast<unsigned char*>(m_iFillOnResize != 0 ? std::malloc(size) : std::calloc(size, 1));
    if (fresh == nullptr)
        QkRaise<clXAlloc>(this, kSrc, 374);
    std::free(m_pMem);
    m_pMem = fresh;
    m_Start = start;
    m_ulSize = size;
    if (m_iFillOnResize != 0)
        std::memset(m_pMem, m_ucFillValue, m_ulSize);
    return 1;
}

// With fill-on-resize the whole buffer takes the fill value; otherwise bytes
// that did not exist before read as 0 rather than whatever the heap held.
void Buffer::FillAfterResize(std::uint32_t keptBytes)
{
    if (m_iFillOnResize != 0)
        std::memset(m_pMem, m_ucFillValue, m_ulSize);
    else if (keptBytes < m_ulSize)
        std::memset(m_pMem + keptBytes, 0, m_ulSize - keptBytes);
}

void Buffer::SetFill(int flag, unsigned char value)
{
    m_iFillOnResize = flag;
    if (flag != 0)
        m_ucFillValue = value;
}

int Buffer::LoadFile(const char* path)
{
    std::ifstream in(QkPath(path), std::ios::binary);
    if (!in)
        return 0;
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length < 0 || !in)
        return 0;
    if (m_pMem == nullptr) {
        if (length == 0)
            return 1;
        if (length >= 0xFFFFFFFF)
            throw clNoMemory();
        try {
            if (SetParams(static_cast<std::uint32_t>(length), m_Start) == 0)
                throw clNoMemory();
        } catch (const clXAlloc&) {
            throw clNoMemory();
        }
    }
    // A file longer than the buffer fills the buffer and no more.
    const std::size_t count = static_cast<std::size_t>(std::min<std::streamoff>(length, m_ulSize));
    in.read(reinterpret_cast<char*>(m_pMem), static_cast<std::streamsize>(count));
    return 1;
}

int Buffer::LoadBinRange(const char*, const clAdrs&, const clAdrs&)
{
    return 0;
}

int Buffer::LoadBinRangeReversed(const char*, const clAdrs&, const clAdrs&)
{
    return 0;
}

int Buffer::SaveBinRange(const char* path, const clAdrs& start, const clAdrs& stop) const
{
    CheckMemory(1300);
    CheckOrder(start, stop, 1306);
    CheckInside(start, stop, 1310);
    return QkWriteFileAtomically(path, m_pMem + OffsetOf(start), Count(start, stop)) ? 1 : 0;
}
