// How long qkcli's device commands take against qksim at a real line rate,
// next to the line-rate floor of their payload (payload bytes x 10 / baud),
// with the CPU time qkcli used. Each case runs three times; the best run
// counts.
//
//   bench_cli [--baud N] [--runs N] [--quick]   (115200, 3; --quick skips
//                                                the two 384 KiB cases)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

double WallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

struct clTiming {
    int status = -1;
    double wall = 0;
    double cpu = 0;
};

// Runs qkcli with args, its output thrown away; wall and CPU time of the run.
clTiming RunQkcli(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    std::string program = QKCLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    clTiming timing;
    std::fflush(stdout); // the child must not print what the parent buffered
    const double start = WallSeconds();
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    timing.wall = WallSeconds() - start;
    timing.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    timing.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return timing;
}

struct clCase {
    const char* name;
    double payload; // bytes the operation must move
    std::vector<std::string> args;
};

} // namespace

int main(int argc, char** argv)
{
    unsigned baud = 115200;
    int runs = 3;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc)
            baud = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else {
            std::fprintf(stderr, "usage: bench_cli [--baud N] [--runs N] [--quick]\n");
            return 2;
        }
    }

    clTempDir dir;
    clSimProcess sim;
    if (!sim.Start({"--baud", std::to_string(baud)})) {
        std::fprintf(stderr, "qksim: %s\n", sim.Error().c_str());
        return 1;
    }

    // The images: 4 KiB random at 0x1000; 384 KiB random; 384 KiB that is
    // 90 % 0xFF in long runs.
    std::mt19937 random(7);
    std::vector<unsigned char> small(4096), full(0x60000), sparse(0x60000, 0xFF);
    for (auto& b : small)
        b = static_cast<unsigned char>(random());
    for (auto& b : full)
        b = static_cast<unsigned char>(random());
    for (std::size_t block = 0; block < sparse.size(); block += 10240)
        for (std::size_t i = block; i < block + 1024 && i < sparse.size(); ++i)
            sparse[i] = static_cast<unsigned char>(random());
    WriteBytes(dir.File("small.bin"), small);
    WriteBytes(dir.File("full.bin"), full);
    WriteBytes(dir.File("sparse.bin"), sparse);
    if (RunQkcli({"convert", dir.File("small.bin"), dir.File("small.hex"), "--start", "0x1000"}).status != 0) {
        std::fprintf(stderr, "convert failed\n");
        return 1;
    }

    const std::vector<std::string> device = {"--port", sim.Path(), "--device", "PCD80710"};
    auto command = [&](const char* name, std::vector<std::string> more) {
        std::vector<std::string> args = {name};
        args.insert(args.end(), device.begin(), device.end());
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    std::vector<clCase> cases = {
        {"program 4 KiB at 0x1000 (--erase --delay 0)", 4096,
         command("program", {"--file", dir.File("small.hex"), "--erase", "--delay", "0"})},
        {"checksum of the whole Data space", 0, command("checksum", {})},
    };
    if (!quick) {
        cases.push_back({"program 384 KiB random (--erase --delay 0)", 0x60000,
                         command("program", {"--file", dir.File("full.bin"), "--erase", "--delay", "0"})});
        cases.push_back({"program 384 KiB, 90 % 0xFF (--erase --delay 0)", 0x60000,
                         command("program", {"--file", dir.File("sparse.bin"), "--erase", "--delay", "0"})});
    }

    std::printf("qksim --baud %u, best of %d\n", baud, runs);
    std::printf("%-48s %9s %9s %7s %9s %6s\n", "case", "wall s", "floor s", "ratio", "cpu s", "cpu %");
    for (const clCase& c : cases) {
        clTiming best;
        best.wall = 1e9;
        for (int i = 0; i < runs; ++i) {
            const clTiming t = RunQkcli(c.args);
            if (t.status != 0) {
                std::fprintf(stderr, "%s: qkcli exit status %d\n", c.name, t.status);
                return 1;
            }
            if (t.wall < best.wall)
                best = t;
        }
        const double floor = c.payload * 10 / baud;
        char ratio[16] = "-";
        if (floor > 0)
            std::snprintf(ratio, sizeof ratio, "%.3f", best.wall / floor);
        std::printf("%-48s %9.3f %9.3f %7s %9.3f %5.1f%%\n", c.name, best.wall, floor, ratio, best.cpu,
                    100 * best.cpu / best.wall);
        std::fflush(stdout);
    }
    return 0;
}
