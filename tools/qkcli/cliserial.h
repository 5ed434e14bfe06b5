// A device's own value in "qkcli program": drawn from its source through the
// ledger after the programmer answered, patched into the image for this
// device only, and marked in the ledger with how the cycle ended.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cpplib/qkbufint.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clirun.h"

struct clCliSerialOptions;
class clSerialLedger;
class clSerialSource;

// The serial options program takes (values, then flags).
inline constexpr int kQkSerialOptionCount = 8;
extern const char* const kQkSerialValueOptions[kQkSerialOptionCount];

class clCliSerial {
public:
    // What is wrong with the serial options of args; "" when they are well
    // formed or absent.
    static std::string CheckUsage(const clCliArgs& args);
    static bool Asked(const clCliArgs& args) { return args.Has("serial"); }

    explicit clCliSerial(const clCliArgs& args);
    ~clCliSerial();

    // Makes the source, checks the address against the command range, opens
    // the ledger and reports (and by policy retires) what this station left
    // reserved on port. "" when ready; nothing has reached the programmer.
    std::string Prepare(std::uint32_t start, std::uint32_t stop, const std::string& port, const std::string& project,
                        bool quiet);
    // Reserves the next value and patches it into buffer. Throws
    // clLedgerError (a std::runtime_error) when no value can be had.
    void Patch(clQKHugeBufIntr& buffer, clCliRun& run);
    // Marks the reserved value with the run's outcome; "" when recorded, else
    // why not (the value then stays reserved and is retired at the next start).
    std::string Complete(clCliRun& run);

private:
    const clCliArgs& m_Args;
    std::uint32_t m_ulAddress = 0;
    int m_iWidth = 0;
    std::string m_sPort, m_sProject;
    std::unique_ptr<clSerialSource> m_pSource;
    std::unique_ptr<clSerialLedger> m_pLedger;
    struct clReserved;
    std::unique_ptr<clReserved> m_pReserved;
};
