// The settings dialog's contract without its window: what the main window
// gives it, what it hands back, and how the main window applies that after
// "&Ok" (or after "&Cancel", when only a reconnection asked for inside the
// dialog still takes place).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "options/optsrv.h"
#include "source/run/autoopts.h"
#include "source/settings/qksnd.h"

class clDataBase;
class clQKComm;
class clQkSettingsStore;

inline constexpr const char kDefaultFrequency[] = "4Mhz";
inline constexpr std::size_t kFrequencyMax = 20; // characters of the crystal frequency text

struct clSettingInput {
    clDataBase* db = nullptr;
    // The device history and the ports' device paths live here.
    clQkSettingsStore* settings = nullptr;
    // The programmer: the About page's versions and "&Programmer SW update".
    clQKComm* comm = nullptr;
    clQkActList sounds;
    unsigned short device = 0; // the current device, chosen when the dialog opens
    int port = -1;             // the current port (0 "Scan", -1 none)
    int lastCom = 4;           // N of the port table
    bool flyOver = true;
    bool mute = false;
    clAutoOptions autoOptions;
    bool flash = false;
    bool ignoreStartStop = true;
    std::string frequency = kDefaultFrequency;
    bool showFrequency = false; // "FREQ"
    bool admin = false;         // "ADMIN": the check boxes for the programmer's maker
    std::string software;       // the first About line: name and version
};

struct clSettingResult {
    bool accepted = false;
    unsigned short device = 0; // another device chosen; 0 when not
    int port = -1;             // another port chosen; -1 when not
    std::string frequency;
    bool flyOver = true;
    bool mute = false;
    clAutoOptions autoOptions;
    bool flash = false;
    bool ignoreStartStop = true;
    clQkActList sounds;
    bool reconnect = false;  // asked for inside the dialog; kept even after "&Cancel"
    bool bootUpdate = false; // "Allow Boot S&W update": build the device update image
};

// The result of a dialog left as it was opened.
clSettingResult QkUnchangedResult(const clSettingInput& input);

// What applying needs from the main window.
class clSettingTarget {
public:
    virtual ~clSettingTarget() = default;
    virtual void ShowReady() = 0;
    // Action 13 and a connect at the stored port with the device, then the
    // connection indicator.
    virtual void Reconnect() = 0;
    virtual void SetFrequency(const std::string& text) = 0;
    virtual void SetMute(bool mute) = 0;
    virtual void SetSounds(const clQkActList& sounds) = 0;
    virtual void SetFlyOver(bool flyOver) = 0;
    virtual void MarkProjectChanged() = 0;
    virtual void SetIgnoreStartStop(bool on) = 0;
    // Called on a change only: shows or hides "&Flash".
    virtual void SetFlash(bool on) = 0;
    virtual void SetPort(int port) = 0;
    // Whether a protocol is active (a programmer answers, or the demo was asked for).
    virtual bool HasProtocol() = 0;
    // User message 100.
    virtual void PostConnect(int port) = 0;
    // Device set-up (messages 1007 and 1008 on failure).
    virtual void SelectDevice(unsigned short chipId) = 0;
    virtual void Refresh() = 0;
    virtual void ApplyButtonStyle(bool flyOver) = 0;
    // "Allow Boot S&W update": the device update image in the current view.
    virtual void BuildUpdateImage() = 0;
};

// Applies an accepted dialog, in this order: "Ready" and the reconnection;
// the frequency; the mute flag, the sounds and the button style; the
// project marked changed when an automatic option or the flash flag
// changed, the ignore-start/stop flag, the flash flag; the automatic options
// into options; the port (a connect there when no protocol is active); the
// device with each space's dump lines reset; the button style on screen;
// the device update image.
void QkApplySettings(const clSettingInput& input, const clSettingResult& result, clOptSrvInterface& options,
                     clSettingTarget& target);
// After "&Cancel": only a reconnection asked for inside the dialog.
void QkApplyCancelled(const clSettingResult& result, clSettingTarget& target);

// The About list for a programmer: "Not Connected" unless a programmer
// answers or the demo protocol was asked for.
std::vector<std::string> QkSettingAboutLines(const std::string& software, clQKComm* comm, const clDataBase& db);
// Whether "&Programmer SW update" can ask a programmer: a real one answers.
bool QkCanUpdateProgrammer(const clQKComm* comm);
