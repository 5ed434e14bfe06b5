// Start-up and exit.
#include "source/app/qk51main.h"

#include <filesystem>

#include "comm/qkcommexpt.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "err/errntfy.h"
#include "qkversion.h"
#include "source/settings/portlist.h"
#include "source/settings/qksettings.h"

namespace fs = std::filesystem;

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
        if (fs::is_regular_file(QkPath(named), error))
            project = QkPathText(fs::absolute(QkPath(named), error).lexically_normal());
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
        if (!fs::is_regular_file(QkPath(lastPrj), error))
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
