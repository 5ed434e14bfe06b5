// What a space buffer needs of the communication object to write its
// changes through to the programmer's memory. The facade (clQKComm)
// implements it; a buffer holds a pointer to it.
#pragma once

class clAdrs;
class clQKHugeBufIntr;

// Which protocol the communication object speaks: none before a connection,
// the demo protocol (no programmer), or the programmer's own. The values are
// those the port records carry.
enum class clQkProtocol : int { none = -2, demo = -1, real = 1 };

class clQKBufComm {
public:
    virtual ~clQKBufComm() = default;

    virtual int IsCommExist() const = 0;
    virtual clQkProtocol GetProtocol() const = 0;
    virtual int IsForceDemo() const = 0;
    // Tells the programmer the buffer's command range.
    virtual void SetAddressesSeq(const clQKHugeBufIntr& buf) = 0;
    // Writes first..last of the buffer to the programmer's memory, a run of
    // equal bytes as one fill frame, bit-reversed for the device families
    // that store bits in reverse order.
    virtual void WriteRangeSeq(const clQKHugeBufIntr& buf, const clAdrs& first, const clAdrs& last) = 0;
    // How long WriteRangeSeq over first..last keeps the line busy, in ms.
    virtual double WriteRangeMs(const clQKHugeBufIntr& buf, const clAdrs& first, const clAdrs& last) const = 0;
    // Counts the connections made so far: a programmer connected again may
    // have restarted and lost its memory.
    virtual unsigned GetConnectionCount() const = 0;
    // The progress that follows is the part from..to (percent) of a longer task.
    virtual void SetProgressPart(double from, double to) = 0;
    // The progress text of what follows (kept as a pointer, not copied).
    virtual void SetGlobalText(const char* text) = 0;
    virtual void ClearGlobalText() = 0;
};
