#include "source/app/spcdlg.h"

#include <bit>
#include <cstdio>
#include <filesystem>

#include "comm/qkcommexpt.h"
#include "comm/qkcomml2.h"
#include "cpplib/clexpt.h"
#include "err/qkassert.h"
#include "source/app/appmngr.h"
#include "source/app/qk51err.h"
#include "source/app/qk51text.h"
#include "source/files/fileformats.h"
#include "source/files/hexdefs.h"
#include "source/files/hexio.h"

namespace {
constexpr const char kSrcBase[] = "sbasedlg";
constexpr const char kSrcAll[] = "salldlg";
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

std::vector<clTabSetup> QkDeviceTabs(const clDataBase& db, unsigned short chipId)
{
    const clDBChip chip = db.GetChip(chipId);
    std::vector<clTabSetup> tabs;
    bool seen[kSpaceCount + 1] = {};
    for (int i = 0; i < chip.GetBufCount(); ++i) {
        const clDBBuf desc = db.GetBuf(chip.GetBufNo(i));
        const int space = desc.GetSpace();
        if (space < 1 || space > kSpaceCount || seen[space])
            continue;
        seen[space] = true;
        int kind = desc.GetDlgHndlId();
        if (space == 2)
            kind = vwScrty;
        else if (kind != vwCnfg && kind != vwOsd)
            kind = vwData;
        tabs.push_back({space, kind, space == 2 ? "Security" : desc.GetName()});
    }
    if (!seen[2] && QkLockBitCount(chip.GetScrtyBits()) > 0)
        tabs.push_back({2, vwScrty, "Security"});
    if (tabs.size() > 1)
        tabs.push_back({0, vwAll, "All"});
    return tabs;
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

template <class Work>
bool clSpcBaseDlg::WriteThrough(Work work)
{
    try {
        work();
        return true;
    } catch (const clBscExpt&) {
        m_Owner.LineFailed();
    }
    return false;
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
    TBscOptServer& options = Options();
    clQkSrvcComm& comm = Comm();
    clCycleOrders orders;
    if (QkGetOpt16(options, kOptAutoSigChk) != 0 && IsDeviceSigChk())
        orders.sigChk = [&] { comm.SigChkSeq(); };
    if (QkGetOpt16(options, kOptAutoErase) != 0 && IsOpAllowed(cmdErase) && IsDeviceErasable())
        orders.erase = [&] {
            SendRange();
            comm.EraseSeq(Buf(200));
        };
    if (QkGetOpt16(options, kOptAutoBlkChk) != 0 && IsOpAllowed(cmdBlnkChk))
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

// Views with start and stop fields.

clSpcRangeDlg::clSpcRangeDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer, int startId, int stopId,
                             clQKOptIDType startOpt, clQKOptIDType stopOpt)
    : clSpcBaseDlg(owner, space, buffer),
      m_iStartId(startId),
      m_iStopId(stopId),
      m_StartOpt(startOpt),
      m_StopOpt(stopOpt)
{}

clAdrsFieldRules clSpcRangeDlg::Rules() const
{
    const clQKHugeBuffer& buf = Buf(340);
    return clAdrsFieldRules(buf.GetStartAdrs().GetLinear(), buf.GetStopAdrs().GetLinear(), buf.GetBlkAlignment());
}

// Set-up: the stored field texts give the range, without questions.
void clSpcRangeDlg::Refresh()
{
    if (HasBufferBytes()) {
        Options().Get(m_StartOpt, m_sStart);
        Options().Get(m_StopOpt, m_sStop);
        const clAdrsFieldRules rules = Rules();
        const auto none = [](unsigned short) { return true; };
        clAdrsFieldResult range = rules.Start(m_sStart, rules.Lowest(), rules.Highest(), false, none);
        range = rules.Stop(m_sStop, range.start, range.stop, false, none);
        m_sStart = QkFieldText(range.start);
        m_sStop = QkFieldText(range.stop);
        m_bStartTyped = m_bStopTyped = false;
        if (range.start != GetCmdStart() || range.stop != GetCmdStop())
            clSpcBaseDlg::SetCmdAddresses(range.start, range.stop);
    }
    clSpcBaseDlg::Refresh();
}

void clSpcRangeDlg::SetCmdAddresses(std::uint32_t start, std::uint32_t stop)
{
    const clAdrsFieldRules rules = Rules();
    const auto none = [](unsigned short) { return true; };
    clAdrsFieldResult range = rules.Start(QkFieldText(start), GetCmdStart(), GetCmdStop(), false, none);
    range = rules.Stop(QkFieldText(stop), range.start, range.stop, false, none);
    Store(range.start, range.stop);
}

void clSpcRangeDlg::Store(std::uint32_t start, std::uint32_t stop)
{
    clSpcBaseDlg::SetCmdAddresses(start, stop);
    m_sStart = QkFieldText(GetCmdStart());
    m_sStop = QkFieldText(GetCmdStop());
    m_bStartTyped = m_bStopTyped = false;
    Options().Set(m_StartOpt, m_sStart);
    Options().Set(m_StopOpt, m_sStop);
    m_bSettingsChanged = true;
    clSpcBaseDlg::Refresh();
    m_Owner.InfoChanged();
}

void clSpcRangeDlg::FieldEdited(int id, const std::string& text)
{
    if (id == m_iStartId && text != m_sStart) {
        m_sStart = text;
        m_bStartTyped = true;
    } else if (id == m_iStopId && text != m_sStop) {
        m_sStop = text;
        m_bStopTyped = true;
    }
}

bool clSpcRangeDlg::FieldLeft(int id)
{
    if ((id == m_iStartId && !m_bStartTyped) || (id == m_iStopId && !m_bStopTyped))
        return true;
    return ApplyField(id, true);
}

bool clSpcRangeDlg::ApplyField(int id, bool interactive)
{
    if (!HasBufferBytes())
        return true;
    const unsigned long window = Comm().GetPrcssId();
    const auto ask = [window](unsigned short message) {
        const bool question = message == kMsgUnderflow || message == kMsgOverflow;
        const int answer = QkAppErrMngr()
                           << clQk51Err(window, message, erTypeError, question ? erOptOk | erOptCancel : erOptOk);
        return question && answer == erIdOk;
    };
    const clAdrsFieldRules rules = Rules();
    const clAdrsFieldResult result = id == m_iStartId
                                         ? rules.Start(m_sStart, GetCmdStart(), GetCmdStop(), interactive, ask)
                                         : rules.Stop(m_sStop, GetCmdStart(), GetCmdStop(), interactive, ask);
    if (result.keepFocus) {
        if (m_pWindow != nullptr)
            m_pWindow->FocusField(id);
        return false;
    }
    Store(result.start, result.stop);
    return true;
}

bool clSpcRangeDlg::PrepareOperation()
{
    if (m_bStartTyped && !ApplyField(m_iStartId, true))
        return false;
    if (m_bStopTyped && !ApplyField(m_iStopId, true))
        return false;
    return true;
}

void clSpcRangeDlg::SetLowest()
{
    if (HasBufferBytes())
        Store(Rules().Lowest(), std::max(GetCmdStop(), Rules().Lowest()));
}

void clSpcRangeDlg::SetHighest()
{
    if (HasBufferBytes())
        Store(GetCmdStart(), Rules().Highest());
}

clSpcDataDlg::clSpcDataDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer)
    : clSpcRangeDlg(owner, space, buffer, idDataStart, idDataStop, kOptDataStart, kOptDataStop)
{}

bool clSpcDataDlg::IsOpAllowed(int cmd)
{
    return cmd == cmdFlash ? HasBufferBytes() : clSpcRangeDlg::IsOpAllowed(cmd);
}

void clSpcDataDlg::Read()
{
    clSpcRangeDlg::Read();
    Refresh();
}

std::uint16_t clSpcDataDlg::GetCycles()
{
    return QkGetOpt16(Options(), kOptPgmCycle);
}

std::uint16_t clSpcDataDlg::GetSuccesses()
{
    return QkGetOpt16(Options(), kOptSuccess);
}

std::uint16_t clSpcDataDlg::GetFailures()
{
    return QkGetOpt16(Options(), kOptFailure);
}

clSpcOsdDlg::clSpcOsdDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer)
    : clSpcRangeDlg(owner, space, buffer, idOsdStart, idOsdStop, kOptOsdStart, kOptOsdStop)
{}

// The configuration view.

std::vector<clSpcCnfgDlg::clRow> clSpcCnfgDlg::Rows() const
{
    std::vector<clRow> rows;
    if (!HasBufferBytes())
        return rows;
    const std::uint32_t first = m_pBuf->GetStartAdrs().GetLinear();
    for (std::uint32_t i = 0; i < m_pBuf->GetSize(); ++i) {
        char label[16], value[8];
        std::snprintf(label, sizeof label, "# %02u", i);
        std::snprintf(value, sizeof value, "%02Xh", m_pBuf->GetByte(clAdrs(first + i)));
        rows.push_back({label, value});
    }
    return rows;
}

bool clSpcCnfgDlg::SetValue(int row, const std::string& text)
{
    std::uint32_t value = 0;
    if (!HasBufferBytes() || row < 0 || static_cast<std::uint32_t>(row) >= m_pBuf->GetSize() ||
        !QkParseHexAddress(text, value) || value > 0xFF)
        return false;
    const unsigned char byte = static_cast<unsigned char>(value);
    const clAdrs address = m_pBuf->GetStartAdrs() + static_cast<std::uint32_t>(row);
    WriteThrough([&] { m_pBuf->SetByte(address, &byte); });
    m_bDataChanged = true;
    Refresh();
    m_Owner.InfoChanged();
    return true;
}

// The security view.

clSpcScrtyDlg::clSpcScrtyDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer) : clSpcBaseDlg(owner, space, buffer)
{
    try {
        m_iScrtyBitsCnt = QkLockBitCount(Service().Db().GetChip(Service().Spaces().GetChipId()).GetScrtyBits());
    } catch (const clBscExpt&) {
        m_iScrtyBitsCnt = 0;
    }
    if (m_iScrtyBitsCnt > 0) {
        m_pScrtyBuf = std::make_unique<clQKHugeBuffer>("Security");
        m_pScrtyBuf->SetParams(3, clAdrs(0u));
    }
    QK_ASSERT((m_pScrtyBuf != 0) || (m_iScrtyBitsCnt == 0), "sscrtdlg", 60);
}

bool clSpcScrtyDlg::IsOpAllowed(int cmd)
{
    switch (cmd) {
    case cmdSettings: return true;
    case cmdMemory:
    case cmdOpen:
    case cmdSave: return HasBufferBytes();
    // Programming and erasing work on the view's own space: only when it
    // has one the programmer can take.
    case cmdProgram: return HasBufferBytes() && ReachesProgrammer();
    case cmdErase: return HasBufferBytes() && ReachesProgrammer() && IsDeviceErasable();
    default: return false;
    }
}

void clSpcScrtyDlg::Refresh()
{
    for (int n = 1; n <= m_iScrtyBitsCnt; ++n) {
        const unsigned char value = QkGetOpt16(Options(), static_cast<clQKOptIDType>(idLockBit1 + n - 1)) != 0;
        m_pScrtyBuf->clHugeBuffer<unsigned char>::SetByte(clAdrs(static_cast<std::uint32_t>(n - 1)), &value);
    }
    clSpcBaseDlg::Refresh();
}

bool clSpcScrtyDlg::IsLockBitSet(int n) const
{
    return IsLockBitShown(n) && m_pScrtyBuf->GetByte(clAdrs(static_cast<std::uint32_t>(n - 1))) == 1;
}

void clSpcScrtyDlg::ClickLockBit(int n, bool checked)
{
    if (!IsLockBitShown(n))
        return;
    const unsigned char value = checked ? 1 : 0;
    WriteThrough([&] { m_pScrtyBuf->SetByte(clAdrs(static_cast<std::uint32_t>(n - 1)), &value); });
    Options().Set(static_cast<clQKOptIDType>(idLockBit1 + n - 1), static_cast<std::uint16_t>(value));
    m_bSettingsChanged = true;
}

bool clSpcScrtyDlg::IsEncryptionSet()
{
    return QkGetOpt16(Options(), kOptEncryption) != 0;
}

void clSpcScrtyDlg::ClickEncryption(bool checked)
{
    if (!IsEncryptionShown())
        return;
    Options().Set(kOptEncryption, static_cast<std::uint16_t>(checked ? 1 : 0));
    m_bSettingsChanged = true;
}

// The "All" view.

clSpcAllDlg::clSpcAllDlg(clSpcOwner& owner, std::vector<clEntry> entries)
    : clSpcBaseDlg(owner, 0, nullptr), m_Entries(std::move(entries))
{}

bool clSpcAllDlg::IsChecked(std::size_t entry)
{
    std::uint32_t state = 0;
    if (entry < m_Entries.size())
        Options().Get(QkSpaceOptId(m_Entries[entry].view->GetSpaceIndex(), spcCLState), state);
    return state == 1;
}

bool clSpcAllDlg::IsEnabled(std::size_t entry)
{
    return entry < m_Entries.size() && m_Entries[entry].view->IsOpAllowed(cmdProgram);
}

void clSpcAllDlg::SetChecked(std::size_t entry, bool checked)
{
    if (entry >= m_Entries.size())
        return;
    Options().Set(QkSpaceOptId(m_Entries[entry].view->GetSpaceIndex(), spcCLState), std::uint32_t{checked ? 1u : 0u});
    m_bSettingsChanged = true;
    m_Owner.InfoChanged();
}

bool clSpcAllDlg::IsOpAllowed(int cmd)
{
    switch (cmd) {
    case cmdSettings: return true;
    case cmdProgram:
        for (std::size_t i = 0; i < m_Entries.size(); ++i)
            if (IsChecked(i) && IsEnabled(i))
                return true;
        return false;
    case cmdErase: return IsDeviceErasable();
    default: return false;
    }
}

bool clSpcAllDlg::PrepareOperation()
{
    for (std::size_t i = 0; i < m_Entries.size(); ++i)
        if (IsChecked(i) && IsEnabled(i) && !m_Entries[i].view->PrepareOperation())
            return false;
    return true;
}

void clSpcAllDlg::Erase()
{
    // The programmer erases the whole device whatever the range says.
    clQKHugeBufIntr all("EraseAll");
    all.SetParams(1, clAdrs(0u));
    all.SetSpaceId(clQKCommLL2::spData);
    clQkSrvcComm& comm = Comm();
    if (comm.IsCommExist() == 0) {
        comm.Prolog();
        comm.Epilog();
    }
    if (comm.GetProtocol() == clQkProtocol::real)
        comm.SetAddressesSeq(all);
    comm.EraseSeq(all);
    m_Owner.WaitDelay();
}

void clSpcAllDlg::ProgramAuto(clOpRunner& runner)
{
    TBscOptServer& options = Options();
    std::vector<clSpcBaseDlg*> spaces;
    for (std::size_t i = 0; i < m_Entries.size(); ++i)
        if (IsChecked(i) && IsEnabled(i))
            spaces.push_back(m_Entries[i].view);
    QK_ASSERT(!spaces.empty(), kSrcAll, 90);
    clCycleOrders orders;
    if (QkGetOpt16(options, kOptAutoSigChk) != 0 && IsDeviceSigChk())
        orders.sigChk = [this] { Comm().SigChkSeq(); };
    if (QkGetOpt16(options, kOptAutoErase) != 0 && IsOpAllowed(cmdErase))
        orders.erase = [this] { Erase(); };
    if (QkGetOpt16(options, kOptAutoBlkChk) != 0)
        orders.blankCheck = [&spaces] {
            for (clSpcBaseDlg* view : spaces)
                if (view->IsOpAllowed(cmdBlnkChk))
                    view->BlnkChk();
        };
    orders.program = [this] { Program(); };
    runner.ProgramCycle(orders, false);
}

unsigned short clSpcAllDlg::Program()
{
    // A space that fails does not stop the others; the run fails in the end.
    bool failed = false;
    for (std::size_t i = 0; i < m_Entries.size(); ++i) {
        if (!IsChecked(i) || !IsEnabled(i))
            continue;
        try {
            m_Entries[i].view->Program();
        } catch (const clQKTargetFail&) {
            failed = true;
        }
    }
    if (failed)
        QkRaise<clQKTargetFail>(this, kSrcAll, 120);
    return 0;
}
