#include "source/app/automode.h"

#include "comm/qkcommexpt.h"
#include "source/project/qkopts.h"

using namespace qkmode;

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

int QkActionOf(clOpOutcome outcome)
{
    switch (outcome) {
    case clOpOutcome::succeeded: return actSucceeded;
    case clOpOutcome::failed: return actFailed;
    case clOpOutcome::aborted: return actAborted;
    case clOpOutcome::error: break;
    }
    return actError;
}

void QkFinishFailure(clModeHost& host, const clOpResult& result)
{
    host.SetAction(QkActionOf(result.outcome));
    if (result.reconnect)
        host.Reconnect();
    if (result.connectAnew)
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
        QkFinishFailure(host, QkOutcomeOfFailure(host.Comm()));
    }
    host.SetIdle(true);
    host.SetAction(actIdle);
    host.ShowControl(ctlFlash, true);
    host.ReadStatus();
    host.FocusControl(ctlFlash);
}
