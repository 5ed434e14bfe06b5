// POSIX back end of the serial link: termios, poll() and flock().
#include "comm/comhandle.h"
#include "comm/comports.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>
#ifdef __linux__
#include <linux/serial.h>
#endif

namespace {

struct clBaudCode {
    std::int32_t baud;
    speed_t code;
};

constexpr clBaudCode kBauds[] = {
    {50, B50},         {75, B75},       {110, B110},     {134, B134},     {150, B150},       {200, B200},
    {300, B300},       {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool BaudToCode(std::int32_t baud, speed_t& code)
{
    for (const auto& entry : kBauds)
        if (entry.baud == baud) {
            code = entry.code;
            return true;
        }
    return false;
}

std::int32_t CodeToBaud(speed_t code)
{
    for (const auto& entry : kBauds)
        if (entry.code == code)
            return entry.baud;
    return 0;
}

int Fd(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

int PollOne(int fd, short events, int ms)
{
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = poll(&p, 1, ms < 0 ? 0 : ms);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        // Input still waiting is worth reading even after a hang-up.
        if ((events & POLLIN) && (p.revents & POLLIN))
            return 1;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
            return -1;
        return 1;
    }
}

// One read or write without waiting: the bytes moved, 0 when none can move
// now, -1 when the device failed.
template <class F>
long Transfer(F io)
{
    for (;;) {
        const ssize_t n = io();
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

// The name of the group that owns path, or "" when unknown.
std::string GroupOf(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {};
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::to_string(st.st_gid);
    return found->gr_name;
}

std::string PermissionDenied(const std::string& path)
{
    const std::string group = GroupOf(path);
    if (group.empty() || group == "root")
        return "permission denied on " + path;
    return "permission denied on " + path + ": the user is not in the group \"" + group +
           "\" that owns it (add the user to that group, usually dialout, and log in again)";
}

std::string OpenFailure(const std::string& path, int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return PermissionDenied(path);
    case EBUSY: return path + " is in use by another program";
    case ENOENT:
    case ENXIO:
    case ENODEV: return path + " does not exist";
    case EISDIR: return path + " is a directory, not a serial device";
    default: return "cannot open " + path + ": " + std::strerror(error);
    }
}

// The protocol waits for a short acknowledgement after every frame; USB
// serial drivers answer this request with a 1 ms latency timer instead of
// their default (often 16 ms). Pseudo-terminals and some drivers refuse it:
// the line works as before, only slower.
bool AskLowLatency(int fd)
{
#if defined(__linux__) && defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return false;
    if (serial.flags & ASYNC_LOW_LATENCY)
        return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0;
#else
    (void)fd;
    return false;
#endif
}

} // namespace

std::string QkPortProblem(const std::string& path)
{
    if (path.empty())
        return "no port was named";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno == EACCES ? PermissionDenied(path) : path + " does not exist";
    if (S_ISDIR(st.st_mode))
        return path + " is a directory, not a serial device";
    if (!S_ISCHR(st.st_mode))
        return path + " is not a serial device (" + (S_ISREG(st.st_mode) ? "a regular file" : "not a device") + ")";
    if (access(path.c_str(), R_OK | W_OK) != 0)
        return PermissionDenied(path);
    return {};
}

// A termios device: the file descriptor and the driver's error counters.
class clPosixDevice : public clComDevice {
public:
    clPosixDevice(int fd, clComLatency latency) : m_Handle(fd), m_Latency(std::move(latency)) {}
    ~clPosixDevice() override;
    bool Close() override;
    bool GetState(clComDcb& dcb) const override;
    bool SetState(const clComDcb& dcb) override;
    int InQueue() const override;
    int OutQueue() const override;
    unsigned FetchErrors() override;
    bool Purge(bool rx, bool tx) override;
    long Read(void* buf, std::size_t count) override;
    long Write(const void* buf, std::size_t count) override;
    int WaitIn(int ms) const override;
    int WaitOut(int ms) const override;
    clComLatency Latency() const override { return m_Latency; }

private:
    std::intptr_t m_Handle;
    clComLatency m_Latency;
    std::uint32_t m_ulErrCounts[5] = {}; // driver counters at the last fetch
};

class clPosixBackEnd : public clComBackEnd {
public:
    std::unique_ptr<clComDevice> Open(const std::string& path, std::string& error) override;
    std::int64_t NowUs() override;
    void SleepUs(std::int64_t us) override;
};

std::unique_ptr<clComDevice> clPosixBackEnd::Open(const std::string& path, std::string& error)
{
    if (std::string problem = QkPortProblem(path); !problem.empty()) {
        error = std::move(problem);
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = OpenFailure(path, errno);
        return nullptr;
    }
    // No sharing: a second program (or a second port id) on the same device
    // would steal replies. flock() goes away with the process, unlike TIOCEXCL.
    if (!isatty(fd)) {
        error = path + " is not a serial device";
        close(fd);
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = path + " is in use by another program";
        close(fd);
        return nullptr;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        error = path + " does not take serial-port settings: " + std::strerror(errno);
        close(fd);
        return nullptr;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
#ifdef CRTSCTS
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &tio);
    // DTR and RTS off; devices without modem lines (pseudo-terminals) refuse.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);
    const bool lowLatency = AskLowLatency(fd);
    clComLatency latency = ComPortLatency(path); // the timer as the request left it
    latency.lowLatency = lowLatency;
    auto device = std::make_unique<clPosixDevice>(fd, std::move(latency));
    device->FetchErrors();
    return device;
}

bool clPosixDevice::Close()
{
    if (m_Handle < 0)
        return true;
    const int fd = Fd(m_Handle);
    m_Handle = -1;
    return close(fd) == 0;
}

clPosixDevice::~clPosixDevice()
{
    Close();
}

bool clPosixDevice::GetState(clComDcb& dcb) const
{
    termios tio{};
    if (m_Handle < 0 || tcgetattr(Fd(m_Handle), &tio) != 0)
        return false;
    dcb.BaudRate = CodeToBaud(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
    }
    dcb.Parity = 0;
    if (tio.c_cflag & PARENB) {
        const bool odd = (tio.c_cflag & PARODD) != 0;
#ifdef CMSPAR
        if (tio.c_cflag & CMSPAR)
            dcb.Parity = odd ? 3 : 4;
        else
#endif
            dcb.Parity = odd ? 1 : 2;
    }
    dcb.StopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
    dcb.fOutX = (tio.c_iflag & IXON) != 0;
    dcb.fInX = (tio.c_iflag & IXOFF) != 0;
    return true;
}

bool clPosixDevice::SetState(const clComDcb& dcb)
{
    termios tio{};
    speed_t speed{};
    if (m_Handle < 0 || tcgetattr(Fd(m_Handle), &tio) != 0 || !BaudToCode(dcb.BaudRate, speed))
        return false;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.StopBits == 1 || dcb.StopBits > 2 || dcb.Parity > 4)
        return false;
#ifndef CMSPAR
    if (dcb.Parity > 2)
        return false;
#endif
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | kSizes[dcb.ByteSize - 5];
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
    if (dcb.Parity >= 3)
        tio.c_cflag |= CMSPAR;
#endif
    if (dcb.Parity != 0)
        tio.c_cflag |= PARENB;
    if (dcb.Parity == 1 || dcb.Parity == 3)
        tio.c_cflag |= PARODD;
    if (dcb.StopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (dcb.fOutX)
        tio.c_iflag |= IXON;
    if (dcb.fInX)
        tio.c_iflag |= IXOFF;
    if (tcsetattr(Fd(m_Handle), TCSANOW, &tio) != 0)
        return false;
    // tcsetattr succeeds when any one change took; check what the driver kept.
    clComDcb now;
    return GetState(now) && now.BaudRate == dcb.BaudRate && now.ByteSize == dcb.ByteSize && now.Parity == dcb.Parity &&
           now.StopBits == dcb.StopBits;
}

int clPosixDevice::InQueue() const
{
    int n = 0;
    if (m_Handle < 0 || ioctl(Fd(m_Handle), FIONREAD, &n) != 0)
        return -1;
    return n;
}

int clPosixDevice::OutQueue() const
{
    int n = 0;
    if (m_Handle < 0 || ioctl(Fd(m_Handle), TIOCOUTQ, &n) != 0)
        return -1;
    return n;
}

unsigned clPosixDevice::FetchErrors()
{
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
    if (m_Handle < 0 || ioctl(Fd(m_Handle), TIOCGICOUNT, &counts) != 0)
        return 0; // pseudo-terminals and some USB adapters keep no counters
    const std::uint32_t now[5] = {static_cast<std::uint32_t>(counts.buf_overrun),
                                  static_cast<std::uint32_t>(counts.overrun), static_cast<std::uint32_t>(counts.parity),
                                  static_cast<std::uint32_t>(counts.frame), static_cast<std::uint32_t>(counts.brk)};
    static constexpr unsigned kBits[5] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010};
    unsigned errors = 0;
    for (int i = 0; i < 5; ++i) {
        if (now[i] != m_ulErrCounts[i])
            errors |= kBits[i];
        m_ulErrCounts[i] = now[i];
    }
    return errors;
#else
    return 0;
#endif
}

bool clPosixDevice::Purge(bool rx, bool tx)
{
    if (m_Handle < 0)
        return false;
    const int which = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
    return tcflush(Fd(m_Handle), which) == 0;
}

long clPosixDevice::Read(void* buf, std::size_t count)
{
    // With VMIN and VTIME 0 an empty queue reads 0 bytes; a hang-up shows in
    // WaitIn().
    return m_Handle < 0 ? -1 : Transfer([&] { return read(Fd(m_Handle), buf, count); });
}

long clPosixDevice::Write(const void* buf, std::size_t count)
{
    return m_Handle < 0 ? -1 : Transfer([&] { return write(Fd(m_Handle), buf, count); });
}

int clPosixDevice::WaitIn(int ms) const
{
    return m_Handle < 0 ? -1 : PollOne(Fd(m_Handle), POLLIN, ms);
}

int clPosixDevice::WaitOut(int ms) const
{
    return m_Handle < 0 ? -1 : PollOne(Fd(m_Handle), POLLOUT, ms);
}

void clPosixBackEnd::SleepUs(std::int64_t us)
{
    if (us <= 0)
        return;
    timespec left{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::int64_t clPosixBackEnd::NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

clComBackEnd& QkPlatformComBackEnd()
{
    static clPosixBackEnd backEnd;
    return backEnd;
}
