#include "source/automode.h"

#include <limits>

#include "comm/qkcommexpt.h"
#include "source/qkopts.h"

using namespace qkmode;

namespace {
std::uint16_t Get16(clOptSrvInterface& options, clQKOptIDType id)
{
    std::uint16_t value = 0;
    options.Get(id, value);
    return value;
}
} // namespace

clAutoOptions QkReadAutoOptions(clOptSrvInterface& options)
{
    return {Get16(options, kOptAutoSigChk), Get16(options, kOptAutoBlkChk), Get16(options, kOptAutoErase),
            Get16(options, kOptAutoRobot)};
}

void QkWriteAutoOptions(clOptSrvInterface& options, const clAutoOptions& values)
{
    options.Set(kOptAutoSigChk, values.sigChk);
    options.Set(kOptAutoBlkChk, values.blnkChk);
    options.Set(kOptAutoErase, values.erase);
    options.Set(kOptAutoRobot, values.robot);
}

// Statistics.

std::uint16_t clPgmStats::Get(clQKOptIDType id) const
{
    return Get16(m_Options, id);
}

void clPgmStats::Set(clQKOptIDType id, std::uint16_t value)
{
    m_Options.Set(id, value);
}

std::uint16_t clPgmStats::Cycles() const
{
    return Get(kOptPgmCycle);
}

std::uint16_t clPgmStats::Successes() const
{
    return Get(kOptSuccess);
}

std::uint16_t clPgmStats::Failures() const
{
    return Get(kOptFailure);
}

namespace {
std::uint16_t Increased(std::uint16_t value)
{
    return value == std::numeric_limits<std::uint16_t>::max() ? value : static_cast<std::uint16_t>(value + 1);
}
} // namespace

void clPgmStats::Begin()
{
    Set(kOptPgmCycle, Increased(Cycles()));
}

void clPgmStats::Succeeded()
{
    const std::uint16_t cycles = Cycles();
    const std::uint16_t failures = Failures();
    Set(kOptSuccess, static_cast<std::uint16_t>(cycles >= failures ? cycles - failures : 0));
}

void clPgmStats::Failed()
{
    Set(kOptFailure, Increased(Failures()));
}

void clPgmStats::Aborted()
{
    // A saturated counter no longer counts: it stays where it is.
    if (const std::uint16_t cycles = Cycles(); cycles > 0 && cycles < std::numeric_limits<std::uint16_t>::max())
        Set(kOptPgmCycle, static_cast<std::uint16_t>(cycles - 1));
}

void clPgmStats::Reset()
{
    Set(kOptPgmCycle, std::uint16_t{0});
    Set(kOptSuccess, std::uint16_t{0});
    Set(kOptFailure, std::uint16_t{0});
}

// The start button.

bool clStartPoll::IsDue(const clWindowState& state, std::int64_t nowMs) const
{
    if (state.ignoreStartStop || !state.commExists || !state.idle)
        return false;
    if (nowMs - m_LastMs <= kSpacingMs)
        return false;
    return state.action == actIdle || state.action == actFailed || state.action == actError ||
           state.action == actSucceeded;
}

bool clStartPoll::Run(const clWindowState& state, const std::function<void(QK_STATUS&)>& readStatus, std::int64_t nowMs)
{
    if (m_bPolling || !IsDue(state, nowMs))
        return false;
    m_bPolling = true;
    QK_STATUS status;
    try {
        readStatus(status);
    } catch (const clBscExpt&) {
        m_bPolling = false;
        return false;
    }
    m_bPolling = false;
    m_LastMs = nowMs;
    return status.VerifyStartBttn() != 0 && status.StartBttnClicked() != 0;
}

// Failures of a command.

clFailOutcome QkFailOutcome()
{
    try {
        throw;
    } catch (const clXAbort&) {
        return {actAborted, false, false};
    } catch (const clQKTargetPwrUp&) {
        return {actError, false, true};
    } catch (const clQKTargetFail&) {
        return {actFailed, false, false};
    } catch (const clBscExpt&) {
        // clQKCommExpt, clQKTargetErr and the faults below the programmer's
        // own replies: the line is made again.
        return {actError, true, false};
    }
}

void QkFinishFailure(clModeHost& host, const clFailOutcome& outcome)
{
    host.SetAction(outcome.action);
    if (outcome.reconnect)
        host.Reconnect();
    if (outcome.connectAnew)
        host.PostConnect();
}

// Robot mode.

const std::vector<int>& clRobotMode::LockedButtons()
{
    static const std::vector<int> buttons{ctlOpen,   ctlSave,    ctlProgram, ctlRead,   ctlChkSum, ctlRobot,
                                          ctlVerify, ctlBlnkChk, ctlErase,   ctlMemory, ctlFlash};
    return buttons;
}

void clRobotMode::Run(clModeHost& host)
{
    if (host.IsClosing())
        return;
    host.ShowControl(ctlIndicator, false);
    host.SetIdle(false);
    host.SetAction(actRobot);
    const clAutoOptions options = QkReadAutoOptions(host.Options());
    clQKComm& comm = host.Comm();
    bool started = false;
    try {
        comm.RobotSeq(options.robot);
        comm.SetAutoOptSeq(options.sigChk, options.erase, options.blnkChk);
        comm.RobotStateSeq();
        started = true;
    } catch (const clBscExpt&) {
        // The library has shown what went wrong. The programmer may be half
        // way into robot mode, so the buttons wait for a reconnection too,
        // but the box does not claim that robot mode is on.
    }
    host.SetAction(started ? actSucceeded : actFailed);
    if (started)
        host.ShowMessage(kRobotMessage, kRobotCaption);
    m_bActive = true;
    host.SetIdle(true);
    host.ShowControl(ctlIndicator, true);
    host.SetAction(actIdle);
    for (const int id : LockedButtons())
        host.EnableControl(id, false);
    host.ReadStatus();
    host.FocusControl(ctlSettings);
}

// Flash.

void QkRunFlash(bool flashAllowed, clModeHost& host)
{
    if (!flashAllowed || host.IsClosing())
        return;
    host.SetStatus(kFlashStatus, kColourBlack);
    host.ShowControl(ctlFlash, false);
    host.SetIdle(false);
    host.SetAction(actFlash);
    int programmed = 0;
    try {
        const clAutoOptions options = QkReadAutoOptions(host.Options());
        clQKComm& comm = host.Comm();
        comm.SetAutoOptSeq(options.sigChk, options.erase, options.blnkChk);
        comm.PgmFlshSeq();
        comm.PgmDConfSeq(programmed);
        host.SetAction(programmed != 0 ? actSucceeded : actFailed);
    } catch (const clBscExpt&) {
        QkFinishFailure(host, QkFailOutcome());
    }
    host.SetIdle(true);
    host.SetAction(actIdle);
    host.ShowControl(ctlFlash, true);
    host.ReadStatus();
    host.FocusControl(ctlFlash);
}
