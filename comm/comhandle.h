// One open serial device, as the operating system sees it. The portable
// front (comport.cpp) holds one per open port; each platform implements this
// class in its own file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// How the driver treats short replies. A USB serial adapter holds them
// until its latency timer runs out (16 ms on many), and every acknowledgement
// of the protocol waits that long.
struct clComLatency {
    std::string driver;      // the driver behind the port; "" when unknown
    int timerMs = -1;        // the adapter's latency timer; -1 when it has none to read
    bool lowLatency = false; // the driver took the request for low latency
    // Whether short replies come at once: a timer of 1 ms, or, without a
    // timer to read, the driver's word.
    bool IsLow() const { return timerMs >= 0 ? timerMs <= 1 : lowLatency; }
};

// An open serial device as the link drives it. The platform's back end
// implements it (comhandle_posix.cpp); a test back end may play one.
class clComDevice {
public:
    virtual ~clComDevice() = default;
    virtual bool Close() = 0;
    virtual bool GetState(clComDcb& dcb) const = 0;
    virtual bool SetState(const clComDcb& dcb) = 0;
    virtual int InQueue() const = 0;
    virtual int OutQueue() const = 0;
    virtual unsigned FetchErrors() = 0;
    virtual bool Purge(bool rx, bool tx) = 0;
    virtual long Read(void* buf, std::size_t count) = 0;
    virtual long Write(const void* buf, std::size_t count) = 0;
    virtual int WaitIn(int ms) const = 0;
    virtual int WaitOut(int ms) const = 0;
    virtual clComLatency Latency() const { return {}; }
};

// What the serial link runs on: the devices it opens and the clock it waits
// by. The platform's unless a test installs its own, so that a simulated
// programmer answers and waits cost no time.
class clComBackEnd {
public:
    virtual ~clComBackEnd() = default;
    // The device at path, or null with the reason (naming the path) in error.
    virtual std::unique_ptr<clComDevice> Open(const std::string& path, std::string& error) = 0;
    virtual std::int64_t NowUs() = 0;
    virtual void SleepUs(std::int64_t us) = 0;
};

// The platform's back end.
clComBackEnd& QkPlatformComBackEnd();
// For tests: every later open, wait and clock reading goes to backEnd (not
// owned); null puts the platform's back. Ports already open keep theirs.
void QkSetComBackEnd(clComBackEnd* backEnd);

class clComHandle {
public:
    clComHandle() = default;
    clComHandle(const clComHandle&) = delete;
    clComHandle& operator=(const clComHandle&) = delete;
    clComHandle(clComHandle&& other) noexcept = default;
    clComHandle& operator=(clComHandle&& other) noexcept;
    ~clComHandle();

    // Opens path for exclusive use, raw and without modem control; on failure
    // GetOpenError() says why, naming the path.
    bool Open(const std::string& path);
    const std::string& GetOpenError() const { return m_sOpenError; }
    bool Close();
    bool IsOpen() const { return m_pDevice != nullptr; }

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
    // What the driver does with short replies, as found when the port opened.
    clComLatency Latency() const;

private:
    std::unique_ptr<clComDevice> m_pDevice;
    std::string m_sOpenError;
};

// Why path cannot be a serial port, seen without opening it: missing, a
// directory, a regular file or another non-device, no permission (naming the
// group that owns it). Empty when it may be one; whether it is in use shows
// only when it is opened.
std::string QkPortProblem(const std::string& path);

// Microsecond sleep that does not spin (on the back end's clock).
void QkSleepUs(std::int64_t us);
// Microseconds on a monotonic clock (the back end's).
std::int64_t QkNowUs();
