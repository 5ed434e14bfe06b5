// What qkcli's device commands send the programmer, read from qksim's frame
// log: the command range before every device order, only the image range an
// operation needs, and nothing at all when the request or its records are
// wrong. Also how the programmer's odd answers end a command.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// The frame-log line of the command-range frame for start..stop.
std::string RangeFrame(std::uint32_t start, std::uint32_t stop)
{
    std::string line = "RX 10 03 22 01 00 00 00 00 08";
    char hex[4];
    for (const std::uint32_t a : {start, stop})
        for (int shift = 24; shift >= 0; shift -= 8) {
            std::snprintf(hex, sizeof hex, " %02X", (a >> shift) & 0xFF);
            line += hex;
        }
    return line;
}

// The address of a write (03) or fill (04) frame to the programmer's memory.
bool MemoryFrame(const std::string& line, std::uint32_t& first, std::uint32_t& last)
{
    unsigned cnt = 0, kind = 0, order = 0, sub = 0, a[4] = {}, b[4] = {};
    if (std::sscanf(line.c_str(), "RX %x %x %x %x %x %x %x %x %x %x %x %x", &cnt, &kind, &order, &sub, &a[0], &a[1],
                    &a[2], &a[3], &b[0], &b[1], &b[2], &b[3]) < 9 ||
        order != 0x20 || (kind != 3 && kind != 4))
        return false;
    first = (a[0] << 24) | (a[1] << 16) | (a[2] << 8) | a[3];
    last = kind == 4 ? ((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]) : first + b[0] - 1;
    return true;
}

class CliOrders : public ::testing::Test {
protected:
    void StartSim(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"--baud", "0", "--frame-log", dir.File("frames.log")};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(sim.Start(args)) << sim.Error();
    }
    clRunResult Cli(std::vector<std::string> args) { return QkRun(QKCLI_PATH, args); }
    std::vector<std::string> Device(const std::string& command, std::vector<std::string> more = {})
    {
        std::vector<std::string> args = {command, "--port", sim.Path(), "--device", "PCD80710"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    std::string Frames() const { return ReadText(dir.File("frames.log")); }
    // A 4 KiB image at 0x1000 with 0xFF runs in it, as Intel Hex.
    std::string Image()
    {
        image.assign(4096, 0);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<unsigned char>(i * 13 + i / 256);
        std::fill(image.begin() + 100, image.begin() + 300, 0xFF);
        WriteBytes(dir.File("a.bin"), image);
        EXPECT_EQ(Cli({"convert", dir.File("a.bin"), dir.File("a.hex"), "--start", "0x1000"}).status, 0);
        return dir.File("a.hex");
    }
    unsigned ImageSum(std::size_t from, std::size_t to) const
    {
        unsigned sum = 0;
        for (std::size_t i = from; i <= to; ++i)
            sum += image[i];
        return sum & 0xFFFF;
    }

    clTempDir dir;
    clSimProcess sim;
    Bytes image;
};

TEST_F(CliOrders, EveryDeviceOrderFollowsItsCommandRange)
{
    StartSim();
    const std::string hex = Image();
    const struct {
        std::vector<std::string> args;
        std::vector<const char*> orders; // execute frames, in order
    } cases[] = {
        {Device("program",
                {"--file", hex, "--erase", "--blank-check", "--delay", "0", "--start", "0x1000", "--stop", "0x17FF"}),
         {"RX 02 01 13", "RX 02 01 11", "RX 02 01 10", "RX 02 01 15"}},
        {Device("verify", {"--file", hex, "--start", "0x1000", "--stop", "0x17FF"}), {"RX 02 01 15"}},
        {Device("checksum", {"--start", "0x1000", "--stop", "0x17FF"}), {"RX 02 01 12"}},
        {Device("blank-check", {"--start", "0x1800", "--stop", "0x1FFF"}), {"RX 02 01 11"}},
        {Device("read", {"--file", dir.File("back.bin"), "--start", "0x1000", "--stop", "0x17FF"}), {"RX 02 01 14"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const std::size_t before = Lines(Frames()).size();
        const auto r = Cli(c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> all = Lines(Frames());
        const std::vector<std::string> lines(all.begin() + static_cast<long>(before), all.end());
        const std::string range = c.args[0] == "blank-check" ? RangeFrame(0x1800, 0x1FFF) : RangeFrame(0x1000, 0x17FF);
        // Each order has the range frame before it, since the previous order.
        std::size_t next = 0, lastRange = std::string::npos;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].find("RX 10 03 22 01"), lines[i] == range ? 0u : std::string::npos) << lines[i];
            if (lines[i] == range)
                lastRange = i;
            if (next < c.orders.size() && lines[i] == c.orders[next]) {
                // The final verify of programming runs on the program order's range.
                if (!(c.args[0] == "program" && next == 3)) {
                    EXPECT_NE(lastRange, std::string::npos) << c.orders[next];
                }
                lastRange = std::string::npos;
                ++next;
            }
        }
        EXPECT_EQ(next, c.orders.size());
        // The image goes only where the operation works.
        for (const std::string& line : lines) {
            std::uint32_t first = 0, last = 0;
            if (MemoryFrame(line, first, last)) {
                EXPECT_GE(first, 0x1000u) << line;
                EXPECT_LE(last, 0x17FFu) << line;
            }
        }
    }
    // The device holds what was programmed, read back over the range.
    const Bytes back = ReadBytes(dir.File("back.bin"));
    ASSERT_EQ(back.size(), 0x800u);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), image.begin()));
}

TEST_F(CliOrders, TheChecksumIsTheSumOverTheRangeAsked)
{
    StartSim();
    ASSERT_EQ(Cli(Device("program", {"--file", Image(), "--erase", "--delay", "0"})).status, 0);
    const auto part = Cli(Device("checksum", {"--start", "0x1000", "--stop", "0x17FF"}));
    ASSERT_EQ(part.status, 0) << part.err;
    EXPECT_NE(part.out.find("PCD80710 Data 0x1000..0x17FF checksum: ok, checksum " + Hex4(ImageSum(0, 0x7FF))),
              std::string::npos)
        << part.out;
    const auto upper = Cli(Device("checksum", {"--start", "0x1800", "--stop", "0x1FFF", "--json"}));
    EXPECT_NE(upper.out.find("\"checksum\":\"" + Hex4(ImageSum(0x800, 0xFFF)) + "\""), std::string::npos) << upper.out;
}

TEST_F(CliOrders, ARangeOutsideTheSpaceOrReversedIsRefusedBeforeConnecting)
{
    StartSim();
    const std::string hex = Image();
    const std::vector<std::string> refused[] = {
        Device("program", {"--file", hex, "--start", "0x70000", "--stop", "0x70010"}),
        Device("program", {"--file", hex, "--start", "0x900", "--stop", "0x10"}),
        Device("checksum", {"--start", "0xFFFFFFFF", "--stop", "0xFFFFFFFF"}),
        Device("blank-check", {"--stop", "0x60000"}),
    };
    for (const auto& args : refused) {
        const auto r = Cli(args);
        EXPECT_EQ(r.status, 1) << args[5] << r.err;
        EXPECT_NE(r.err.find("the range 0x"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Frames(), "");
    // Widening to whole blocks inside the space stays, with a note.
    const auto widened = Cli(Device("checksum", {"--start", "0x1001", "--stop", "0x1002"}));
    EXPECT_EQ(widened.status, 0) << widened.err;
    EXPECT_NE(widened.err.find("range 0x1000..0x17FF (whole blocks of 2048 bytes)"), std::string::npos) << widened.err;
    EXPECT_NE(Frames().find(RangeFrame(0x1000, 0x17FF)), std::string::npos);
}

TEST_F(CliOrders, RecordsThatCannotBeWrittenStopTheCommandBeforeTheProgrammer)
{
    StartSim();
    std::filesystem::create_directory(dir.File("adir"));
    const struct {
        const char* option;
        std::string path;
    } cases[] = {
        {"--trace", dir.File("no/such/t.log")}, {"--trace", dir.File("adir")}, {"--trace", "/dev/full"},
        {"--log", dir.File("no/such/x.log")},   {"--log", "/dev/full"},
    };
    for (const auto& c : cases) {
        const auto r = Cli(Device("checksum", {c.option, c.path}));
        EXPECT_EQ(r.status, 1) << c.option << " " << c.path;
        EXPECT_NE(r.err.find(c.path), std::string::npos) << r.err;
    }
    EXPECT_EQ(Frames(), "");
}

TEST_F(CliOrders, RepeatedOptionsAndOptionsACommandDoesNotTakeAreUsageErrors)
{
    StartSim();
    const std::vector<std::string> wrong[] = {
        Device("checksum", {"--start", "0", "--start", "0x10"}),
        Device("erase", {"--file", "x.hex"}),
        Device("erase", {"--start", "0"}),
        Device("checksum", {"--erase"}),
        Device("blank-check", {"--device", "PCD80712"}),
    };
    for (const auto& args : wrong) {
        const auto r = Cli(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args.back();
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Frames(), "");
    // --switch may be given many times.
    EXPECT_EQ(Cli(Device("checksum", {"--switch", "/SDELAY:30", "--switch", "/MDELAY:90"})).status, 0);
}

TEST_F(CliOrders, AnOrderAnsweredWithTheUpdatingCodeWasNotCarriedOut)
{
    StartSim({"--fault", "reply=0x15:5"});
    const auto r = Cli(Device("verify", {"--file", Image(), "--json"}));
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("\"result\":\"error\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Software is being updated."), std::string::npos) << r.out;
}

TEST_F(CliOrders, MalformedRepliesAndARestartAreLineErrors)
{
    StartSim({"--fault", "bad-cnt=0x12"});
    const auto malformed = Cli(Device("checksum"));
    EXPECT_EQ(malformed.status, 3) << malformed.err;
    EXPECT_NE(malformed.err.find("malformed"), std::string::npos) << malformed.err;
    sim.Stop();

    StartSim({"--fault", "powerup=0x12"});
    const auto restarted = Cli(Device("checksum"));
    EXPECT_EQ(restarted.status, 3) << restarted.err;
    EXPECT_NE(restarted.err.find("Invalid order."), std::string::npos) << restarted.err;
    EXPECT_NE(restarted.err.find("the programmer restarted"), std::string::npos) << restarted.err;
    sim.Stop();

    // A verify or blank check answered so names no address or values: none were read.
    const std::string hex = Image();
    for (const char* fault : {"bad-cnt=0x15", "powerup=0x15", "bad-cnt=0x11", "powerup=0x11"}) {
        StartSim({"--fault", fault});
        const bool verify = std::string(fault).ends_with("15");
        const auto r = Cli(verify ? Device("verify", {"--file", hex, "--json"}) : Device("blank-check", {"--json"}));
        EXPECT_EQ(r.status, 3) << fault << r.out;
        EXPECT_EQ(r.out.find("failing_address"), std::string::npos) << fault << r.out;
        EXPECT_EQ(r.out.find("has failed at address"), std::string::npos) << fault << r.out;
        EXPECT_EQ(r.out.find("is not blank"), std::string::npos) << fault << r.out;
        sim.Stop();
    }
}

// The programmer refusing to take or give its memory ran no device order:
// that is a fault of the programmer or the line (3), not the device's (2).
TEST_F(CliOrders, ARefusedMemoryTransferIsNoDeviceFailure)
{
    const std::string hex = Image();
    const struct {
        const char* fault;
        const char* command;
        std::vector<std::string> more;
    } cases[] = {
        {"reply=w0x20:1", "program", {"--file", hex, "--delay", "0"}},
        {"reply=f0x20:1", "verify", {"--file", hex}},
        {"reply=r0x20:1", "read", {"--file", dir.File("out.bin"), "--start", "0", "--stop", "0xFFF"}},
    };
    for (const auto& c : cases) {
        StartSim({"--fault", c.fault});
        const auto r = Cli(Device(c.command, c.more));
        EXPECT_EQ(r.status, 3) << c.fault << r.err;
        EXPECT_NE(r.err.find("refused a transfer of its memory"), std::string::npos) << c.fault << r.err;
        sim.Stop();
    }
}

// A programmer found in its boot monitor gets its firmware at connect: the
// result, the JSON and the trace say so.
TEST_F(CliOrders, AFirmwareUpdateAtConnectIsReported)
{
    StartSim({"--boot-monitor"});
    const auto r = Cli(Device("checksum", {"--json", "--trace", dir.File("trace.log")}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"firmware_update\":{\"from\":\"boot monitor\",\"to\":\"QKJTAG 1.50\"}"), std::string::npos)
        << r.out;
    EXPECT_NE(ReadText(dir.File("trace.log")).find(" firmware=QKJTAG-1.50"), std::string::npos);
    // Running firmware now: nothing to say the next time.
    const auto again = Cli(Device("checksum"));
    EXPECT_EQ(again.err.find("boot monitor"), std::string::npos) << again.err;
}

TEST_F(CliOrders, SwitchesAndPortsThatAreNoneAreUsageErrors)
{
    for (const char* bad : {"garbage", "/PDELAY:abc", "/COMMTO:-5", "/SDELAY:", "/NOSUCH"}) {
        const auto r = Cli({"checksum", "--demo", "--device", "PCD80710", "--switch", bad});
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    }
    EXPECT_EQ(Cli({"checksum", "--demo", "--device", "PCD80710", "--switch", "/sdelay:30", "--quiet"}).status, 0);
    const auto empty = Cli({"versions", "--port", ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("not an empty name"), std::string::npos) << empty.err;
    // A connect that fails names the port it tried, in the JSON and the trace.
    const auto absent = Cli(
        {"checksum", "--port", dir.File("absent"), "--device", "PCD80710", "--json", "--trace", dir.File("trace.log")});
    EXPECT_EQ(absent.status, 3);
    EXPECT_NE(absent.out.find("\"port\":\"" + dir.File("absent") + "\""), std::string::npos) << absent.out;
    EXPECT_NE(ReadText(dir.File("trace.log")).find(" port=" + dir.File("absent") + " "), std::string::npos);
}

// A device that stores bits in reverse order (PCD80718, device id 6): what
// program writes, read gives back, as the desktop program does it.
TEST_F(CliOrders, AReversedBitOrderDeviceReadsBackWhatWasProgrammed)
{
    StartSim();
    WriteBytes(dir.File("four.bin"), {0x01, 0x02, 0x03, 0x80});
    const std::vector<std::string> range = {"--device", "PCD80718", "--start", "0", "--stop", "0xFFF"};
    auto args = [&](const char* command, std::vector<std::string> more) {
        std::vector<std::string> all = {command, "--port", sim.Path()};
        all.insert(all.end(), range.begin(), range.end());
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    ASSERT_EQ(Cli(args("program", {"--file", dir.File("four.bin"), "--delay", "0"})).status, 0);
    ASSERT_EQ(Cli(args("read", {"--file", dir.File("back.bin")})).status, 0);
    const Bytes back = ReadBytes(dir.File("back.bin"));
    ASSERT_GE(back.size(), 4u);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 4), (Bytes{0x01, 0x02, 0x03, 0x80}));
}

TEST_F(CliOrders, CtrlCInTheWaitBeforeProgrammingEndsAtOnce)
{
    StartSim();
    const int pid = QkStart(QKCLI_PATH, Device("program", {"--file", Image(), "--delay", "8000"}));
    ASSERT_GT(pid, 0);
    // The image and the description are sent before the wait.
    for (int i = 0; i < 100 && Frames().find("RX 17 03 22 04") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stopped = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    EXPECT_EQ(QkWaitExit(pid), 4);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count(), 1.0);
    EXPECT_EQ(Frames().find("RX 02 01 10"), std::string::npos);
}

TEST_F(CliOrders, ProgramAndVerifyRefuseDataTheyCannotUseBeforeConnecting)
{
    StartSim();
    std::filesystem::create_directory(dir.File("adir"));
    WriteBytes(dir.File("empty.bin"), {});
    WriteBytes(dir.File("big.bin"), Bytes(0x100000, 0x5A)); // 1 MiB into a 384 KiB space
    // A hex record beyond the space, at 0x70000.
    WriteText(dir.File("high.hex"), ":020000040007F3\r\n:0100000055AA\r\n:00000001FF\r\n");
    const struct {
        std::string file;
        std::string says;
    } cases[] = {
        {dir.File("empty.bin"), dir.File("empty.bin") + " is empty"},
        {dir.File("adir"), dir.File("adir") + " is a directory"},
        {"/dev/zero", "/dev/zero is not a regular file"},
        {dir.File("big.bin"), "holds data outside the Data space (0x0..0x5FFFF): 0x60000..0xFFFFF"},
        {dir.File("high.hex"), "holds data outside the Data space (0x0..0x5FFFF): 0x70000..0x70000"},
    };
    for (const auto& c : cases)
        for (const char* command : {"program", "verify"}) {
            const auto r = Cli(Device(command, {"--file", c.file}));
            EXPECT_EQ(r.status, 1) << command << " " << c.file;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        }
    EXPECT_EQ(Frames(), "");
}

TEST_F(CliOrders, OutputsThatWouldDestroyAnInputOrEachOtherAreRefusedBeforeConnecting)
{
    StartSim();
    const std::string hex = Image(), bin = dir.File("a.bin");
    const std::string before = ReadText(hex);
    std::filesystem::create_symlink(hex, dir.File("link.log"));
    ASSERT_EQ(Cli({"project", "save", dir.File("board.qkp"), "--device", "PCD80710", "--file", hex}).status, 0);
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {Device("verify", {"--file", hex, "--report", hex}), "the report " + hex + " is the data file"},
        {Device("program", {"--file", hex, "--trace", dir.File("link.log")}), "the trace"},
        {Device("program", {"--file", hex, "--log", dir.File("./a.hex")}), "the communication log"},
        {{"program", "--port", sim.Path(), "--file", dir.File("board.qkp"), "--trace", hex}, "is the data file"},
        {Device("verify", {"--file", bin, "--from", "bin", "--report", dir.File("r"), "--trace", dir.File("r")}),
         "are the same file"},
        {Device("read", {"--file", dir.File("no/such/folder/out.hex")}), "the folder"},
        {Device("read", {"--file", dir.File(std::string(300, 'x') + ".hex")}), "longer than 255 bytes"},
        {Device("verify", {"--file", hex, "--report", dir.File("no/such/folder/r.json")}), "the folder"},
    };
    for (const auto& c : cases) {
        const auto r = Cli(c.args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadText(hex), before);
    EXPECT_EQ(Frames(), "");
}

TEST_F(CliOrders, TextThatIsNotWhatItsNameSaysIsRefused)
{
    StartSim();
    const std::string hex = Image();
    WriteText(dir.File("page.hex"), "<!DOCTYPE html>\n<html><body>404 Not Found</body></html>\n");
    std::string utf16 = "\xFF\xFE";
    for (const char c : ReadText(hex))
        utf16 += std::string{c, '\0'};
    WriteText(dir.File("wide.hex"), utf16);
    WriteBytes(dir.File("image.dat"), image);
    const struct {
        std::string file, says;
    } cases[] = {
        {dir.File("page.hex"), "page.hex is not Intel Hex: it looks like an HTML or XML page"},
        {dir.File("wide.hex"), "wide.hex is UTF-16 text"},
        {dir.File("image.dat"), "image.dat holds no Intel Hex or S-records (it looks like binary data)"},
    };
    for (const auto& c : cases) {
        const auto r = Cli(Device("program", {"--file", c.file}));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(Frames(), "");
    // A byte-order mark before the records is no data.
    WriteText(dir.File("marked.hex"), "\xEF\xBB\xBF" + ReadText(hex));
    const auto marked =
        Cli(Device("verify", {"--file", dir.File("marked.hex"), "--start", "0x1000", "--stop", "0x1FFF", "--json"}));
    EXPECT_NE(marked.out.find("\"image_checksum\":\"" + Hex4(ImageSum(0, 4095)) + "\""), std::string::npos)
        << marked.out << marked.err;
}

TEST_F(CliOrders, APortThatCannotBeOpenedSaysWhyBesideTheSystemsMessage)
{
    std::filesystem::create_directory(dir.File("adir"));
    WriteText(dir.File("plain"), "x");
    const struct {
        std::string port;
        std::string says;
    } cases[] = {
        {dir.File("absent"), dir.File("absent") + " does not exist"},
        {dir.File("plain"), "is not a serial device"},
        {dir.File("adir"), "is a directory, not a serial device"},
        {"/dev/null", "is not a serial device"},
    };
    for (const auto& c : cases) {
        const auto r = Cli({"checksum", "--port", c.port, "--device", "PCD80710", "--json"});
        EXPECT_EQ(r.status, 3) << c.port;
        EXPECT_NE(r.out.find("\"error_number\":1,\"error_text\":\"Cannot connect with QK-JTAG programmer."),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("\"error_detail\":\""), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    }
    // A port another program holds.
    StartSim();
    const int holder = QkStart(QKCLI_PATH, Device("program", {"--file", Image(), "--delay", "5000"}));
    ASSERT_GT(holder, 0);
    for (int i = 0; i < 100 && Frames().find("RX 17 03 22 04") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto busy = Cli(Device("checksum"));
    EXPECT_EQ(busy.status, 3);
    EXPECT_NE(busy.err.find("in use by another program"), std::string::npos) << busy.err;
    kill(holder, SIGINT);
    EXPECT_EQ(QkWaitExit(holder), 4);
}

} // namespace
