// How close the serial link comes to the line rate: writes a buffer of
// random data with 0xFF runs to qksim's memory, programs it and reads it
// back over a pseudo-terminal with the line rate emulated, and prints for
// each phase the time against the line-rate floor (wire bytes both ways x 10
// bits / baud), the wire bytes per payload byte, and the CPU time this
// process used per second of waiting.
//
//   qklinkbench [--baud N] [--kib N]      (115200 and 384 by default)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "comm/commswtch.h"
#include "comm/comports.h"
#include "comm/qkcomml2.h"
#include "cpplib/qkbufint.h"
#include "qkdb/dbase32.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

double WallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The bytes on the wire, both ways, as the communication log counts them
// ("T: L: xx" and "R: L: xx" records).
long WireBytes(const std::string& log)
{
    long total = 0;
    for (std::size_t at = log.find(": L: "); at != std::string::npos; at = log.find(": L: ", at + 1))
        total += std::strtol(log.c_str() + at + 5, nullptr, 16);
    return total;
}

struct clPhase {
    const char* name;
    double payload;
    std::function<void()> run;
};

} // namespace

int main(int argc, char** argv)
{
    long baud = 115200;
    long kib = 384;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--baud") == 0)
            baud = std::strtol(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--kib") == 0)
            kib = std::strtol(argv[i + 1], nullptr, 10);
    }
    if (baud <= 0 || kib <= 0 || kib > 1024) {
        std::fprintf(stderr, "usage: qklinkbench [--baud N] [--kib 1..1024]\n");
        return 2;
    }

    clTempDir dir;
    clSimProcess sim;
    if (!sim.Start({"--baud", std::to_string(baud)})) {
        std::fprintf(stderr, "qklinkbench: %s\n", sim.Error().c_str());
        return 1;
    }
    ComMapPort(1, sim.Path());
    const char* args[] = {"qklinkbench", "/BAUDID115200"};
    clCommSwtch switches(2, args);
    clDataBase db(GetDLLDBaseInstance());
    clQKCommLL2 link(switches, db, 0);
    QK_COMM_PORT port;
    link.GetPortDefaults(port);
    port.m_lPortNo = 1;
    port.m_lPortKind = 1;
    port.m_lComIndex = 0;
    const std::string logPath = dir.File("qkcomm.log");
    link.InitCommLog(logPath.c_str());
    link.Connect(port);
    link.SetupDevice(1);

    const std::uint32_t size = static_cast<std::uint32_t>(kib) * 1024;
    clQKHugeBufIntr image("Data");
    image.SetParams(size, clAdrs(0));
    image.SetSpaceId(clQKCommLL2::spData);
    std::vector<unsigned char> bytes(size);
    std::mt19937 random(42);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    for (std::uint32_t at = 0; at + 4096 <= size; at += 32768)
        std::fill(bytes.begin() + at, bytes.begin() + at + 24 + (at / 32768) * 200, 0xFF);
    image.Write(image.GetStartAdrs(), image.GetStopAdrs(), bytes.data());
    clQKHugeBufIntr back("Data");
    back.SetParams(size, clAdrs(0));
    back.SetSpaceId(clQKCommLL2::spData);

    auto sequence = [&](const std::function<void()>& operation) {
        link.Prolog();
        operation();
        link.Epilog();
    };
    const clPhase phases[] = {
        {"write (Write)", static_cast<double>(size), [&] { sequence([&] { link.Write(image, 0); }); }},
        {"write (WriteSpace)", static_cast<double>(size),
         [&] { sequence([&] { link.WriteSpace(image.GetStartAdrs(), image.GetStopAdrs(), image, 0x20, 0, 0); }); }},
        {"program + verify", static_cast<double>(size),
         [&] {
             link.SetAddresses(image);
             sequence([&] { link.Program(image); });
         }},
        {"read back", static_cast<double>(size), [&] { sequence([&] { link.Read(back); }); }},
    };

    std::printf("qklinkbench: %ld KiB at %ld baud (qksim, pseudo-terminal)\n\n", kib, baud);
    std::printf("%-20s %9s %10s %9s %7s %12s %8s\n", "phase", "wall s", "floor s", "ratio", "wire B", "wire/payload",
                "CPU %");
    int failures = 0;
    for (const auto& phase : phases) {
        const std::size_t logBefore = ReadText(logPath).size();
        const double wall0 = WallSeconds();
        const double cpu0 = CpuSeconds();
        try {
            phase.run();
        } catch (const clBscExpt& e) {
            std::printf("%-20s failed: %s at %s:%d\n", phase.name, QkExptName(e), e.GetFile().c_str(), e.GetLine());
            ++failures;
            continue;
        }
        const double wall = WallSeconds() - wall0;
        const double cpu = CpuSeconds() - cpu0;
        const long wire = WireBytes(ReadText(logPath).substr(logBefore));
        const double floor = wire * 10.0 / baud;
        std::printf("%-20s %9.3f %10.3f %9.3f %7ld %12.4f %7.2f%%\n", phase.name, wall, floor, wall / floor, wire,
                    wire / phase.payload, 100 * cpu / wall);
    }
    std::vector<unsigned char> readBack(size);
    back.Read(back.GetStartAdrs(), back.GetStopAdrs(), readBack.data());
    if (readBack != bytes) {
        std::printf("read-back bytes differ from the image\n");
        ++failures;
    }
    link.Disconnect();
    ComMapPort(1, "");
    return failures == 0 ? 0 : 1;
}
