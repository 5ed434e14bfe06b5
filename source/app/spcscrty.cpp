#include "source/app/spcscrty.h"

#include "comm/qkcomml2.h"
#include "source/project/qkopts.h"

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
