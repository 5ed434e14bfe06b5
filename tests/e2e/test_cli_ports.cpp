// One qkcli command on several programmers at once: four qksims, one with a
// bad cell, programmed in one run with serial values from one ledger; and
// Ctrl-C stopping every port.
#include <chrono>
#include <csignal>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

constexpr std::uint32_t kSerialAt = 0x40;

TEST(CliPorts, FourProgrammersAtOnceEachWithItsOwnSerialAndTheFaultyOneNamed)
{
    clTempDir dir;
    std::vector<unsigned char> image(8192);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<unsigned char>(i * 31 + 7);
    WriteBytes(dir.File("image.bin"), image);
    clSimProcess sims[4];
    std::vector<std::string> args = {
        "program", "--device",        "PCD80710", "--file",      dir.File("image.bin"),  "--start", "0",
        "--stop",  "0x1FFF",          "--serial", "counter:300", "--serial-at",          "0x40",    "--serial-width",
        "2",       "--serial-endian", "big",      "--ledger",    dir.File("line.ledger")};
    for (int i = 0; i < 4; ++i) {
        std::vector<std::string> options = {"--baud", "115200", "--dump", dir.File("device" + std::to_string(i))};
        if (i == 2)
            options.insert(options.end(), {"--fault", "flip=0x1000"});
        ASSERT_TRUE(sims[i].Start(options)) << sims[i].Error();
        args.insert(args.end(), {"--port", sims[i].Path()});
    }
    const clRunResult r = QkRun(QKCLI_PATH, args);
    EXPECT_EQ(r.status, 2) << r.out << r.err; // the worst port: the device failed
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(lines[4], "program on 4 ports: 3 ok, 1 not; exit status 2");
    std::set<unsigned> serials;
    for (int i = 0; i < 4; ++i) {
        sims[i].Stop();
        const auto device = ReadBytes(dir.File("device" + std::to_string(i)));
        ASSERT_GE(device.size(), image.size());
        const unsigned serial = device[kSerialAt] << 8 | device[kSerialAt + 1];
        EXPECT_TRUE(serials.insert(serial).second) << "serial " << serial << " twice";
        EXPECT_GE(serial, 300u);
        EXPECT_LE(serial, 303u);
        // The image with this device's own value in it.
        std::vector<unsigned char> expected = image;
        expected[kSerialAt] = static_cast<unsigned char>(serial >> 8);
        expected[kSerialAt + 1] = static_cast<unsigned char>(serial);
        if (i == 2)
            expected[0x1000] ^= 0xFF; // the bad cell
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.begin())) << "device " << i;
        bool named = false;
        for (std::size_t l = 0; l < 4; ++l)
            if (lines[l].rfind(sims[i].Path() + "  PCD80710  ", 0) == 0) {
                named = true;
                EXPECT_NE(lines[l].find("serial " + std::to_string(serial)), std::string::npos) << lines[l];
                EXPECT_NE(lines[l].find(i == 2 ? "  failed  " : "  ok  "), std::string::npos) << lines[l];
            }
        EXPECT_TRUE(named) << sims[i].Path() << " has no line:\n" << r.out;
    }
    const clRunResult show = QkRun(QKCLI_PATH, {"ledger", "show", dir.File("line.ledger"), "--json"});
    EXPECT_NE(show.out.find("\"issued\":4,\"states\":{\"failed\":0,\"programmed\":1,\"reserved\":0,\"retired\":0,"
                            "\"verified\":3}"),
              std::string::npos)
        << show.out;
}

TEST(CliPorts, ScanFindsEveryProgrammerAndSkipsWhatIsNone)
{
    clSimProcess sims[2];
    for (auto& sim : sims)
        ASSERT_TRUE(sim.Start({"--baud", "0"})) << sim.Error();
    const std::vector<std::string> env = {"QKJTAG_COM5=" + sims[0].Path(), "QKJTAG_COM6=" + sims[1].Path(),
                                          "QKJTAG_COM7=/nonexistent/qk-no-port"};
    const clRunResult r = QkRun(
        QKCLI_PATH, {"checksum", "--scan", "--device", "PCD80710", "--start", "0", "--stop", "0x7FF", "--json"}, env);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out; // one object per programmer, none for COM7
    for (const char* port : {"\"port\":\"COM5", "\"port\":\"COM6"})
        EXPECT_NE(r.out.find(port), std::string::npos) << r.out;
    // Without a programmer anywhere: a communication error.
    EXPECT_EQ(
        QkRun(QKCLI_PATH, {"erase", "--scan", "--device", "PCD80710"}, {"QKJTAG_COM7=/nonexistent/qk-no-port"}).status,
        3);
}

TEST(CliPorts, CtrlCStopsEveryPort)
{
    clTempDir dir;
    clSimProcess slow[2];
    std::vector<std::string> args = {"verify", "--device", "PCD80710", "--file", dir.File("image.bin")};
    for (auto& sim : slow) {
        ASSERT_TRUE(sim.Start({"--baud", "9600"})) << sim.Error();
        args.insert(args.end(), {"--port", sim.Path()});
    }
    // 384 KiB of image at 9600 baud: minutes, unless stopped.
    std::vector<unsigned char> big(393216);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i * 13 + i / 251);
    WriteBytes(dir.File("image.bin"), big);
    const int pid = QkStart(QKCLI_PATH, args);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    kill(pid, SIGINT);
    const auto asked = std::chrono::steady_clock::now();
    int status = -1;
    for (int i = 0; i < 200 && status < 0; ++i) {
        int raw = 0;
        if (waitpid(pid, &raw, WNOHANG) == pid)
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (status < 0) {
        kill(pid, SIGKILL);
        QkWaitExit(pid);
        FAIL() << "Ctrl-C did not stop the ports within 10 s";
    }
    EXPECT_EQ(status, 4);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count(), 10.0);
    // No port is left held by a child.
    for (auto& sim : slow) {
        const clRunResult r = QkRun(
            QKCLI_PATH, {"checksum", "--port", sim.Path(), "--device", "PCD80710", "--start", "0", "--stop", "0xFF"});
        EXPECT_EQ(r.status, 0) << r.err;
    }
}

} // namespace
