// The protocol layer that talks to the QK-JTAG programmer over the serial
// link: frames, replies and their time-outs, the connect handshake, and the
// device operations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/commlog.h"
#include "comm/commswtch.h"
#include "comm/qkcommll.h"
#include "comm/qkpkt.h"
#include "cpplib/clexpt.h"
#include "qkdb/dbase32.h"

// A sequence id: which operation runs (and, left on the stack, which failed).
using clSeqID2 = std::uint16_t;

class clQKSeqIDLL2 {
public:
    void Push(clSeqID2 id) { m_Ids.push_back(id); }
    void Pop()
    {
        if (!m_Ids.empty())
            m_Ids.pop_back();
    }
    clSeqID2 Top() const { return m_Ids.empty() ? 0 : m_Ids.back(); }
    bool Contains(clSeqID2 id) const;
    void Clear() { m_Ids.clear(); }

private:
    std::vector<clSeqID2> m_Ids;
};

using clJtagPrgrsFlg = int;
using clJtagPrgrsFlgList = std::vector<clJtagPrgrsFlg>;

class clQKCommLL2 : public clQKCommLL {
public:
    static constexpr const char kProtocolName[] = "QKComm-2";
    static constexpr const char kProtocolVersion[] = "V3.01";
    static constexpr std::uint32_t spData = 1;

    // option: the device id to assume until SetupDevice names one.
    clQKCommLL2(clCommSwtch& switches, clDataBase& db, int option);
    ~clQKCommLL2() override;

    bool BootCheck(int portNo) override;
    void GetStatus(QK_STATUS& status) override;
    int IsMultiTaskEn() override { return m_iMultiTask; }
    clQKCommLL* InitCommLog(const char* path) override;
    void GetPortDefaults(QK_COMM_PORT& port) override;
    void GetProtocolVer(TArrayAsVector<clVerInfo>& list) override;
    void GetQKVer(TArrayAsVector<clVerInfo>& list) override;
    void SetupDevice(unsigned short chipId) override;
    void Connect(const QK_COMM_PORT& port) override;
    void Disconnect() override;
    void Prolog() override;
    void Epilog() override;
    void BlnkChk(const clQKHugeBufIntr& buf) override;
    void SigChk() override {}
    void Robot(int on) override;
    void RobotState() override;
    void AllowDeviceButtons(int on) override;
    void Erase(const clQKHugeBufIntr& buf) override;
    unsigned short ChkSum(const clQKHugeBufIntr& buf) override;
    void Read(clQKHugeBufIntr& buf) override;
    void Write(const clQKHugeBufIntr& buf, int mode) override;
    void Fill(const clQKHugeBufIntr& buf, unsigned char value) override;
    void WrPrjDescr(const char* text) override;
    void PgmFlsh() override;
    void PgmDConf() override;
    void EraseDConf() override;
    unsigned short Program(const clQKHugeBufIntr& buf) override;
    void Verify(const clQKHugeBufIntr& buf) override;
    void WriteSpace(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                    unsigned char order, unsigned char sub, int reverse) override;
    void ReadSpace(const clAdrs& start, const clAdrs& stop, clHugeBuffer<unsigned char>& buf, unsigned char order,
                   unsigned char sub) override;
    void ExecCmd(unsigned char order, unsigned char count, const unsigned char* data) override;
    void SetAddresses(const clQKHugeBufIntr& buf) override;
    void SetAutoOpt(int a, int b, int c) override;
    void SetFrequency(const char* text) override;
    long ParseFrequency(float frequency, unsigned char& doublings) override;
    void DoReboot() override;
    void WriteToLog(const char* text) override;
    void Ready() override;

    // The port id in the serial link's table, -1 while unconnected.
    int GetPortId() const { return m_iPortId; }
    // Set once the programmer answered that it is updating its firmware.
    bool IsFirmwareUpdating() const { return m_bFwUpdating; }
    // Whether the last reply was malformed (a wrong count or length): a fault
    // of the line, not a verdict of the programmer, though both throw
    // clQKTargetFail.
    bool IsReplyMalformed() const { return m_bMalformed; }
    // The device path of the port to connect ("": the COM number's).
    void SetPortPath(const std::string& path) { m_sPortPath = path; }
    // Why the port could not be opened; empty when it opened.
    const std::string& GetOpenProblem() const { return m_sOpenProblem; }
    // Whether this connection found the boot monitor and wrote new firmware,
    // and the monitor's version (-1 when its library did not tell).
    bool WroteFirmware() const { return m_bWroteFirmware; }
    int GetMonitorVersion() const { return m_iMonitorVersion; }
    // Whether the sequence under way (or the one that just failed, before
    // its Epilog) moves data to or from the programmer's memory: a refusal
    // there is the programmer's or the line's fault, no device order ran.
    bool InMemoryTransfer() const
    {
        return m_SeqIds.Top() == qkwire::seqReadSpace || m_SeqIds.Top() == qkwire::seqWriteSpace;
    }
    // Whether a probe answer of count bytes is the boot monitor's.
    static bool IsMonitorReply(const unsigned char* answer, int count);

private:
    // Progress on or off for a scope; the flag before it comes back however
    // the scope ends, so a failed exchange never leaves progress switched off.
    class clProgressScope {
    public:
        clProgressScope(clQKCommLL2& owner, int flag) : m_Owner(owner)
        {
            owner.m_PrgrsList.push_back(owner.m_Prgrs);
            owner.m_Prgrs = flag;
        }
        ~clProgressScope()
        {
            m_Owner.m_Prgrs = m_Owner.m_PrgrsList.back();
            m_Owner.m_PrgrsList.pop_back();
        }
        clProgressScope(const clProgressScope&) = delete;
        clProgressScope& operator=(const clProgressScope&) = delete;

    private:
        clQKCommLL2& m_Owner;
    };

    // The engine.
    void Send(unsigned char kind);
    void Receive(int min, unsigned char order, std::uint32_t count);
    unsigned char CheckReply(int min);
    void Execute(unsigned char order);
    // An execute frame and its reply.
    void Order(unsigned char order, int replyLen, unsigned char replyOrder, std::uint32_t count);
    void AckOrder(unsigned char order, std::uint32_t count);
    // A request frame at address 0; the reply's data bytes start at 2.
    void Query(unsigned char order, unsigned char sub, unsigned char len);
    unsigned short QuerySize(unsigned char sub);
    void WriteFrame(unsigned char order, unsigned char sub, const unsigned char* data, int len);
    void SendAbort();
    void SetTransferTimeout(std::uint32_t count, unsigned order);
    void Sync();
    void GetIdentity();
    void SendDeviceSetup();
    void ClosePort();

    // Boot-monitor probe and firmware update.
    bool ProbeMonitor();
    void UpdateFirmware(int portNo);
    static void BootProgress(double percent);
    void RawWrite(const unsigned char* bytes, int count, int ms);
    void RawRead(unsigned char* bytes, int count, int ms);
    void DrainTx(int ms);

    // Device-operation helpers.
    void CheckBuffer(const clQKHugeBufIntr& buf) const;
    void CheckRange(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf) const;
    bool Reverses(bool flag) const;
    void BlockWrite(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                    unsigned char order, unsigned char sub, bool reverse, double rangeBytes);
    void FillFrame(unsigned char order, unsigned char sub, std::uint32_t start, std::uint32_t stop,
                   unsigned char value);
    // One device order over the buffer's command range: the execute frame,
    // progress, an optional wait, the reply.
    void RunOrder(unsigned char order, int replyLen, const clQKHugeBufIntr& buf, long preWaitMs);
    void WaitForReply(long ms);

    // Progress.
    void StartProgress();
    void Report(double percent, const clAdrs& address);
    void ReportAgain();

    // Error reports to the library's error manager.
    void PostError(unsigned short errNo);
    void PostVerifyError(const clQKHugeBufIntr& buf);
    int SwitchInt(const char* key, int fallback) const;

    template <class X>
    [[noreturn]] void Raise(unsigned short line) const
    {
        QkRaise<X>(this, kSrc, line);
    }
    // An internal check that callers' data can fail: reported, never fatal.
    [[noreturn]] void RaiseInternal(const char* expression, unsigned short line) const;

    static constexpr const char kSrc[] = "..\\comm\\qkcomml2.cpp";

    clCommSwtch* m_pSwtch;
    clDataBase* m_pDb;
    clQKPkt m_Pkt;

    unsigned short m_usAdptrId = 0;
    unsigned short m_usAlgId = 0;
    unsigned short m_usDeviceId = 0;
    std::uint32_t m_ulEraseTime = 0;
    std::uint32_t m_ulPgmTime = 0;
    unsigned short m_usVerSupp = 0;
    unsigned short m_usPgmPulse = 0;
    unsigned short m_usVppVal = 0;
    int m_iDeviceSet = 0;

    int m_iPortId = -1;
    int m_iPortNo = -1;
    std::string m_sPortPath;
    std::string m_sOpenProblem;
    int m_iPortKind = 0;
    std::int32_t m_lBaud = 0;
    unsigned short m_usParity = 0;
    unsigned short m_usDataBits = 0;
    unsigned short m_usStopBits = 0;
    unsigned short m_usHandshake = 0;

    clQKSeqIDLL2 m_SeqIds;
    clJtagPrgrsFlg m_Prgrs = 1;
    clJtagPrgrsFlgList m_PrgrsList;
    double m_dStart = 0;
    double m_dScale = 100.0;
    double m_dLastPercent = 0;
    clAdrs m_LastAdrs;
    unsigned short m_usPrgrsText = 0;
    bool m_bAbortSent = false;

    clCommLog m_Log;
    int m_iReplyFailed = 0;
    int m_iPwrUpTolerant = 1;
    int m_iLastCode = -1; // the code of the last well-formed reply
    bool m_bMalformed = false;
    int m_iMultiTask = 1;
    bool m_bFwUpdating = false;
    bool m_bUpdated = false; // an update ran and no probe has gone unanswered since
    bool m_bWroteFirmware = false;
    int m_iMonitorVersion = -1; // the boot monitor's, as its library told it
    bool m_bSetupPending = false;
    float m_fFrequency = 4000000.0f;

    std::string m_sQKName;
    std::string m_sQKVersion;
};
