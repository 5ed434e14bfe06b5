#include "cpplib/qkbufint.h"

#include "cpplib/clexpt.h"

namespace {
constexpr const char kSrc[] = "..\\cpplib\\qkbufint.cpp";
}

clQKHugeBufIntr::clQKHugeBufIntr(const char* name) : clHugeBuffer<unsigned char>(name) {}

int clQKHugeBufIntr::SetParams(std::uint32_t size, const clAdrs& start)
{
    const clAdrs oldStart = m_CmdStart;
    const clAdrs oldStop = m_CmdStop;
    m_CmdStart = start;
    m_CmdStop = size == 0 ? start : start + (size - 1);
    int done = 0;
    try {
        done = clHugeBuffer<unsigned char>::SetParams(size, start);
    } catch (...) {
        // A failed allocation leaves the buffer as it was; so is its range.
        m_CmdStart = oldStart;
        m_CmdStop = oldStop;
        throw;
    }
    if (done != 0 && size > 0)
        SetCmdAddresses(start, start + (size - 1));
    if (done == 0) {
        m_CmdStart = oldStart;
        m_CmdStop = oldStop;
    }
    return done;
}

void clQKHugeBufIntr::SetCmdAddresses(const clAdrs& start, const clAdrs& stop)
{
    if (!HasMemory())
        QkRaise<clXConstructor>(this, kSrc, 65);
    const std::uint64_t first = GetStartAdrs().GetLinear();
    const std::uint64_t end = first + GetSize();
    if (!(start.GetLinear() >= first && stop.GetLinear() < end))
        QkRaise<clXRange>(this, kSrc, 70);
    m_CmdStart = start;
    m_CmdStop = stop;
}
