#include "tools/qkcli/clichild.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

struct clCliChild::clImpl {
    pid_t pid = -1;
    int fds[2] = {-1, -1}; // stdout, stderr; -1 once closed
};

clCliChild::clCliChild() : m_pImpl(std::make_unique<clImpl>()) {}

clCliChild::~clCliChild()
{
    for (int& fd : m_pImpl->fds)
        if (fd >= 0)
            close(fd);
    if (m_pImpl->pid > 0 && m_iStatus < 0) {
        kill(m_pImpl->pid, SIGKILL);
        waitpid(m_pImpl->pid, nullptr, 0);
    }
}

bool clCliChild::Start(const std::vector<std::string>& args, std::string& error)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        error = "cannot find this program's own file";
        return false;
    }
    self[n] = '\0';
    std::vector<std::string> store{self};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : store)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        error = "cannot make a pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int spawned = posix_spawn(&m_pImpl->pid, self, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    close(err[1]);
    m_pImpl->fds[0] = out[0];
    m_pImpl->fds[1] = err[0];
    if (spawned != 0) {
        error = "cannot start " + std::string(self);
        return false;
    }
    return true;
}

void clCliChild::Interrupt()
{
    if (m_pImpl->pid > 0 && m_iStatus < 0)
        kill(m_pImpl->pid, SIGINT);
}

void QkPollChildren(std::vector<std::unique_ptr<clCliChild>>& children, int ms)
{
    std::vector<pollfd> fds;
    std::vector<std::pair<clCliChild*, int>> owners;
    for (auto& child : children)
        for (int which = 0; which < 2; ++which)
            if (child->m_pImpl->fds[which] >= 0) {
                fds.push_back({child->m_pImpl->fds[which], POLLIN, 0});
                owners.emplace_back(child.get(), which);
            }
    if (!fds.empty() && poll(fds.data(), fds.size(), ms) < 0 && errno != EINTR)
        return;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0)
            continue;
        auto [child, which] = owners[i];
        char chunk[4096];
        const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
        if (n > 0) {
            (which == 0 ? child->m_sOut : child->m_sErr).append(chunk, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            close(fds[i].fd);
            child->m_pImpl->fds[which] = -1;
        }
    }
    for (auto& child : children) {
        clCliChild::clImpl& impl = *child->m_pImpl;
        if (child->m_iStatus >= 0 || impl.fds[0] >= 0 || impl.fds[1] >= 0 || impl.pid <= 0)
            continue;
        int raw = 0;
        while (waitpid(impl.pid, &raw, 0) < 0 && errno == EINTR) {
        }
        child->m_iStatus = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
}
