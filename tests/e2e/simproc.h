// Runs qksim in the background for a test: starts it, learns the terminal it
// serves, and stops it (it then writes its dump) when the test is done.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class clSimProcess {
public:
    clSimProcess() = default;
    clSimProcess(const clSimProcess&) = delete;
    clSimProcess& operator=(const clSimProcess&) = delete;
    ~clSimProcess();

    // Starts qksim with args; false (with the reason in Error()) when it does
    // not print its terminal within 10 s.
    bool Start(const std::vector<std::string>& args);
    // SIGTERM, then the exit status (SIGKILL after 10 s).
    int Stop();
    // Waits up to ms for qksim to end by itself: its exit status, or -1.
    int WaitExit(int ms);
    void Signal(int signal) const;

    const std::string& Path() const { return m_sPath; }
    const std::string& Error() const { return m_sError; }

private:
    pid_t m_Pid = -1;
    int m_iStatus = -1;
    std::string m_sPath;
    std::string m_sError;
};
