// Win32 back end of the serial link: CreateFileA on "\\.\COMn" (so COM10 and
// up open), the device-control block built with BuildCommDCBA, the queues of
// SetupComm, PurgeComm and ClearCommError. Waits block in ReadFile with a
// time-out or in Sleep: none spins.
#include "comm/comhandle.h"
#include "comm/comports.h"

#include <utility>
#include <vector>

#include "err/qkwide.h"

namespace {

// The device name CreateFileA takes for a port: "COM3" becomes "\\.\COM3".
std::string DeviceName(const std::string& path)
{
    if (path.rfind("\\\\.\\", 0) == 0)
        return path;
    if (path.size() > 3 && (path.compare(0, 3, "COM") == 0 || path.compare(0, 3, "com") == 0))
        return "\\\\.\\" + path;
    return path;
}

std::string OpenFailure(const std::string& path, DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return path + " does not exist";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return path + " is in use by another program";
    default: return path + ": " + QkSystemMessage(error);
    }
}

// An open COM port. A byte that WaitIn took off the line to wait for it
// waits here for the next Read.
class clWin32Device : public clComDevice {
public:
    clWin32Device(HANDLE handle, int inSize, clComLatency latency)
        : m_Handle(handle), m_iInSize(inSize), m_Latency(std::move(latency))
    {}
    ~clWin32Device() override { Close(); }
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
    // Windows keeps an adapter's latency timer in the driver's settings,
    // which only the user (or an administrator) changes: read, never set.
    clComLatency Latency() const override { return m_Latency; }

private:
    // ClearCommError reads and clears the error bits: what it saw is kept
    // until FetchErrors hands it out.
    bool Status(COMSTAT& status) const;
    bool SetTimeouts(DWORD readConstant) const;

    HANDLE m_Handle;
    int m_iInSize;
    clComLatency m_Latency;
    mutable unsigned m_uErrors = 0;
    mutable std::vector<unsigned char> m_Waiting;
    mutable DWORD m_ulReadConstant = ~DWORD{0};
};

class clWin32BackEnd : public clComBackEnd {
public:
    std::unique_ptr<clComDevice> Open(const std::string& path, std::string& error) override;
    std::int64_t NowUs() override;
    void SleepUs(std::int64_t us) override;
};

constexpr int kQueueSize = 4096;

} // namespace

std::string QkPortProblem(const std::string& path)
{
    // Windows tells only by opening.
    return path.empty() ? std::string("no port named") : std::string();
}

std::unique_ptr<clComDevice> clWin32BackEnd::Open(const std::string& path, std::string& error)
{
    const std::string device = DeviceName(path);
    const HANDLE handle =
        CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = OpenFailure(path, GetLastError());
        return nullptr;
    }
    // No event notification; the queue sizes. Failures of these two are
    // dropped, as the link's contract says.
    SetCommMask(handle, 0);
    SetupComm(handle, kQueueSize, kQueueSize);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const std::string settings = device.substr(device.rfind('\\') + 1) + ":9600,n,8,1";
    if (!GetCommState(handle, &dcb) || !BuildCommDCBA(settings.c_str(), &dcb)) {
        error = path + " is not a serial device";
        CloseHandle(handle);
        return nullptr;
    }
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = dcb.fInX = FALSE;
    dcb.fErrorChar = dcb.fNull = FALSE;
    dcb.fAbortOnError = TRUE;
    dcb.XonLim = kQueueSize / 3;
    dcb.XoffLim = kQueueSize / 2;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0x40;
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0x71;
    if (!SetCommState(handle, &dcb)) {
        error = path + " does not take the line settings of the programmer";
        CloseHandle(handle);
        return nullptr;
    }
    // DTR and RTS off; a port without modem lines (wine's pseudo-terminal)
    // answers "not supported", which is no fault.
    EscapeCommFunction(handle, CLRDTR);
    EscapeCommFunction(handle, CLRRTS);
    auto port = std::make_unique<clWin32Device>(handle, kQueueSize, ComPortLatency(path));
    port->FetchErrors();
    return port;
}

bool clWin32Device::Close()
{
    if (m_Handle == INVALID_HANDLE_VALUE)
        return false;
    FlushFileBuffers(m_Handle);
    const bool ok = CloseHandle(m_Handle) != 0;
    m_Handle = INVALID_HANDLE_VALUE;
    return ok;
}

bool clWin32Device::GetState(clComDcb& dcb) const
{
    DCB state{};
    state.DCBlength = sizeof state;
    if (m_Handle == INVALID_HANDLE_VALUE || !GetCommState(m_Handle, &state))
        return false;
    dcb.BaudRate = static_cast<std::int32_t>(state.BaudRate);
    dcb.ByteSize = state.ByteSize;
    dcb.Parity = state.Parity;
    dcb.StopBits = state.StopBits;
    dcb.fOutX = state.fOutX != 0;
    dcb.fInX = state.fInX != 0;
    return true;
}

bool clWin32Device::SetState(const clComDcb& dcb)
{
    DCB state{};
    state.DCBlength = sizeof state;
    if (m_Handle == INVALID_HANDLE_VALUE || !GetCommState(m_Handle, &state))
        return false;
    state.BaudRate = static_cast<DWORD>(dcb.BaudRate);
    state.ByteSize = dcb.ByteSize;
    state.Parity = dcb.Parity;
    state.StopBits = dcb.StopBits;
    state.fOutX = dcb.fOutX;
    state.fInX = dcb.fInX;
    return SetCommState(m_Handle, &state) != 0;
}

bool clWin32Device::Status(COMSTAT& status) const
{
    DWORD errors = 0;
    if (m_Handle == INVALID_HANDLE_VALUE || !ClearCommError(m_Handle, &errors, &status))
        return false;
    m_uErrors |= errors;
    return true;
}

int clWin32Device::InQueue() const
{
    COMSTAT status{};
    return Status(status) ? static_cast<int>(status.cbInQue + m_Waiting.size()) : -1;
}

int clWin32Device::OutQueue() const
{
    COMSTAT status{};
    return Status(status) ? static_cast<int>(status.cbOutQue) : -1;
}

unsigned clWin32Device::FetchErrors()
{
    COMSTAT status{};
    Status(status);
    // The Win32 bits are the link's own (CE_RXOVER 1, CE_OVERRUN 2, ...).
    const unsigned errors = m_uErrors;
    m_uErrors = 0;
    return errors;
}

bool clWin32Device::Purge(bool rx, bool tx)
{
    DWORD flags = 0;
    if (rx) {
        flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        m_Waiting.clear();
    }
    if (tx)
        flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    return m_Handle != INVALID_HANDLE_VALUE && PurgeComm(m_Handle, flags) != 0;
}

// readConstant 0: a read takes what is there and returns at once; else it
// waits that many ms for the first byte (the documented MAXDWORD form).
bool clWin32Device::SetTimeouts(DWORD readConstant) const
{
    if (readConstant == m_ulReadConstant)
        return true;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = readConstant == 0 ? 0 : MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = readConstant;
    // A write returns after at most 50 ms with what went out; the link's
    // write loop keeps its own time budget.
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 50;
    if (!SetCommTimeouts(m_Handle, &timeouts))
        return false;
    m_ulReadConstant = readConstant;
    return true;
}

long clWin32Device::Read(void* buf, std::size_t count)
{
    if (m_Handle == INVALID_HANDLE_VALUE)
        return -1;
    auto* out = static_cast<unsigned char*>(buf);
    std::size_t taken = 0;
    while (taken < count && !m_Waiting.empty()) {
        out[taken++] = m_Waiting.front();
        m_Waiting.erase(m_Waiting.begin());
    }
    if (taken == count)
        return static_cast<long>(taken);
    DWORD got = 0;
    if (!SetTimeouts(0) || !ReadFile(m_Handle, out + taken, static_cast<DWORD>(count - taken), &got, nullptr))
        return taken > 0 ? static_cast<long>(taken) : -1;
    return static_cast<long>(taken + got);
}

long clWin32Device::Write(const void* buf, std::size_t count)
{
    DWORD put = 0;
    if (m_Handle == INVALID_HANDLE_VALUE || !SetTimeouts(m_ulReadConstant == ~DWORD{0} ? 0 : m_ulReadConstant) ||
        !WriteFile(m_Handle, buf, static_cast<DWORD>(count), &put, nullptr))
        return -1;
    return static_cast<long>(put);
}

int clWin32Device::WaitIn(int ms) const
{
    if (m_Handle == INVALID_HANDLE_VALUE)
        return -1;
    if (!m_Waiting.empty())
        return 1;
    COMSTAT status{};
    if (!Status(status))
        return -1;
    if (status.cbInQue > 0)
        return 1;
    if (ms <= 0)
        return 0;
    // Blocks in the driver until a byte comes or ms pass; the byte is kept
    // for the next Read.
    unsigned char byte = 0;
    DWORD got = 0;
    if (!SetTimeouts(static_cast<DWORD>(ms)) || !ReadFile(m_Handle, &byte, 1, &got, nullptr))
        return -1;
    if (got == 0)
        return 0;
    m_Waiting.push_back(byte);
    return 1;
}

int clWin32Device::WaitOut(int ms) const
{
    // Writes go to the driver's queue; room comes as the line drains it.
    for (int waited = 0;; waited += 1) {
        COMSTAT status{};
        if (!Status(status))
            return -1;
        if (static_cast<int>(status.cbOutQue) < m_iInSize)
            return 1;
        if (waited >= ms)
            return 0;
        Sleep(1);
    }
}

void clWin32BackEnd::SleepUs(std::int64_t us)
{
    if (us > 0)
        Sleep(static_cast<DWORD>((us + 999) / 1000));
}

std::int64_t clWin32BackEnd::NowUs()
{
    LARGE_INTEGER frequency{}, now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<std::int64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                                     now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

clComBackEnd& QkPlatformComBackEnd()
{
    static clWin32BackEnd backEnd;
    return backEnd;
}
