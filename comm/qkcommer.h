// The communication library's error records, its message table and its own
// error manager.
#pragma once

#include <cstdint>

#include "cladrs/cladrs.h"
#include "err/qkerr.h"

// The text of message no of the table (0 to 26), or null.
const char* QkCommMessage(unsigned short no);

// A numbered communication error; numbers 0 to 20 carry their message.
class clQKCommEr : public clBasicErr {
public:
    clQKCommEr(unsigned long processId, unsigned short errNo, ERR_TYPE type, unsigned char option);
};

// A blank check found a programmed cell.
class clQKCommBlnkErr : public clBasicErr {
public:
    clQKCommBlnkErr(unsigned long processId, const clAdrs& address, unsigned char value);
    const clAdrs& GetAddress() const { return m_Adrs; }
    unsigned char GetDeviceValue() const { return m_ucValue; }

private:
    clAdrs m_Adrs;
    unsigned char m_ucValue;
};

// A verify found a device byte that differs from the buffer.
class clQKCommVrfErr : public clBasicErr {
public:
    clQKCommVrfErr(unsigned long processId, const clAdrs& address, unsigned char deviceValue,
                   unsigned char bufferValue);
    const clAdrs& GetAddress() const { return m_Adrs; }
    unsigned char GetDeviceValue() const { return m_ucDevice; }
    unsigned char GetBufferValue() const { return m_ucBuffer; }

private:
    clAdrs m_Adrs;
    unsigned char m_ucDevice;
    unsigned char m_ucBuffer;
};

// Programming stopped at an address (given as its two 16-bit halves).
class clQKCommPgmErr : public clBasicErr {
public:
    clQKCommPgmErr(unsigned long processId, unsigned short low, unsigned short high);
    std::uint32_t GetAddress() const { return m_ulAdrs; }

private:
    std::uint32_t m_ulAdrs;
};

// A firmware update that could not be done. Its numbers follow the message
// table; each record carries its own text.
class clQKBootErr : public clBasicErr {
public:
    enum : unsigned short {
        bootNoEntry = 27,   // the boot library has no com_init
        bootFailed = 28,    // com_init failed; detail: the boot library's reason
        bootStillThere = 29 // the monitor still answers after an update
    };
    // detail: the library's path for bootNoEntry, the boot library's error
    // text for bootFailed; bootLibErr: the boot library's error number.
    clQKBootErr(unsigned long processId, unsigned short errNo, const char* detail = "", int bootLibErr = 0);
};

// The library's error manager: every record the library reports goes here.
// It shows them with the notifier of the error-handler library from the
// moment the library is loaded.
clErrMngr& GetCommErrMngr();

// What the programmer's answer that it is updating its firmware (reply code
// 5) is shown as.
inline constexpr const char kQkUpdatingText[] =
    "Software is being updated. Wait until LCD displays 'RESTART NEEDED'\n and then turn off QK-JTAG. The QK-JTAG "
    "software will be closed automatically.";
