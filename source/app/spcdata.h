// The data view: a range view with the program-cycle statistics.
#pragma once

#include <cstdint>

#include "source/app/dataserial.h"
#include "source/app/spcrange.h"

class clSpcDataDlg : public clSpcRangeDlg {
public:
    clSpcDataDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer);
    int GetKind() const override { return vwData; }
    const char* GetHelpContext() const override { return "data"; }
    bool IsOpAllowed(int cmd) override;
    void Read() override;
    // Each device's own value, patched in before the program cycle sends
    // the range.
    void ProgramAuto(clOpRunner& runner) override;
    clDataSerial& Serial() { return m_Serial; }
    // New serial settings: kept in the project, which then asks to be saved.
    void SetSerialSettings(const clSerialSettings& settings);
    // Programming cycles, successes, failures.
    std::uint16_t GetCycles();
    std::uint16_t GetSuccesses();
    std::uint16_t GetFailures();

private:
    clDataSerial m_Serial;
};
