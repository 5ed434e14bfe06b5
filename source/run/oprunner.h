// Running an operation on the programmer, the same for qkprog and qkcli: how
// it ends (by what it raised), the "not carried out" rule for a programmer
// that is updating its firmware, and the program cycle with its automatic
// steps, its log lines and its statistics. qkprog shows the outcome as its
// status text and colour; qkcli as its exit class.
#pragma once

#include <cstdint>
#include <functional>

#include "comm/qkcomm.h"
#include "source/run/pgmstats.h"

enum class clOpOutcome { succeeded, failed, error, aborted };

struct clOpResult {
    clOpOutcome outcome = clOpOutcome::succeeded;
    // The line failed: connect again at the same port.
    bool reconnect = false;
    // The programmer restarted (stand-alone power-up): the full connection
    // and synchronisation.
    bool connectAnew = false;
    // The programmer answered that it is updating its firmware: the order
    // that drew that answer was not carried out.
    bool notCarriedOut = false;
    // A failure that is not the device's verdict: a malformed reply (the
    // line's fault) or a refused transfer of the programmer's memory.
    bool malformedReply = false;
    bool memoryTransfer = false;
};

// Raised after an order the programmer did not carry out.
struct clQkNotCarriedOut {};

// How an operation that raised ends; to be called inside a catch block.
// comm says whether a device failure came from a malformed reply or a
// memory transfer.
clOpResult QkOutcomeOfFailure(const clQKComm& comm);

// The orders of a program cycle on one range, each putting its range in the
// programmer first. An automatic step that was not asked for, or that the
// device or the space does not allow, stays empty.
struct clCycleOrders {
    std::function<void()> sigChk, erase, blankCheck;
    // The program-wide delay before programming.
    std::function<void()> waitDelay;
    std::function<void()> program;
};

class clOpRunner {
public:
    clOpRunner(clQKComm& comm, clOptSrvInterface& options) : m_Comm(comm), m_Stats(options) {}

    // One operation: the result of what it raised, or error when the
    // programmer did not carry an order out.
    clOpResult Run(const std::function<void()>& operation);
    // The program cycle: counted before it starts (the counter saturates), a
    // success or a failure after it, taken back when the user stopped it.
    clOpResult RunProgram(const std::function<void()>& cycle);
    // The automatic steps and the program, in the program's order, each
    // order checked with CheckCarriedOut. A logged cycle (a range of the
    // data or OSD space) writes the "PGM CYCLE" lines and waits the delay.
    void ProgramCycle(const clCycleOrders& orders, bool logged);
    // After an order: raises clQkNotCarriedOut when the programmer said it
    // is updating its firmware.
    void CheckCarriedOut() const;

    clPgmStats& Stats() { return m_Stats; }

private:
    clQKComm& m_Comm;
    clPgmStats m_Stats;
};
