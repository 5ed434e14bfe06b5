// Operations on the programmer and production use.
#include "source/app/qk51main.h"

#include "comm/qkcommexpt.h"
#include "err/errntfy.h"
#include "qkversion.h"
#include "source/app/spcdata.h"
#include "source/base/qk51err.h"
#include "source/run/oprunner.h"

void clQk51Main::RunOperation(int cmd)
{
    clSpcBaseDlg* view = ViewFor(cmd);
    if (view == nullptr)
        return;
    if (!view->PrepareOperation())
        return;
    const int button = QkButtonOf(cmd);
    clOpRunner runner(m_Service.Comm(), m_Service.Options());
    const bool program = cmd == cmdProgram;
    // The device's own value: nothing starts when its ledger cannot take it.
    auto* data = program ? dynamic_cast<clSpcDataDlg*>(view) : nullptr;
    if (data != nullptr && data->Serial().IsOn() && m_Service.Comm().GetProtocol() == clQkProtocol::demo) {
        QkAppErrMngr() << clQk51Err(
            m_Window.GetWindowId(),
            "Serial values are drawn only for a programmer: the demo protocol reaches no device.", erTypeError,
            erOptOk);
        return;
    }
    if (data != nullptr) {
        const clQKHugeBuffer& buf = *data->GetBuffer();
        const std::string problem =
            data->Serial().Prepare(buf.GetCmdStartAdrs().GetLinear(), buf.GetCmdStopAdrs().GetLinear(),
                                   "COM" + std::to_string(m_iPort), m_Service.Project().GetPath());
        if (!problem.empty()) {
            QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), problem, erTypeError, erOptOk);
            return;
        }
    }
    if (program)
        m_Window.ShowControl(idProgram, false);
    SetIdle(false);
    SetAction(cmd);
    unsigned short checksum = 0;
    clOpResult result;
    if (program) {
        std::string ledgerProblem;
        try {
            result = runner.RunProgram([&] {
                view->Refresh(); // the cycle just counted
                view->ProgramAuto(runner);
            });
        } catch (const clLedgerError& e) {
            // No value could be drawn: nothing was programmed.
            result.outcome = clOpOutcome::error;
            ledgerProblem = e.what();
        }
        if (data != nullptr) {
            static const char* const kEnded[] = {"verified", "failed", "error", "aborted"};
            const std::string problem = data->Serial().Finish(
                *data->GetBuffer(), result.outcome == clOpOutcome::succeeded, kEnded[static_cast<int>(result.outcome)]);
            if (!problem.empty() && ledgerProblem.empty())
                ledgerProblem = "the ledger could not record how the cycle ended: " + problem;
        }
        if (!ledgerProblem.empty())
            QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), ledgerProblem, erTypeError, erOptOk);
    } else {
        result = runner.Run([&] {
            switch (cmd) {
            case cmdRead: view->Read(); break;
            case cmdChkSum: checksum = view->ChkSum(); break;
            case cmdVerify: view->Verify(); break;
            case cmdBlnkChk: view->BlnkChk(); break;
            case cmdErase: view->Erase(); break;
            default: break;
            }
        });
    }
    const bool succeeded = result.outcome == clOpOutcome::succeeded;
    const bool aborted = result.outcome == clOpOutcome::aborted;
    SetAction(QkActionOf(result.outcome));
    if (result.reconnect)
        ConnectAgain();
    if (result.connectAnew)
        m_Window.PostConnect(m_iPort);
    if (program || cmd == cmdRead)
        m_bProjectChanged = true;
    SetIdle(true);
    RefreshInfo();
    SetAction(actIdle);
    m_Window.ShowControl(idProgram, true);
    view->Refresh();
    // The user asked to stop: nothing more goes to the programmer.
    if (!aborted)
        ReadStatus();
    m_Window.FocusControl(button);
    if (cmd == cmdChkSum && succeeded)
        QkAppErrMngr() << clQkChkSumVal(m_Window.GetWindowId(), checksum);
}

// Production use.

bool clQk51Main::SendRange(clSpcBaseDlg& view)
{
    try {
        view.SendRange();
        return true;
    } catch (const clBscExpt&) {
        // The communication library said what went wrong.
        SetAction(actError);
        ConnectAgain();
        SetAction(actIdle);
        RefreshButtons();
        return false;
    }
}

void clQk51Main::OnRobot()
{
    clSpcBaseDlg* view = ViewFor(cmdChkSum);
    if (view == nullptr || !HasProgrammer())
        return;
    // The programmer runs the cycle over the range it holds.
    if (!view->PrepareOperation() || !SendRange(*view))
        return;
    m_Robot.Run(*m_pModeHost);
}

void clQk51Main::OnFlash()
{
    if (!m_bFlash)
        return;
    clSpcBaseDlg* view = ViewFor(cmdFlash);
    if (view == nullptr || !HasProgrammer())
        return;
    // The project stored in the programmer holds the range it has.
    if (!view->PrepareOperation() || !SendRange(*view))
        return;
    QkRunFlash(m_bFlash, *m_pModeHost);
}

void clQk51Main::ToggleIgnoreStartStop(std::int64_t nowMs)
{
    if (m_bClosing || !m_bIdle)
        return;
    m_bIgnoreStartStop = !m_bIgnoreStartStop;
    m_bSettingsChanged = true;
    m_Window.CheckMenuItem(idMenuIgnoreStartStop, m_bIgnoreStartStop);
    // The first poll comes 500 ms later.
    if (!m_bIgnoreStartStop)
        StartPolling(nowMs);
}

void clQk51Main::StartPolling(std::int64_t nowMs)
{
    // A press made while presses were ignored is dropped, never acted on
    // later: the programmer keeps it until its status is read.
    ReadStatus();
    m_Poll.Restart(nowMs);
}

bool clQk51Main::PollStartButton(std::int64_t nowMs)
{
    // A programmer in robot mode answers nothing but its own mode.
    if (!m_bStarted || m_bClosing || m_Robot.IsActive())
        return false;
    clQkSrvcComm& comm = m_Service.Comm();
    const clStartPoll::clWindowState state{m_bIgnoreStartStop, comm.IsCommExist() != 0, m_iAction, m_bIdle};
    return m_Poll.Run(
        state, [&comm](QK_STATUS& status) { comm.GetStatusSeq(status); }, nowMs);
}

clSettingInput clQk51Main::SettingInput()
{
    clSettingInput input;
    input.db = &m_Service.Db();
    input.settings = &m_Service.Settings();
    input.comm = &m_Service.Comm();
    input.sounds = m_Service.Sounds();
    input.device = m_usDevice;
    input.port = m_iPort;
    input.lastCom = m_Service.Ports().lastCom;
    input.flyOver = m_bFlyOver;
    input.mute = m_bMute;
    input.autoOptions = QkReadAutoOptions(m_Service.Options());
    input.flash = m_bFlash;
    input.ignoreStartStop = m_bIgnoreStartStop;
    input.frequency = m_sFrequency;
    input.showFrequency = m_Service.Switches().IsSet(qkpsw::kIsFreq) != 0;
    input.admin = m_Service.Switches().IsSet(qkpsw::kForceBootUpdate) != 0;
    input.software = std::string("QK-JTAG ") + QK_VERSION_TEXT;
    return input;
}
