// Times qkcli convert against srec_cat on the same random image: binary to
// Intel Hex 386 and back, binary to S3 and back. Reports the best of a few
// runs of each step (wall and CPU time), the ratios, and qkcli's peak memory
// against the image size. Every conversion is checked to give the image back.
//
// Usage: bench_convert QKCLI [SREC_CAT] [--mib N] [--runs N]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <spawn.h>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
    long peakKiB = 0;
};

// Runs a program to its end; false when it failed. quiet drops its stderr
// (srec_cat's notes about missing start addresses).
bool Run(const std::vector<std::string>& command, Timing& best, bool quiet = false)
{
    std::vector<char*> argv;
    for (const auto& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double cpu =
        usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    best.wall = std::min(best.wall, wall);
    best.cpu = std::min(best.cpu, cpu);
    best.peakKiB = std::max(best.peakKiB, usage.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SameFiles(const std::string& a, const std::string& b)
{
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

struct Step {
    const char* name;
    std::vector<std::string> qkcli;
    std::vector<std::string> srec;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_convert QKCLI [SREC_CAT] [--mib N] [--runs N]\n");
        return 2;
    }
    const std::string qkcli = argv[1];
    std::string srec = "/usr/bin/srec_cat";
    int mib = 16, runs = 3;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mib") == 0 && i + 1 < argc)
            mib = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else
            srec = argv[i];
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qk-bench-convert";
    std::filesystem::create_directories(dir);
    auto file = [&](const char* name) { return (dir / name).string(); };

    const std::size_t size = static_cast<std::size_t>(mib) << 20;
    {
        std::mt19937_64 random(2026);
        std::vector<std::uint64_t> words(size / 8);
        for (auto& w : words)
            w = random();
        std::ofstream(file("image.bin"), std::ios::binary)
            .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(size));
    }

    const std::vector<Step> steps = {
        {"bin -> Intel 386",
         {qkcli, "convert", file("image.bin"), file("qk.hex"), "--to", "intel386"},
         {srec, file("image.bin"), "-binary", "-o", file("sc.hex"), "-intel"}},
        {"Intel 386 -> bin",
         {qkcli, "convert", file("qk.hex"), file("qk-hex.bin"), "--to", "bin"},
         {srec, file("sc.hex"), "-intel", "-o", file("sc-hex.bin"), "-binary"}},
        {"bin -> S3",
         {qkcli, "convert", file("image.bin"), file("qk.s37"), "--to", "s3"},
         {srec, file("image.bin"), "-binary", "-o", file("sc.s37"), "-motorola", "-address-length=4"}},
        {"S3 -> bin",
         {qkcli, "convert", file("qk.s37"), file("qk-s3.bin"), "--to", "bin"},
         {srec, file("sc.s37"), "-motorola", "-o", file("sc-s3.bin"), "-binary"}},
    };

    std::printf("image: %d MiB random, best of %d runs\n", mib, runs);
    std::printf("%-18s %10s %10s %10s %10s %8s %8s %10s\n", "step", "qk wall", "qk cpu", "srec wall", "srec cpu",
                "x wall", "x cpu", "qk peak");
    bool ok = true;
    for (const Step& step : steps) {
        Timing qk, sc;
        for (int r = 0; r < runs; ++r) {
            ok = Run(step.qkcli, qk) && ok;
            ok = Run(step.srec, sc, true) && ok;
        }
        std::printf("%-18s %9.3fs %9.3fs %9.3fs %9.3fs %7.1fx %7.1fx %6.2f img\n", step.name, qk.wall, qk.cpu, sc.wall,
                    sc.cpu, sc.wall / qk.wall, sc.cpu / std::max(qk.cpu, 1e-6),
                    static_cast<double>(qk.peakKiB) * 1024.0 / static_cast<double>(size));
    }
    const bool same = SameFiles(file("image.bin"), file("qk-hex.bin")) &&
                      SameFiles(file("image.bin"), file("qk-s3.bin")) &&
                      SameFiles(file("image.bin"), file("sc-hex.bin"));
    std::printf("round trips give the image back: %s\n", same ? "yes" : "NO");
    std::filesystem::remove_all(dir);
    return ok && same ? 0 : 1;
}
