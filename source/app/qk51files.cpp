// Projects and data files.
#include "source/app/qk51main.h"

#include <filesystem>

#include "comm/qkcommexpt.h"
#include "comm/qkwire.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "err/errntfy.h"
#include "source/files/hexdefs.h"
#include "source/settings/qksettings.h"

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kDescriptionMax = 250;
constexpr const char kDefaultProjectName[] = "DEFAULT.qkp";
constexpr const char kLoadStopped[] =
    "The file is in the buffer, but the programmer did not receive all of it: the rest is sent before the next "
    "operation uses the programmer's memory.";
} // namespace

// Project.

int clQk51Main::LoadProject(const std::string& path)
{
    SetAction(actLoadProject);
    std::error_code error;
    const bool exists = fs::is_regular_file(QkPath(path), error);
    // A project brings its own buffers and dump options.
    if (exists)
        m_Window.CloseDumpWindows();
    if (!exists || m_Service.Project().Load(path) == 0) {
        // A missing project is a fresh start; a damaged one was reported.
        if (exists)
            NewProject();
        return 0;
    }
    const fs::path folder = QkPath(m_Service.Project().GetPath()).parent_path();
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
    m_sDescription = m_Service.Project().GetDescription().substr(0, kDescriptionMax);
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
    m_sProjectPath = QkPathText(fs::current_path(error) / kDefaultProjectName);
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
    setup.folder = QkPathText(fs::current_path(error));
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
    clSpcBaseDlg* view = ViewFor(cmdOpen);
    if (view == nullptr)
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
    clSpcBaseDlg* view = ViewFor(cmdSave);
    if (view == nullptr)
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
    const std::string description = choice.description.substr(0, kDescriptionMax);
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
    clSpcBaseDlg* view = ViewFor(cmdMemory);
    if (view == nullptr)
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
