// The main window's state: its views, the action code and the status line,
// busy and idle with the buttons they enable.
#include "source/app/qk51main.h"

#include <algorithm>
#include <cstdio>

#include "err/errntfy.h"
#include "err/uisrv.h"
#include "source/base/strtable.h"

namespace {
constexpr const char kSrc[] = "qk51main";

// What the status line says as an operation starts, before its first
// progress names the step it is in ("" keeps the text there).
const char* StartText(int action)
{
    switch (action) {
    case cmdProgram: return QkOperationText(opProgram);
    case cmdRead: return QkOperationText(opRead);
    case cmdChkSum: return QkOperationText(opChkSum);
    case cmdVerify: return QkOperationText(opVerify);
    case cmdBlnkChk: return QkOperationText(opBlnkChk);
    case cmdErase: return QkOperationText(opErase);
    default: return "";
    }
}

struct clButtonRule {
    int id;
    int cmd;
    bool device; // needs a programmer (or the forced demo)
};

constexpr clButtonRule kButtons[] = {
    {idSettings, cmdSettings, false}, {idOpen, cmdOpen, false},      {idSave, cmdSave, false},
    {idMemory, cmdMemory, false},     {idProgram, cmdProgram, true}, {idFlash, cmdFlash, true},
    {idRobot, cmdChkSum, true},       {idRead, cmdRead, true},       {idChkSum, cmdChkSum, true},
    {idVerify, cmdVerify, true},      {idBlnkChk, cmdBlnkChk, true}, {idErase, cmdErase, true},
};
} // namespace

int QkButtonOf(int action)
{
    switch (action) {
    case cmdProgram: return idProgram;
    case cmdFlash: return idFlash;
    case cmdRead: return idRead;
    case cmdChkSum:
    case actRobot: return idChkSum;
    case cmdVerify: return idVerify;
    case cmdBlnkChk: return idBlnkChk;
    case cmdErase: return idErase;
    default: return 0;
    }
}

std::int64_t QkNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The main window as robot mode and "&Flash" see it.
class clQk51ModeHost : public clModeHost {
public:
    explicit clQk51ModeHost(clQk51Main& main) : m_Main(main) {}
    clQKComm& Comm() override { return m_Main.m_Service.Comm(); }
    clOptSrvInterface& Options() override { return m_Main.m_Service.Options(); }
    bool IsClosing() override { return m_Main.m_bClosing; }
    void SetAction(int action) override { m_Main.SetAction(action); }
    void SetIdle(bool idle) override { m_Main.SetIdle(idle); }
    void SetStatus(const std::string& text, std::uint32_t colour) override { m_Main.m_Window.SetStatus(text, colour); }
    void ShowControl(int id, bool shown) override { m_Main.m_Window.ShowControl(id, shown); }
    void EnableControl(int id, bool enabled) override { m_Main.m_Window.EnableControl(id, enabled); }
    void FocusControl(int id) override { m_Main.m_Window.FocusControl(id); }
    // A programmer that runs on its own answers every order with its
    // stand-alone code: asking it would only report a failure.
    void ReadStatus() override
    {
        if (!m_Main.m_Robot.IsActive())
            m_Main.ReadStatus();
    }
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        QkUi().MessageBox(text.c_str(), caption.c_str(), erOptOk);
    }
    void Reconnect() override { m_Main.ConnectAgain(); }
    void PostConnect() override { m_Main.m_Window.PostConnect(m_Main.m_iPort); }

private:
    clQk51Main& m_Main;
};

clQk51Main::clQk51Main(clService& service, clQk51Window& window)
    : m_Service(service), m_Window(window), m_pModeHost(std::make_unique<clQk51ModeHost>(*this))
{}

clQk51Main::~clQk51Main()
{
    m_Service.Comm().SetGauge(nullptr);
}

int clQk51Main::Ask(unsigned short message, ERR_TYPE type, unsigned char buttons)
{
    return QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), message, type, buttons);
}

std::vector<clSpcBaseDlg*> clQk51Main::Views() const
{
    std::vector<clSpcBaseDlg*> views;
    for (const auto& view : m_Views)
        views.push_back(view.get());
    return views;
}

clSpcBaseDlg* clQk51Main::ViewFor(int cmd) const
{
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmd))
        return nullptr;
    return view;
}

clSpcBaseDlg* clQk51Main::CurrentView() const
{
    if (m_iCurrent < 0 || m_iCurrent >= static_cast<int>(m_Views.size()))
        return nullptr;
    return m_Views[static_cast<std::size_t>(m_iCurrent)].get();
}

// Action code, busy and idle.

void clQk51Main::SetAction(int action)
{
    if (m_iAction != actAborted)
        m_Service.Comm().Abort(false);
    if (m_iAction == actAborted || m_iAction == actFailed || m_iAction == actError) {
        m_Window.ShowControl(idCancel, false);
        const char* result = m_iAction == actAborted ? "Aborted" : m_iAction == actFailed ? "Failed" : "Error";
        m_Window.SetStatus(result, kColourRed);
    } else if (action == actIdle) {
        m_Window.ShowControl(idCancel, false);
        ShowIdleStatus();
    } else {
        const std::string text = StartText(action);
        m_Window.SetStatus(text.empty() ? m_Window.GetStatus() : text, kColourBlack);
        if (const int button = QkButtonOf(action); button != 0)
            m_Window.PlaceAbortOver(button);
    }
    m_iAction = action;
    m_Window.Repaint();
}

void clQk51Main::ShowIdleStatus()
{
    // "Ready" promises a programmer to work with.
    if (HasProgrammer())
        m_Window.SetStatus("Ready", kColourGreen);
    else
        m_Window.SetStatus("Not connected", kColourBlack);
}

void clQk51Main::RefreshButtons()
{
    clSpcBaseDlg* view = CurrentView();
    const bool programmer = HasProgrammer();
    const bool erasable = view != nullptr && [&] {
        try {
            return m_Service.Db().GetChip(m_usDevice).IsEraseAvail() != 0;
        } catch (const clBscExpt&) {
            return false;
        }
    }();
    const std::vector<int>& locked = clRobotMode::LockedButtons();
    const bool robot = m_Robot.IsActive();
    for (const clButtonRule& rule : kButtons) {
        bool enabled = m_bIdle && view != nullptr && view->IsOpAllowed(rule.cmd);
        if (rule.device)
            enabled = enabled && programmer;
        if (rule.id == idErase)
            enabled = enabled && erasable;
        if (rule.id == idFlash)
            enabled = enabled && m_bFlash;
        // The programmer works on its own until the user connects again.
        if (robot && std::find(locked.begin(), locked.end(), rule.id) != locked.end())
            enabled = false;
        m_Window.EnableControl(rule.id, enabled);
    }
    // "&Robot mode" of the settings offers "&Robot".
    m_Window.ShowControl(idRobot, QkReadAutoOptions(m_Service.Options()).robot != 0);
    // Nothing in the views may reach a programmer that is not the host's.
    m_Window.SetViewsEnabled(m_bIdle && !robot);
}

bool clQk51Main::HasProgrammer()
{
    clQkSrvcComm& comm = m_Service.Comm();
    return comm.GetProtocol() == clQkProtocol::real || comm.IsForceDemo() != 0 ||
           (m_bLinked && comm.IsCommExist() == 0);
}

void clQk51Main::SetIdle(bool idle)
{
    m_bIdle = idle;
    RefreshButtons();
    m_Window.SetFrameBusy(!idle);
    if (idle) {
        m_Window.ResetGauge();
        RefreshIndicator();
        PlayAction(m_iAction);
    }
}

void clQk51Main::PlayAction(int action)
{
    if (m_bMute)
        return;
    if (const clSndActInfo* sound = m_Service.Sounds().FindAction(action); sound != nullptr && sound->kind != sndNone)
        m_Window.PlaySound(*sound);
}

void clQk51Main::OnErrorShown(int type)
{
    if (type == erTypeNote)
        PlayAction(actInfoDlg);
    else if (type == erTypeWarning)
        PlayAction(actWarningDlg);
    else if (type >= erTypeError && type <= erTypeFatal)
        PlayAction(actErrorDlg);
}

void clQk51Main::RefreshIndicator()
{
    clQkSrvcComm& comm = m_Service.Comm();
    const clQkProtocol protocol = comm.GetProtocol();
    if (protocol == clQkProtocol::real || (m_bLinked && protocol == clQkProtocol::none))
        m_Window.ShowIndicator(indConnected, QkPortText(m_iPort));
    else if (protocol == clQkProtocol::demo || comm.IsForceDemo() != 0)
        m_Window.ShowIndicator(indDemo, "Demo");
    else
        m_Window.ShowIndicator(indNotConnected, "Not connected");
}

void clQk51Main::RefreshInfo()
{
    clSpcBaseDlg* view = CurrentView();
    if (view != nullptr && view->HasSizeField()) {
        m_Window.SetText(idSizeLabel, view->GetSizeLabel().substr(0, 40) + " size:");
        m_Window.SetText(idSizeValue, view->GetSizeText().substr(0, 49));
    } else {
        m_Window.SetText(idSizeLabel, "");
        m_Window.SetText(idSizeValue, "");
    }
    if (view != nullptr && view->HasBufferBytes() && view->IsOpAllowed(cmdChkSum)) {
        char sum[16];
        std::snprintf(sum, sizeof sum, "%04Xh", view->GetChkSum());
        m_Window.SetText(idChkSumLabel, view->GetSizeLabel().substr(0, 35) + " CheckSum:");
        m_Window.SetText(idChkSumValue, sum);
    } else {
        m_Window.SetText(idChkSumLabel, "");
        m_Window.SetText(idChkSumValue, "");
    }
}

void clQk51Main::RefreshFileText()
{
    clSpcBaseDlg* view = CurrentView();
    m_Window.SetText(idFile, view != nullptr ? view->GetFileName() : "");
}

void clQk51Main::InfoChanged()
{
    RefreshButtons();
    RefreshInfo();
}

void clQk51Main::FileChanged()
{
    RefreshFileText();
}

void clQk51Main::LineFailed()
{
    RefreshIndicator();
    RefreshButtons();
}

void clQk51Main::WaitDelay()
{
    clQkSrvcComm& comm = m_Service.Comm();
    if (m_Service.GetDelay() > 0 && !comm.IsAbortSet())
        m_Window.WaitMs(m_Service.GetDelay());
    // A close request ends the wait at once, and the operation with it:
    // nothing more goes to the programmer.
    if (comm.IsAbortSet()) {
        comm.Abort(false);
        QkRaise<clXAbort>(this, kSrc, 412);
    }
}

void clQk51Main::OpenDumpWindow(clSpcBaseDlg& view)
{
    m_Window.OpenDumpWindow(view);
}

void clQk51Main::OnDumpChanged(int space, bool data)
{
    for (const auto& view : m_Views) {
        if (view->GetSpaceIndex() != space || view->GetKind() == vwAll)
            continue;
        if (data)
            view->MarkDataChanged();
        else
            view->MarkSettingsChanged();
    }
    // The checksum of the space moves with its bytes.
    if (data)
        RefreshInfo();
}

void clQk51Main::OnDumpEdited()
{
    RefreshInfo();
    if (m_bIdle) {
        m_Window.ResetGauge();
        ShowReady();
    }
}
