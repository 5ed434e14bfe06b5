// The engine of the real protocol: frames, replies, the connect handshake,
// identity, versions and the error mapping at the end of each operation.
#include "comm/qkcomml2.h"

#include <algorithm>
#include <cstring>

#include "comm/comport.h"
#include "comm/comports.h"
#include "comm/deadline.h"
#include "comm/qkbootlib.h"
#include "comm/qkcalc.h"
#include "comm/qkcommer.h"
#include "comm/qkcommexpt.h"
#include "cpplib/bitrev.h"
#include "err/qkassert.h"
#include "err/uisrv.h"

using namespace qkwire;

namespace {
constexpr const char kQKName[] = "QKJTAG";
constexpr int kMaxPortId = 32000;
constexpr const char kUpdatingCaption[] = "QK-JTAG Programmer";

// The protocol object the boot library's progress goes to.
clQKCommLL2* g_pCurrentLL2 = nullptr;

std::string Text16(const unsigned char* bytes)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, 16));
}
} // namespace

bool clQKSeqIDLL2::Contains(clSeqID2 id) const
{
    return std::find(m_Ids.begin(), m_Ids.end(), id) != m_Ids.end();
}

clQKCommLL2::clQKCommLL2(clCommSwtch& switches, clDataBase& db, int option)
    : m_pSwtch(&switches), m_pDb(&db), m_usDeviceId(static_cast<unsigned short>(option))
{
    g_pCurrentLL2 = this;
}

clQKCommLL2::~clQKCommLL2()
{
    Disconnect();
    if (g_pCurrentLL2 == this)
        g_pCurrentLL2 = nullptr;
}

clQKCommLL* clQKCommLL2::InitCommLog(const char* path)
{
    return m_Log.Open(path) ? this : nullptr;
}

void clQKCommLL2::WriteToLog(const char* text)
{
    m_Log.WriteText(text);
}

void clQKCommLL2::GetPortDefaults(QK_COMM_PORT& port)
{
    std::fill(std::begin(port.m_lReserved), std::end(port.m_lReserved), 0);
    port.m_lComIndex = 0;
    port.m_usOpenParams[0] = 0;
    port.m_usOpenParams[1] = 0;
    port.m_usOpenParams[2] = 9;
    port.m_usOpenParams[3] = 0;
    port.m_usInQueue = 4096;
    port.m_usOutQueue = 4096;
    port.m_usSpare = 0;
    port.m_lBaud = SwitchInt(qksw::kCommBaud, 115200);
    port.m_usParity = 256; // its low byte, 0, is the code for no parity
    port.m_usDataBits = 8;
    port.m_usStopBits = 0;
    port.m_usHandshake = 4;
}

void clQKCommLL2::GetProtocolVer(TArrayAsVector<clVerInfo>& list)
{
    list.push_back(QkVerFromText(kProtocolName, kProtocolVersion));
}

void clQKCommLL2::GetQKVer(TArrayAsVector<clVerInfo>& list)
{
    list.push_back(QkVerFromText(m_sQKName.c_str(), m_sQKVersion.c_str()));
    static constexpr struct {
        const char* name;
        unsigned char sub;
    } kSizes[] = {{"Ram Size", subRamSize}, {"Flash Size", subFlashSize}};
    for (const auto& size : kSizes) {
        try {
            list.emplace_back(size.name, QuerySize(size.sub), 0, 0, 0);
        } catch (const clBscExpt&) {
            list.push_back(QkVerFromText("Communication Error", "V0.00"));
        }
    }
}

void clQKCommLL2::SetupDevice(unsigned short chipId)
{
    // Everything is read before anything changes: an unknown id leaves the
    // settings as they were.
    const clDBChip chip = m_pDb->GetChip(chipId);
    const unsigned short adapterId = m_pDb->GetAdptr(chip.GetAdptrNo()).GetID();
    m_usAdptrId = adapterId;
    m_usAlgId = chip.GetAlgID();
    m_usDeviceId = chip.GetDeviceID();
    m_ulEraseTime = chip.GetEraseTime();
    m_ulPgmTime = chip.GetPgmTime();
    m_usVerSupp = chip.GetVerSupp();
    m_usPgmPulse = chip.GetPgmPulse();
    m_usVppVal = chip.GetVppVal();
    m_iDeviceSet = 1;
    if (m_iPortId >= 0)
        SendDeviceSetup();
}

void clQKCommLL2::SetFrequency(const char* text)
{
    m_fFrequency = QkFrequencyFromText(text);
    m_bSetupPending = true;
}

long clQKCommLL2::ParseFrequency(float frequency, unsigned char& doublings)
{
    return QkParseFrequency(frequency, doublings);
}

void clQKCommLL2::Connect(const QK_COMM_PORT& port)
{
    m_Log.LogPort(port.m_lPortNo);
    if (port.m_lPortKind != 1)
        Raise<clQKCommExpt>(372);
    int id = 0;
    while (id <= kMaxPortId && ComIsFree(id) == 0)
        ++id;
    if (id > kMaxPortId)
        Raise<clQKCommExpt>(378);
    try {
        for (;;) {
            // A firmware update closed the port: it opens afresh.
            m_iPortId = id;
            if (ComOpenPort(id, clComPort{port.m_lComIndex + 1, m_sPortPath}, port.m_usOpenParams[0],
                            port.m_usOpenParams[1], port.m_usOpenParams[2], port.m_usOpenParams[3], port.m_usInQueue,
                            port.m_usOutQueue, port.m_usSpare, m_sOpenProblem) != comOk)
                Raise<clQKCommExpt>(386);
            if (ComSetParams(id, port.m_lBaud, static_cast<unsigned char>(port.m_usParity & 0xFF),
                             static_cast<unsigned char>(port.m_usDataBits),
                             static_cast<unsigned char>(port.m_usStopBits), port.m_usHandshake) != comOk)
                Raise<clQKCommExpt>(391);
            if (ComPurgeTx(id) == -1 || ComPurgeRx(id) == -1)
                Raise<clQKCommExpt>(393);
            if (BootCheck(port.m_lPortNo))
                continue;
            Sync();
            GetIdentity();
            const int version = QkVersionNumber(m_sQKVersion.c_str());
            if (m_sQKName != kQKName || version < 100) {
                if (version < 100)
                    PostError(16);
                Raise<clQKCommExpt>(403);
            }
            SendDeviceSetup();
            break;
        }
        m_iPortNo = port.m_lPortNo;
        m_iPortKind = port.m_lPortKind;
        m_lBaud = port.m_lBaud;
        m_usParity = port.m_usParity;
        m_usDataBits = port.m_usDataBits;
        m_usStopBits = port.m_usStopBits;
        m_usHandshake = port.m_usHandshake;

        const unsigned char powerUpOff = 0;
        WriteFrame(ordOption, subOptionPowerUp, &powerUpOff, 1);
        m_iPwrUpTolerant = powerUpOff;
        if (m_iDeviceSet != 0)
            SendDeviceSetup();
        const unsigned mode = 2;
        const unsigned char statusMode[2] = {static_cast<unsigned char>(mode & 1),
                                             static_cast<unsigned char>((mode >> 1) & 1)};
        WriteFrame(ordStatus, subStatusMode, statusMode, 2);
        const unsigned char option17 = 1;
        WriteFrame(ordOption, subOption17, &option17, 1);
    } catch (...) {
        // A failed connect never keeps the device: a retry must be able to open it.
        ClosePort();
        throw;
    }
}

void clQKCommLL2::Disconnect()
{
    m_Log.Close();
    ClosePort();
}

void clQKCommLL2::ClosePort()
{
    if (m_iPortId < 0)
        return;
    if (ComIsFree(m_iPortId) == 0) {
        ComPurgeTx(m_iPortId);
        ComPurgeRx(m_iPortId);
        ComClose(m_iPortId);
    }
    m_iPortId = -1;
}

void clQKCommLL2::Prolog()
{
    if (ComPurgeTx(m_iPortId) == -1 || ComPurgeRx(m_iPortId) == -1)
        Raise<clQKCommExpt>(451);
    // A new sequence: ids left by an earlier failure belong to it no more.
    m_SeqIds.Clear();
    Sync();
    if (m_bSetupPending)
        SendDeviceSetup();
}

void clQKCommLL2::Epilog()
{
    clProgressScope off(*this, 0);
    if (m_iReplyFailed == 1) {
        if (m_iLastCode == rplPowerUp) {
            PostError(20);
        } else {
            const clSeqID2 failed = m_SeqIds.Top();
            switch (failed) {
            case seqSecurity: PostError(12); break;
            case seqBlankCheck: {
                // A malformed reply has no address and value to name.
                if (m_bMalformed || m_iLastCode != rplFailed)
                    break;
                unsigned char value = m_Pkt.Byte(6);
                if (Reverses(true))
                    value = QkReverseBits(value);
                GetCommErrMngr() << clQKCommBlnkErr(GetProcessId(), clAdrs(m_Pkt.BigEndian32(2)), value);
                break;
            }
            case seqNotBlank: PostError(4); break;
            // A failed erase says so ("Erase operation has failed."), and so
            // does a failed checksum, not the message one above each.
            case seqErase: PostError(6); break;
            case seqChecksum: PostError(7); break;
            case seqReady: PostError(12); break;
            case seqDemo: PostError(15); break;
            case seqInternal: PostError(14); break;
            default:
                if (m_iLastCode == rplVerifyFailed &&
                    std::find(std::begin(kFinalVerifySeqs), std::end(kFinalVerifySeqs), failed) !=
                        std::end(kFinalVerifySeqs))
                    PostError(19);
                break;
            }
        }
    }
    m_iReplyFailed = 0;
    m_SeqIds.Clear();
}

bool clQKCommLL2::BootCheck(int portNo)
{
    if (!ProbeMonitor()) {
        m_bUpdated = false;
        return false;
    }
    // New firmware that does not start would bring the monitor back for ever.
    if (m_bUpdated) {
        GetCommErrMngr() << clQKBootErr(GetProcessId(), clQKBootErr::bootStillThere);
        Raise<clQKCommExpt>(507);
    }
    UpdateFirmware(portNo);
    m_bUpdated = true;
    return true;
}

bool clQKCommLL2::ProbeMonitor()
{
    m_SeqIds.Push(seqBootProbe);
    bool present = false;
    {
        clProgressScope off(*this, 0);
        ComPurgeTx(m_iPortId);
        ComPurgeRx(m_iPortId);
        unsigned char answer[kProbeReplySize] = {};
        try {
            RawWrite(&kProbeByte, 1, 100);
            DrainTx(100);
            RawRead(answer, sizeof answer, 300);
            present = IsMonitorReply(answer, sizeof answer);
        } catch (const clBscExpt&) {
            // Normal firmware does not answer the probe.
        }
    }
    m_SeqIds.Pop();
    ComPurgeTx(m_iPortId);
    ComPurgeRx(m_iPortId);
    return present;
}

bool clQKCommLL2::IsMonitorReply(const unsigned char* answer, int count)
{
    if (count != kProbeReplySize || answer[0] != kProbeReplySize - 1)
        return false;
    // The reply after its count, compared with the monitor's (ready flags,
    // code 0, identity) as zero-terminated strings: the pattern ends after
    // its first byte, so every reply that goes on with the ready flags and a
    // zero is the monitor's.
    unsigned char pattern[kProbeReplySize - 1] = {bootReady, 0};
    std::memcpy(pattern + 2, kMonitorIdentity, sizeof kMonitorIdentity);
    char reply[kProbeReplySize] = {};
    std::memcpy(reply, answer + 1, kProbeReplySize - 1);
    return std::strcmp(reply, reinterpret_cast<const char*>(pattern)) == 0;
}

void clQKCommLL2::UpdateFirmware(int portNo)
{
    clBootLibrary library;
    if (!library.Load()) {
        const std::string text = "Can't find " + clBootLibrary::Path();
        QkUi().MessageBox(text.c_str(), "Booting error", erOptOk);
        Raise<clQKCommExpt>(1043);
    }
    const auto comInit = library.Entry<QkComInitFn>("com_init");
    if (comInit == nullptr) {
        GetCommErrMngr() << clQKBootErr(GetProcessId(), clQKBootErr::bootNoEntry, clBootLibrary::Path().c_str());
        Raise<clQKCommExpt>(1048);
    }
    // The boot library keeps its own port map: it learns which device the
    // number stands for here. It takes COM numbers only, so a port named by
    // its path goes to it as COM1 of that map.
    const std::string path = clComPort{portNo, m_sPortPath}.Path();
    const int bootPort = m_sPortPath.empty() ? portNo : 1;
    if (const auto mapPort = library.Entry<QkComMapPortFn>("com_mapport"))
        mapPort(bootPort, path.c_str());
    // The boot library opens the port itself. The log stays open, so that it
    // goes on after the update.
    ClosePort();
    int result = -1;
    {
        clProgressScope on(*this, 1);
        StartProgress();
        g_pCurrentLL2 = this; // whichever protocol object was made last, this one updates
        result = comInit(bootPort, &BootProgress, QkBootFamily(m_usDeviceId));
    }
    if (result != 1) {
        const auto dllError = library.Entry<QkDllErrorFn>("dllError");
        const CDllError* error = dllError != nullptr ? dllError() : nullptr;
        const std::string reason = error != nullptr
                                       ? std::string(error->m_szText, strnlen(error->m_szText, sizeof error->m_szText))
                                       : std::string("no reason given");
        GetCommErrMngr() << clQKBootErr(GetProcessId(), clQKBootErr::bootFailed, reason.c_str(),
                                        error != nullptr ? error->m_iError : 0);
        Raise<clQKCommExpt>(1062);
    }
    if (const auto version = library.Entry<QkMonitorVersionFn>("monitorVersion"))
        m_iMonitorVersion = version();
    m_bWroteFirmware = true;
    library.Release();
    WaitMs(clBootLibrary::RestartWaitMs());
}

void clQKCommLL2::BootProgress(double percent)
{
    if (g_pCurrentLL2 == nullptr)
        return;
    try {
        g_pCurrentLL2->Report(percent, clAdrs(0));
    } catch (...) {
        // A download stopped halfway would leave the programmer without
        // firmware: a stop request waits for the end of it.
    }
}

void clQKCommLL2::RawWrite(const unsigned char* bytes, int count, int timeout)
{
    QK_ASSERT(timeout < 32767, kSrc, 520);
    ComSetTimeout(m_iPortId, timeout / 55 + 1);
    const int written = ComWrite(m_iPortId, count, bytes);
    m_Log.Log(logRawTx, count, bytes);
    if (written != count)
        Raise<clQKCommExpt>(525);
}

void clQKCommLL2::RawRead(unsigned char* bytes, int count, int ms)
{
    const clDeadline end = clDeadline::AfterMs(ms);
    int queued = 0;
    for (;;) {
        queued = ComInCount(m_iPortId);
        if (queued >= count || end.Passed())
            break;
        if (queued <= 0) {
            if (ComWaitInput(m_iPortId, end.LeftMs()) < 0)
                break;
        } else {
            ComDelay(std::min(2, end.LeftMs()));
        }
    }
    // Nothing came: no need to wait out a read budget to learn that.
    if (queued <= 0)
        Raise<clQKCommExpt>(546);
    const int got = ComRead(m_iPortId, count, bytes);
    if (got == -1)
        Raise<clXIntrErr>(549);
    if (got != count)
        Raise<clQKCommExpt>(551);
    if (ComOverrun(m_iPortId) == 1 || ComRxOverflow(m_iPortId) == 1 || ComFrameError(m_iPortId) == 1)
        Raise<clQKCommExpt>(553);
    m_Log.Log(logRawRx, count, bytes);
}

void clQKCommLL2::DrainTx(int ms)
{
    WaitMs(ms / 2);
    const clDeadline end = clDeadline::AfterMs(ms);
    while (ComTxIdle(m_iPortId) != 1 && !end.Passed())
        ComDelay(1);
}

void clQKCommLL2::SetTransferTimeout(std::uint32_t count, unsigned order)
{
    const int bits = ComBitsPerChar(m_iPortId);
    const int baud = ComBaud(m_iPortId);
    if (bits <= 0 || baud <= 0)
        Raise<clQKCommExpt>(572); // the port is not open
    ComSetTimeout(m_iPortId, QkTransferTicks(count, order, bits, baud));
}

void clQKCommLL2::Send(unsigned char kind)
{
    m_Log.LogLine("SEND ORDER: ", kind);
    const int length = m_Pkt.FrameLength();
    if (length > clQKPkt::kMaxFrame)
        Raise<clQKCommExpt>(581);
    SetTransferTimeout(static_cast<std::uint32_t>(length), kind);
    const int written = ComWrite(m_iPortId, length, m_Pkt.Bytes());
    m_Log.Log(logTx, length, m_Pkt.Bytes());
    if (written != length)
        Raise<clQKCommExpt>(586);
}

void clQKCommLL2::Receive(int min, unsigned char order, std::uint32_t count)
{
    if (min < 1 || min > clQKPkt::kMaxReply)
        RaiseInternal("min <= 255", 592);
    m_bMalformed = false;
    for (;;) {
        m_Pkt.ClearCnt();
        SetTransferTimeout(count, order);
        const int got = ComRead(m_iPortId, min, m_Pkt.ReplyArea());
        m_Log.Log(logRx, std::max(got, 0), m_Pkt.ReplyArea());
        if (got < min)
            Raise<clQKCommExpt>(599);
        if (CheckReply(min) != rplBusy)
            break;
        // Still working: a chance for progress and for the user to stop.
        ReportAgain();
    }
    m_Log.WriteText("END\r\n");
}

unsigned char clQKCommLL2::CheckReply(int min)
{
    m_iLastCode = -1;
    unsigned char code = 0;
    if (min == 1) {
        // A one-byte reply is an acknowledgement: the byte is the reply code.
        code = m_Pkt.Byte(0);
    } else {
        if (m_Pkt.Cnt() == 0 || m_Pkt.Cnt() + 1 != min) {
            m_iReplyFailed = 1;
            m_bMalformed = true;
            Raise<clQKTargetFail>(617);
        }
        code = m_Pkt.Byte(1);
    }
    m_iLastCode = code;
    switch (code) {
    case rplDone:
    case rplBusy: return code;
    case rplFailed:
    case rplVerifyFailed: m_iReplyFailed = 1; Raise<clQKTargetFail>(626);
    case rplAborted: Raise<clXAbort>(627);
    case rplPowerUp:
        if (m_iPwrUpTolerant != 0)
            return code;
        m_iReplyFailed = 1;
        Raise<clQKTargetPwrUp>(632);
    case rplUpdating:
        if (!m_bFwUpdating) {
            m_bFwUpdating = true;
            QkUi().MessageBox(kQkUpdatingText, kUpdatingCaption, erOptOk);
        }
        return code;
    default: m_iReplyFailed = 1; Raise<clQKCommExpt>(639);
    }
}

void clQKCommLL2::Execute(unsigned char order)
{
    clProgressScope off(*this, 0);
    m_Pkt.SetExecute(order);
    m_Log.LogLine("COMMAND EXECUTION: ", order);
    Send(kindExecute);
}

void clQKCommLL2::Query(unsigned char order, unsigned char sub, unsigned char len)
{
    clProgressScope off(*this, 0);
    m_Pkt.SetRequest(order, sub, 0, len);
    Send(kindRequest);
    if (len == 1)
        Receive(4, kindRequest, 3);
    else
        Receive(len + 2, kindRequest, len + 2u);
}

unsigned short clQKCommLL2::QuerySize(unsigned char sub)
{
    Query(ordIdentity, sub, 1);
    // Sizes come low byte first.
    return static_cast<unsigned short>(m_Pkt.Byte(3) * 256 + m_Pkt.Byte(2));
}

void clQKCommLL2::WriteFrame(unsigned char order, unsigned char sub, const unsigned char* data, int len)
{
    m_Pkt.SetWrite(order, sub, 0, data, len);
    Send(kindWrite);
    Receive(2, kindWrite, 6);
}

void clQKCommLL2::SendAbort()
{
    m_bAbortSent = true;
    SetTransferTimeout(1, kAbortByte);
    const int written = ComWrite(m_iPortId, 1, &kAbortByte);
    m_Log.Log(logTx, 1, &kAbortByte);
    if (written != 1)
        Raise<clQKCommExpt>(680);
}

void clQKCommLL2::Sync()
{
    clProgressScope off(*this, 0);
    SetTransferTimeout(1, kSyncByte);
    const int written = ComWrite(m_iPortId, 1, &kSyncByte);
    m_Log.Log(logTx, 1, &kSyncByte);
    if (written < 1)
        Raise<clQKCommExpt>(689);
    unsigned char answer[7] = {};
    SetTransferTimeout(sizeof answer, kSyncByte);
    const int got = ComRead(m_iPortId, sizeof answer, answer);
    m_Log.Log(logRx, std::max(got, 0), answer);
    if (got != static_cast<int>(sizeof answer))
        Raise<clQKCommExpt>(695);
    if (std::memcmp(answer + 2, kSyncAnswer, sizeof kSyncAnswer) != 0)
        Raise<clQKCommExpt>(697);
}

void clQKCommLL2::GetIdentity()
{
    Query(ordIdentity, subIdVersion, 16);
    m_sQKVersion = Text16(m_Pkt.ReplyArea() + 2);
    Query(ordIdentity, subIdName, 16);
    m_sQKName = Text16(m_Pkt.ReplyArea() + 2);
}

void clQKCommLL2::PostError(unsigned short errNo)
{
    GetCommErrMngr() << clQKCommEr(GetProcessId(), errNo, erTypeError, erOptAbort);
}

int clQKCommLL2::SwitchInt(const char* key, int fallback) const
{
    std::int32_t value = 0;
    return m_pSwtch->GetInt(key, value) == 1 ? value : fallback;
}

void clQKCommLL2::RaiseInternal(const char* expression, unsigned short line) const
{
    clXRegistrator<clQKCommLL2, clXIntrErr>::Raise(clXIntrErr(expression), this, kSrc, line);
}
