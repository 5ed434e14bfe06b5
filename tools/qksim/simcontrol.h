// qksim's control channel: a FIFO it makes at a path of the user's choice;
// every line written to it is a command for the simulated programmer
// ("press" the start button, "reset" it as with its power switch). What a
// signal can do (SIGUSR1 presses the button too), a script can do with echo.
#pragma once

#include <string>

#include "tools/qksim/simproto.h"

inline constexpr const char kSimControlHelp[] = "press, reset";

// Carries out one command line (spaces around it ignored); false, with
// nothing done, for an unknown command.
bool SimControlCommand(const std::string& line, clSimProtocol& protocol);

class clSimControl {
public:
    clSimControl() = default;
    clSimControl(const clSimControl&) = delete;
    clSimControl& operator=(const clSimControl&) = delete;
    // Closes the FIFO and removes it.
    ~clSimControl();

    // Makes the FIFO (a FIFO already at path is replaced; anything else there
    // is refused) and opens it without waiting for a writer.
    bool Open(const std::string& path, std::string& error);
    // The descriptor to wait on; -1 when there is no channel.
    int Fd() const { return m_iRead; }
    // Reads what arrived and carries out every complete line; unknown
    // commands are reported on stderr.
    void Read(clSimProtocol& protocol);

private:
    std::string m_sPath;
    int m_iRead = -1;
    int m_iKeep = -1; // a writer held open, so the channel never reads as ended
    std::string m_Pending;
};
