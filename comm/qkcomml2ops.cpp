// The device operations of the real protocol. Data moves between the PC's
// buffers and the programmer's memory in frames; the device orders then run
// inside the programmer on the buffer's command range.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "comm/comport.h"
#include "comm/qkblocks.h"
#include "comm/qkcommer.h"
#include "comm/qkcomml2.h"
#include "cpplib/bitrev.h"
#include "cpplib/qkbytes.h"

namespace {

// Sets a variable for a scope and puts the old value back however it ends.
template <class T>
class clRestore {
public:
    clRestore(T& variable, T value) : m_Var(variable), m_Old(variable) { variable = value; }
    ~clRestore() { m_Var = m_Old; }
    clRestore(const clRestore&) = delete;
    clRestore& operator=(const clRestore&) = delete;

private:
    T& m_Var;
    T m_Old;
};

// The byte count the configuration orders are timed for.
constexpr std::uint32_t kConfigCount = 0xDFFFF;

unsigned char ClampByte(double value)
{
    return static_cast<unsigned char>(std::clamp(value, 0.0, 255.0));
}

// The bytes the programmer works through for a buffer's command range.
std::uint32_t ByteCount(const clQKHugeBufIntr& buf)
{
    const std::uint64_t n = static_cast<std::uint64_t>(buf.GetCmdStopAdrs() - buf.GetCmdStartAdrs()) + 1;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFFu));
}

} // namespace

using namespace qkwire;

void clQKCommLL2::CheckBuffer(const clQKHugeBufIntr& buf) const
{
    if (buf.GetSpaceId() != spData)
        RaiseInternal("buf.GetSpaceId() == spData", 810);
    if (!(buf.GetCmdStartAdrs() <= buf.GetCmdStopAdrs()))
        RaiseInternal("buf.GetCmdStartAdrs() <= buf.GetCmdStopAdrs()", 812);
}

bool clQKCommLL2::Reverses(bool flag) const
{
    return flag && QkReversesBits(m_usDeviceId);
}

void clQKCommLL2::StartProgress()
{
    m_dStart = 0;
    m_dScale = 100.0;
    m_dLastPercent = 0;
    m_bAbortSent = false;
}

void clQKCommLL2::Report(double percent, const clAdrs& address)
{
    if (m_Prgrs == 0)
        return;
    m_dLastPercent = percent;
    m_LastAdrs = address;
    const double value = std::clamp(0.01 * m_dScale * percent + m_dStart, 0.0, 100.0);
    if (Progress(static_cast<unsigned char>(value), address, m_usPrgrsText) != 0)
        return;
    // The user asked to stop: a programming run is told with the abort byte
    // and ends with the programmer's "aborted" reply; anything else stops here.
    if (!m_SeqIds.Contains(seqProgram))
        Raise<clXAbort>(840);
    if (!m_bAbortSent)
        SendAbort();
}

void clQKCommLL2::ReportAgain()
{
    Report(m_dLastPercent, m_LastAdrs);
}

void clQKCommLL2::WaitForReply(long ms)
{
    // The wait ends early when a reply starts to come, so that a busy reply
    // is read at once and never piles up behind the next one.
    ComWaitInput(m_iPortId, static_cast<int>(ms));
}

void clQKCommLL2::RunOrder(unsigned char order, int replyLen, const clQKHugeBufIntr& buf, long preWaitMs)
{
    CheckBuffer(buf);
    StartProgress();
    Execute(order);
    Report(0, buf.GetCmdStartAdrs());
    if (preWaitMs > 0)
        WaitForReply(preWaitMs);
    Receive(replyLen, order, ByteCount(buf));
    Report(100, buf.GetCmdStopAdrs());
}

void clQKCommLL2::BlnkChk(const clQKHugeBufIntr& buf)
{
    m_SeqIds.Push(seqBlankCheck);
    RunOrder(ordBlankCheck, kReplyBlankCheck, buf, 0);
    m_SeqIds.Pop();
}

void clQKCommLL2::Erase(const clQKHugeBufIntr& buf)
{
    m_SeqIds.Push(seqErase);
    RunOrder(ordErase, kReplyAck, buf, 0);
    m_SeqIds.Pop();
}

unsigned short clQKCommLL2::ChkSum(const clQKHugeBufIntr& buf)
{
    m_SeqIds.Push(seqChecksum);
    {
        clProgressScope on(*this, 1);
        RunOrder(ordChecksum, kReplyChecksum, buf, 0);
    }
    // The checksum comes high byte first.
    const unsigned short sum = static_cast<unsigned short>(m_Pkt.Byte(2) * 256 + m_Pkt.Byte(3));
    m_SeqIds.Pop();
    return sum;
}

unsigned short clQKCommLL2::Program(const clQKHugeBufIntr& buf)
{
    m_SeqIds.Push(seqProgram);
    {
        clProgressScope on(*this, 1);
        RunOrder(ordProgram, kReplyAck, buf, 0);
    }
    {
        clRestore<unsigned short> text(m_usPrgrsText, 8);
        Verify(buf);
    }
    const unsigned short sum = buf.Sum(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
    m_SeqIds.Pop();
    return sum;
}

void clQKCommLL2::Verify(const clQKHugeBufIntr& buf)
{
    m_SeqIds.Push(seqVerify);
    try {
        RunOrder(ordVerify, kReplyVerify, buf, 1000);
    } catch (...) {
        // Only a well-formed failure reply names an address and values; a
        // power-up or a malformed reply is reported by the bracket instead,
        // never as a mismatch at values that were never read.
        if (m_iReplyFailed == 1 && !m_bMalformed && (m_iLastCode == rplVerifyFailed || m_iLastCode == rplFailed)) {
            m_iReplyFailed = 0;
            PostVerifyError(buf);
        }
        if (m_Prgrs != 0)
            Progress(100, buf.GetCmdStopAdrs(), m_usPrgrsText);
        throw;
    }
    m_SeqIds.Pop();
}

void clQKCommLL2::PostVerifyError(const clQKHugeBufIntr& buf)
{
    const clAdrs address(m_Pkt.BigEndian32(2));
    unsigned char device = m_Pkt.Byte(6);
    if (Reverses(true))
        device = QkReverseBits(device);
    // An address outside the buffer has no buffer value to show: the verify
    // failed all the same.
    if (!buf.HasMemory() || address < buf.GetStartAdrs() || address > buf.GetStopAdrs()) {
        PostError(19);
        return;
    }
    GetCommErrMngr() << clQKCommVrfErr(GetProcessId(), address, device, buf.GetByte(address));
}

void clQKCommLL2::Read(clQKHugeBufIntr& buf)
{
    CheckBuffer(buf);
    StartProgress();
    Execute(ordRead);
    Report(0, buf.GetCmdStartAdrs());
    Receive(2, ordRead, ByteCount(buf));
    ReadSpace(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs(), buf, ordMemory, subMemory);
}

void clQKCommLL2::CheckRange(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf) const
{
    if (!(start <= stop))
        RaiseInternal("start_adrs <= stop_adrs", 956);
    // Checked before the first frame, so a bad range moves nothing.
    if (!buf.HasMemory() || start < buf.GetStartAdrs() || stop > buf.GetStopAdrs())
        Raise<clXRange>(959);
}

void clQKCommLL2::ReadSpace(const clAdrs& start, const clAdrs& stop, clHugeBuffer<unsigned char>& buf,
                            unsigned char order, unsigned char sub)
{
    CheckRange(start, stop, buf);
    m_SeqIds.Push(seqReadSpace);
    StartProgress();
    const double total = static_cast<double>(stop - start) + 1;
    const bool reverse = Reverses(true);
    clBlockSplit blocks(start, stop);
    clAdrs first, last;
    unsigned char data[clQKPkt::kMaxFrame];
    Report(0, start);
    while (blocks.NextBlock(kMaxRead, first, last)) {
        const int n = static_cast<int>(last - first) + 1;
        m_dScale = n / total * 100;
        m_Pkt.SetRequest(order, sub, first.GetLinear(), static_cast<unsigned char>(n));
        Send(kindRequest);
        Receive(n + 2, kindRequest, static_cast<std::uint32_t>(n + 2));
        std::memcpy(data, m_Pkt.Bytes() + 2, static_cast<std::size_t>(n));
        if (reverse)
            QkReverseBits(data, static_cast<std::size_t>(n));
        // The base write: bytes read from the programmer are not written back to it.
        buf.clHugeBuffer<unsigned char>::Write(first, last, data);
        m_dStart += m_dScale;
        Report(0, last);
    }
    m_SeqIds.Pop();
}

void clQKCommLL2::Write(const clQKHugeBufIntr& buf, int mode)
{
    CheckBuffer(buf);
    StartProgress();
    BlockWrite(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs(), buf, ordMemory, subMemory, Reverses(mode != 0),
               static_cast<double>(ByteCount(buf)));
}

void clQKCommLL2::BlockWrite(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                             unsigned char order, unsigned char sub, bool reverse, double rangeBytes)
{
    clBlockSplit blocks(start, stop);
    clAdrs first, last;
    unsigned char data[clQKPkt::kMaxData];
    while (blocks.NextBlock(clQKPkt::kMaxData, first, last)) {
        const int n = static_cast<int>(last - first) + 1;
        m_dScale = n / rangeBytes * 100;
        if (reverse)
            buf.ReadReversed(first, last, data);
        else
            buf.Read(first, last, data);
        m_Pkt.SetWrite(order, sub, first.GetLinear(), data, n);
        const std::uint32_t ackCount = m_Pkt.Cnt() + 5u;
        Send(kindWrite);
        Receive(2, kindWrite, ackCount);
        m_dStart += m_dScale;
        Report(0, last);
    }
}

void clQKCommLL2::FillFrame(unsigned char order, unsigned char sub, std::uint32_t start, std::uint32_t stop,
                            unsigned char value)
{
    m_Pkt.SetFill(order, sub, start, stop, value);
    Send(kindFill);
    Receive(2, kindFill, 12 + (stop - start) + 6);
}

void clQKCommLL2::WriteSpace(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& buf,
                             unsigned char order, unsigned char sub, int reverse)
{
    CheckRange(start, stop, buf);
    m_SeqIds.Push(seqWriteSpace);
    StartProgress();
    const double total = static_cast<double>(stop - start) + 1;
    const bool reversing = Reverses(reverse != 0);
    clRunSplit pieces(buf, start, stop);
    clWritePiece piece;
    while (pieces.Next(piece)) {
        if (!piece.run) {
            BlockWrite(piece.start, piece.stop, buf, order, sub, reversing, total);
            continue;
        }
        m_dScale = (static_cast<double>(piece.stop - piece.start) + 1) / total * 100;
        FillFrame(order, sub, piece.start.GetLinear(), piece.stop.GetLinear(),
                  reversing ? QkReverseBits(piece.value) : piece.value);
        m_dStart += m_dScale;
        Report(0, piece.stop);
    }
    m_SeqIds.Pop();
}

void clQKCommLL2::Fill(const clQKHugeBufIntr& buf, unsigned char value)
{
    CheckBuffer(buf);
    m_SeqIds.Push(seqFill);
    clRestore<unsigned short> text(m_usPrgrsText, 10);
    StartProgress();
    Report(0, buf.GetCmdStartAdrs());
    FillFrame(ordMemory, subMemory, buf.GetCmdStartAdrs().GetLinear(), buf.GetCmdStopAdrs().GetLinear(),
              Reverses(true) ? QkReverseBits(value) : value);
    Report(100, buf.GetCmdStopAdrs());
    m_SeqIds.Pop();
}

void clQKCommLL2::GetStatus(QK_STATUS& status)
{
    m_SeqIds.Push(seqStatus);
    Query(ordStatus, subStatus, kReplyStatus);
    status.Reset();
    status.SetStartBttnClicked(m_Pkt.Byte(2));
    m_SeqIds.Pop();
}

void clQKCommLL2::Order(unsigned char order, int replyLen, unsigned char replyOrder, std::uint32_t count)
{
    Execute(order);
    Receive(replyLen, replyOrder, count);
}

// Robot and button orders: the order is its own sequence id and the reply a
// one-byte acknowledgement.
void clQKCommLL2::AckOrder(unsigned char order, std::uint32_t count)
{
    m_SeqIds.Push(order);
    Order(order, 1, order, count);
    m_SeqIds.Pop();
}

void clQKCommLL2::Robot(int on)
{
    AckOrder(on != 0 ? ordRobotOn : ordRobotOff, 0);
}

void clQKCommLL2::RobotState()
{
    AckOrder(ordRobotState, 0);
}

void clQKCommLL2::AllowDeviceButtons(int on)
{
    AckOrder(on != 0 ? ordButtonsAllowed : ordButtonsForbidden, 1);
}

void clQKCommLL2::PgmFlsh()
{
    Order(ordPgmFlash, 2, ordPgmFlash, kConfigCount);
}

void clQKCommLL2::PgmDConf()
{
    Order(ordPgmDConf, 2, ordPgmDConf, kConfigCount);
}

void clQKCommLL2::EraseDConf()
{
    // The reply is 255 bytes long; the packet has room for it.
    Order(ordEraseDConf, 255, ordEraseDConf, kConfigCount);
}

void clQKCommLL2::DoReboot()
{
    m_SeqIds.Push(seqReboot);
    m_Pkt.SetReboot(ordReboot);
    Send(kindReboot);
    Receive(kReplyAck, ordReboot, 1);
    m_SeqIds.Pop();
}

void clQKCommLL2::Ready()
{
    m_SeqIds.Push(seqReady);
    // Its reply is timed as an erase's.
    Order(ordReady, kReplyAck, ordErase, 0xFFFF);
    m_SeqIds.Pop();
}

void clQKCommLL2::ExecCmd(unsigned char order, unsigned char count, const unsigned char* data)
{
    m_Pkt.SetExecute(order, data, count);
    m_Log.LogLine("COMMAND EXECUTION: ", order);
    Send(kindExecute);
}

void clQKCommLL2::WrPrjDescr(const char* text)
{
    unsigned char data[kPrjDescrSize] = {};
    for (int i = 0; i < kPrjDescrSize - 1 && text != nullptr && text[i] != '\0'; ++i)
        data[i] = static_cast<unsigned char>(text[i]);
    data[kPrjDescrSize - 1] = ClampByte(std::trunc(SwitchInt(qksw::kPrgDelay, 2) * 14.75 * 0.125));
    WriteFrame(ordSetup, subPrjDescr, data, kPrjDescrSize);
}

void clQKCommLL2::SetAddresses(const clQKHugeBufIntr& buf)
{
    if (buf.GetSpaceId() != spData)
        return;
    unsigned char data[kCmdAddressesSize];
    QkStoreBE32(data, buf.GetCmdStartAdrs().GetLinear());
    QkStoreBE32(data + 4, buf.GetCmdStopAdrs().GetLinear());
    WriteFrame(ordSetup, subCmdAddresses, data, kCmdAddressesSize);
}

void clQKCommLL2::SetAutoOpt(int a, int b, int c)
{
    const unsigned char data[kAutoOptionsSize] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                                  static_cast<unsigned char>(c)};
    WriteFrame(ordSetup, subAutoOptions, data, kAutoOptionsSize);
}

void clQKCommLL2::SendDeviceSetup()
{
    unsigned char frame[kDeviceSetupSize] = {};
    std::int32_t vpp = 0;
    if (m_pSwtch->GetInt(qksw::kVpp, vpp) != 1)
        vpp = m_usVppVal == 266 ? 50 : m_usVppVal == 300 ? 58 : 0;
    frame[0] = ClampByte(vpp);
    unsigned char doublings = 0;
    const long word = ParseFrequency(m_fFrequency, doublings);
    QkStoreBE32(frame + 1, word < 0 ? 0u : static_cast<std::uint32_t>(word));
    frame[5] = doublings;
    frame[7] = ClampByte(SwitchInt(qksw::kSectorDelay, 20));
    frame[8] = ClampByte(SwitchInt(qksw::kMassDelay, 100));
    WriteFrame(ordSetup, subDeviceSetup, frame, sizeof frame);
    m_bSetupPending = false;
}
