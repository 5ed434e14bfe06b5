// The data view: a range view with the program-cycle statistics.
#pragma once

#include <cstdint>

#include "source/app/spcrange.h"

class clSpcDataDlg : public clSpcRangeDlg {
public:
    clSpcDataDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer);
    int GetKind() const override { return vwData; }
    const char* GetHelpContext() const override { return "data"; }
    bool IsOpAllowed(int cmd) override;
    void Read() override;
    // Programming cycles, successes, failures.
    std::uint16_t GetCycles();
    std::uint16_t GetSuccesses();
    std::uint16_t GetFailures();
};
