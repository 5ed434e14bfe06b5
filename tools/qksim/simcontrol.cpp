#include "tools/qksim/simcontrol.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Longer than any command: a line beyond this is noise and dropped.
constexpr std::size_t kMaxLine = 256;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}
} // namespace

bool SimControlCommand(const std::string& line, clSimProtocol& protocol)
{
    const std::string command = Trimmed(line);
    if (command == "press")
        protocol.PressStartButton();
    else if (command == "reset")
        protocol.Reset();
    else
        return false;
    return true;
}

clSimControl::~clSimControl()
{
    if (m_iRead >= 0)
        close(m_iRead);
    if (m_iKeep >= 0)
        close(m_iKeep);
    if (!m_sPath.empty())
        unlink(m_sPath.c_str());
}

bool clSimControl::Open(const std::string& path, std::string& error)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            error = path + " exists and is not a FIFO";
            return false;
        }
        unlink(path.c_str());
    }
    if (mkfifo(path.c_str(), 0600) != 0) {
        error = "cannot make the FIFO " + path;
        return false;
    }
    m_sPath = path;
    m_iRead = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_iKeep = m_iRead < 0 ? -1 : open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_iRead < 0 || m_iKeep < 0) {
        error = "cannot open the FIFO " + path;
        return false;
    }
    return true;
}

void clSimControl::Read(clSimProtocol& protocol)
{
    char chunk[512];
    ssize_t n = 0;
    while ((n = read(m_iRead, chunk, sizeof chunk)) > 0)
        m_Pending.append(chunk, static_cast<std::size_t>(n));
    for (std::size_t end; (end = m_Pending.find('\n')) != std::string::npos;) {
        const std::string line = m_Pending.substr(0, end);
        m_Pending.erase(0, end + 1);
        if (!Trimmed(line).empty() && !SimControlCommand(line, protocol))
            std::fprintf(stderr, "qksim: unknown control command '%s' (known: %s)\n", Trimmed(line).c_str(),
                         kSimControlHelp);
    }
    if (m_Pending.size() > kMaxLine) {
        std::fprintf(stderr, "qksim: control line too long: dropped\n");
        m_Pending.clear();
    }
}
