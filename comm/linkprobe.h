// Timing the line to the programmer: the round trip of a status request and
// what the port's driver does with short replies. The protocol waits for a
// short reply after every frame, so a driver that holds short replies (a USB
// adapter's latency timer) costs every frame that long.
#pragma once

#include <cstdint>
#include <string>

#include "comm/comhandle.h"

class clQKComm;

struct clRoundTrips {
    int count = 0;
    double minMs = 0;
    double medianMs = 0;
    double maxMs = 0;
};

// Times count status requests in one sequence. Throws as the facade's
// operations do.
clRoundTrips QkTimeRoundTrips(clQKComm& comm, int count);

// A transfer to or from the programmer's memory: how long it took and the
// least the line needs for its frames.
struct clTransferTime {
    std::uint32_t bytes = 0;
    double seconds = 0;
    double floorSeconds = 0;
    double BytesPerSecond() const { return seconds > 0 ? bytes / seconds : 0; }
};

struct clTransferTest {
    clTransferTime write, read;
    bool readBackSame = false;
};

// Writes bytes of data without runs of equal bytes (each frame full, as an
// image without blank areas) to the programmer's memory from address 0 and
// reads them back, on a line of baud. What the memory held there is gone.
// Throws as the facade's operations do.
clTransferTest QkTimeTransfers(clQKComm& comm, std::uint32_t bytes, int baud);

// The least a status request and its reply take on a line of baud.
double QkStatusFloorMs(int baud);

// "round trip 0.21 ms (0.18 to 0.40 ms, 100 requests)"
std::string QkRoundTripText(const clRoundTrips& trips);
// "ftdi_sio, low latency on (latency timer 1 ms)", "pseudo-terminal, no
// latency timer"
std::string QkLatencyText(const clComLatency& latency);

// Whether replies are held back: the median round trip is above 2 ms and
// more than 1 ms above what the line itself needs.
bool QkIsSlowRoundTrip(const clRoundTrips& trips, int baud);
// Why such a round trip is likely and what to do on this system, for the
// port at path: lines joined by '\n'.
std::string QkSlowLinkAdvice(const std::string& path, const clComLatency& latency);
