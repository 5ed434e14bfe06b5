// Setting up a device and applying the settings dialog.
#include "source/app/qk51main.h"

#include <filesystem>

#include "comm/comports.h"
#include "comm/qkcommexpt.h"
#include "cpplib/qkpath.h"
#include "err/errntfy.h"
#include "source/settings/qksettings.h"
#include "source/settings/updimage.h"

namespace fs = std::filesystem;

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
    const std::string tempFolder = QkPathText(QkPath(m_sProjectPath).parent_path());
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
        result.applicationFile =
            QkPathText((QkPath(programFolder) / family.folder / family.application).make_preferred());
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
