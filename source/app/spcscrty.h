// The security view: the lock bits and the encryption space.
#pragma once

#include <memory>

#include "source/app/spcbase.h"

class clSpcScrtyDlg : public clSpcBaseDlg {
public:
    // buffer: the security space's own buffer (Encryption), or null.
    clSpcScrtyDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer);
    int GetKind() const override { return vwScrty; }
    std::string GetTitle() const override { return "Security"; }
    const char* GetHelpContext() const override { return "security"; }
    bool IsOpAllowed(int cmd) override;
    void Refresh() override;
    void ProgramAuto(clOpRunner& runner) override { ProgramSteps(runner, false); }

    int GetScrtyBitsCnt() const { return m_iScrtyBitsCnt; }
    // Lock bit n (1 to 3): shown, checked.
    bool IsLockBitShown(int n) const { return n >= 1 && n <= m_iScrtyBitsCnt; }
    bool IsLockBitSet(int n) const;
    void ClickLockBit(int n, bool checked);
    bool IsEncryptionShown() const { return HasBufferBytes(); }
    bool IsEncryptionSet();
    void ClickEncryption(bool checked);
    const clQKHugeBuffer* GetScrtyBuffer() const { return m_pScrtyBuf.get(); }

private:
    std::unique_ptr<clQKHugeBuffer> m_pScrtyBuf; // one byte per lock bit
    int m_iScrtyBitsCnt = 0;
};
