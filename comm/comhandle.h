// One open serial device, as the operating system sees it. The portable
// front (comport.cpp) holds one per open port; each platform implements this
// class in its own file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The line settings the link applies (the fields of the Win32 device-control
// block that this system uses).
struct clComDcb {
    std::int32_t BaudRate = 9600;
    unsigned char ByteSize = 8;
    unsigned char Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    unsigned char StopBits = 0; // 0 one, 1 one and a half, 2 two
    bool fOutX = false;         // XON/XOFF on output
    bool fInX = false;          // XON/XOFF on input
};

class clComHandle {
public:
    clComHandle() = default;
    clComHandle(const clComHandle&) = delete;
    clComHandle& operator=(const clComHandle&) = delete;
    clComHandle(clComHandle&& other) noexcept;
    clComHandle& operator=(clComHandle&& other) noexcept;
    ~clComHandle();

    // Opens path for exclusive use, raw and without modem control; on failure
    // GetOpenError() says why, naming the path.
    bool Open(const std::string& path);
    const std::string& GetOpenError() const { return m_sOpenError; }
    bool Close();
    bool IsOpen() const;

    bool GetState(clComDcb& dcb) const;
    bool SetState(const clComDcb& dcb);

    // Bytes waiting in each direction; -1 when the driver can't tell.
    int InQueue() const;
    int OutQueue() const;
    // The comErr… bits seen since the last call.
    unsigned FetchErrors();
    bool Purge(bool rx, bool tx);

    // Moves up to count bytes without waiting: the count moved, 0 when
    // nothing can move now, -1 when the device failed or is gone.
    long Read(void* buf, std::size_t count);
    long Write(const void* buf, std::size_t count);
    // Wait at most ms for input / room for output: 1 ready, 0 time-out,
    // -1 the device is gone.
    int WaitIn(int ms) const;
    int WaitOut(int ms) const;

private:
    std::intptr_t m_Handle = -1;
    std::uint32_t m_ulErrCounts[5] = {}; // driver counters at the last fetch
    std::string m_sOpenError;
};

// Why path cannot be a serial port, seen without opening it: missing, a
// directory, a regular file or another non-device, no permission (naming the
// group that owns it). Empty when it may be one; whether it is in use shows
// only when it is opened.
std::string QkPortProblem(const std::string& path);

// Microsecond sleep that does not spin.
void QkSleepUs(std::int64_t us);
// Microseconds on a monotonic clock.
std::int64_t QkNowUs();
