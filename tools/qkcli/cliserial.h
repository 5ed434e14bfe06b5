// A device's own value in "qkcli program": the command line's serial
// options turned into the settings a project keeps, and the value's cycle
// (drawn after the programmer answered, patched into the image for this
// device only, marked in the ledger with how the cycle ended).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cpplib/qkbufint.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clirun.h"

class clSerialCycle;

// The serial options program takes, each with a value.
inline constexpr const char* kQkSerialValueOptions[] = {
    "serial", "serial-at", "serial-width", "serial-format", "serial-endian", "serial-stale", "serial-failed", "ledger"};

class clCliSerial {
public:
    // What is wrong with the serial options of args; "" when they are well
    // formed or absent.
    static std::string CheckUsage(const clCliArgs& args);
    static bool Asked(const clCliArgs& args) { return args.Has("serial"); }

    explicit clCliSerial(const clCliArgs& args);
    ~clCliSerial();

    // Checks the value's place against the command range, opens the ledger
    // and reports (and by policy retires) what this station left reserved
    // on port. "" when ready; nothing has reached the programmer.
    std::string Prepare(std::uint32_t start, std::uint32_t stop, const std::string& port, const std::string& project,
                        bool quiet);
    // Reserves the next value and patches it into buffer. Throws
    // clLedgerError (a std::runtime_error) when no value can be had.
    void Patch(clQKHugeBufIntr& buffer, clCliRun& run);
    // Marks the value with the run's outcome; "" when recorded, else why not
    // (the value then stays reserved and is retired at the next start).
    std::string Complete(clCliRun& run);

private:
    const clCliArgs& m_Args;
    std::unique_ptr<clSerialCycle> m_pCycle;
};
