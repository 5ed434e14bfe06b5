#include "tests/e2e/simproc.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

clSimProcess::~clSimProcess()
{
    Stop();
}

bool clSimProcess::Start(const std::vector<std::string>& args)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    std::vector<std::string> store{QKSIM_PATH};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : store)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int spawned = posix_spawn(&m_Pid, QKSIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        m_Pid = -1;
        close(out[0]);
        m_sError = "cannot start qksim";
        return false;
    }
    // The first line is the terminal's path.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        if (read(out[0], &c, 1) != 1)
            break;
        line += c;
    }
    close(out[0]);
    if (line.empty() || line.back() != '\n') {
        m_sError = "qksim printed no terminal: '" + line + "'";
        return false;
    }
    line.pop_back();
    m_sPath = line;
    return true;
}

void clSimProcess::Signal(int signal) const
{
    if (m_Pid > 0)
        kill(m_Pid, signal);
}

int clSimProcess::WaitExit(int ms)
{
    if (m_Pid <= 0)
        return m_iStatus;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(m_Pid, &status, WNOHANG);
        if (done == m_Pid) {
            m_Pid = -1;
            m_iStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return m_iStatus;
        }
        if (done < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int clSimProcess::Stop()
{
    if (m_Pid <= 0)
        return m_iStatus;
    kill(m_Pid, SIGTERM);
    if (WaitExit(10000) < 0) {
        kill(m_Pid, SIGKILL);
        WaitExit(10000);
    }
    return m_iStatus;
}
