// The communication facade: the one class through which a program talks to
// the programmer. It owns the switch set and, while connected, one protocol
// object (the real protocol or the demo protocol). Every device operation
// comes twice: a plain form that runs inside an open sequence, and a …Seq
// form that opens it (Prolog), runs the plain form and closes it (Epilog).
// A program derives its own class to receive progress (CommProgress) and to
// name the window that owns the reports (GetPrcssId).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "comm/comhandle.h"
#include "comm/commswtch.h"
#include "comm/qkcommll.h"
#include "comm/qkcommtypes.h"
#include "cpplib/qkbufcomm.h"
#include "err/qkerr.h"
#include "qkdb/dbase32.h"

// The operation a facade is busy with (GetSeqID); 1 to 12 have a progress text.
enum : int {
    opNone = 0,
    opInit = 1,
    opBlnkChk = 2,
    opErase = 3,
    opChkSum = 4,
    opRead = 5,
    opProgram = 6,
    opSecure = 7,
    opVerify = 8,
    opSync = 9,
    opClean = 10,
    opSettings = 11,
    opBoot = 12,
    opReboot = 13,
    opReady = 14,
};

// The programmer settles this long after the data transfers before it programs.
inline constexpr long kQkSettleMs = 1000;

// The progress text of an operation code ("" for one without).
const char* QkOperationText(int code);

class clQKComm : public clQKBufComm {
public:
    clQKComm(int argc, const char* const* argv, clDataBase& db);
    clQKComm(const clQKComm&) = delete;
    clQKComm& operator=(const clQKComm&) = delete;
    ~clQKComm() override;

    // Connects; on failure shows message 1, then connects the demo protocol
    // when the answer is Abort (what a console answers by default), else
    // throws clQKCommExpt. GetProtocol() tells which protocol is connected.
    virtual void Connect(QK_PORT_CFG cfg, int option);
    virtual void Connect(QK_COMM_PORT port, int option);
    // Connects to the port at a device path (port number 0); the path stays
    // the port of every reconnection until another port is connected.
    void ConnectPath(const std::string& path, int option);
    // Why the last connection could not open its port, in words naming it;
    // empty when the port opened (or no port was tried).
    const std::string& GetConnectProblem() const { return m_sConnectProblem; }
    // wait 1: give the line 100 ms before the port goes.
    virtual void Disconnect(int wait);
    // Tries the list in order and returns the entry that connected; when
    // none does, Connect with port -1 and returns that choice with the
    // protocol it ended on (-1 after the demo fallback).
    virtual QK_PORT_CFG SearchConnect(int count, const QK_PORT_CFG* list, int option);
    virtual QK_COMM_PORT SearchConnect(int count, const QK_COMM_PORT* list, int option);

    virtual void BlnkChkSeq(const clQKHugeBufIntr& buf);
    virtual void SigChkSeq();
    virtual void EraseSeq(const clQKHugeBufIntr& buf);
    virtual unsigned short ChkSumSeq(const clQKHugeBufIntr& buf);
    virtual void ReadSeq(clQKHugeBufIntr& buf);
    virtual unsigned short ProgramSeq(const clQKHugeBufIntr& buf);
    virtual void VerifySeq(const clQKHugeBufIntr& buf);
    virtual void GetStatusSeq(QK_STATUS& status);
    // Without a bracket: it follows every change of a buffer's range.
    void SetAddressesSeq(const clQKHugeBufIntr& buf) override;
    virtual void SetAutoOptSeq(int a, int b, int c);
    // mode: nonzero bit-reverses the bytes for the devices that need it.
    void WriteSeq(const clQKHugeBufIntr& buf, int mode);
    void FillSeq(const clQKHugeBufIntr& buf, unsigned char value);
    void WriteRangeSeq(const clQKHugeBufIntr& buf, const clAdrs& first, const clAdrs& last) override;
    double WriteRangeMs(const clQKHugeBufIntr& buf, const clAdrs& first, const clAdrs& last) const override;
    unsigned GetConnectionCount() const override { return m_uConnections; }
    void SetProgressPart(double from, double to) override;
    // These four do nothing when unconnected.
    virtual void WrPrjDescrSeq(const char* text);
    virtual void PgmFlshSeq();
    // result: 1 when the configuration was programmed, else 0.
    virtual void PgmDConfSeq(int& result);
    virtual void EraseDConfSeq();
    virtual void RobotSeq(int on);
    virtual void AllowDevButSeq(int on);
    virtual void RobotStateSeq();
    virtual void ForceRebootSeq();
    virtual void DoReboot();

    // Callbacks for the program: the process id in every error record, and
    // progress (nonzero to go on; 0 stops the operation with clXAbort, or,
    // while programming, sends the programmer the abort byte).
    virtual unsigned long GetPrcssId();
    virtual int CommProgress(unsigned char percent, const clAdrs& address, const char* text) const;

    // Set-up.
    // Log file name (null: "qkcomm.log"), made absolute and created empty;
    // returns the log-enabled flag.
    int InitCommLog(const char* name);
    void SetupDevice(unsigned short chipId);
    void SetFrequency(const char* text);
    void SetGlobalText(const char* text) override;
    void ClearGlobalText() override;

    // The connect algorithm without message 1 and the demo fallback.
    void IntrConnect(const QK_PORT_CFG& cfg, int option);
    void IntrConnect(const QK_COMM_PORT& port, int option);

    int IsCommExist() const override { return m_iCommEn; }
    int IsForceDemo() const override;
    int IsMultiTaskEn() const;
    clQkProtocol GetProtocol() const override;
    // The programmer answered that it is updating its firmware: the program
    // should close, and the order that drew the answer was not carried out.
    bool IsFirmwareUpdating() const;
    // Whether the operation that failed last failed on a malformed reply: a
    // fault of the line, not the programmer's verdict on the device.
    bool WasLineFault() const { return m_bLineFault; }
    // Whether it failed while moving data to or from the programmer's
    // memory (no device order had failed).
    bool WasMemoryTransferFault() const { return m_bMemoryFault; }
    // How many connections found the programmer in its boot monitor and wrote
    // its firmware, and that monitor's version (-1 when not told).
    unsigned GetFirmwareWrites() const { return m_uFirmwareWrites; }
    int GetMonitorVersion() const { return m_iMonitorVersion; }
    void GetProtocolVer(TArrayAsVector<clVerInfo>& list);
    void GetQKVer(TArrayAsVector<clVerInfo>& list);
    int GetSeqID() const { return m_iCurrOp; }
    int IsLogEnabled() const { return m_iLogEn; }
    // The log file's full path, "" when there is none.
    const std::string& GetLogPath() const { return m_sLogPath; }
    int GetPrgDelay() const { return m_iPrgDelay; }
    unsigned short GetDevice() const { return m_usDevice; }
    // The open port's driver and how it treats short replies (empty while
    // no real programmer is connected), and its line rate (0 then).
    clComLatency GetLinkLatency() const;
    int GetLinkBaud() const;
    // The configuration of the last connect, used to reconnect.
    const QK_COMM_PORT& GetPortConfig() const { return m_Port; }

    // Sequence brackets. Prolog reconnects when needed; Epilog closes the
    // sequence of a connected programmer (after a failure disconnected it,
    // there is nothing to close).
    void Prolog();
    void Epilog();
    void Ready();

    // Plain operations, inside a sequence. A failure of the programmer or
    // the line posts its own report, then message 2, disconnects and is
    // thrown again; a stop asked by the user (clXAbort) is thrown as it is.
    void BlnkChk(const clQKHugeBufIntr& buf);
    void SigChk();
    void Erase(const clQKHugeBufIntr& buf);
    unsigned short ChkSum(const clQKHugeBufIntr& buf);
    void Read(clQKHugeBufIntr& buf);
    unsigned short Program(const clQKHugeBufIntr& buf);
    void Verify(const clQKHugeBufIntr& buf);
    void Write(const clQKHugeBufIntr& buf, int mode);
    void Fill(const clQKHugeBufIntr& buf, unsigned char value);
    void SetAddresses(const clQKHugeBufIntr& buf);
    void SetAutoOpt(int a, int b, int c);
    void GetStatus(QK_STATUS& status);
    void WrPrjDescr(const char* text);
    void Robot(int on);
    void RobotState();
    void AllowDeviceButtons(int on);
    void PgmFlsh();
    void PgmDConf();
    void EraseDConf();
    // The programmer's memory: space is the order byte, kind the sub-order.
    void ReadSpace(const clAdrs& start, const clAdrs& stop, clHugeBuffer<unsigned char>& buf, unsigned char space,
                   unsigned char kind);
    // reverse: nonzero bit-reverses the bytes for the devices that need it.
    void WriteSpace(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                    unsigned char space, unsigned char kind, int reverse = 0);
    void ExecCmd(unsigned char order, unsigned char count, const unsigned char* data);
    void WriteToLog(const char* text);

private:
    template <class>
    friend class clConnect;

    // Called by the protocol object: maps a text number to the text and asks
    // CommProgress.
    int ProtocolProgress(unsigned char percent, const clAdrs& address, unsigned short textNo);
    // Steps shared by both connect forms; makePort fills the configuration
    // once the protocol object exists.
    void ConnectWith(int portNo, int protocol, int option, const unsigned short lines[4],
                     const std::function<QK_COMM_PORT(clQKCommLL&)>& makePort);
    template <class Cfg>
    void ConnectOrDemo(Cfg cfg, int option, unsigned short line);
    template <class Cfg>
    Cfg Search(int count, const Cfg* list, int option);
    // Runs op on the connected protocol object as operation code (kept as
    // it is for -1), with the failure handling of the plain operations.
    template <class F>
    decltype(auto) Run(unsigned short line, int code, F&& op);
    void OperationFailed();
    // The programmer's settling time before it programs; a stop asked in
    // it ends the sequence before the program order goes.
    void SettleBeforeProgram(const clQKHugeBufIntr& buf);
    // Prolog, plain, Epilog (also when plain fails).
    void Sequence(const std::function<void()>& plain);
    void CheckBuffer(const clQKHugeBufIntr& buf, unsigned short line) const;
    int Report(unsigned short no, ERR_TYPE type, unsigned char option);
    [[noreturn]] void RaiseInternal(const char* expression, unsigned short line) const;

    int m_iLogEn = 0;
    int m_iCommEn = 0;
    QK_COMM_PORT m_Port;
    std::string m_sPortPath; // the port's device path when it was named by one
    std::string m_sConnectProblem;
    std::string m_sLogPath;
    int m_iCurrOp = opNone;
    unsigned m_uConnections = 0;
    double m_dPartFrom = 0;
    double m_dPartTo = 100;
    unsigned short m_usDevice = 0;
    clCommSwtch m_Swtch;
    clDataBase& m_Db;
    std::unique_ptr<clQKCommLL> m_pLL;
    float m_fFrequency = 0;
    // Kept per facade rather than per module: a second facade in the same
    // process must not inherit the first one's frequency or text.
    bool m_bFrequencySet = false;
    const char* m_pGlobalText = nullptr;
    int m_iPrgDelay = 2;
    clQkProtocol m_Protocol = clQkProtocol::none;
    bool m_bFwUpdating = false;
    bool m_bLineFault = false;
    bool m_bMemoryFault = false;
    unsigned m_uFirmwareWrites = 0;
    int m_iMonitorVersion = -1;
};

// The communication library's instance handle.
HINSTANCE GetDLLCommInstance();
