// The buffer handed to every device operation: a space buffer with the
// command range an operation works on, the memory-space id and the block
// alignment the programmer needs.
#pragma once

#include <cstdint>

#include "cpplib/clbuffer.h"

class clQKHugeBufIntr : public clHugeBuffer<unsigned char> {
public:
    explicit clQKHugeBufIntr(const char* name = "");
    ~clQKHugeBufIntr() override = default;

    // Sizes the buffer and resets the command range to the whole of it.
    int SetParams(std::uint32_t size, const clAdrs& start) override;

    virtual void SetCmdAddresses(const clAdrs& start, const clAdrs& stop);
    virtual clAdrs GetCmdStartAdrs() const { return m_CmdStart; }
    virtual clAdrs GetCmdStopAdrs() const { return m_CmdStop; }
    virtual void SetSpaceId(std::uint32_t id) { m_ulSpaceId = id; }
    virtual std::uint32_t GetSpaceId() const { return m_ulSpaceId; }
    virtual void SetBlkAlignment(unsigned short alignment) { m_usBlkAlignment = alignment; }
    virtual unsigned short GetBlkAlignment() const { return m_usBlkAlignment; }

private:
    clAdrs m_CmdStart;
    clAdrs m_CmdStop;
    std::uint32_t m_ulSpaceId = 0;
    unsigned short m_usBlkAlignment = 1;
};
