// What a space buffer needs of the communication object to write its
// changes through to the programmer's memory. The facade (clQKComm)
// implements it; a buffer holds a pointer to it.
#pragma once

class clQKHugeBufIntr;

class clQKBufComm {
public:
    virtual ~clQKBufComm() = default;

    virtual int IsCommExist() const = 0;
    // -1 demo, 1 the real protocol, -2 unconnected.
    virtual int GetProtocol() const = 0;
    virtual int IsForceDemo() const = 0;
    // Writes the buffer's command range to the programmer's memory.
    virtual void WriteSeq(const clQKHugeBufIntr& buf, int mode) = 0;
    virtual void FillSeq(const clQKHugeBufIntr& buf, unsigned char value) = 0;
    // Tells the programmer the buffer's command range.
    virtual void SetAddressesSeq(const clQKHugeBufIntr& buf) = 0;
    // The progress text of what follows (kept as a pointer, not copied).
    virtual void SetGlobalText(const char* text) = 0;
    virtual void ClearGlobalText() = 0;
};
