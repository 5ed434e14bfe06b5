#include "source/app/qk51main.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "comm/comport.h"
#include "comm/comports.h"
#include "comm/qkcommexpt.h"
#include "comm/qkwire.h"
#include "cpplib/clexpt.h"
#include "cpplib/qkfile.h"
#include "err/errntfy.h"
#include "err/uisrv.h"
#include "qkversion.h"
#include "source/app/strtable.h"
#include "source/files/hexdefs.h"
#include "source/settings/portlist.h"
#include "source/settings/qksettings.h"
#include "source/settings/updimage.h"

namespace fs = std::filesystem;

namespace {
constexpr const char kSrc[] = "qk51main";
constexpr std::size_t kDescriptionMax = 250;
constexpr const char kDefaultProjectName[] = "DEFAULT.qkp";
constexpr const char kCannotConnect[] = "Cannot connect with QK-JTAG programmer.";
constexpr const char kLoadStopped[] =
    "The file is in the buffer, but the programmer did not receive all of it: the rest is sent before the next "
    "operation uses the programmer's memory.";

// The button of each operation code (the abort button goes over it).
int ButtonOf(int action)
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

std::string Cut(const std::string& text, std::size_t max)
{
    return text.substr(0, max);
}
} // namespace

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

clSpcBaseDlg* clQk51Main::CurrentView() const
{
    if (m_iCurrent < 0 || m_iCurrent >= static_cast<int>(m_Views.size()))
        return nullptr;
    return m_Views[static_cast<std::size_t>(m_iCurrent)].get();
}

// Start-up.

void clQk51Main::StartUp(clStartupScreen& screen)
{
    using clock = std::chrono::steady_clock;
    const clock::time_point began = clock::now();
    clQkSrvcComm& comm = m_Service.Comm();
    clQkSettingsStore& settings = m_Service.Settings();

    screen.SetText("Initializing memory");
    // The device paths the user gave COM numbers in the settings dialog.
    QkMapStoredPorts(settings);
    comm.SetWindow(m_Window.GetWindowId());
    // A damaged project is reported over the main window.
    m_Service.Project().SetPrcssId(m_Window.GetWindowId());
    try {
        comm.Connect(QK_PORT_CFG{0, 0, -1}, m_usDevice);
    } catch (const clBscExpt&) {
    }
    comm.SetGauge(m_Window.CommGauge());
    m_Service.Sounds().Load(settings);
    PlayAction(actStartup);
    // Open before the project loads, so that a damaged project is reported.
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    if (const std::string problem = settings.Problem(); !problem.empty())
        QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), problem, erTypeWarning, erOptOk);
    if (!m_Service.GetSizeProblem().empty())
        QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), m_Service.GetSizeProblem(), erTypeError, erOptOk);

    screen.SetText("Reading options");
    std::string project = QkGetLastProject(settings);
    const char* named = nullptr;
    std::error_code error;
    // A project named on the command line that cannot be opened is said, and
    // no other project takes its place: the last one would be programmed
    // instead of the one asked for.
    std::string namedProblem;
    if (m_Service.Switches().GetText(qkpsw::kPrjFile, named) == 1 && named != nullptr) {
        if (fs::is_regular_file(named, error))
            project = fs::absolute(named, error).lexically_normal().string();
        else
            namedProblem = QkCheckInputFile(named);
    }
    m_bFlyOver = QkGetSetting(settings, kSetFlyoverButtons) != 0;
    m_Window.ApplyButtonStyle(m_bFlyOver);
    m_bMute = QkGetSetting(settings, kSetMute) != 0;
    m_iTipMode = QkGetSetting(settings, kSetTipMode);

    screen.SetText("Loading last project");
    m_sProjectPath = project;
    if (!namedProblem.empty()) {
        QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(),
                                    "The project named on the command line cannot be opened: " + namedProblem +
                                        ". No other project was opened.",
                                    erTypeError, erOptOk);
        NewProject();
    } else {
        LoadProject(project);
    }
    if (m_Views.empty())
        SelectDevice(1, false);

    m_bIgnoreStartStop = QkGetFlag(settings, kSetIgnoreStartStop);
    m_Window.CheckMenuItem(idMenuIgnoreStartStop, m_bIgnoreStartStop);
    QkGetFlag(settings, kSetAllowFlash); // read, but flashing always starts off
    m_bFlash = false;
    m_Window.ShowControl(idErase, true);
    m_Window.ShowControl(idFlash, false);

    m_Window.SetStatus("Ready", kColourGreen);
    screen.SetText("Please wait...");
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - began).count();
    if (elapsed < kStartupScreenMs)
        m_Window.WaitMs(static_cast<int>(kStartupScreenMs - elapsed));

    m_iPort = QkStartPort(m_Service.Switches(), settings);
    m_bStarted = true;
    ShowProject();
    SetAction(actIdle);
    SetIdle(true);
    RefreshInfo();
}

// Project.

int clQk51Main::LoadProject(const std::string& path)
{
    SetAction(actLoadProject);
    std::error_code error;
    const bool exists = fs::is_regular_file(path, error);
    // A project brings its own buffers and dump options.
    if (exists)
        m_Window.CloseDumpWindows();
    if (!exists || m_Service.Project().Load(path) == 0) {
        // A missing project is a fresh start; a damaged one was reported.
        if (exists)
            NewProject();
        return 0;
    }
    const fs::path folder = fs::path(m_Service.Project().GetPath()).parent_path();
    fs::current_path(folder, error);
    m_Window.PumpMessages();
    std::uint16_t chipId = 0;
    m_Service.Options().Get(kOptChipId, chipId);
    SelectDevice(chipId, false);
    std::vector<std::string> problems;
    if (m_Service.Spaces().ReloadReferencedFiles(&problems) > 0) {
        std::string text = "The project's data files were not loaded as they are:";
        for (const std::string& problem : problems)
            text += "\n- " + problem + ".";
        text += "\nWhat could not be loaded keeps what the buffer held; data outside a space was left out.";
        QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), text, erTypeWarning, erOptOk);
    }
    for (const auto& view : m_Views)
        view->Refresh();
    m_sProjectPath = m_Service.Project().GetPath();
    m_sDescription = Cut(m_Service.Project().GetDescription(), kDescriptionMax);
    try {
        m_Service.Comm().WrPrjDescrSeq(m_sDescription.c_str());
    } catch (const clBscExpt&) {
        LineFailed();
    }
    ClearModified();
    ShowProject();
    SetAction(actIdle);
    return 1;
}

void clQk51Main::NewProject()
{
    m_Window.SetText(idProject, "");
    m_Window.SetText(idDescription, "");
    m_Window.SetText(idFile, "");
    m_sDescription.clear();
    m_Service.Options().Set(kOptProjDesc, std::string());
    for (int space = 1; space <= kSpaceCount; ++space) {
        m_Service.Options().Set(QkSpaceOptId(space, spcFileName), std::string());
        m_Service.Options().Set(QkSpaceOptId(space, spcFileType), std::uint8_t{ftNone});
    }
    std::error_code error;
    m_sProjectPath = (fs::current_path(error) / kDefaultProjectName).string();
    m_bProjectChanged = true;
    ShowProject();
}

void clQk51Main::ShowProject()
{
    m_Window.SetText(idProject, m_sProjectPath);
    m_Window.SetText(idDescription, m_sDescription);
    RefreshFileText();
}

void clQk51Main::ClearModified()
{
    m_bProjectChanged = m_bSettingsChanged = false;
    for (const auto& view : m_Views)
        view->ClearModified();
    m_Window.ClearDumpChanges();
}

bool clQk51Main::IsProjectChanged() const
{
    return m_bProjectChanged ||
           std::any_of(m_Views.begin(), m_Views.end(), [](const auto& v) { return v->IsDataChanged(); });
}

bool clQk51Main::IsSettingsChanged() const
{
    return m_bSettingsChanged ||
           std::any_of(m_Views.begin(), m_Views.end(), [](const auto& v) { return v->IsSettingsChanged(); });
}

// Device set-up.

int clQk51Main::DeviceFamily(unsigned short chipId)
{
    try {
        return m_Service.Db().GetChip(chipId).GetDeviceID();
    } catch (const clBscExpt&) {
        return 0;
    }
}

std::string clQk51Main::DeviceText(unsigned short chipId)
{
    try {
        const clDBChipHdr header = m_Service.Db().GetChipHdr(chipId);
        return std::string(header.GetName()) + " (" + m_Service.Db().GetVndr(header.GetVndrNo()).GetName() + ")";
    } catch (const clBscExpt&) {
        return "";
    }
}

void clQk51Main::BuildViews()
{
    // The pages go before the views they show.
    m_Window.BuildTabs({});
    m_Views.clear();
    clQkSpaces& spaces = m_Service.Spaces();
    std::vector<clSpcAllDlg::clEntry> entries;
    bool all = false;
    for (const clTabSetup& tab : QkDeviceTabs(m_Service.Db(), m_usDevice)) {
        clQKHugeBuffer* buffer = tab.space > 0 && spaces.HasSpace(tab.space) ? &spaces.Buffer(tab.space) : nullptr;
        std::unique_ptr<clSpcBaseDlg> view;
        switch (tab.kind) {
        case vwData: view = std::make_unique<clSpcDataDlg>(*this, tab.space, buffer); break;
        case vwCnfg: view = std::make_unique<clSpcCnfgDlg>(*this, tab.space, buffer); break;
        case vwScrty: view = std::make_unique<clSpcScrtyDlg>(*this, tab.space, buffer); break;
        case vwOsd: view = std::make_unique<clSpcOsdDlg>(*this, tab.space, buffer); break;
        default: all = true; continue;
        }
        entries.push_back({view.get(), tab.title});
        m_Views.push_back(std::move(view));
    }
    if (all)
        m_Views.push_back(std::make_unique<clSpcAllDlg>(*this, std::move(entries)));
}

void clQk51Main::SetupDevice(unsigned short chipId, bool deviceChanged)
{
    clQkSrvcComm& comm = m_Service.Comm();
    m_Service.Db().GetChip(chipId); // an unknown id fails before anything changes
    m_Window.CloseDumpWindows();
    try {
        comm.SetupDevice(chipId);
    } catch (const clBscExpt&) {
        LineFailed();
    }
    m_Service.SetupSpaces(chipId);
    m_usDevice = chipId;
    if (deviceChanged) {
        // A new device's spaces: the whole space, every space in "All".
        for (int space = 1; space <= kSpaceCount; ++space) {
            m_Service.Options().Set(QkSpaceOptId(space, spcCLState), std::uint32_t{1});
            m_Service.Options().Set(QkSpaceOptId(space, spcCLThree), false);
        }
        for (clQKOptIDType id : {kOptDataStart, kOptDataStop, kOptOsdStart, kOptOsdStop})
            m_Service.Options().Set(id, std::string());
    }
    BuildViews();
    m_iCurrent = 0;
    for (const auto& view : m_Views)
        view->Refresh();
    m_Window.BuildTabs(Views());
    m_Window.SetText(idDevice, DeviceText(chipId));
    RefreshInfo();
    RefreshFileText();
    ShowIdleStatus();
    if (deviceChanged) {
        clPgmStats(m_Service.Options()).Reset();
        m_bProjectChanged = true;
    }
    if (m_bStarted)
        RefreshButtons();
}

bool clQk51Main::SelectDevice(unsigned short chipId, bool deviceChanged)
{
    const unsigned long window = m_Window.GetWindowId();
    for (const unsigned short id : {chipId, static_cast<unsigned short>(1)}) {
        try {
            SetupDevice(id, deviceChanged || id != chipId);
            return true;
        } catch (const clXAlloc&) {
            QkAppErrMngr() << clQk51Err(window, kMsgNoMemory, erTypeError, erOptOk);
        } catch (const std::bad_alloc&) {
            QkAppErrMngr() << clQk51Err(window, kMsgNoMemory, erTypeError, erOptOk);
        } catch (const clDbBadId&) {
        } catch (const clBscExpt&) {
            QkAppErrMngr() << clQk51Err(window, kMsgBufferInit, erTypeError, erOptOk);
        }
        if (id == 1)
            break;
    }
    return false;
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
        if (const int button = ButtonOf(action); button != 0)
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
        m_Window.SetText(idSizeLabel, Cut(view->GetSizeLabel(), 40) + " size:");
        m_Window.SetText(idSizeValue, Cut(view->GetSizeText(), 49));
    } else {
        m_Window.SetText(idSizeLabel, "");
        m_Window.SetText(idSizeValue, "");
    }
    if (view != nullptr && view->HasBufferBytes() && view->IsOpAllowed(cmdChkSum)) {
        char sum[16];
        std::snprintf(sum, sizeof sum, "%04Xh", view->GetChkSum());
        m_Window.SetText(idChkSumLabel, Cut(view->GetSizeLabel(), 35) + " CheckSum:");
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

// The operation sequence.

void clQk51Main::ReadStatus()
{
    // Never nested in another status read. The bracket makes the line again
    // when a failure took it down; without a programmer there is nothing to ask.
    clQkSrvcComm& comm = m_Service.Comm();
    if (m_bInStatus || (comm.IsCommExist() == 0 && !m_bLinked))
        return;
    m_bInStatus = true;
    try {
        QK_STATUS status;
        comm.GetStatusSeq(status);
    } catch (const clBscExpt&) {
    }
    m_bLinked = comm.GetProtocol() == clQkProtocol::real;
    m_bInStatus = false;
    RefreshIndicator();
    RefreshButtons();
}

void clQk51Main::ConnectAgain()
{
    m_Robot.Reconnected();
    try {
        m_Service.Comm().Connect(QK_PORT_CFG{m_iPort, 1, 0}, m_usDevice);
    } catch (const clBscExpt&) {
    }
    m_bLinked = m_Service.Comm().GetProtocol() == clQkProtocol::real;
    ShowLinkProblem(m_iPort);
    RefreshIndicator();
}

void clQk51Main::ShowLinkProblem(int port)
{
    clQkSrvcComm& comm = m_Service.Comm();
    if (comm.GetProtocol() == clQkProtocol::real || comm.IsForceDemo() != 0) {
        m_Window.ShowLinkProblem("");
        return;
    }
    std::string why = ComLastOpenError();
    if (why.empty())
        why = port > 0 ? "no programmer answered at " + QkPortText(port)
                       : std::string("no programmer answered at the ports searched");
    why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    if (why.back() != '.' && why.back() != ')')
        why += '.';
    m_Window.ShowLinkProblem(std::string(kCannotConnect) + " " + why);
}

void clQk51Main::RunOperation(int cmd)
{
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmd))
        return;
    if (!view->PrepareOperation())
        return;
    const int button = ButtonOf(cmd);
    clOpRunner runner(m_Service.Comm(), m_Service.Options());
    const bool program = cmd == cmdProgram;
    if (program)
        m_Window.ShowControl(idProgram, false);
    SetIdle(false);
    SetAction(cmd);
    unsigned short checksum = 0;
    clOpResult result;
    if (program) {
        result = runner.RunProgram([&] {
            view->Refresh(); // the cycle just counted
            view->ProgramAuto(runner);
        });
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

// Connecting and synchronising.

void clQk51Main::OnConnect(int port, bool first)
{
    if (!m_bStarted || m_bClosing || !m_bIdle)
        return;
    clQkSrvcComm& comm = m_Service.Comm();
    m_Robot.Reconnected();
    SetIdle(false);
    m_Window.SetStatus(m_Window.GetStatus(), kColourBlack);
    const clQkPortTable& table = m_Service.Ports();
    try {
        if (port == 0) {
            const QK_PORT_CFG found = comm.SearchConnect(table.usable, table.records.data(), m_usDevice);
            m_iPort = found.m_lPortNo == -1 ? 0 : found.m_lPortNo;
        } else {
            comm.Connect(QK_PORT_CFG{port, 1, 0}, m_usDevice);
            m_iPort = port;
        }
    } catch (const clBscExpt&) {
        // A failed search ends on no port: "Scan" stays the choice.
        m_iPort = port < 0 ? 0 : port;
    }
    m_bLinked = comm.GetProtocol() == clQkProtocol::real;
    ShowLinkProblem(port);
    SetIdle(true);
    // Synchronising ends on its own result ("Ready", or "Aborted" when a
    // close request stopped it).
    if (comm.GetProtocol() == clQkProtocol::real)
        Synchronize();
    else
        SetAction(actIdle);
    RefreshIndicator();
    if (first && (m_iTipMode == 1 || m_iTipMode == 2))
        m_Window.ShowTipOfDay();
}

void clQk51Main::Synchronize()
{
    clQkSrvcComm& comm = m_Service.Comm();
    clQkSpaces& spaces = m_Service.Spaces();
    SetAction(actStartup);
    m_Window.SetStatus("Synchronizing", kColourBlack);
    SetIdle(false);
    bool failed = false, aborted = false;
    try {
        comm.SetupDevice(m_usDevice);
        for (int space = 1; space <= kSpaceCount; ++space) {
            if (!spaces.HasSpace(space))
                continue;
            clQKHugeBuffer& buffer = spaces.Buffer(space);
            // Only the space the programmer holds; the others stay here. What
            // a stop leaves unsynced goes before the next order needs it.
            if (buffer.GetComm() != nullptr && buffer.HasMemory())
                QkSendSpace(comm, buffer, "Synchronizing");
        }
    } catch (const clXAbort&) {
        // Stopped by a close request: the window stays, nothing reconnects.
        aborted = true;
    } catch (const clBscExpt&) {
        failed = true;
    }
    SetAction(aborted ? actAborted : actIdle);
    SetIdle(true);
    if (!failed && !aborted) {
        try {
            comm.WrPrjDescrSeq(m_sDescription.c_str());
        } catch (const clBscExpt&) {
            failed = true;
        }
    }
    SetAction(actIdle);
    // One reconnection after a failed synchronisation; a line that keeps
    // failing must not make the window reconnect for ever.
    if (failed && !m_bSyncRetried) {
        m_bSyncRetried = true;
        m_Window.PostConnect(m_iPort);
    } else if (!failed) {
        m_bSyncRetried = false;
    }
}

// Files and projects.

clLoadDialogSetup clQk51Main::LoadDialogSetup()
{
    clLoadDialogSetup setup;
    setup.types = QkLoadList();
    clSpcBaseDlg* view = CurrentView();
    if (view != nullptr && view->HasBufferBytes()) {
        const clQKHugeBuffer& buffer = *view->GetBuffer();
        setup.clipping = view->GetCmdStart() != buffer.GetStartAdrs().GetLinear() ||
                         view->GetCmdStop() != buffer.GetStopAdrs().GetLinear();
    }
    std::error_code error;
    setup.folder = fs::current_path(error).string();
    return setup;
}

clSaveDialogSetup clQk51Main::SaveDialogSetup()
{
    clSaveDialogSetup setup;
    clSpcBaseDlg* view = CurrentView();
    if (view != nullptr && view->HasBufferBytes())
        setup.types = QkSaveList(view->GetCmdStop());
    else
        setup.types = {{kProjectFilter, ftProject}};
    setup.selected = std::clamp(m_iSavePosition, 0, static_cast<int>(setup.types.size()) - 1);
    setup.proposed = QkGetLastProject(m_Service.Settings());
    setup.description = m_sDescription;
    for (int space = 1; space <= kSpaceCount; ++space) {
        const int type = m_Service.Spaces().FileType(space);
        if (m_Service.Spaces().HasSpace(space) && type >= ftBinary && type <= ftS3 &&
            !m_Service.Spaces().FileName(space).empty())
            setup.hexRefPossible = true;
    }
    return setup;
}

void clQk51Main::OnOpen()
{
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmdOpen))
        return;
    SetIdle(false);
    SetAction(actLoadFile);
    m_Window.SetStatus("Updating", kColourBlack);
    bool aborted = false;
    if (const std::optional<clLoadChoice> choice = m_Window.AskLoadFile(LoadDialogSetup())) {
        if (choice->fileType == ftProject) {
            LoadProjectFromDialog(choice->path);
        } else {
            try {
                view->LoadData(clLoadRequest{choice->path, choice->fileType, choice->init});
            } catch (const clXAbort&) {
                aborted = true;
            }
        }
    }
    if (aborted)
        SetAction(actAborted);
    SetIdle(true);
    RefreshInfo();
    // The user asked to stop: nothing more goes to the programmer now.
    if (!aborted)
        ReadStatus();
    SetAction(actIdle);
    if (aborted)
        QkAppErrMngr() << clQk51Err(m_Window.GetWindowId(), kLoadStopped, erTypeNote, erOptOk);
}

void clQk51Main::LoadProjectFromDialog(const std::string& path)
{
    if (!CanClose())
        return;
    const unsigned short before = m_usDevice;
    const int familyBefore = DeviceFamily(before);
    if (LoadProject(path) == 0)
        return;
    QkSetLastProject(m_Service.Settings(), m_Service.Project().GetPath());
    if (m_usDevice == before)
        return;
    const int family = DeviceFamily(m_usDevice);
    if (family != familyBefore && (qkwire::QkReversesBits(family) || qkwire::QkReversesBits(familyBefore)))
        m_Window.PostConnect(m_iPort);
    else if (m_Service.Comm().GetProtocol() == clQkProtocol::real)
        Synchronize();
}

void clQk51Main::OnSave()
{
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmdSave))
        return;
    SetIdle(false);
    SetAction(actSaving);
    const clSaveDialogSetup setup = SaveDialogSetup();
    const std::optional<clSaveChoice> choice = m_Window.AskSaveFile(setup);
    if (choice) {
        m_iSavePosition = choice->position;
        if (choice->fileType == ftProject)
            SaveProject(*choice);
        else
            view->SaveData(clSaveRequest{choice->path, choice->fileType});
    }
    SetIdle(true);
    ReadStatus();
    SetAction(actIdle);
}

void clQk51Main::SaveProject(const clSaveChoice& choice)
{
    const std::string description = Cut(choice.description, kDescriptionMax);
    if (m_Service.Project().Save(choice.path, choice.saveOption, description) == 0)
        return;
    m_sDescription = description;
    m_sProjectPath = m_Service.Project().GetPath();
    try {
        m_Service.Comm().WrPrjDescrSeq(m_sDescription.c_str());
    } catch (const clBscExpt&) {
        LineFailed();
    }
    ClearModified();
    ShowProject();
}

void clQk51Main::OnMemory()
{
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmdMemory))
        return;
    SetIdle(false);
    view->OpenDump();
    SetIdle(true);
    RefreshInfo();
    ReadStatus();
}

void clQk51Main::OnSettings()
{
    if (m_bClosing || !m_bIdle)
        return;
    const clSettingInput input = SettingInput();
    const clSettingResult result = m_Window.RunSettings(input);
    m_bConnectPosted = false;
    if (result.accepted)
        QkApplySettings(input, result, m_Service.Options(), *this);
    else
        QkApplyCancelled(result, *this);
    // In robot mode "&Ok" is the user's reconnection, and so it is while no
    // programmer is connected. Another port chosen while a programmer answers
    // is connected to as well: the window would otherwise name a port it
    // does not use.
    if (result.accepted && !m_bConnectPosted && (m_Robot.IsActive() || result.port != -1 || !HasProgrammer()))
        PostConnect(m_iPort);
    RefreshButtons();
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
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmdChkSum) ||
        !HasProgrammer())
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
    clSpcBaseDlg* view = CurrentView();
    if (m_bClosing || !m_bIdle || m_Robot.IsActive() || view == nullptr || !view->IsOpAllowed(cmdFlash) ||
        !HasProgrammer())
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

// Applying the settings dialog.

void clQk51Main::ShowReady()
{
    // The last result stays until the next operation starts.
    const std::string status = m_Window.GetStatus();
    if (status != "Failed" && status != "Error" && status != "Aborted")
        ShowIdleStatus();
}

void clQk51Main::Reconnect()
{
    SetAction(actError);
    ConnectAgain();
    // The action routine would keep "Error" on the status line (and the next
    // operation would lose its abort button): a connection that came back is
    // no error.
    if (HasProgrammer())
        m_iAction = actIdle;
    SetAction(actIdle);
}

void clQk51Main::SetFrequency(const std::string& text)
{
    m_sFrequency = text;
    m_Service.Comm().SetFrequency(m_sFrequency.c_str());
}

void clQk51Main::SetSounds(const clQkActList& sounds)
{
    m_Service.Sounds() = sounds;
}

void clQk51Main::SetIgnoreStartStop(bool on)
{
    if (on == m_bIgnoreStartStop)
        return;
    m_bIgnoreStartStop = on;
    m_bSettingsChanged = true;
    m_Window.CheckMenuItem(idMenuIgnoreStartStop, on);
    if (!on)
        StartPolling(QkNowMs());
}

void clQk51Main::SetFlash(bool on)
{
    m_bFlash = on;
    m_Window.ShowControl(idFlash, on);
    RefreshButtons();
}

bool clQk51Main::HasProtocol()
{
    // A programmer in robot mode is not the host's until it is connected again.
    return HasProgrammer() && !m_Robot.IsActive();
}

void clQk51Main::PostConnect(int port)
{
    m_bConnectPosted = true;
    m_Window.PostConnect(port);
}

void clQk51Main::SelectDevice(unsigned short chipId)
{
    if (SelectDevice(chipId, true) && m_Service.Comm().GetProtocol() == clQkProtocol::real)
        Synchronize();
}

void clQk51Main::Refresh()
{
    for (const auto& view : m_Views)
        view->Refresh();
    RefreshButtons();
    RefreshInfo();
    RefreshFileText();
}

void clQk51Main::BuildUpdateImage()
{
    clSpcBaseDlg* view = CurrentView();
    const unsigned long window = m_Window.GetWindowId();
    const auto tell = [&](const std::string& text) { QkAppErrMngr() << clQk51Err(window, text, erTypeError, erOptOk); };
    if (view == nullptr || view->GetBuffer() == nullptr || view->GetSpaceIndex() < 1) {
        tell("The device update image needs a space buffer.");
        return;
    }
    clQKHugeBuffer& buffer = *view->GetBuffer();
    clStandAloneParams params;
    unsigned short deviceId = 0;
    try {
        const clDBChip chip = m_Service.Db().GetChip(m_usDevice);
        if (std::string(chip.GetName()).rfind("PCD807", 0) != 0) {
            tell("The device update image is made for the PCD807xx devices only.");
            return;
        }
        params = QkStandAloneParams(chip, buffer, QkReadAutoOptions(m_Service.Options()), m_sDescription);
        deviceId = chip.GetDeviceID();
    } catch (const clBscExpt&) {
        return;
    }
    const std::string tempFolder = fs::path(m_sProjectPath).parent_path().string();
    const std::string programFolder = QkProgramFolder();
    const clUpdateFamily family = QkUpdateFamily(deviceId);
    SetIdle(false);
    clUpdateResult result;
    bool lineKept = true;
    try {
        result = QkBuildUpdateImage(programFolder, tempFolder, family, params, buffer, [this](const char* text) {
            m_Window.SetStatus(text, kColourBlack);
            m_Window.PumpMessages();
        });
    } catch (const clBscExpt&) {
        // The image is in the buffer; the programmer did not take all of it
        // (the communication library said why).
        result.ok = true;
        result.applicationFile = (fs::path(programFolder) / family.folder / family.application).string();
        lineKept = false;
    }
    SetIdle(true);
    if (!result.ok) {
        ShowReady();
        tell(result.error);
        return;
    }
    QkRecordUpdateImage(m_Service.Options(), view->GetSpaceIndex(), result.applicationFile);
    view->SetCmdAddresses(0, kUpdateImageSize - 1);
    view->MarkDataChanged();
    view->Refresh();
    if (!lineKept)
        LineFailed();
    RefreshInfo();
    RefreshFileText();
    ShowReady();
}

void clQk51Main::OnTabChanged(int index)
{
    if (index < 0 || index >= static_cast<int>(m_Views.size()))
        return;
    m_iCurrent = index;
    CurrentView()->Refresh();
    RefreshButtons();
    RefreshInfo();
    RefreshFileText();
}

// Exit.

bool clQk51Main::CanClose()
{
    bool data = IsProjectChanged();
    const bool settings = IsSettingsChanged();
    if (data) {
        const int answer = Ask(kMsgSaveChanged, erTypeError, erOptYes | erOptNo | erOptCancel);
        if (answer == erIdCancel)
            return false;
        if (answer != erIdYes)
            return true; // "No": close without saving
    } else if (!settings) {
        return true;
    }
    const std::string lastPrj = QkGetLastProject(m_Service.Settings());
    m_Window.SetStatus("Saving", kColourBlack);
    clSaveChoice choice;
    if (data) {
        clSaveDialogSetup setup = SaveDialogSetup();
        setup.types = {{kProjectFilter, ftProject}};
        setup.selected = 0;
        setup.proposed = lastPrj;
        const std::optional<clSaveChoice> chosen = m_Window.AskSaveFile(setup);
        if (!chosen) {
            ShowIdleStatus();
            return false;
        }
        choice = *chosen;
    } else {
        // Only the settings changed: they go to the user's own project, and
        // no project file is made that the user never asked for.
        std::error_code error;
        if (!fs::is_regular_file(lastPrj, error))
            return true;
        choice.path = lastPrj;
        choice.saveOption = prjSaveHexRef;
        choice.description = m_sDescription;
    }
    SaveProject(choice);
    return true;
}

bool clQk51Main::QueryClose()
{
    if (!m_bIdle) {
        // The operation stops at its next progress step; the window stays.
        m_Service.Comm().Abort();
        return false;
    }
    if (Ask(kMsgQuit, erTypeNote, erOptOk | erOptCancel) != erIdOk)
        return false;
    return Close();
}

bool clQk51Main::Close()
{
    // Their last view settings go into the project that may be saved now.
    m_Window.CloseDumpWindows();
    if (!CanClose())
        return false;
    m_bClosing = true;
    WriteSettings();
    return true;
}

bool clQk51Main::CheckFirmwareUpdate()
{
    if (!m_Service.Comm().IsFirmwareUpdating())
        return false;
    if (m_iAction != actError && m_Window.GetStatus() != "Error") {
        SetAction(actError);
        SetAction(actIdle);
    }
    return true;
}

bool clQk51Main::CloseForUpdate()
{
    if (!m_bIdle || m_bClosing)
        return false;
    return Close();
}

void clQk51Main::WriteSettings()
{
    clQkSettingsStore& settings = m_Service.Settings();
    if (m_iPort >= 0)
        QkSetSetting(settings, kSetComPort, m_iPort);
    QkSetSetting(settings, kSetFlyoverButtons, m_bFlyOver ? 1 : 0);
    QkSetSetting(settings, kSetMute, m_bMute ? 1 : 0);
    QkSetSetting(settings, kSetTipMode, m_iTipMode);
    m_Service.Sounds().Save(settings);
    QkSetFlag(settings, kSetIgnoreStartStop, m_bIgnoreStartStop);
    QkSetFlag(settings, kSetAllowFlash, m_bFlash);
}

void clQk51Main::SavePosition(int x, int y)
{
    QkSetSetting(m_Service.Settings(), kSetXPos, x);
    QkSetSetting(m_Service.Settings(), kSetYPos, y);
}
