// The notifier of the error-handler library: every module's error manager
// shows its records through it.
#pragma once

#include "err/qkerr.h"

// Shows a record in the error dialog of the user interface in use (the GUI's,
// or stderr for a console program) and returns the button pressed.
class clErrNtfy : public clBasicErrNtfy {
public:
    int Notify(const clBasicErr& err) override;
};

// A new notifier on the heap; the caller hands it to OpenErrMngr, which owns it.
clBasicErrNtfy* GetNotifier();
