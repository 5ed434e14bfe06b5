// The main window without its widgets: the action code and the status line,
// busy and idle with the buttons they enable, the operation sequence with its
// exception table, connecting and synchronising, the project commands, the
// start-up steps behind the start-up screen and the exit sequence. The
// window (TQk51FrameWindow) implements clQk51Window and forwards its
// commands here.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "source/app/automode.h"
#include "source/app/qk51text.h"
#include "source/app/qkservice.h"
#include "source/app/spcdlg.h"
#include "source/base/appmngr.h"
#include "source/base/qk51err.h"
#include "source/files/fileformats.h"
#include "source/settings/setting.h"

// Controls of the main window.
enum : int {
    idDescription = 129,
    idFlash = 133,
    idCancel = 134, // the abort button
    idSettings = 135,
    idMemory = 136,
    idOpen = 137,
    idSave = 138,
    idProgram = 139,
    idRead = 140,
    idChkSum = 141,
    idVerify = 142,
    idBlnkChk = 143,
    idErase = 144,
    idTabs = 145,
    idDevice = 146,
    idSizeValue = 147,
    idChkSumValue = 148,
    idProject = 149,
    idFile = 150,
    idStatus = 151,
    idGauge = 152,
    idIndicator = 153,
    idSizeLabel = 156,
    idChkSumLabel = 157,
    idRobot = 260,
};

// Action codes: what the window is doing or how the last operation ended.
enum : int {
    actIdle = 0,
    actLoadProject = 1,
    actLoadFile = 2,
    actSaving = 3,
    // 4 to 10: the operation of that code is running; 19 robot.
    actAborted = 11,
    actFailed = 12,
    actError = 13,
    actSucceeded = 14,
    actErrorDlg = 15,
    actInfoDlg = 16,
    actWarningDlg = 17,
    actStartup = 18,
    actRobot = 19,
};

// Status colours (Windows colour values).
enum : std::uint32_t {
    kColourBlack = 0x000000,
    kColourGreen = 0x008000,
    kColourRed = 0x0000FF,
};

// The connection indicator's pictures.
enum : int {
    indNotConnected = 0,
    indDemo = 1,
    indConnected = 2,
};

// Items of the window menu.
enum : int {
    idMenuIgnoreStartStop = 133,
};

inline constexpr int kStartupScreenMs = 2000;

// The tick count of the start-button poll, in milliseconds.
std::int64_t QkNowMs();
// The button of an operation code or action (the abort button goes over it).
int QkButtonOf(int action);

// What the load dialog offers: the view's file types and whether the note
// about clipping applies.
struct clLoadDialogSetup {
    std::vector<clSaveEntry> types; // the project first
    bool clipping = false;          // start/stop are not the whole space
    std::string folder;
};
struct clLoadChoice {
    std::string path;
    int fileType = 0;
    int init = initUnchanged;
};
struct clSaveDialogSetup {
    std::vector<clSaveEntry> types;
    int selected = 0; // the list position chosen last
    std::string proposed;
    std::string description;
    bool hexRefPossible = false; // "and he&x reference" can be chosen
};
struct clSaveChoice {
    std::string path;
    int position = 0; // in types
    int fileType = 0;
    int saveOption = 0; // prjSave… for a project
    std::string description;
};

class clQk51Window {
public:
    virtual ~clQk51Window() = default;
    virtual unsigned long GetWindowId() = 0;
    virtual void SetStatus(const std::string& text, std::uint32_t colour) = 0;
    virtual std::string GetStatus() = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual void ShowControl(int id, bool shown) = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    // Moves the abort button over a button and shows it.
    virtual void PlaceAbortOver(int id) = 0;
    // Busy: the close box and the window menu's items are greyed.
    virtual void SetFrameBusy(bool busy) = 0;
    virtual void SetViewsEnabled(bool enabled) = 0;
    virtual void ResetGauge() = 0;
    virtual void ShowIndicator(int picture, const std::string& port) = 0;
    // Why no programmer could be reached ("" once one is).
    virtual void ShowLinkProblem(const std::string& text) = 0;
    virtual void FocusControl(int id) = 0;
    virtual void Repaint() = 0;
    // One tab per view, in order; the first becomes current.
    virtual void BuildTabs(const std::vector<clSpcBaseDlg*>& views) = 0;
    virtual void ApplyButtonStyle(bool flyOver) = 0;
    // User message 100: connect at port once the current command is done.
    virtual void PostConnect(int port) = 0;
    // Kind 1 beeps, kind 2 plays the wave file without waiting.
    virtual void PlaySound(const clSndActInfo& sound) = 0;
    // Waits while the window stays alive; a request to stop the running
    // operation (a close request) ends the wait at once.
    virtual void WaitMs(int ms) = 0;
    // Lets pending window events run.
    virtual void PumpMessages() = 0;
    virtual void ShowTipOfDay() = 0;
    // The dump editor of a view's space (the one already open comes to the front).
    virtual void OpenDumpWindow(clSpcBaseDlg& view) = 0;
    // Dump editors hold the space buffers and their options: they close
    // before the spaces are rebuilt or replaced and before the program ends.
    virtual void CloseDumpWindows() = 0;
    // The project was saved or loaded: what the open dump editors changed is
    // in it now.
    virtual void ClearDumpChanges() = 0;
    // The check mark of a window menu item ("Ignore Start Stop").
    virtual void CheckMenuItem(int id, bool checked) = 0;
    // The settings dialog: what it hands back once it has closed.
    virtual clSettingResult RunSettings(const clSettingInput& input) = 0;
    virtual std::optional<clLoadChoice> AskLoadFile(const clLoadDialogSetup& setup) = 0;
    virtual std::optional<clSaveChoice> AskSaveFile(const clSaveDialogSetup& setup) = 0;
    virtual clProgressSink* Gauge() = 0;
    virtual clQkGaugeIntf* CommGauge() = 0;
};

// The start-up screen's text line.
class clStartupScreen {
public:
    virtual ~clStartupScreen() = default;
    virtual void SetText(const std::string& text) = 0;
};

class clQk51ModeHost;

class clQk51Main : public clSpcOwner, public clSettingTarget {
public:
    clQk51Main(clService& service, clQk51Window& window);
    ~clQk51Main() override;

    // Steps 5 to 14 of the start-up behind the screen; the connect request
    // follows (OnConnect with first set).
    void StartUp(clStartupScreen& screen);
    bool IsStarted() const { return m_bStarted; }

    // Commands and messages of the window.
    void RunOperation(int cmd);
    void OnOpen();
    void OnSave();
    void OnMemory();
    void OnSettings();
    // "&Robot": the programmer runs on its own until the user connects again.
    void OnRobot();
    // "&Flash": the project into the programmer; nothing while the flag is off.
    void OnFlash();
    // Window menu item 133.
    void ToggleIgnoreStartStop(std::int64_t nowMs);
    // One idle pass: polls the programmer's start button when it is due;
    // true when it was pressed ("&Program" is to be posted).
    bool PollStartButton(std::int64_t nowMs);
    void OnTabChanged(int index);
    // User messages 100 (first false) and 102 (first true).
    void OnConnect(int port, bool first);
    // User message 136: an error dialog of this type is shown.
    void OnErrorShown(int type);
    // The dump editor of a space changed its bytes (data) or its view settings.
    void OnDumpChanged(int space, bool data);
    // An edit in a dump editor is done: the checksum follows it, and the
    // progress of its transfer leaves the status line and the title.
    void OnDumpEdited();
    // The exit sequence: true when the window may close.
    bool QueryClose();
    // The programmer answered that it is updating its firmware (reply code
    // 5): the order that drew it was not carried out, so the status line
    // shows "Error"; true when the program is to close.
    bool CheckFirmwareUpdate();
    // The exit sequence without the quit question (the program closes on its
    // own); a changed project may still be saved. True when the window may close.
    bool CloseForUpdate();
    // The frame's position, written when the program closes.
    void SavePosition(int x, int y);

    // Device set-up: the spaces, the tabs and the views. deviceChanged
    // resets the statistics and marks the project changed. Raises what
    // the database and the buffers raise.
    void SetupDevice(unsigned short chipId, bool deviceChanged);
    // Sets up a device, or device 1 when that fails; false when even that failed.
    bool SelectDevice(unsigned short chipId, bool deviceChanged);
    void Synchronize();
    // An empty project "DEFAULT.qkp" in the current folder.
    void NewProject();
    // Loads a project and its device: 1 loaded, 0 not (reported when the
    // file is damaged).
    int LoadProject(const std::string& path);

    // State.
    int GetAction() const { return m_iAction; }
    bool IsIdle() const { return m_bIdle; }
    bool IsClosing() const { return m_bClosing; }
    int GetPort() const { return m_iPort; }
    void SetPort(int port) { m_iPort = port; }
    unsigned short GetDevice() const { return m_usDevice; }
    bool IsProjectChanged() const;
    bool IsSettingsChanged() const;
    int GetTipMode() const { return m_iTipMode; }
    void SetTipMode(int mode) { m_iTipMode = mode; }
    bool IsMuted() const { return m_bMute; }
    void SetMuted(bool mute) { m_bMute = mute; }
    bool IsFlyOver() const { return m_bFlyOver; }
    bool IsIgnoreStartStop() const { return m_bIgnoreStartStop; }
    bool IsFlashAllowed() const { return m_bFlash; }
    bool IsRobotActive() const { return m_Robot.IsActive(); }
    const std::string& GetFrequency() const { return m_sFrequency; }
    const std::string& GetDescription() const { return m_sDescription; }
    const std::string& GetProjectPath() const { return m_sProjectPath; }
    std::vector<clSpcBaseDlg*> Views() const;
    clSpcBaseDlg* CurrentView() const;
    int CurrentIndex() const { return m_iCurrent; }

    // What the settings dialog opens with.
    clSettingInput SettingInput();

    // The action code routine and busy/idle.
    void SetAction(int action);
    // "Ready" with a programmer (or the demo), else "Not connected".
    void ShowIdleStatus();
    void SetIdle(bool idle);
    void PlayAction(int action);
    void RefreshIndicator();
    void RefreshButtons();
    // Whether the device buttons may work: a programmer answered at the
    // current port, or the demo protocol is forced.
    bool HasProgrammer();
    void RefreshInfo();
    void RefreshFileText();

    // clSpcOwner
    clService& Service() override { return m_Service; }
    // Raises clXAbort when a close request came before or during the wait.
    void WaitDelay() override;
    void InfoChanged() override;
    void FileChanged() override;
    void LineFailed() override;
    void OpenDumpWindow(clSpcBaseDlg& view) override;
    clProgressSink* Gauge() override { return m_Window.Gauge(); }

    // clSettingTarget: applying the settings dialog.
    void ShowReady() override;
    // Action 13 while the connection is made again; "Ready" when it is back.
    void Reconnect() override;
    void SetFrequency(const std::string& text) override;
    void SetMute(bool mute) override { m_bMute = mute; }
    void SetSounds(const clQkActList& sounds) override;
    void SetFlyOver(bool flyOver) override { m_bFlyOver = flyOver; }
    void MarkProjectChanged() override { m_bProjectChanged = true; }
    void SetIgnoreStartStop(bool on) override;
    void SetFlash(bool on) override;
    // SetPort above.
    bool HasProtocol() override;
    void PostConnect(int port) override;
    // A device chosen in the dialog: set up, then synchronised when a
    // programmer is there.
    void SelectDevice(unsigned short chipId) override;
    void Refresh() override;
    void ApplyButtonStyle(bool flyOver) override { m_Window.ApplyButtonStyle(flyOver); }
    void BuildUpdateImage() override;

private:
    friend class clQk51ModeHost;

    int Ask(unsigned short message, ERR_TYPE type, unsigned char buttons);
    // The command bracket: the current view when command cmd may start now
    // (the window neither closing nor busy nor in robot mode, and the view
    // allowing it), else null.
    clSpcBaseDlg* ViewFor(int cmd) const;
    // The view's range in the programmer before robot mode or "&Flash"; false
    // when the line failed.
    bool SendRange(clSpcBaseDlg& view);
    void ReadStatus();
    // Start-button presses count from now on.
    void StartPolling(std::int64_t nowMs);
    // Connects again at the current port with the device (after a failure).
    void ConnectAgain();
    // After a connection attempt at port: why it failed, in words, beside
    // the library's "Cannot connect ..." (which stays as it is).
    void ShowLinkProblem(int port);
    void WriteSettings();
    // The project save prompt: false keeps the window open.
    bool CanClose();
    // After the quit question: the dump editors, the project, the settings.
    bool Close();
    void ShowProject();
    void LoadProjectFromDialog(const std::string& path);
    void SaveProject(const clSaveChoice& choice);
    void ClearModified();
    clLoadDialogSetup LoadDialogSetup();
    clSaveDialogSetup SaveDialogSetup();
    int DeviceFamily(unsigned short chipId);
    std::string DeviceText(unsigned short chipId);
    void BuildViews();

    clService& m_Service;
    clQk51Window& m_Window;
    std::vector<std::unique_ptr<clSpcBaseDlg>> m_Views;
    int m_iCurrent = 0;

    bool m_bStarted = false;
    bool m_bIdle = true;
    bool m_bClosing = false;
    int m_iAction = actIdle;
    int m_iPort = -1;
    unsigned short m_usDevice = 0;
    bool m_bProjectChanged = false;
    bool m_bSettingsChanged = false;
    bool m_bIgnoreStartStop = true;
    bool m_bFlash = false;
    bool m_bMute = false;
    int m_iTipMode = 2;
    bool m_bFlyOver = true;
    std::string m_sDescription;
    std::string m_sProjectPath;
    bool m_bInStatus = false;
    // A programmer answered at the current port. The line may be down for a
    // moment (a failed operation disconnects; the next bracket reconnects).
    bool m_bLinked = false;
    bool m_bSyncRetried = false;
    int m_iSavePosition = 0; // the save list position chosen last
    std::string m_sFrequency = kDefaultFrequency;
    clRobotMode m_Robot;
    clStartPoll m_Poll;
    std::unique_ptr<clModeHost> m_pModeHost; // a clQk51ModeHost
    bool m_bConnectPosted = false;           // by applying the settings dialog
};
