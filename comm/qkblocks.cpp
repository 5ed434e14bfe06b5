#include "comm/qkblocks.h"

#include <algorithm>

namespace {
clAdrs Linear(std::uint64_t at)
{
    return clAdrs(static_cast<std::uint32_t>(at));
}
} // namespace

clBlockSplit::clBlockSplit(const clAdrs& start, const clAdrs& stop)
    : m_ullNext(start.GetLinear()), m_ullStop(stop.GetLinear())
{}

bool clBlockSplit::NextBlock(std::uint32_t max, clAdrs& first, clAdrs& last)
{
    if (m_ullNext > m_ullStop || max == 0)
        return false;
    const std::uint64_t segmentEnd = (m_ullNext | 0xFFFF);
    const std::uint64_t end = std::min({m_ullStop, segmentEnd, m_ullNext + max - 1});
    first = Linear(m_ullNext);
    last = Linear(end);
    m_ullNext = end + 1;
    return true;
}

clRunSplit::clRunSplit(const clHugeBuffer<unsigned char>& buf, const clAdrs& start, const clAdrs& stop)
    : m_Buf(buf), m_ullPos(start.GetLinear()), m_ullPending(start.GetLinear()), m_ullStop(stop.GetLinear())
{}

unsigned char clRunSplit::ByteAt(std::uint64_t at)
{
    if (at < m_ullWinStart || at >= m_ullWinStart + m_ullWinLen) {
        m_ullWinStart = at;
        m_ullWinLen = std::min<std::uint64_t>(kWindow, m_ullStop - at + 1);
        m_Buf.Read(Linear(at), Linear(at + m_ullWinLen - 1), m_Window);
    }
    return m_Window[at - m_ullWinStart];
}

std::uint64_t clRunSplit::RunLength(std::uint64_t at, std::uint64_t limit)
{
    const unsigned char value = ByteAt(at);
    std::uint64_t n = 1;
    while (n < limit && ByteAt(at + n) == value)
        ++n;
    return n;
}

bool clRunSplit::Next(clWritePiece& piece)
{
    if (m_bRunQueued) {
        m_bRunQueued = false;
        piece = m_QueuedRun;
        return true;
    }
    if (m_ullPending > m_ullStop)
        return false;
    while (m_ullStop - m_ullPos + 1 >= kMinRun) {
        const std::uint64_t runStart = m_ullPos;
        const unsigned char value = ByteAt(runStart);
        const std::uint64_t length = RunLength(runStart, std::min<std::uint64_t>(kMaxRun, m_ullStop - runStart + 1));
        m_ullPos += length;
        if (length < kMinRun)
            continue; // too short: these bytes stay with the data
        clWritePiece run{Linear(runStart), Linear(runStart + length - 1), true, value};
        const std::uint64_t pending = m_ullPending;
        m_ullPending = m_ullPos;
        if (pending == runStart) {
            piece = run;
        } else {
            piece = clWritePiece{Linear(pending), Linear(runStart - 1), false, 0};
            m_QueuedRun = run;
            m_bRunQueued = true;
        }
        return true;
    }
    piece = clWritePiece{Linear(m_ullPending), Linear(m_ullStop), false, 0};
    m_ullPending = m_ullStop + 1;
    m_ullPos = m_ullPending;
    return true;
}
