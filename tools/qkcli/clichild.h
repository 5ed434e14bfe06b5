// Another qkcli run as a child process, its output collected: one per
// programmer when a command works on several at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

class clCliChild {
public:
    clCliChild();
    ~clCliChild();
    clCliChild(const clCliChild&) = delete;
    clCliChild& operator=(const clCliChild&) = delete;

    // Starts this program with args (argv[1] onwards) in a process group of
    // its own, so that a Ctrl-C reaches it only through Interrupt(); false
    // with the reason when it cannot start.
    bool Start(const std::vector<std::string>& args, std::string& error);
    // Asks the child to stop as Ctrl-C does.
    void Interrupt();
    const std::string& Out() const { return m_sOut; }
    const std::string& Err() const { return m_sErr; }
    int ExitStatus() const { return m_iStatus; }

    bool HasEnded() const { return m_iStatus >= 0; }

private:
    friend void QkPollChildren(std::vector<std::unique_ptr<clCliChild>>& children, int ms);
    struct clImpl;
    std::unique_ptr<clImpl> m_pImpl;
    std::string m_sOut, m_sErr;
    int m_iStatus = -1;
};

// Takes in what the children wrote, waiting at most ms for any of them;
// a child whose output has closed is waited for and HasEnded() then.
void QkPollChildren(std::vector<std::unique_ptr<clCliChild>>& children, int ms);
