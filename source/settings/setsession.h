// One opening of the settings dialog without its window: the device chosen
// in the list, the port, the ports' device paths, the sounds and the flags,
// from the main window's values to the result handed back.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "source/settings/chplist.h"
#include "source/settings/portlist.h"
#include "source/settings/setting.h"
#include "source/settings/sndpage.h"

inline constexpr const char kBadFrequency[] = "Invalid crystal frequency.\nPlease re-type the desired frequency.";

// Whether a crystal frequency text gives the programmer a clock ("4Mhz",
// "11.0592M", "400K"): a number the clock synthesizer can reach.
bool QkFrequencyValid(const std::string& text);

class clSettingSession {
public:
    explicit clSettingSession(const clSettingInput& input);

    const clSettingInput& Input() const { return m_Input; }
    // The flags, options and texts as edited (device, port and sounds are
    // kept apart below).
    clSettingResult& Edits() { return m_Edits; }

    const clChpSelModel& Devices() const { return m_Devices; }
    // A new filter text or vendor choice; a chosen device that is no longer
    // listed is no longer chosen.
    void ApplyFilter(const std::string& filter);
    void ChooseVendor(int index);
    // The device chosen in the list (0 none); the description shows it.
    unsigned short ChosenDevice() const { return m_usChosen; }
    void ChooseDevice(unsigned short chipId);
    // The device history, newest first, as it stands when the dialog opened.
    const std::vector<std::string>& History() const { return m_History; }
    // A history entry picked from the filter's drop-down: it becomes the
    // filter, and its device is chosen when it is listed.
    void PickHistory(const std::string& entry);
    // The text beside the list: the chosen device's description, or the
    // counts while none is chosen (or it is no longer listed).
    std::string InfoText() const;

    const std::vector<clPortEntry>& Ports() const { return m_Ports; }
    int ChosenPort() const { return m_iPort; }
    void ChoosePort(int port) { m_iPort = port; }
    // The path the user gave COM comNo ("" when none), as edited.
    std::string PortPath(int comNo) const;
    // Gives COM comNo a path ("" forgets it); the reason when it cannot be a
    // port, and then nothing changes.
    std::string SetPortPath(int comNo, const std::string& path);
    // What the combo shows for an entry.
    std::string PortText(const clPortEntry& entry) const;

    clSndPage& Sounds() { return m_Sounds; }

    // "&Programmer SW update" asked the programmer to restart into its boot
    // monitor: the connection is made again however the dialog ends.
    void RequestReconnect() { m_Edits.reconnect = true; }

    // Why "&Ok" cannot close the dialog yet ("" when it can).
    std::string Check() const;
    // "&Ok": the history and the ports' paths are stored (and mapped), and
    // the result names what changed.
    clSettingResult Accept();
    // "&Cancel": nothing changes but a reconnection asked for.
    clSettingResult Cancel() const;

private:
    clSettingInput m_Input;
    clSettingResult m_Edits;
    clChpSelModel m_Devices;
    unsigned short m_usChosen = 0;
    std::vector<std::string> m_History;
    std::vector<clPortEntry> m_Ports;
    int m_iPort = -1;
    std::map<int, std::string> m_PortPaths;
    clSndPage m_Sounds;
};
