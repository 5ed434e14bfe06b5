// The program's communication object: the facade with the main window's
// progress gauge and an abort flag that a close request sets while an
// operation runs.
#pragma once

#include "comm/qkcomm.h"

// What shows the progress of an operation (the main window's gauge); it also
// lets the window breathe, so a close request can arrive meanwhile.
class clQkGaugeIntf {
public:
    virtual ~clQkGaugeIntf() = default;
    // percent 0..100; text may be null.
    virtual void Progress(int percent, const char* text) = 0;
};

class clQkSrvcComm : public clQKComm {
public:
    clQkSrvcComm(int argc, const char* const* argv, clDataBase& db);
    ~clQkSrvcComm() override;

    void SetGauge(clQkGaugeIntf* gauge) { m_pGauge = gauge; }
    clQkGaugeIntf* GetGauge() const { return m_pGauge; }
    // The window named in every error record.
    void SetWindow(unsigned long window) { m_ulWindow = window; }
    // Stops the running operation at its next progress step.
    void Abort(bool on = true) { m_ucAbort = on ? 1 : 0; }
    bool IsAbortSet() const { return m_ucAbort != 0; }

    unsigned long GetPrcssId() override { return m_ulWindow; }
    // Moves the gauge; answers 0 once (clearing the flag) when an abort was asked.
    int CommProgress(unsigned char percent, const clAdrs& address, const char* text) const override;

private:
    clQkGaugeIntf* m_pGauge = nullptr;
    mutable unsigned char m_ucAbort = 0; // set from a progress callback's message pump
    unsigned long m_ulWindow = 0;
};
