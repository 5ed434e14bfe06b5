// The protocol base: what the facade asks of a protocol object, in slot
// order. The real protocol (clQKCommLL2) and the demo protocol implement it.
#pragma once

#include <cstdint>

#include "cladrs/cladrs.h"
#include "comm/qkcommtypes.h"
#include "cpplib/clbuffer.h"
#include "cpplib/qkbufint.h"
#include "cpplib/tarray.h"
#include "qkdb/verinfo.h"

class clQKCommLL {
public:
    clQKCommLL() = default;
    clQKCommLL(const clQKCommLL&) = delete;
    clQKCommLL& operator=(const clQKCommLL&) = delete;
    virtual ~clQKCommLL();

    virtual bool BootCheck(int portNo) = 0;
    virtual void GetStatus(QK_STATUS& status) = 0;
    virtual int IsMultiTaskEn() = 0;
    // Opens the communication log; this object, or null when it can't.
    virtual clQKCommLL* InitCommLog(const char* path) = 0;
    virtual void GetPortDefaults(QK_COMM_PORT& port) = 0;
    virtual void GetProtocolVer(TArrayAsVector<clVerInfo>& list) = 0;
    virtual void GetQKVer(TArrayAsVector<clVerInfo>& list) = 0;
    virtual void SetupDevice(unsigned short chipId) = 0;
    virtual void Connect(const QK_COMM_PORT& port) = 0;
    virtual void Disconnect() = 0;
    virtual void Prolog() = 0;
    virtual void Epilog() = 0;
    virtual void BlnkChk(const clQKHugeBufIntr& buf) = 0;
    virtual void SigChk() = 0;
    virtual void Robot(int on) = 0;
    virtual void RobotState() = 0;
    virtual void AllowDeviceButtons(int on) = 0;
    virtual void Erase(const clQKHugeBufIntr& buf) = 0;
    virtual unsigned short ChkSum(const clQKHugeBufIntr& buf) = 0;
    virtual void Read(clQKHugeBufIntr& buf) = 0;
    virtual void Write(const clQKHugeBufIntr& buf, int mode) = 0;
    virtual void Fill(const clQKHugeBufIntr& buf, unsigned char value) = 0;
    virtual void WrPrjDescr(const char* text) = 0;
    virtual void PgmFlsh() = 0;
    virtual void PgmDConf() = 0;
    virtual void EraseDConf() = 0;
    virtual unsigned short Program(const clQKHugeBufIntr& buf) = 0;
    virtual void Verify(const clQKHugeBufIntr& buf) = 0;
    // Progress hook: 0 when the user asked to stop.
    virtual int Progress(unsigned char percent, const clAdrs& address, unsigned short textNo);
    // The process id put into every error record.
    virtual unsigned long GetProcessId();
    virtual void WriteSpace(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                            unsigned char order, unsigned char sub, int reverse) = 0;
    virtual void ReadSpace(const clAdrs& start, const clAdrs& stop, clHugeBuffer<unsigned char>& buf,
                           unsigned char order, unsigned char sub) = 0;
    virtual void ExecCmd(unsigned char order, unsigned char count, const unsigned char* data) = 0;
    // Milliseconds since the process started.
    virtual long Clock();
    // Clock() - since, wrapping at 2^31.
    virtual long Elapsed(long since);
    // Sleeps until Elapsed reaches ms.
    virtual void WaitMs(long ms);
    virtual void SetAddresses(const clQKHugeBufIntr& buf) = 0;
    virtual void SetAutoOpt(int a, int b, int c) = 0;
    virtual void SetFrequency(const char* text) = 0;
    virtual long ParseFrequency(float frequency, unsigned char& doublings) = 0;
    virtual void DoReboot() = 0;
    virtual void WriteToLog(const char* text) = 0;
    virtual void Ready() = 0;
};
