#include "comm/qkcomm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <utility>

#include "comm/comport.h"
#include "comm/qkblocks.h"
#include "comm/qkcommer.h"
#include "comm/qkcommexpt.h"
#include "comm/qkcomml2.h"
#include "comm/qkcommld.h"
#include "comm/qkpkt.h"
#include "comm/qkwire.h"
#include "cpplib/clexpt.h"
#include "cpplib/qkpath.h"

namespace {

constexpr const char kSrc[] = "..\\comm\\qkcomm.cpp";
constexpr std::size_t kMaxLogPath = 260;
// For Run: an operation without a code of its own leaves the current one.
constexpr int kKeepOp = -1;

// Source lines of the connect failures of each form: no port, unknown
// protocol, allocation, failed connect.
constexpr unsigned short kCfgLines[4] = {287, 328, 337, 774};
constexpr unsigned short kPortLines[4] = {476, 520, 529, 821};

const char* const kOperationTexts[] = {
    "None",        "Initializing", "Blank Checking", "Erasing",       "Sum counting",    "Reading",
    "Programming", "Securing",     "Verifying",      "Synchronizing", "Memory cleaning", "Reading device settings",
    "Booting",
};

} // namespace

// A protocol object whose progress and process-id questions go to its facade.
template <class LL>
class clConnect : public LL {
public:
    template <class... A>
    explicit clConnect(clQKComm& owner, A&&... args) : LL(std::forward<A>(args)...), m_Owner(owner)
    {}
    int Progress(unsigned char percent, const clAdrs& address, unsigned short textNo) override
    {
        return m_Owner.ProtocolProgress(percent, address, textNo);
    }
    unsigned long GetProcessId() override { return m_Owner.GetPrcssId(); }

private:
    clQKComm& m_Owner;
};

const char* QkOperationText(int code)
{
    return code >= 0 && code < static_cast<int>(std::size(kOperationTexts)) ? kOperationTexts[code] : "";
}

// Runs op on the connected protocol object. Defined first: its return type
// is deduced.
template <class F>
decltype(auto) clQKComm::Run(unsigned short line, int code, F&& op)
{
    if (!m_iCommEn || !m_pLL)
        RaiseInternal("CommEn != 0", line);
    if (code != kKeepOp)
        m_iCurrOp = code;
    m_bLineFault = false;
    m_bMemoryFault = false;
    try {
        return op(*m_pLL);
    } catch (const clXAbort&) {
        throw;
    } catch (const clBscExpt&) {
        OperationFailed();
        throw;
    }
}

clQKComm::clQKComm(int argc, const char* const* argv, clDataBase& db) : m_Swtch(argc, argv), m_Db(db)
{
    const char* path = nullptr;
    const bool named = m_Swtch.GetText(qksw::kCommLogPth, path) == 1;
    if (named || m_Swtch.IsSet(qksw::kCommLog) == 1)
        InitCommLog(named ? path : nullptr);
    std::int32_t delay = 0;
    m_iPrgDelay = m_Swtch.GetInt(qksw::kPrgDelay, delay) == 1 ? delay : 2;
}

clQKComm::~clQKComm()
{
    Disconnect(0);
}

int clQKComm::InitCommLog(const char* name)
{
    m_iLogEn = 1;
    std::error_code ec;
    const std::string path = QkPathText(std::filesystem::absolute(QkPath(name != nullptr ? name : "qkcomm.log"), ec));
    if (ec || path.size() > kMaxLogPath) {
        m_iLogEn = 0;
        return m_iLogEn;
    }
    m_sLogPath = path;
    std::ofstream create(QkPath(path), std::ios::out | std::ios::binary | std::ios::trunc);
    if (!create)
        m_iLogEn = 0;
    return m_iLogEn;
}

void clQKComm::SetupDevice(unsigned short chipId)
{
    // An id the database does not know is the caller's to hear about; it
    // costs no connection.
    if (chipId != 0)
        m_Db.GetChip(chipId);
    m_usDevice = chipId;
    if (m_iCommEn && chipId != 0)
        Run(118, kKeepOp, [&](clQKCommLL& ll) { ll.SetupDevice(chipId); });
}

void clQKComm::SetFrequency(const char* text)
{
    m_bFrequencySet = true;
    m_fFrequency = text != nullptr ? std::strtof(text, nullptr) : 0.0f;
    if (m_pLL)
        m_pLL->SetFrequency(text);
}

void clQKComm::SetGlobalText(const char* text)
{
    m_pGlobalText = text;
}

void clQKComm::ClearGlobalText()
{
    m_pGlobalText = nullptr;
}

int clQKComm::IsForceDemo() const
{
    return m_Swtch.IsSet(qksw::kForceDemo) == 1 ? 1 : 0;
}

int clQKComm::IsMultiTaskEn() const
{
    return m_pLL ? m_pLL->IsMultiTaskEn() : 0;
}

clQkProtocol clQKComm::GetProtocol() const
{
    return m_iCommEn ? m_Protocol : clQkProtocol::none;
}

bool clQKComm::IsFirmwareUpdating() const
{
    const auto* real = dynamic_cast<const clQKCommLL2*>(m_pLL.get());
    return m_bFwUpdating || (real != nullptr && real->IsFirmwareUpdating());
}

void clQKComm::GetProtocolVer(TArrayAsVector<clVerInfo>& list)
{
    if (!m_iCommEn) {
        list.emplace_back("Not Connected", 0, 0, 0, 0);
        return;
    }
    m_pLL->GetProtocolVer(list);
}

void clQKComm::GetQKVer(TArrayAsVector<clVerInfo>& list)
{
    if (!m_iCommEn) {
        list.emplace_back("Not Connected", 0, 0, 0, 0);
        return;
    }
    Prolog();
    m_pLL->GetQKVer(list);
}

// Connection.

void clQKComm::ConnectWith(int portNo, int protocol, int option, const unsigned short lines[4],
                           const std::function<QK_COMM_PORT(clQKCommLL&)>& makePort)
{
    if (m_iCommEn)
        Disconnect(portNo == m_Port.m_lPortNo ? 1 : 0);
    // A forced demo needs no port, whatever the configuration says.
    if (IsForceDemo())
        protocol = -1;
    if (portNo == -1 && protocol != -1)
        QkRaise<clQKCommExpt>(this, kSrc, lines[0]);
    if (protocol == 0)
        protocol = 1;
    std::unique_ptr<clQKCommLL> ll;
    try {
        if (protocol == -1)
            ll = std::make_unique<clConnect<clQKCommLLD>>(*this);
        else if (protocol == 1)
            ll = std::make_unique<clConnect<clQKCommLL2>>(*this, m_Swtch, m_Db, option);
    } catch (const std::bad_alloc&) {
        QkRaise<clXAlloc>(this, kSrc, lines[2]);
    }
    if (!ll)
        QkRaise<clQKCommExpt>(this, kSrc, lines[1]);
    auto* real = dynamic_cast<clQKCommLL2*>(ll.get());
    if (real != nullptr)
        real->SetPortPath(m_sPortPath);
    m_sConnectProblem.clear();
    try {
        QK_COMM_PORT port = makePort(*ll);
        port.m_lProtocol = protocol; // what a reconnect must connect again
        m_Port = port;
        if (m_iLogEn)
            ll->InitCommLog(m_sLogPath.c_str());
        // The device goes first: a firmware update at connect loads the
        // firmware of its family, and the handshake sends its settings.
        if (m_usDevice != 0)
            ll->SetupDevice(m_usDevice);
        m_iCurrOp = opBoot;
        ll->Connect(port);
        m_iCurrOp = opNone;
    } catch (const clBscExpt&) {
        m_iCurrOp = opNone;
        if (real != nullptr)
            m_sConnectProblem = real->GetOpenProblem();
        if (protocol != -1)
            throw;
        ll.reset();
        Report(13, erTypeInternal, erOptAbort);
        RaiseInternal("demo protocol", 430);
    }
    m_pLL = std::move(ll);
    m_iCommEn = 1;
    m_Protocol = static_cast<clQkProtocol>(protocol);
    ++m_uConnections;
    if (const auto* real = dynamic_cast<const clQKCommLL2*>(m_pLL.get()); real != nullptr && real->WroteFirmware()) {
        ++m_uFirmwareWrites;
        m_iMonitorVersion = real->GetMonitorVersion();
    }
}

void clQKComm::IntrConnect(const QK_PORT_CFG& cfg, int option)
{
    ConnectWith(cfg.m_lPortNo, cfg.m_lProtocol, option, kCfgLines, [&](clQKCommLL& ll) {
        if (m_bFrequencySet) {
            char text[64];
            std::snprintf(text, sizeof text, "%f", static_cast<double>(m_fFrequency));
            ll.SetFrequency(text);
        }
        QK_COMM_PORT port;
        ll.GetPortDefaults(port);
        port.m_lPortNo = cfg.m_lPortNo;
        port.m_lPortKind = cfg.m_lPortKind;
        port.m_lProtocol = cfg.m_lProtocol;
        if (port.m_usOpenParams[2] == 9)
            port.m_lComIndex = cfg.m_lPortNo - 1;
        return port;
    });
}

void clQKComm::IntrConnect(const QK_COMM_PORT& port, int option)
{
    ConnectWith(port.m_lPortNo, port.m_lProtocol, option, kPortLines, [&](clQKCommLL&) { return port; });
}

// Both connect forms: message 1 on failure, then the demo when the answer is
// Abort.
template <class Cfg>
void clQKComm::ConnectOrDemo(Cfg cfg, int option, unsigned short line)
{
    try {
        IntrConnect(cfg, option);
        return;
    } catch (const clBscExpt&) {
    }
    if (Report(1, erTypeError, erOptOk) != erIdAbort)
        QkRaise<clQKCommExpt>(this, kSrc, line);
    cfg.m_lProtocol = -1;
    IntrConnect(cfg, option);
}

void clQKComm::Connect(QK_PORT_CFG cfg, int option)
{
    m_sPortPath.clear();
    ConnectOrDemo(cfg, option, kCfgLines[3]);
}

void clQKComm::Connect(QK_COMM_PORT port, int option)
{
    m_sPortPath.clear();
    ConnectOrDemo(port, option, kPortLines[3]);
}

void clQKComm::ConnectPath(const std::string& path, int option)
{
    m_sPortPath = path;
    ConnectOrDemo(QK_PORT_CFG{0, 1, 1}, option, kCfgLines[3]);
}

// Both search forms.
template <class Cfg>
Cfg clQKComm::Search(int count, const Cfg* list, int option)
{
    for (int i = 0; list != nullptr && i < count; ++i) {
        try {
            IntrConnect(list[i], option);
            return list[i];
        } catch (const clBscExpt&) {
        }
    }
    Cfg none;
    none.m_lPortNo = -1;
    none.m_lProtocol = 0;
    Connect(none, option);
    // What was connected in the end: -1 after the demo stepped in.
    none.m_lProtocol = static_cast<long>(GetProtocol());
    return none;
}

QK_PORT_CFG clQKComm::SearchConnect(int count, const QK_PORT_CFG* list, int option)
{
    return Search(count, list, option);
}

QK_COMM_PORT clQKComm::SearchConnect(int count, const QK_COMM_PORT* list, int option)
{
    return Search(count, list, option);
}

void clQKComm::Disconnect(int wait)
{
    if (m_iCommEn && m_pLL) {
        m_bFwUpdating = IsFirmwareUpdating();
        m_pLL->Disconnect();
        if (wait == 1)
            m_pLL->WaitMs(100);
    }
    m_pLL.reset();
    m_iCommEn = 0;
    m_Protocol = clQkProtocol::none;
}

// Sequences and the failure handling of operations.

void clQKComm::OperationFailed()
{
    // The report of what failed (a blank check's address, a verify's values)
    // goes before the connection does.
    const auto* transfer = dynamic_cast<const clQKCommLL2*>(m_pLL.get());
    m_bMemoryFault = transfer != nullptr && transfer->InMemoryTransfer();
    try {
        m_pLL->Epilog();
    } catch (const clBscExpt&) {
    }
    const auto* real = dynamic_cast<const clQKCommLL2*>(m_pLL.get());
    m_bLineFault = real != nullptr && real->IsReplyMalformed();
    Report(2, erTypeError, erOptAbort);
    Disconnect(0);
}

void clQKComm::Sequence(const std::function<void()>& plain)
{
    Prolog();
    try {
        plain();
    } catch (...) {
        Epilog();
        throw;
    }
    Epilog();
}

void clQKComm::Prolog()
{
    m_iCurrOp = opInit;
    // The boot monitor is probed when a connection is made (the protocol's
    // Connect), not in every bracket: the probe's read window would cost each
    // sequence, and each byte written through, about 350 ms. A programmer that
    // falls back into its monitor fails the next frame; the reconnect that
    // follows probes and updates it.
    if (!m_iCommEn)
        ConnectOrDemo(m_Port, 0, kPortLines[3]); // the same port, its path kept
    Run(560, kKeepOp, [&](clQKCommLL& ll) { ll.Prolog(); });
    m_iCurrOp = opNone;
}

void clQKComm::Epilog()
{
    if (!m_iCommEn)
        return;
    m_iCurrOp = opNone;
    m_pLL->Epilog();
}

void clQKComm::Ready()
{
    m_iCurrOp = opReady;
    if (!m_iCommEn)
        ConnectOrDemo(m_Port, 0, kPortLines[3]); // the same port, its path kept
    Run(600, kKeepOp, [](clQKCommLL& ll) { ll.Ready(); });
    m_iCurrOp = opNone;
}

int clQKComm::ProtocolProgress(unsigned char percent, const clAdrs& address, unsigned short textNo)
{
    const int code = textNo != 0 ? textNo : m_iCurrOp;
    if (code == opNone)
        return 1;
    const double scaled = m_dPartFrom + (m_dPartTo - m_dPartFrom) * percent / 100.0;
    return CommProgress(static_cast<unsigned char>(std::clamp(scaled, 0.0, 100.0)), address,
                        m_pGlobalText != nullptr ? m_pGlobalText : QkOperationText(code));
}

unsigned long clQKComm::GetPrcssId()
{
    return 0;
}

int clQKComm::CommProgress(unsigned char, const clAdrs&, const char*) const
{
    return 1;
}

// Plain operations.

void clQKComm::CheckBuffer(const clQKHugeBufIntr& buf, unsigned short line) const
{
    if (!(buf.GetCmdStartAdrs() <= buf.GetCmdStopAdrs()))
        RaiseInternal("buf.GetCmdStartAdrs() <= buf.GetCmdStopAdrs()", line);
}

void clQKComm::BlnkChk(const clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 884);
    Run(885, opBlnkChk, [&](clQKCommLL& ll) { ll.BlnkChk(buf); });
}

void clQKComm::SigChk()
{
    Run(896, kKeepOp, [](clQKCommLL& ll) { ll.SigChk(); });
}

void clQKComm::Erase(const clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 906);
    Run(907, opErase, [&](clQKCommLL& ll) { ll.Erase(buf); });
}

unsigned short clQKComm::ChkSum(const clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 918);
    return Run(919, opChkSum, [&](clQKCommLL& ll) { return ll.ChkSum(buf); });
}

void clQKComm::Read(clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 930);
    Run(931, opRead, [&](clQKCommLL& ll) { ll.Read(buf); });
}

unsigned short clQKComm::Program(const clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 942);
    return Run(943, opProgram, [&](clQKCommLL& ll) { return ll.Program(buf); });
}

void clQKComm::Verify(const clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 954);
    Run(955, opVerify, [&](clQKCommLL& ll) { ll.Verify(buf); });
}

void clQKComm::Write(const clQKHugeBufIntr& buf, int mode)
{
    CheckBuffer(buf, 966);
    Run(967, opSync, [&](clQKCommLL& ll) { ll.Write(buf, mode); });
}

void clQKComm::Fill(const clQKHugeBufIntr& buf, unsigned char value)
{
    CheckBuffer(buf, 978);
    Run(979, kKeepOp, [&](clQKCommLL& ll) { ll.Fill(buf, value); });
}

void clQKComm::SetAddresses(const clQKHugeBufIntr& buf)
{
    CheckBuffer(buf, 988);
    Run(989, kKeepOp, [&](clQKCommLL& ll) { ll.SetAddresses(buf); });
}

void clQKComm::SetAutoOpt(int a, int b, int c)
{
    if (m_iCommEn)
        Run(998, kKeepOp, [&](clQKCommLL& ll) { ll.SetAutoOpt(a, b, c); });
}

void clQKComm::GetStatus(QK_STATUS& status)
{
    Run(1006, opSettings, [&](clQKCommLL& ll) { ll.GetStatus(status); });
}

void clQKComm::WrPrjDescr(const char* text)
{
    Run(1016, kKeepOp, [&](clQKCommLL& ll) { ll.WrPrjDescr(text); });
}

void clQKComm::Robot(int on)
{
    Run(1022, kKeepOp, [&](clQKCommLL& ll) { ll.Robot(on); });
}

void clQKComm::RobotState()
{
    Run(1028, kKeepOp, [](clQKCommLL& ll) { ll.RobotState(); });
}

void clQKComm::AllowDeviceButtons(int on)
{
    Run(1034, kKeepOp, [&](clQKCommLL& ll) { ll.AllowDeviceButtons(on); });
}

void clQKComm::PgmFlsh()
{
    Run(1040, kKeepOp, [](clQKCommLL& ll) { ll.PgmFlsh(); });
}

void clQKComm::PgmDConf()
{
    Run(1046, kKeepOp, [](clQKCommLL& ll) { ll.PgmDConf(); });
}

void clQKComm::EraseDConf()
{
    Run(1052, kKeepOp, [](clQKCommLL& ll) { ll.EraseDConf(); });
}

void clQKComm::DoReboot()
{
    Run(1058, opReboot, [&](clQKCommLL& ll) { ll.DoReboot(); });
}

void clQKComm::ReadSpace(const clAdrs& start, const clAdrs& stop, clHugeBuffer<unsigned char>& buf, unsigned char space,
                         unsigned char kind)
{
    if (!(start <= stop))
        RaiseInternal("start_adrs <= stop_adrs", 1069);
    Run(1071, opRead, [&](clQKCommLL& ll) { ll.ReadSpace(start, stop, buf, space, kind); });
}

void clQKComm::WriteSpace(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                          unsigned char space, unsigned char kind, int reverse)
{
    if (!(start <= stop))
        RaiseInternal("start_adrs <= stop_adrs", 1082);
    Run(1084, opSync, [&](clQKCommLL& ll) { ll.WriteSpace(start, stop, buf, space, kind, reverse); });
}

void clQKComm::ExecCmd(unsigned char order, unsigned char count, const unsigned char* data)
{
    Run(1093, kKeepOp, [&](clQKCommLL& ll) { ll.ExecCmd(order, count, data); });
}

void clQKComm::WriteToLog(const char* text)
{
    if (m_pLL)
        m_pLL->WriteToLog(text);
}

// …Seq forms.

void clQKComm::BlnkChkSeq(const clQKHugeBufIntr& buf)
{
    Sequence([&] { BlnkChk(buf); });
}

void clQKComm::SigChkSeq()
{
    Sequence([&] { SigChk(); });
}

void clQKComm::EraseSeq(const clQKHugeBufIntr& buf)
{
    Sequence([&] { Erase(buf); });
}

unsigned short clQKComm::ChkSumSeq(const clQKHugeBufIntr& buf)
{
    unsigned short sum = 0;
    Sequence([&] { sum = ChkSum(buf); });
    return sum;
}

void clQKComm::ReadSeq(clQKHugeBufIntr& buf)
{
    Sequence([&] { Read(buf); });
}

unsigned short clQKComm::ProgramSeq(const clQKHugeBufIntr& buf)
{
    unsigned short sum = 0;
    Sequence([&] {
        SettleBeforeProgram(buf);
        sum = Program(buf);
    });
    return sum;
}

void clQKComm::SettleBeforeProgram(const clQKHugeBufIntr& buf)
{
    // The programmer settles after the data transfers before it programs.
    // The wait goes in steps that ask the program whether to go on, so that
    // its window stays alive and a stop sends nothing more.
    constexpr long kStepMs = 50;
    const long start = m_pLL->Clock();
    for (long left = kQkSettleMs; left > 0; left = kQkSettleMs - m_pLL->Elapsed(start)) {
        if (CommProgress(0, buf.GetCmdStartAdrs(), QkOperationText(opProgram)) == 0)
            QkRaise<clXAbort>(this, kSrc, 1113);
        m_pLL->WaitMs(std::min(left, kStepMs));
    }
}

void clQKComm::VerifySeq(const clQKHugeBufIntr& buf)
{
    Sequence([&] { Verify(buf); });
}

void clQKComm::GetStatusSeq(QK_STATUS& status)
{
    Sequence([&] { GetStatus(status); });
}

void clQKComm::SetAddressesSeq(const clQKHugeBufIntr& buf)
{
    SetAddresses(buf);
}

void clQKComm::SetAutoOptSeq(int a, int b, int c)
{
    Sequence([&] { SetAutoOpt(a, b, c); });
}

void clQKComm::WriteSeq(const clQKHugeBufIntr& buf, int mode)
{
    Sequence([&] { Write(buf, mode); });
}

void clQKComm::FillSeq(const clQKHugeBufIntr& buf, unsigned char value)
{
    Sequence([&] { Fill(buf, value); });
}

void clQKComm::WriteRangeSeq(const clQKHugeBufIntr& buf, const clAdrs& first, const clAdrs& last)
{
    Sequence([&] { WriteSpace(first, last, buf, qkwire::ordMemory, qkwire::subMemory, 1); });
}

double clQKComm::WriteRangeMs(const clQKHugeBufIntr& buf, const clAdrs& first, const clAdrs& last) const
{
    // Each frame with its two-byte acknowledgement, 10 bits a byte.
    constexpr double kFillFrame = 13 + 2;
    constexpr double kWriteFrame = clQKPkt::kHeader + 2;
    const double baud = m_Port.m_lBaud > 0 ? static_cast<double>(m_Port.m_lBaud) : 115200.0;
    double bytes = 0;
    clRunSplit pieces(buf, first, last);
    clWritePiece piece;
    while (pieces.Next(piece)) {
        const double n = static_cast<double>(piece.stop - piece.start) + 1;
        bytes += piece.run ? kFillFrame : n + std::ceil(n / clQKPkt::kMaxData) * kWriteFrame;
    }
    return bytes * 10 * 1000 / baud;
}

void clQKComm::SetProgressPart(double from, double to)
{
    m_dPartFrom = from;
    m_dPartTo = to;
}

void clQKComm::WrPrjDescrSeq(const char* text)
{
    if (m_iCommEn)
        Sequence([&] { WrPrjDescr(text); });
}

void clQKComm::PgmFlshSeq()
{
    if (m_iCommEn)
        Sequence([&] { PgmFlsh(); });
}

void clQKComm::PgmDConfSeq(int& result)
{
    result = 0;
    if (!m_iCommEn)
        return;
    Sequence([&] {
        PgmDConf();
        result = 1;
    });
}

void clQKComm::EraseDConfSeq()
{
    if (m_iCommEn)
        Sequence([&] { EraseDConf(); });
}

void clQKComm::RobotSeq(int on)
{
    Sequence([&] { Robot(on); });
}

void clQKComm::AllowDevButSeq(int on)
{
    Sequence([&] { AllowDeviceButtons(on); });
}

void clQKComm::RobotStateSeq()
{
    Sequence([&] { RobotState(); });
}

void clQKComm::ForceRebootSeq()
{
    Sequence([&] { DoReboot(); });
}

int clQKComm::Report(unsigned short no, ERR_TYPE type, unsigned char option)
{
    return GetCommErrMngr() << clQKCommEr(GetPrcssId(), no, type, option);
}

void clQKComm::RaiseInternal(const char* expression, unsigned short line) const
{
    clXRegistrator<clQKComm, clXIntrErr>::Raise(clXIntrErr(expression), this, kSrc, line);
}

clComLatency clQKComm::GetLinkLatency() const
{
    const auto* real = dynamic_cast<const clQKCommLL2*>(m_pLL.get());
    return m_iCommEn && real != nullptr ? ComLatency(real->GetPortId()) : clComLatency{};
}

int clQKComm::GetLinkBaud() const
{
    const auto* real = dynamic_cast<const clQKCommLL2*>(m_pLL.get());
    return m_iCommEn && real != nullptr ? std::max(ComBaud(real->GetPortId()), 0) : 0;
}
