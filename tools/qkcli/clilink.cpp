// qkcli link-test: how fast the line to the programmer really is, and why
// when it is slow. The protocol waits for a short reply after every frame,
// so the round trip of a short request decides how long an image takes.
#include <cstdio>
#include <string>

#include "comm/comport.h"
#include "comm/linkprobe.h"
#include "comm/qkcommexpt.h"
#include "err/errntfy.h"
#include "err/qkexpt.h"
#include "qkdb/dbase32.h"
#include "source/base/appmngr.h"
#include "tools/qkcli/clicomm.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/cliwork.h"
#include "tools/qkcli/commands.h"

namespace {

constexpr int kRoundTrips = 100;
constexpr std::uint32_t kTransferBytes = 16384;
// The device orders of a program command beside the image (set-up,
// description, command range, program, verify): a round trip each, and a
// few more for their replies.
constexpr int kOrderRoundTrips = 12;

std::string Fixed(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// What programming a whole space costs: the image at the measured rate,
// the fixed waits of "qkcli program" and its orders.
struct clEstimate {
    std::string device, space;
    std::uint32_t bytes = 0;
    double transferS = 0;
    double waitsS = 0;
    double TotalS() const { return transferS + waitsS; }
};

clEstimate Estimate(const clCliWork& work, unsigned short chip, const clQKHugeBuffer& buffer,
                    const clTransferTest& transfers, const clRoundTrips& trips)
{
    clEstimate estimate;
    estimate.device = work.DeviceName(chip);
    estimate.space = buffer.GetName();
    estimate.bytes = buffer.GetSize();
    estimate.transferS = transfers.write.seconds * estimate.bytes / transfers.write.bytes;
    estimate.waitsS = (kQkcliProgramDelayMs + kQkSettleMs) / 1000.0 + kOrderRoundTrips * trips.medianMs / 1000.0;
    return estimate;
}

std::string TransferLine(const clTransferTime& time)
{
    return std::to_string(time.bytes) + " bytes in " + Fixed("%.2f s", time.seconds) + ", " +
           Fixed("%.0f bytes/s", time.BytesPerSecond()) +
           (time.floorSeconds > 0 ? "; the line's floor " + Fixed("%.2f s", time.floorSeconds) + " (" +
                                        Fixed("%.0f %%", 100 * time.floorSeconds / time.seconds) + " of the time)"
                                  : "");
}

clJsonObject TransferJson(const clTransferTime& time)
{
    clJsonObject json;
    json.Add("bytes", time.bytes).Add("seconds", time.seconds).Add("bytes_per_second", time.BytesPerSecond());
    json.Add("floor_seconds", time.floorSeconds);
    return json;
}

} // namespace

int QkCmdLinkTest(int argc, char** argv, int first)
{
    const char* name = "link-test";
    const clCliArgs args(argc, argv, first, {"port", "log", "switch", "device", "space"}, {"scan", "json"});
    if (!args.IsValid())
        return QkUsageError(name, args.GetError());
    if (!args.Positional().empty())
        return QkUsageError(name, "unexpected \"" + args.Positional()[0] + "\"");
    if (args.Has("port") + args.Has("scan") != 1)
        return QkUsageError(name, "give one of --port PATH|COMn, --scan (the demo protocol has no line to test)");
    if (const std::string problem = QkCheckConnArgs(args); !problem.empty())
        return QkUsageError(name, problem);
    clCliWork work;
    unsigned short chip = 0;
    int space = 0;
    if (args.Has("device")) {
        const auto found = work.FindDevice(args.Value("device"));
        if (!found)
            return QkUsageError(name, "no device \"" + args.Value("device") + "\" in the database");
        chip = *found;
        work.Spaces().SetupDevice(chip);
        space = args.Has("space") ? work.Spaces().FindSpace(args.Value("space")) : work.Spaces().FirstSpace();
        if (space == 0)
            return QkUsageError(name, "the " + work.DeviceName(chip) + " has no space \"" + args.Value("space") + "\"");
    } else if (args.Has("space")) {
        return QkUsageError(name, "--space needs --device");
    }

    const bool json = args.Has("json");
    clCliUi ui(erIdAbort);
    ui.SetQuiet(json);
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    clCliInterrupt interrupt;
    clCliEvents events(false, true);
    clDataBase db(GetDLLDBaseInstance());
    clCliComm comm(args, db, events);
    std::string port;
    clRoundTrips trips;
    clTransferTest transfers;
    int baud = 0;
    clComLatency latency;
    int status = exitOk;
    try {
        port = QkConnectAsAsked(comm, args);
        if (comm.GetProtocol() != clQkProtocol::real)
            throw clQKCommExpt();
        trips = QkTimeRoundTrips(comm, kRoundTrips);
        baud = comm.GetLinkBaud();
        latency = comm.GetLinkLatency();
        transfers = QkTimeTransfers(comm, kTransferBytes, baud);
        comm.Disconnect(0);
    } catch (const clXAbort&) {
        status = exitAborted;
    } catch (const clBscExpt&) {
        status = exitComm;
        if (const std::string reason = comm.GetConnectProblem(); !reason.empty() && !json)
            std::fprintf(stderr, "qkcli %s: %s\n", name, reason.c_str());
    }
    QkAppErrMngr().CloseErrMngr();
    if (status != exitOk) {
        if (!json)
            std::fprintf(stderr, "qkcli %s: %s\n", name, status == exitAborted ? "aborted" : "no programmer answered");
        else
            std::printf("%s\n", clJsonObject().Add("port", port).AddBool("ok", false).Text().c_str());
        return status;
    }
    if (!transfers.readBackSame)
        status = exitComm;

    const bool slow = QkIsSlowRoundTrip(trips, baud);
    const std::string advice = slow ? QkSlowLinkAdvice(port, latency) : "";
    clEstimate estimate;
    if (chip != 0)
        estimate = Estimate(work, chip, work.Spaces().Buffer(space), transfers, trips);

    if (json) {
        clJsonObject out;
        out.Add("port", port).AddBool("ok", status == exitOk).Add("baud", baud);
        out.Add("driver", latency.driver).AddBool("low_latency", latency.IsLow());
        if (latency.timerMs >= 0)
            out.Add("latency_timer_ms", latency.timerMs);
        else
            out.AddNull("latency_timer_ms");
        clJsonObject roundTrip;
        roundTrip.Add("count", trips.count).Add("min_ms", trips.minMs).Add("median_ms", trips.medianMs);
        roundTrip.Add("max_ms", trips.maxMs).Add("floor_ms", QkStatusFloorMs(baud));
        out.AddRaw("round_trip", roundTrip.Text()).AddBool("slow", slow);
        out.AddRaw("write", TransferJson(transfers.write).Text()).AddRaw("read", TransferJson(transfers.read).Text());
        out.AddBool("read_back_same", transfers.readBackSame);
        if (chip != 0) {
            clJsonObject program;
            program.Add("device", estimate.device).Add("space", estimate.space).Add("bytes", estimate.bytes);
            program.Add("seconds", estimate.TotalS()).Add("transfer_seconds", estimate.transferS);
            out.AddRaw("program_estimate", program.Text());
        }
        if (slow)
            out.Add("advice", advice);
        std::printf("%s\n", out.Text().c_str());
        return status;
    }
    std::printf("Port:       %s, %d baud; %s\n", port.c_str(), baud, QkLatencyText(latency).c_str());
    std::printf("Status:     %s; the line needs %s\n", QkRoundTripText(trips).c_str(),
                Fixed("%.2f ms", QkStatusFloorMs(baud)).c_str());
    std::printf("Write:      %s\n", TransferLine(transfers.write).c_str());
    std::printf("Read:       %s\n", TransferLine(transfers.read).c_str());
    std::printf("Read back:  %s\n", transfers.readBackSame ? "the bytes written"
                                                           : "OTHER BYTES than written: the line "
                                                             "or the programmer's memory is faulty");
    if (chip != 0)
        std::printf("Estimate:   programming the whole %s space of the %s (%u bytes without blank runs) takes about "
                    "%.0f s:\n            %.0f s to send the image, %.0f s for the program command's waits and "
                    "orders;\n            the device's own programming time comes on top\n",
                    estimate.space.c_str(), estimate.device.c_str(), estimate.bytes, estimate.TotalS(),
                    estimate.transferS, estimate.waitsS);
    if (slow) {
        // The advice's lines under one another.
        std::string indented;
        for (const char c : advice)
            indented += c == '\n' ? std::string("\n            ") : std::string(1, c);
        std::printf("Slow line:  %s\n", indented.c_str());
    }
    return status;
}
