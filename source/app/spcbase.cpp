#include "source/app/spcbase.h"

#include <bit>
#include <cstdio>
#include <filesystem>

#include "comm/qkcommexpt.h"
#include "comm/qkcomml2.h"
#include "cpplib/clexpt.h"
#include "err/qkassert.h"
#include "source/app/qk51text.h"
#include "source/base/appmngr.h"
#include "source/base/qk51err.h"
#include "source/files/fileformats.h"
#include "source/files/hexdefs.h"
#include "source/files/hexio.h"
#include "source/run/autoopts.h"

namespace {
constexpr const char kSrcBase[] = "sbasedlg";
constexpr unsigned short kMsgInitFailed = 1007;
constexpr unsigned short kMsgDiskError = hexErrDisk;

std::string Absolute(const std::string& path)
{
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.lexically_normal().string();
}
} // namespace

std::string QkSizeText(std::uint32_t size)
{
    char text[48];
    const double kb = size / 1024.0;
    std::snprintf(text, sizeof text, size % 1024 == 0 ? "%lXh (%.0fK)" : "%lXh (%.1fK)",
                  static_cast<unsigned long>(size), kb);
    return text;
}

int QkLockBitCount(unsigned char securityBits)
{
    return std::popcount(static_cast<unsigned>(securityBits & 0x07));
}

// The base view.

clSpcBaseDlg::clSpcBaseDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer)
    : m_Owner(owner), m_iSpace(space), m_pBuf(buffer)
{}

std::string clSpcBaseDlg::GetTitle() const
{
    return m_pBuf != nullptr ? m_pBuf->GetName() : "";
}

clQKHugeBuffer& clSpcBaseDlg::Buf(int line) const
{
    QK_ASSERT(m_pBuf != 0, kSrcBase, line);
    return *m_pBuf;
}

void clSpcBaseDlg::Refresh()
{
    if (m_pWindow != nullptr)
        m_pWindow->Refresh();
}

void clSpcBaseDlg::SetCmdAddresses(std::uint32_t start, std::uint32_t stop)
{
    clQKHugeBuffer& buf = Buf(120);
    WriteThrough([&] { buf.SetCmdAddresses(clAdrs(start), clAdrs(stop)); });
}

std::uint32_t clSpcBaseDlg::GetCmdStart() const
{
    return m_pBuf != nullptr ? m_pBuf->GetCmdStartAdrs().GetLinear() : 0;
}

std::uint32_t clSpcBaseDlg::GetCmdStop() const
{
    return m_pBuf != nullptr ? m_pBuf->GetCmdStopAdrs().GetLinear() : 0;
}

unsigned short clSpcBaseDlg::GetDeviceId()
{
    return Service().Spaces().GetChipId();
}

std::string clSpcBaseDlg::GetFileName() const
{
    return m_Owner.Service().Spaces().FileName(m_iSpace);
}

std::string clSpcBaseDlg::GetSizeLabel() const
{
    return GetTitle();
}

bool clSpcBaseDlg::HasSizeField() const
{
    return HasBufferBytes();
}

std::string clSpcBaseDlg::GetSizeText() const
{
    return HasBufferBytes() ? QkSizeText(GetCmdStop() - GetCmdStart() + 1) : "";
}

unsigned short clSpcBaseDlg::GetChkSum() const
{
    if (!HasBufferBytes())
        return 0;
    return m_pBuf->Sum(m_pBuf->GetCmdStartAdrs(), m_pBuf->GetCmdStopAdrs());
}

bool clSpcBaseDlg::ReachesProgrammer()
{
    if (m_pBuf == nullptr)
        return false;
    clQkSrvcComm& comm = Comm();
    return m_pBuf->GetSpaceId() == clQKCommLL2::spData || comm.GetProtocol() == clQkProtocol::demo ||
           comm.IsForceDemo() != 0;
}

bool clSpcBaseDlg::IsOpAllowed(int cmd)
{
    switch (cmd) {
    case cmdSettings: return true;
    case cmdMemory:
    case cmdOpen:
    case cmdSave: return HasBufferBytes();
    case cmdProgram:
    case cmdRead:
    case cmdChkSum:
    case cmdVerify:
    case cmdBlnkChk:
    case cmdErase: return HasBufferBytes() && ReachesProgrammer();
    default: return false;
    }
}

bool clSpcBaseDlg::IsDeviceErasable()
{
    try {
        return Service().Db().GetChip(GetDeviceId()).IsEraseAvail() != 0;
    } catch (const clBscExpt&) {
        return false;
    }
}

bool clSpcBaseDlg::IsDeviceSigChk()
{
    try {
        return Service().Db().GetChip(GetDeviceId()).IsSigChkAvail() != 0;
    } catch (const clBscExpt&) {
        return false;
    }
}

bool clSpcBaseDlg::PrepareOperation()
{
    return true;
}

// The programmer must hold this view's range before an order runs on it (an
// earlier order may have left another range there, or the line was made
// again since), and, for an order that works on its memory, the bytes of
// that range as the buffer has them: what a stop, a failure or a new
// connection left unsynced goes first.
void clSpcBaseDlg::SendRange(bool withData)
{
    clQKHugeBuffer& buf = Buf(180);
    clQkSrvcComm& comm = Comm();
    if (comm.IsCommExist() == 0) {
        comm.Prolog();
        comm.Epilog();
    }
    if (withData)
        buf.SendUnsynced(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
    buf.SetCmdAddresses(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
}

void clSpcBaseDlg::ProgramSteps(clOpRunner& runner, bool logCycle)
{
    const clAutoOptions automatic = QkReadAutoOptions(Options());
    clQkSrvcComm& comm = Comm();
    clCycleOrders orders;
    if (automatic.sigChk != 0 && IsDeviceSigChk())
        orders.sigChk = [&] { comm.SigChkSeq(); };
    if (automatic.erase != 0 && IsOpAllowed(cmdErase) && IsDeviceErasable())
        orders.erase = [&] {
            SendRange();
            comm.EraseSeq(Buf(200));
        };
    if (automatic.blnkChk != 0 && IsOpAllowed(cmdBlnkChk))
        orders.blankCheck = [&] {
            SendRange();
            comm.BlnkChkSeq(Buf(204));
        };
    orders.waitDelay = [this] { m_Owner.WaitDelay(); };
    orders.program = [this] { Program(); };
    SendRange();
    runner.ProgramCycle(orders, logCycle);
}

void clSpcBaseDlg::ProgramAuto(clOpRunner& runner)
{
    ProgramSteps(runner, false);
}

unsigned short clSpcBaseDlg::Program()
{
    if (!IsOpAllowed(cmdProgram))
        return 0;
    SendRange();
    return Comm().ProgramSeq(Buf(220));
}

void clSpcBaseDlg::Read()
{
    // The read overwrites the programmer's memory over the range: nothing
    // needs to go there first.
    clQKHugeBuffer& buf = Buf(226);
    SendRange(false);
    buf.MarkUnsynced(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
    Comm().ReadSeq(buf);
    buf.MarkSynced(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
    Comm().Ready();
    SetFileOption("", ftImageKept);
    m_bDataChanged = true;
    m_Owner.FileChanged();
    m_Owner.InfoChanged();
}

unsigned short clSpcBaseDlg::ChkSum()
{
    // The device's own sum: the programmer's memory takes no part.
    SendRange(false);
    return Comm().ChkSumSeq(Buf(236));
}

void clSpcBaseDlg::Verify()
{
    SendRange();
    Comm().VerifySeq(Buf(242));
    m_Owner.WaitDelay();
}

void clSpcBaseDlg::BlnkChk()
{
    SendRange(false);
    Comm().BlnkChkSeq(Buf(249));
    m_Owner.WaitDelay();
}

void clSpcBaseDlg::Erase()
{
    SendRange(false);
    Comm().EraseSeq(Buf(256));
    m_Owner.WaitDelay();
}

void clSpcBaseDlg::SetFileOption(const std::string& name, std::uint8_t type)
{
    Options().Set(QkSpaceOptId(m_iSpace, spcFileName), name);
    Options().Set(QkSpaceOptId(m_iSpace, spcFileType), type);
}

int clSpcBaseDlg::LoadData(const clLoadRequest& request)
{
    clQKHugeBuffer& buf = Buf(270);
    const unsigned long window = Comm().GetPrcssId();
    const clAdrs start = buf.GetCmdStartAdrs(), stop = buf.GetCmdStopAdrs();
    int loaded = 0;
    {
        // The file goes into the buffer first; what it changed goes to the
        // programmer once, afterwards, with one progress.
        clQKHugeBuffer::clHold hold(buf);
        if (request.init != initUnchanged) {
            const unsigned char value = request.init == initFF ? 0xFF : 0x00;
            if (!WriteThrough([&] { buf.Fill(buf.GetStartAdrs(), buf.GetStopAdrs(), &value); })) {
                QkAppErrMngr() << clQk51Err(window, kMsgInitFailed, erTypeError, erOptOk);
                return 0;
            }
            m_bDataChanged = true;
        }
        WriteThrough([&] {
            if (request.fileType == ftBinary) {
                loaded = buf.LoadBinRange(request.path.c_str(), start, stop);
                return;
            }
            clHexLoader loader(m_Owner.Gauge(), window);
            if (loader.OpenFile(request.path.c_str(), QkReadFormatKind(request.fileType, start.GetLinear()),
                                HEX_READ) == 0)
                return;
            // Whatever was stored stays, even when a warning ended the load;
            // but the file is named only when it was read to its end and gave
            // this space some data.
            const int completed = loader.Load(buf, start.GetLinear(), stop.GetLinear());
            loader.CloseFile();
            if (completed == 1 && !loader.StoredAny())
                QkAppErrMngr() << clQk51Err(window, QkNothingLoadedText(request.path), erTypeWarning, erOptOk);
            loaded = completed == 1 && loader.StoredAny() ? 1 : 0;
        });
    }
    if (loaded == 0) {
        Refresh();
        m_Owner.InfoChanged();
        return 0;
    }
    SetFileOption(Absolute(request.path), static_cast<std::uint8_t>(request.fileType));
    m_bDataChanged = true;
    Refresh();
    m_Owner.FileChanged();
    m_Owner.InfoChanged();
    // The buffer holds the file now. A failed or stopped transfer leaves the
    // rest unsynced: it goes before the next order (a stop is the caller's).
    if (buf.IsWriteThrough()) {
        try {
            QkSendSpace(Comm(), buf, "Loading");
        } catch (const clXAbort&) {
            throw;
        } catch (const clBscExpt&) {
            m_Owner.LineFailed();
        }
    }
    return 1;
}

void QkSendSpace(clQkSrvcComm& comm, clQKHugeBuffer& buf, const char* what)
{
    // The facade keeps the text as a pointer while the transfer runs.
    const std::string text = QkTransferText(what, buf.UnsyncedWireMs(buf.GetStartAdrs(), buf.GetStopAdrs()));
    comm.SetGlobalText(text.c_str());
    try {
        buf.SendUnsynced(buf.GetStartAdrs(), buf.GetStopAdrs());
    } catch (...) {
        comm.ClearGlobalText();
        throw;
    }
    comm.ClearGlobalText();
}

int clSpcBaseDlg::SaveData(const clSaveRequest& request)
{
    const clQKHugeBuffer& buf = Buf(310);
    const bool saved = QkSaveRange(buf, GetCmdStart(), GetCmdStop(), request.path, request.fileType, m_Owner.Gauge(),
                                   Comm().GetPrcssId());
    if (!saved) {
        QkAppErrMngr() << clQk51Err(Comm().GetPrcssId(), kMsgDiskError, erTypeError, erOptOk);
        return 0;
    }
    // The file-type code (not the list position): a project that refers to
    // the file must read it back in its own format.
    SetFileOption(Absolute(request.path), static_cast<std::uint8_t>(request.fileType));
    m_bSettingsChanged = true;
    Refresh();
    m_Owner.FileChanged();
    return 1;
}
