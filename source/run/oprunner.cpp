#include "source/run/oprunner.h"

#include <string>

#include "comm/qkcommexpt.h"

clOpResult QkOutcomeOfFailure(const clQKComm& comm)
{
    clOpResult result;
    try {
        throw;
    } catch (const clQkNotCarriedOut&) {
        result.outcome = clOpOutcome::error;
        result.notCarriedOut = true;
    } catch (const clXAbort&) {
        result.outcome = clOpOutcome::aborted;
    } catch (const clQKTargetPwrUp&) {
        result.outcome = clOpOutcome::error;
        result.connectAnew = true;
    } catch (const clQKTargetFail&) {
        // The device's verdict is a failure; a malformed reply or a refused
        // memory transfer is no verdict on the device.
        result.malformedReply = comm.WasLineFault();
        result.memoryTransfer = !result.malformedReply && comm.WasMemoryTransferFault();
        result.outcome = result.malformedReply || result.memoryTransfer ? clOpOutcome::error : clOpOutcome::failed;
    } catch (const clBscExpt&) {
        // clQKCommExpt, clQKTargetErr and the faults below the programmer's
        // own replies: the line is made again.
        result.outcome = clOpOutcome::error;
        result.reconnect = true;
    }
    return result;
}

void clOpRunner::CheckCarriedOut() const
{
    if (m_Comm.IsFirmwareUpdating())
        throw clQkNotCarriedOut();
}

clOpResult clOpRunner::Run(const std::function<void()>& operation)
{
    try {
        operation();
        CheckCarriedOut();
    } catch (const clBscExpt&) {
        return QkOutcomeOfFailure(m_Comm);
    } catch (const clQkNotCarriedOut&) {
        return QkOutcomeOfFailure(m_Comm);
    }
    return {};
}

clOpResult clOpRunner::RunProgram(const std::function<void()>& cycle)
{
    m_Stats.Begin();
    const clOpResult result = Run(cycle);
    switch (result.outcome) {
    case clOpOutcome::succeeded: m_Stats.Succeeded(); break;
    case clOpOutcome::aborted: m_Stats.Aborted(); break;
    default: m_Stats.Failed(); break;
    }
    return result;
}

void clOpRunner::ProgramCycle(const clCycleOrders& orders, bool logged)
{
    if (logged)
        m_Comm.WriteToLog(("PGM CYCLE N%" + std::to_string(m_Stats.Cycles()) + " BEGIN\r\n").c_str());
    for (const auto* step : {&orders.sigChk, &orders.erase, &orders.blankCheck})
        if (*step) {
            (*step)();
            CheckCarriedOut();
        }
    if (logged && orders.waitDelay)
        orders.waitDelay();
    orders.program();
    CheckCarriedOut();
    if (logged)
        m_Comm.WriteToLog("PGM CYCLE END\r\n");
}
