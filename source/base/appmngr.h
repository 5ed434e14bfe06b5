// The program's own error manager (the libraries hold their own) and the
// progress display that long work reports to.
#pragma once

#include "err/qkerr.h"

clErrMngr& QkAppErrMngr();

// Where long work shows how far it got: the main window's gauge, a progress
// bar on a terminal.
class clProgressSink {
public:
    virtual ~clProgressSink() = default;
    // percent 0..100; no text (null) leaves the status and title as they are.
    virtual void SetProgress(int percent, const char* text) = 0;
};
