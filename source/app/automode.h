// Production use without the window: the automatic options, the program-cycle
// statistics, the poll of the programmer's start button, robot mode and
// storing the project in the programmer ("&Flash"). The main window runs
// them through clModeHost.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "comm/qkcomm.h"
#include "options/optsrv.h"
#include "source/run/autoopts.h"
#include "source/run/oprunner.h"

namespace qkmode {
// Controls of the main window these commands touch.
enum : int {
    ctlFlash = 133,
    ctlSettings = 135,
    ctlMemory = 136,
    ctlOpen = 137,
    ctlSave = 138,
    ctlProgram = 139,
    ctlRead = 140,
    ctlChkSum = 141,
    ctlVerify = 142,
    ctlBlnkChk = 143,
    ctlErase = 144,
    ctlIndicator = 153,
    ctlRobot = 260,
};
// Action codes of the main window.
enum : int {
    actIdle = 0,
    actFlash = 5,
    actAborted = 11,
    actFailed = 12,
    actError = 13,
    actSucceeded = 14,
    actRobot = 19,
};
inline constexpr std::uint32_t kColourBlack = 0;
} // namespace qkmode

inline constexpr const char kRobotMessage[] =
    "QK-JTAG is in 'ROBOT' mode now. When the operation will be finished, reset the device and restart "
    "communication.";
inline constexpr const char kRobotCaption[] = "Message";
inline constexpr const char kFlashStatus[] = "Software updating...";

// The poll of the programmer's start button in idle time.
class clStartPoll {
public:
    static constexpr std::int64_t kSpacingMs = 500;

    struct clWindowState {
        bool ignoreStartStop = true;
        bool commExists = false; // IsCommExist
        int action = qkmode::actIdle;
        bool idle = true; // no command runs
    };

    // Whether an idle pass polls now: the flag off, a link, more than 500 ms
    // since the last poll, and the window idle or showing a result (actions
    // 0, 12, 13, 14).
    bool IsDue(const clWindowState& state, std::int64_t nowMs) const;
    // One idle pass. Polls when due through readStatus and answers whether
    // the start button was pressed ("&Program" is to be posted). A poll that
    // raises leaves the poll time as it was; a pass inside another pass (a
    // status read lets window events run) does nothing.
    bool Run(const clWindowState& state, const std::function<void(QK_STATUS&)>& readStatus, std::int64_t nowMs);
    // Switching the ignore flag off: the first poll comes 500 ms later.
    void Restart(std::int64_t nowMs) { m_LastMs = nowMs; }
    std::int64_t LastPollMs() const { return m_LastMs; }

private:
    std::int64_t m_LastMs = 0;
    bool m_bPolling = false;
};

// What the commands below need from the main window.
class clModeHost {
public:
    virtual ~clModeHost() = default;
    virtual clQKComm& Comm() = 0;
    virtual clOptSrvInterface& Options() = 0;
    virtual bool IsClosing() = 0;
    virtual void SetAction(int action) = 0;
    virtual void SetIdle(bool idle) = 0;
    virtual void SetStatus(const std::string& text, std::uint32_t colour) = 0;
    virtual void ShowControl(int id, bool shown) = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    virtual void FocusControl(int id) = 0;
    // Reads the programmer's status back (guarded against nesting).
    virtual void ReadStatus() = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // After a line failure: connect again at the stored port with the device.
    virtual void Reconnect() = 0;
    // After a power-up: the full connect and synchronisation (message 100).
    virtual void PostConnect() = 0;
};

// The main window's action code for how an operation ended.
int QkActionOf(clOpOutcome outcome);
// Shows how a command that raised ended, and makes the link again where the
// result asks for it.
void QkFinishFailure(clModeHost& host, const clOpResult& result);

// Robot mode: the programmer runs the program cycle on its own each time its
// start button is pressed, until the user reconnects.
class clRobotMode {
public:
    bool IsActive() const { return m_bActive; }
    // The "&Robot" command.
    void Run(clModeHost& host);
    // A new connection (message 100) ends it.
    void Reconnected() { m_bActive = false; }
    // The buttons that stay disabled while it lasts: all but "Se&ttings"
    // ("Chec&ksum" and "&Flash" too: the programmer is not the host's).
    static const std::vector<int>& LockedButtons();

private:
    bool m_bActive = false;
};

// "&Flash": stores the project in the programmer's flash. Does nothing while
// the flash flag is off. The programmer's answer that the configuration was
// not programmed ends as "Failed".
void QkRunFlash(bool flashAllowed, clModeHost& host);
