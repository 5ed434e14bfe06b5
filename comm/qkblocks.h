// How transfers between the PC and the programmer's memory are cut into
// frames: blocks that never cross a 64 KiB boundary, and runs of equal bytes
// that go as one fill frame.
#pragma once

#include <cstdint>

#include "cladrs/cladrs.h"
#include "cpplib/clbuffer.h"

// Cuts [start, stop] into blocks of at most max bytes, none crossing a 64 KiB
// boundary.
class clBlockSplit {
public:
    clBlockSplit(const clAdrs& start, const clAdrs& stop);
    // The next block, false when the range is used up.
    bool NextBlock(std::uint32_t max, clAdrs& first, clAdrs& last);

private:
    std::uint64_t m_ullNext;
    std::uint64_t m_ullStop;
};

// One piece of a range to write: plain data, or a run of one byte value.
struct clWritePiece {
    clAdrs start;
    clAdrs stop;
    bool run = false;
    unsigned char value = 0;
};

// Cuts [start, stop] of a buffer into runs of kMinRun or more equal bytes (at
// most kMaxRun each) and the data between them, reading the buffer through a
// window of kWindow bytes.
class clRunSplit {
public:
    static constexpr std::uint32_t kMinRun = 24;
    static constexpr std::uint32_t kMaxRun = 16384;
    static constexpr std::uint32_t kWindow = 4096;

    clRunSplit(const clHugeBuffer<unsigned char>& buf, const clAdrs& start, const clAdrs& stop);
    bool Next(clWritePiece& piece);

private:
    unsigned char ByteAt(std::uint64_t at);
    std::uint64_t RunLength(std::uint64_t at, std::uint64_t limit);

    const clHugeBuffer<unsigned char>& m_Buf;
    std::uint64_t m_ullPos;     // where the scan goes on
    std::uint64_t m_ullPending; // first byte not yet handed out
    std::uint64_t m_ullStop;
    bool m_bRunQueued = false; // a run found behind pending data
    clWritePiece m_QueuedRun;
    unsigned char m_Window[kWindow];
    std::uint64_t m_ullWinStart = 0;
    std::uint64_t m_ullWinLen = 0;
};
