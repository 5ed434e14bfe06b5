// The boot library's own serial driver: opens a COM port by number with a
// line setting, writes requests and reads monitor replies with a time-out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comm/comhandle.h"

// The letter of a line parity code (0 none, 1 odd, 2 even, 3 mark, 4 space);
// 'N' for any other code.
char QkParityLetter(unsigned code);

class CCommDriver {
public:
    CCommDriver() = default;
    // One driver owns its port: a copy would close the device twice.
    CCommDriver(const CCommDriver&) = delete;
    CCommDriver& operator=(const CCommDriver&) = delete;
    virtual ~CCommDriver();

    virtual bool Connected() const;
    virtual unsigned PortNumber() const { return m_uPort; }
    virtual std::int32_t BaudRate() const { return m_Dcb.BaudRate; }
    // 'N', 'O', 'E', 'M' or 'S' for the line's parity.
    virtual char Parity() const { return QkParityLetter(m_Dcb.Parity); }
    // The stop-bit code: 0 one, 1 one and a half, 2 two.
    virtual int StopBits() const { return m_Dcb.StopBits; }
    virtual int DataBits() const { return m_Dcb.ByteSize; }
    virtual void UnPlugPortDrv();
    // Opens COM port with baud, a parity letter (n, o, e, m, s in either
    // case), data bits and stop bits (1 or 2); queues are purged. On any
    // failure the port is closed and the result is false.
    virtual bool PlugPortDrv(unsigned port, std::int32_t baud, char parity, int dataBits, int stopBits);
    // Discards pending input and line errors first; true when every byte went.
    virtual bool Write(const unsigned char* bytes, std::size_t count);
    // Reads count bytes within timeoutMs (whole seconds of it count). With
    // lengthFromFirst, the first byte read plus one lowers the count. got is
    // what actually arrived.
    virtual bool Read(unsigned char* bytes, std::size_t count, std::uint32_t timeoutMs, std::size_t& got,
                      bool lengthFromFirst);

    // Purges both directions; true when the port is closed.
    bool FlushCommBuffrers();

private:
    clComHandle m_Handle;
    clComDcb m_Dcb;
    unsigned m_uPort = 1;
};
