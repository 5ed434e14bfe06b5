#include "comm/linkprobe.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "comm/comhandle.h"
#include "comm/qkcomm.h"
#include "comm/qkpkt.h"
#include "comm/qkwire.h"
#include "cpplib/clbuffer.h"

namespace {

std::string Format(const char* format, double a, double b, double c)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

} // namespace

clRoundTrips QkTimeRoundTrips(clQKComm& comm, int count)
{
    std::vector<double> times;
    comm.Prolog();
    try {
        QK_STATUS status;
        for (int i = 0; i < count; ++i) {
            const std::int64_t start = QkNowUs();
            comm.GetStatus(status);
            times.push_back(static_cast<double>(QkNowUs() - start) / 1000.0);
        }
    } catch (...) {
        comm.Epilog();
        throw;
    }
    comm.Epilog();
    clRoundTrips trips;
    trips.count = static_cast<int>(times.size());
    if (times.empty())
        return trips;
    std::sort(times.begin(), times.end());
    trips.minMs = times.front();
    trips.maxMs = times.back();
    const std::size_t middle = times.size() / 2;
    trips.medianMs = times.size() % 2 != 0 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return trips;
}

clTransferTest QkTimeTransfers(clQKComm& comm, std::uint32_t bytes, int baud)
{
    // Bytes from a fixed generator: the same test each time, no run of 24
    // equal bytes (which would go as one fill frame).
    clHugeBuffer<unsigned char> sent, received;
    sent.SetParams(bytes, clAdrs(0));
    received.SetParams(bytes, clAdrs(0));
    std::uint32_t state = 0x2545F491;
    for (std::uint32_t i = 0; i < bytes; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const auto byte = static_cast<unsigned char>(state);
        sent.SetByte(clAdrs(i), &byte);
    }
    const clAdrs first(0), last(bytes - 1);
    const double byteSeconds = baud > 0 ? 10.0 / baud : 0;
    const auto frames = [&](int perFrame) { return static_cast<double>((bytes + perFrame - 1) / perFrame); };
    clTransferTest test;
    test.write.bytes = test.read.bytes = bytes;
    // A write frame is the header and the data, with a two-byte reply; a
    // read asks with a header and gets the data with two bytes.
    test.write.floorSeconds = (bytes + frames(qkwire::kMaxData) * (clQKPkt::kHeader + 2)) * byteSeconds;
    test.read.floorSeconds = (bytes + frames(qkwire::kMaxRead) * (clQKPkt::kHeader + 2)) * byteSeconds;
    comm.Prolog();
    try {
        std::int64_t start = QkNowUs();
        comm.WriteSpace(first, last, sent, qkwire::ordMemory, qkwire::subMemory);
        test.write.seconds = static_cast<double>(QkNowUs() - start) / 1e6;
        start = QkNowUs();
        comm.ReadSpace(first, last, received, qkwire::ordMemory, qkwire::subMemory);
        test.read.seconds = static_cast<double>(QkNowUs() - start) / 1e6;
    } catch (...) {
        comm.Epilog();
        throw;
    }
    comm.Epilog();
    test.readBackSame = sent.Compare(first, last, received, first) == 1;
    return test;
}

double QkStatusFloorMs(int baud)
{
    // The request frame and the reply with its count and kind, 10 bits a byte.
    constexpr int kBytes = clQKPkt::kHeader + qkwire::kReplyStatus + 2;
    return baud > 0 ? kBytes * 10 * 1000.0 / baud : 0;
}

std::string QkRoundTripText(const clRoundTrips& trips)
{
    return Format("round trip %.2f ms (%.2f to %.2f ms, ", trips.medianMs, trips.minMs, trips.maxMs) +
           std::to_string(trips.count) + (trips.count == 1 ? " request)" : " requests)");
}

std::string QkLatencyText(const clComLatency& latency)
{
    std::string text = latency.driver.empty() ? "unknown driver" : latency.driver;
    if (latency.timerMs < 0)
        return text + (latency.lowLatency ? ", low latency on" : ", no latency timer");
    return text + (latency.IsLow() ? ", low latency on" : ", low latency off") + " (latency timer " +
           std::to_string(latency.timerMs) + " ms)";
}

bool QkIsSlowRoundTrip(const clRoundTrips& trips, int baud)
{
    return trips.count > 0 && trips.medianMs > std::max(2.0, QkStatusFloorMs(baud) + 1.0);
}

std::string QkSlowLinkAdvice(const std::string& path, const clComLatency& latency)
{
    std::string text = "the adapter likely holds short replies until its latency timer runs out";
    text += latency.timerMs > 1 ? " (" + std::to_string(latency.timerMs) + " ms now).\n" : ".\n";
#ifdef _WIN32
    (void)path;
    text += "Set it to 1 ms: Device Manager, Ports (COM & LPT), the adapter's Properties, Port Settings,\n"
            "Advanced, Latency Timer (msec) 1; then unplug the adapter and plug it in again.";
#else
    // A rule names a USB serial driver; FTDI's is the common one with a timer.
    const bool usbSerial = !latency.driver.empty() && latency.driver != "pseudo-terminal";
    text += "Set it to 1 ms now: setserial " + path +
            " low_latency\n"
            "and for good with a udev rule, e.g. in /etc/udev/rules.d/99-qkjtag.rules:\n"
            "  ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"" +
            (usbSerial ? latency.driver : std::string("ftdi_sio")) + "\", ATTR{latency_timer}=\"1\"";
#endif
    return text;
}
