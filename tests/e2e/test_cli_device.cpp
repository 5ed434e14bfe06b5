// qkcli's device commands against qksim on a real pseudo-terminal: the whole
// stack, from the command line to the simulated device memory.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The PCD80710: one Data space 0..0x5FFFF, blocks of 2048, erased 0xFF.
constexpr std::uint32_t kSpaceSize = 0x60000;

Bytes Pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

unsigned Sum16(const Bytes& bytes)
{
    unsigned sum = 0;
    for (unsigned char b : bytes)
        sum += b;
    return sum & 0xFFFF;
}

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

class CliDevice : public ::testing::Test {
protected:
    // qksim without line-rate emulation; extra: faults and the like.
    void StartSim(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {
            "--baud", "0", "--dump", dir.File("device.bin"), "--frame-log", dir.File("frames.log")};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(sim.Start(args)) << sim.Error();
    }
    clRunResult Cli(std::vector<std::string> args) { return QkRun(QKCLI_PATH, args); }
    // The device memory qksim holds, after it stopped.
    Bytes DeviceMemory()
    {
        sim.Stop();
        return ReadBytes(dir.File("device.bin"));
    }
    // A 5000-byte image at 0x100 as Intel Hex, and what the space then holds.
    std::string WriteImage()
    {
        const Bytes data = Pattern(5000);
        WriteBytes(dir.File("fw.bin"), data);
        const auto made = Cli({"convert", dir.File("fw.bin"), dir.File("fw.hex"), "--start", "0x100"});
        EXPECT_EQ(made.status, 0) << made.err;
        space.assign(kSpaceSize, 0xFF);
        std::copy(data.begin(), data.end(), space.begin() + 0x100);
        return dir.File("fw.hex");
    }

    clTempDir dir;
    clSimProcess sim;
    Bytes space;
};

TEST_F(CliDevice, ProgramThenVerifyChecksumAndReadBackTheSameBytes)
{
    StartSim();
    const std::string hex = WriteImage();
    const auto programmed = Cli({"program", "--port", sim.Path(), "--device", "PCD80710", "--file", hex, "--erase",
                                 "--delay", "0", "--log", dir.File("comm.log"), "--trace", dir.File("trace.log")});
    ASSERT_EQ(programmed.status, 0) << programmed.err;
    EXPECT_NE(programmed.out.find("checksum " + Hex4(Sum16(space))), std::string::npos) << programmed.out;
    const std::string log = ReadText(dir.File("comm.log"));
    EXPECT_NE(log.find("PGM CYCLE N%1 BEGIN\r\n"), std::string::npos);
    EXPECT_NE(log.find("PGM CYCLE END\r\n"), std::string::npos);

    EXPECT_EQ(Cli({"verify", "--port", sim.Path(), "--device", "pcd80710", "--file", hex}).status, 0);
    const auto sum = Cli({"checksum", "--port", sim.Path(), "--device", "PCD80710", "--json"});
    ASSERT_EQ(sum.status, 0) << sum.err;
    EXPECT_NE(sum.out.find("\"checksum\":\"" + Hex4(Sum16(space)) + "\""), std::string::npos) << sum.out;
    EXPECT_NE(sum.out.find("\"protocol\":\"real\""), std::string::npos);

    const auto read = Cli({"read", "--port", sim.Path(), "--device", "PCD80710", "--file", dir.File("back.bin")});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(ReadBytes(dir.File("back.bin")), space);

    // Every byte reached the simulated device, and one trace line was appended.
    const Bytes device = DeviceMemory();
    ASSERT_GE(device.size(), space.size());
    EXPECT_TRUE(std::equal(space.begin(), space.end(), device.begin()));
    const std::string trace = ReadText(dir.File("trace.log"));
    EXPECT_NE(trace.find(" program port=" + sim.Path() +
                         " device=PCD80710 space=Data range=0x00000000-0x0005FFFF image=" + Hex4(Sum16(space)) +
                         " result=ok error=0\n"),
              std::string::npos)
        << trace;
}

TEST_F(CliDevice, AVerifyFailureNamesTheAddressAndValuesAndTheReportListsTheRun)
{
    StartSim({"--fault", "flip=0x123"});
    const std::string hex = WriteImage();
    const auto programmed =
        Cli({"program", "--port", sim.Path(), "--device", "PCD80710", "--file", hex, "--delay", "0", "--json"});
    EXPECT_EQ(programmed.status, 2) << programmed.err;
    EXPECT_NE(programmed.out.find("\"result\":\"failed\""), std::string::npos) << programmed.out;
    EXPECT_NE(programmed.out.find("\"failing_address\":291"), std::string::npos) << programmed.out;
    const unsigned expected = space[0x123];
    EXPECT_NE(programmed.out.find("\"device_value\":" + std::to_string(expected ^ 0xFF) +
                                  ",\"buffer_value\":" + std::to_string(expected)),
              std::string::npos)
        << programmed.out;

    const auto verified = Cli(
        {"verify", "--port", sim.Path(), "--device", "PCD80710", "--file", hex, "--report", dir.File("report.json")});
    EXPECT_EQ(verified.status, 2);
    EXPECT_NE(verified.err.find("Data verify has failed at address 0123h"), std::string::npos) << verified.err;
    // The device's verdict, not a failed line.
    EXPECT_EQ(verified.err.find("General communication error"), std::string::npos) << verified.err;
    const std::string report = ReadText(dir.File("report.json"));
    const unsigned flippedUp = static_cast<unsigned>(__builtin_popcount(~expected & 0xFF));
    EXPECT_NE(report.find("\"mismatches\":[{\"start\":291,\"end\":291,\"count\":1,\"bits_0_to_1\":" +
                          std::to_string(flippedUp) + ",\"bits_1_to_0\":" + std::to_string(8 - flippedUp) + "}]"),
              std::string::npos)
        << report;
}

TEST_F(CliDevice, BlankCheckFailsAtAProgrammedCell)
{
    StartSim({"--fault", "nonblank=0x40"});
    const auto r = Cli({"blank-check", "--port", sim.Path(), "--device", "PCD80710", "--json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("\"error_number\":3,\"error_text\":\"Device is not blank.\\nDevice value 00 at address "
                         "0040h\",\"failing_address\":64,\"device_value\":0"),
              std::string::npos)
        << r.out;
}

TEST_F(CliDevice, ALostLineIsACommunicationError)
{
    StartSim({"--fault", "drop-after=40"});
    const auto r =
        Cli({"program", "--port", sim.Path(), "--device", "PCD80710", "--file", WriteImage(), "--delay", "0"});
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("qkcli program: error"), std::string::npos);
}

TEST_F(CliDevice, NoProgrammerIsAnErrorAndNeverTheDemo)
{
    const auto r = Cli({"checksum", "--port", dir.File("no-such-port"), "--device", "PCD80710", "--json"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("\"error_number\":1,\"error_text\":\"Cannot connect with QK-JTAG programmer.\\nEntering off "
                         "line mode.\""),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("\"protocol\":\"demo\""), std::string::npos);
    // A forced demo switch is not --demo either.
    const auto forced =
        Cli({"checksum", "--port", dir.File("no-such-port"), "--device", "PCD80710", "--switch", "/DEMO"});
    EXPECT_EQ(forced.status, 3);
}

TEST_F(CliDevice, TheDemoRunsWhenAskedAndSaysSo)
{
    const auto r =
        Cli({"blank-check", "--demo", "--device", "PCD80710", "--start", "0", "--stop", "0x7FF", "--json-events"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("{\"event\":\"phase\",\"phase\":\"connect\"}"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"event\":\"progress\",\"phase\":\"Blank Checking\",\"percent\":100,\"address\":2047}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"protocol\":\"demo\""), std::string::npos);
    EXPECT_NE(r.out.find("\"result\":\"ok\""), std::string::npos);

    // The device part went well; the output file could not be written.
    const auto unwritable = Cli({"read", "--demo", "--device", "PCD80710", "--start", "0", "--stop", "0x7FF", "--file",
                                 dir.File("no/folder/out.bin")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;
    // 16-bit Intel Hex carries no address above 0xFFFF: nothing is read.
    const auto reach = Cli({"read", "--demo", "--device", "PCD80710", "--to", "intel", "--file", dir.File("o.hex")});
    EXPECT_EQ(reach.status, 1);
    EXPECT_NE(reach.err.find("--to intel reaches address 0xFFFF at most"), std::string::npos) << reach.err;
    EXPECT_EQ(reach.out, "");
}

// Ctrl-C, and what timeout, systemd or a closed terminal send.
TEST_F(CliDevice, AStopSignalWhileProgrammingSendsTheAbortByteAndIsTraced)
{
    // Each device order takes 5 s with busy replies every 100 ms.
    StartSim({"--work-ms", "5000", "--busy-ms", "100"});
    const std::string hex = WriteImage();
    const std::string trace = dir.File("trace.log");
    std::size_t seen = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const int pid = QkStart(QKCLI_PATH, {"program", "--port", sim.Path(), "--device", "PCD80710", "--file", hex,
                                             "--delay", "0", "--trace", trace});
        ASSERT_GT(pid, 0);
        // Programming starts after the write and the 1 s wait of the program bracket.
        for (int i = 0; i < 100 && ReadText(dir.File("frames.log")).find("RX 02 01 10", seen) == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(pid, signal);
        EXPECT_EQ(QkWaitExit(pid), 4) << strsignal(signal);
        const std::string frames = ReadText(dir.File("frames.log"));
        const auto programOrder = frames.find("RX 02 01 10", seen);
        ASSERT_NE(programOrder, std::string::npos) << frames;
        EXPECT_NE(frames.find("RX FF\n", programOrder), std::string::npos) << strsignal(signal);
        seen = frames.size();
    }
    const std::string lines = ReadText(trace);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    EXPECT_EQ(lines.find("result=ok"), std::string::npos) << lines;
    EXPECT_NE(lines.rfind("result=aborted"), std::string::npos) << lines;
}

// A reader that goes away (| head -1) leaves the operation and its record whole.
TEST_F(CliDevice, AClosedOutputDoesNotEndTheOperation)
{
    StartSim();
    const std::string hex = WriteImage();
    const std::string trace = dir.File("trace.log"), status = dir.File("status");
    const std::string line = std::string("'") + QKCLI_PATH + "' program --port '" + sim.Path() +
                             "' --device PCD80710 --file '" + hex + "' --delay 0 --json-events --trace '" + trace +
                             "' | head -c 1 >/dev/null; echo ${PIPESTATUS[0]} >'" + status + "'";
    WriteText(dir.File("run.sh"), line + "\n");
    ASSERT_EQ(std::system(("bash '" + dir.File("run.sh") + "'").c_str()), 0);
    EXPECT_EQ(ReadText(status), "0\n");
    EXPECT_NE(ReadText(trace).find("result=ok"), std::string::npos) << ReadText(trace);
    const Bytes device = DeviceMemory();
    ASSERT_GE(device.size(), space.size());
    EXPECT_TRUE(std::equal(space.begin(), space.end(), device.begin()));
}

TEST_F(CliDevice, AProjectThatRefersToAHexFileProgramsItsDevice)
{
    StartSim();
    const std::string hex = WriteImage();
    ASSERT_EQ(Cli({"project", "save", dir.File("board.qkp"), "--device", "PCD80710", "--file", hex}).status, 0);
    const auto r = Cli({"program", "--port", sim.Path(), "--file", dir.File("board.qkp"), "--delay", "0", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"device\":\"PCD80710\""), std::string::npos);
    EXPECT_NE(r.out.find("\"checksum\":\"" + Hex4(Sum16(space)) + "\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"data_file\":\"" + hex + "\""), std::string::npos) << r.out;
    const Bytes device = DeviceMemory();
    ASSERT_GE(device.size(), space.size());
    EXPECT_TRUE(std::equal(space.begin(), space.end(), device.begin()));

    // The referenced file is checked as the file alone is: data beyond the
    // space is refused, not dropped.
    WriteText(hex, ":020000040007F3\r\n:0100000055AA\r\n:020000040000FA\r\n" + ReadText(hex));
    const auto grown = Cli({"program", "--port", sim.Path(), "--file", dir.File("board.qkp"), "--delay", "0"});
    EXPECT_EQ(grown.status, 1) << grown.out;
    EXPECT_NE(grown.err.find("holds data outside the Data space (0x0..0x5FFFF): 0x70000..0x70000"), std::string::npos)
        << grown.err;
}

TEST_F(CliDevice, VersionsOfTheProtocolTheProgrammerAndTheDatabase)
{
    StartSim({"--fw-version", "V2.07"});
    const auto r = Cli({"versions", "--port", sim.Path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("   Protocol: QKComm-2 3.01\n   Device:   QKJTAG 2.07\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   DBase:    QKDB 3.32\n"), std::string::npos);
    const auto offline = Cli({"versions"});
    EXPECT_EQ(offline.status, 0);
    EXPECT_NE(offline.out.find("   Protocol: Not Connected\n   Device:   Not Connected\n"), std::string::npos);
    EXPECT_EQ(Cli({"versions", "--port", dir.File("absent")}).status, 3);
}

TEST_F(CliDevice, BadRequestsEndBeforeAnyConnection)
{
    const std::string hex = WriteImage();
    EXPECT_EQ(Cli({"program", "--device", "PCD80710", "--file", hex}).status, 1); // no CONN
    EXPECT_EQ(Cli({"program", "--demo", "--scan", "--device", "PCD80710", "--file", hex}).status, 1);
    EXPECT_EQ(Cli({"program", "--demo", "--device", "PCD99999", "--file", hex}).status, 1);
    EXPECT_EQ(Cli({"program", "--demo", "--device", "PCD80710"}).status, 1); // no --file
    EXPECT_EQ(Cli({"program", "--demo", "--device", "PCD80710", "--file", hex, "--delay", "soon"}).status, 1);
    const auto osd = Cli({"verify", "--demo", "--device", "PCD80712", "--space", "OSD", "--file", hex});
    EXPECT_EQ(osd.status, 1);
    EXPECT_NE(osd.err.find("work on the Data space"), std::string::npos) << osd.err;
    WriteText(dir.File("bad.hex"), ":0200000011224B\r\n:00000001FF");
    const auto warned = Cli({"program", "--demo", "--device", "PCD80710", "--file", dir.File("bad.hex")});
    EXPECT_EQ(warned.status, 1);
    EXPECT_NE(warned.err.find("checksum error"), std::string::npos);
    EXPECT_EQ(Cli({"read", "--demo", "--device", "PCD80710", "--file", dir.File("out.xyz")}).status, 1);
}

} // namespace
