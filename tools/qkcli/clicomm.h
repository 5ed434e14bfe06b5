// The communication object of a qkcli command: the facade built with the
// command's switches, its progress going to the command's events, Ctrl-C as
// the user's stop, and the connection the command asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/qkcomm.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clievents.h"
#include "tools/qkcli/clirun.h"

// Ctrl-C (or SIGTERM, SIGHUP) while the object lives stops the operation
// through the abort path (while programming, the programmer gets its abort
// byte); a second one ends qkcli at once.
class clCliInterrupt {
public:
    clCliInterrupt();
    ~clCliInterrupt();
    clCliInterrupt(const clCliInterrupt&) = delete;
    clCliInterrupt& operator=(const clCliInterrupt&) = delete;

    static bool Asked();
    // Waits ms milliseconds, or less when Ctrl-C comes first: false then.
    static bool Wait(std::uint32_t ms);
};

// The facade's argument vector: every --switch, and --log as /COMMLOG:.
// The facade keeps pointers into it, so it lives as long as the facade.
class clCliSwitchArgs {
protected:
    explicit clCliSwitchArgs(const clCliArgs& args);
    int Count() const { return static_cast<int>(m_Pointers.size()) - 1; }
    const char* const* Vector() const { return m_Pointers.data(); }

private:
    std::vector<std::string> m_Strings;
    std::vector<const char*> m_Pointers;
};

class clCliComm : private clCliSwitchArgs, public clQKComm {
public:
    clCliComm(const clCliArgs& args, clDataBase& db, clCliEvents& events);

    // A stop asked with Ctrl-C answers 0: the operation ends with an abort.
    int CommProgress(unsigned char percent, const clAdrs& address, const char* text) const override;

private:
    clCliEvents& m_Events;
};

// Connects as --port, --scan or --demo ask; returns the port it used ("demo",
// "COM3 /dev/ttyUSB0", or the path given).
std::string QkConnectAsAsked(clCliComm& comm, const clCliArgs& args);

// The ports --scan tries, in COM order: "COM1", "COM2", ... for every COM
// number that leads to a path.
std::vector<std::string> QkScanPorts();

// What is wrong with CONN's own options (an empty --port, a --switch that is
// none of the communication library's); "" when nothing is.
std::string QkCheckConnArgs(const clCliArgs& args);
