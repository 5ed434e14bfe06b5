// The communication library's error records and its own error manager.
// The records carry their numbers; the message texts join with the facade.
#pragma once

#include <cstdint>

#include "cladrs/cladrs.h"
#include "err/qkerr.h"

class clQKCommEr : public clBasicErr {
public:
    clQKCommEr(unsigned long processId, unsigned short errNo, ERR_TYPE type, unsigned char option)
        : clBasicErr(processId, errNo, type, option)
    {
    }
};

// A blank check found a programmed cell.
class clQKCommBlnkErr : public clBasicErr {
public:
    clQKCommBlnkErr(unsigned long processId, const clAdrs& address, unsigned char value)
        : clBasicErr(processId, 3, erTypeNote, erOptOk), m_Adrs(address), m_ucValue(value)
    {
    }
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
                   unsigned char bufferValue)
        : clBasicErr(processId, 9, erTypeNote, erOptOk), m_Adrs(address), m_ucDevice(deviceValue),
          m_ucBuffer(bufferValue)
    {
    }
    const clAdrs& GetAddress() const { return m_Adrs; }
    unsigned char GetDeviceValue() const { return m_ucDevice; }
    unsigned char GetBufferValue() const { return m_ucBuffer; }

private:
    clAdrs m_Adrs;
    unsigned char m_ucDevice;
    unsigned char m_ucBuffer;
};

// The library's error manager: every record the library reports goes here.
clErrMngr& GetCommErrMngr();
