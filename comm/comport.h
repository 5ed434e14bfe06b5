// The serial link: free functions over a process-wide table of open ports,
// each addressed by a caller-chosen id. They never throw; every result is a
// byte count or one of the status codes below. One thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "comm/comports.h"

enum : int {
    comOk = 0,
    comNoPort = -1,        // id not in the table, or the driver failed
    comOpenFailed = 7,     // the OS refused the open, or the state can't be read
    comStateRefused = 13,  // the new line state can't be applied
    comBadOpenParams = 31, // caller's bug: reserved values not 0 or mode not 9
    comBadHandshake = 32,  // caller's bug: handshake kind 0..3 or 6..15
    comAlreadyOpen = 101,  // caller's bug: the id is open
};

// Line error bits, as the driver reports them.
enum : unsigned {
    comErrRxOver = 0x0001,
    comErrOverrun = 0x0002,
    comErrParity = 0x0004,
    comErrFrame = 0x0008,
    comErrBreak = 0x0010,
};

int ComIsFree(int id);
// Opens COM index + 1 (see comports.h for the path behind a number).
int ComOpen(int id, int index, unsigned short reserved1, unsigned short reserved2, unsigned short mode,
            unsigned short reserved3, int inSize, int outSize, int ignored);
// Opens port, a COM number or a device path. When the answer is
// comOpenFailed, why says why in words naming the port: it does not exist, is
// in use by another program, permission denied (naming the group that owns
// it), not a serial device, ...
int ComOpenPort(int id, const clComPort& port, unsigned short reserved1, unsigned short reserved2, unsigned short mode,
                unsigned short reserved3, int inSize, int outSize, int ignored, std::string& why);
int ComSetParams(int id, std::int32_t baud, unsigned char parity, unsigned char dataBits, unsigned char stopBits,
                 unsigned short handshake);
// Sets the time budget of ComRead and ComWrite, in ticks of 1/18 s.
int ComSetTimeout(int id, int ticks);
int ComRead(int id, int count, void* buf);
int ComWrite(int id, int count, const void* buf);
int ComInCount(int id);
int ComOutCount(int id);
int ComPurgeRx(int id);
int ComPurgeTx(int id);
int ComTxIdle(int id);
int ComFrameError(int id);
int ComRxOverflow(int id);
int ComOverrun(int id);
int ComBitsPerChar(int id);
int ComBaud(int id);
int ComClose(int id);
// What the port's driver does with short replies (empty for an id not open).
clComLatency ComLatency(int id);
// Sleeps ms milliseconds.
int ComDelay(int ms);

// Waits at most ms milliseconds for input, blocking; then answers as
// ComInCount. -1 also when the line is gone.
int ComWaitInput(int id, int ms);
// The time budget in milliseconds (0 until the first ComSetTimeout).
std::int32_t ComGetTimeBudget();
// Milliseconds on a monotonic clock.
std::int64_t ComTickCount();
