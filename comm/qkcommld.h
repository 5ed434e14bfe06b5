// The demo protocol: a programmer that is not there. Every device operation
// walks the buffer's command range with timed progress reports and moves no
// data, so that the whole program can be used without hardware.
#pragma once

#include "comm/commlog.h"
#include "comm/qkcommll.h"

class clQKCommLLD : public clQKCommLL {
public:
    static constexpr const char kProtocolName[] = "QKComm-Demo";
    static constexpr const char kProtocolVersion[] = "V3.00";
    static constexpr const char kProgrammerName[] = "QKDemo";
    // One progress step; a range of 100 bytes or more takes 100 of them.
    static constexpr long kStepMs = 50;

    bool BootCheck(int) override { return false; }
    void GetStatus(QK_STATUS& status) override { status.Reset(); }
    int IsMultiTaskEn() override { return 1; }
    clQKCommLL* InitCommLog(const char* path) override;
    void GetPortDefaults(QK_COMM_PORT&) override {}
    void GetProtocolVer(TArrayAsVector<clVerInfo>& list) override;
    void GetQKVer(TArrayAsVector<clVerInfo>& list) override;
    void SetupDevice(unsigned short) override {}
    void Connect(const QK_COMM_PORT& port) override;
    void Disconnect() override {}
    void Prolog() override {}
    void Epilog() override {}
    void BlnkChk(const clQKHugeBufIntr& buf) override { Simulate(buf, 0); }
    void SigChk() override {}
    void Robot(int) override {}
    void RobotState() override {}
    void AllowDeviceButtons(int) override {}
    void Erase(const clQKHugeBufIntr& buf) override { Simulate(buf, 0); }
    unsigned short ChkSum(const clQKHugeBufIntr& buf) override;
    void Read(clQKHugeBufIntr& buf) override { Simulate(buf, 0); }
    void Write(const clQKHugeBufIntr&, int) override {}
    // The real protocol reports fills as "Memory cleaning"; so does this one.
    void Fill(const clQKHugeBufIntr& buf, unsigned char) override { Simulate(buf, 10); }
    void WrPrjDescr(const char*) override {}
    void PgmFlsh() override {}
    void PgmDConf() override {}
    void EraseDConf() override {}
    unsigned short Program(const clQKHugeBufIntr& buf) override;
    void Verify(const clQKHugeBufIntr& buf) override { Simulate(buf, 0); }
    void WriteSpace(const clAdrs&, const clAdrs&, const clHugeBuffer<unsigned char>&, unsigned char, unsigned char,
                    int) override
    {}
    void ReadSpace(const clAdrs&, const clAdrs&, clHugeBuffer<unsigned char>&, unsigned char, unsigned char) override {}
    void ExecCmd(unsigned char, unsigned char, const unsigned char*) override {}
    void SetAddresses(const clQKHugeBufIntr&) override {}
    void SetAutoOpt(int, int, int) override {}
    void SetFrequency(const char*) override {}
    long ParseFrequency(float, unsigned char&) override { return 0; }
    void DoReboot() override {}
    void WriteToLog(const char*) override {}
    void Ready() override {}

private:
    // Walks start..stop in timed steps with progress text number textNo; a
    // zero answer from the progress hook throws clXAbort.
    void Simulate(const clAdrs& start, const clAdrs& stop, unsigned short textNo);
    void Simulate(const clQKHugeBufIntr& buf, unsigned short textNo)
    {
        Simulate(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs(), textNo);
    }
    void Report(double percent, const clAdrs& address, unsigned short textNo);
    // Sleeps until ms have passed since the clock read since.
    void WaitUntil(long since, long ms);

    clCommLog m_Log;
};
