#include "tools/qksim/simline.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

std::int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Sleeps to an absolute time; a signal only shortens it when stop is set.
void SleepUntil(std::int64_t ns, const std::atomic<bool>& stop)
{
    timespec until{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR && !stop) {
    }
}

} // namespace

clSimLine::~clSimLine()
{
    HangUp();
    if (!m_sLink.empty())
        unlink(m_sLink.c_str());
}

bool clSimLine::Open(const std::string& link, std::string& error)
{
    m_iMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_iMaster < 0 || grantpt(m_iMaster) != 0 || unlockpt(m_iMaster) != 0) {
        error = "cannot create a pseudo-terminal";
        return false;
    }
    const char* name = ptsname(m_iMaster);
    if (name == nullptr) {
        error = "cannot name the pseudo-terminal";
        return false;
    }
    m_sPath = name;
    m_iSlave = open(m_sPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_iSlave < 0 || tcgetattr(m_iSlave, &tio) != 0) {
        error = "cannot open " + m_sPath;
        return false;
    }
    // Raw from the start: no echo, no line editing, whatever the host does.
    cfmakeraw(&tio);
    tcsetattr(m_iSlave, TCSANOW, &tio);
    fcntl(m_iMaster, F_SETFL, fcntl(m_iMaster, F_GETFL) | O_NONBLOCK);
    if (!link.empty()) {
        struct stat st {};
        if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            error = link + " exists and is not a symbolic link";
            return false;
        }
        unlink(link.c_str());
        if (symlink(m_sPath.c_str(), link.c_str()) != 0) {
            error = "cannot create the link " + link;
            return false;
        }
        m_sLink = link;
    }
#ifdef __linux__
    // Line-rate emulation wants its sleeps to end on time.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
#endif
    return true;
}

void clSimLine::HangUp()
{
    if (m_iSlave >= 0)
        close(m_iSlave);
    if (m_iMaster >= 0)
        close(m_iMaster);
    m_iSlave = m_iMaster = -1;
}

void clSimLine::Serve(clSimProtocol& protocol, std::uint32_t baud, const std::atomic<bool>& stop,
                      std::atomic<bool>& press, clSimControl* control)
{
    m_llByteNs = baud == 0 ? 0 : 10LL * 1000000000 / baud;
    std::vector<unsigned char> out;
    unsigned char chunk[4096];
    while (!stop && !protocol.LineDropped()) {
        if (press.exchange(false))
            protocol.PressStartButton();
        // Wake for the host's bytes, for timed work, and now and then for signals.
        int waitMs = 500;
        if (const std::int64_t next = protocol.NextEventUs(); next >= 0)
            waitMs = static_cast<int>(std::clamp<std::int64_t>((next * 1000 - NowNs()) / 1000000 + 1, 0, 500));
        pollfd fds[2] = {{m_iMaster, POLLIN, 0}, {control != nullptr ? control->Fd() : -1, POLLIN, 0}};
        pollfd& p = fds[0];
        const int ready = poll(fds, 2, waitMs);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && (fds[1].revents & POLLIN))
            control->Read(protocol);
        std::int64_t earliest = 0;
        if (ready > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(m_iMaster, chunk, sizeof chunk);
            if (n > 0) {
                // The bytes are in only once the line could have carried them;
                // an answer to them leaves no earlier than that.
                earliest = std::max(NowNs(), m_llRxFree) + n * m_llByteNs;
                m_llRxFree = earliest;
                protocol.Receive(chunk, static_cast<std::size_t>(n), earliest / 1000, out);
            }
        }
        protocol.Tick(NowNs() / 1000, out);
        if (!out.empty()) {
            // An adapter with a latency timer sends a short reply only when
            // its timer runs out.
            Send(out, std::max(earliest, NowNs()) + m_llReplyDelayNs);
            out.clear();
        }
    }
}

void clSimLine::Send(const std::vector<unsigned char>& bytes, std::int64_t notBefore)
{
    // The reply is out only once the line could have carried it: one sleep
    // covers the question's arrival and the answer's way back.
    const std::int64_t start = std::max({NowNs(), m_llTxFree, notBefore});
    const std::int64_t done = start + static_cast<std::int64_t>(bytes.size()) * m_llByteNs;
    m_llTxFree = done;
    if (done > NowNs()) {
        static const std::atomic<bool> never{false};
        SleepUntil(done, never);
    }
    std::size_t sent = 0;
    int stalls = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(m_iMaster, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Nobody reads (the host closed the port and the queue is full): after
        // a second the rest is lost, as on a real line.
        pollfd p{m_iMaster, POLLOUT, 0};
        if (++stalls > 10 || poll(&p, 1, 100) < 0)
            break;
    }
}
