// Which device a COM number opens, and which ports a search may try.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "comm/comport.h"
#include "comm/comports.h"
#include "comm/linkprobe.h"
#include "tests/comm/ptyend.h"
#include "tests/testutil.h"

namespace {

namespace fs = std::filesystem;

void AddTty(const clTempDir& sys, const std::string& name, bool device, const char* type = nullptr)
{
    fs::create_directories(sys.Path() / name);
    if (device)
        fs::create_directories(sys.Path() / name / "device");
    if (type != nullptr)
        WriteText((sys.Path() / name / "type").string(), type);
}

TEST(ComPorts, DetectionListsRealPortsInComOrderAndNeverTheConsole)
{
    clTempDir sys;
    AddTty(sys, "ttyS0", true, "4\n"); // the console
    AddTty(sys, "ttyS1", true, "0\n"); // a UART slot without a chip
    AddTty(sys, "ttyS10", true, "4\n");
    AddTty(sys, "ttyS2", true, "4\n");
    AddTty(sys, "ttyUSB1", true);
    AddTty(sys, "ttyUSB0", true);
    AddTty(sys, "ttyUSB9", false); // no device behind it
    AddTty(sys, "ttyACM0", true);
    AddTty(sys, "tty5", true);
    AddTty(sys, "ttyUSBx", true);
    fs::create_directories(sys.Path() / "console");
    WriteText((sys.Path() / "console" / "active").string(), "tty0 ttyS0\n");

    const std::vector<std::string> expected = {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS2",
                                               "/dev/ttyS10"};
    EXPECT_EQ(ComDetectPorts(sys.Path().string(), "/dev"), expected);
    EXPECT_TRUE(ComDetectPorts(sys.File("missing"), "/dev").empty());
}

TEST(ComPorts, ThisMachinesConsoleIsNeverListed)
{
    std::ifstream active("/sys/class/tty/console/active");
    std::string consoles;
    std::getline(active, consoles);
    std::istringstream names(consoles);
    for (std::string name; names >> name;)
        for (const auto& port : ComDetectPorts())
            EXPECT_NE(port, "/dev/" + name);
}

TEST(ComPorts, AProgramsMappingWinsOverTheEnvironmentWhichWinsOverDetection)
{
    ComClearPortMap();
    EXPECT_EQ(ComPortPath(0), "");
    EXPECT_EQ(ComPortPath(-3), "");
    {
        const clEnvVar mapped("QKJTAG_COM61", "/tmp/from-environment");
        EXPECT_EQ(ComPortPath(61), "/tmp/from-environment");
        ComMapPort(61, "/tmp/from-program");
        EXPECT_EQ(ComPortPath(61), "/tmp/from-program");
        ComMapPort(61, "");
        EXPECT_EQ(ComPortPath(61), "/tmp/from-environment");
    }
    // With nothing mapped a high number names no detected port.
    EXPECT_EQ(ComPortPath(61), "");
}

TEST(ComPorts, TheDriverAndItsLatencyTimerComeFromTheTtysSysfsEntry)
{
    clTempDir sys, dev;
    WriteText(dev.File("ttyUSB0"), "");
    WriteText(dev.File("ttyACM0"), "");
    fs::create_directory_symlink(dev.Path(), sys.Path() / "by-id"); // the path a user names may be a link
    AddTty(sys, "ttyUSB0", true);
    fs::create_directories(sys.Path() / "drivers" / "ftdi_sio");
    fs::create_directory_symlink(sys.Path() / "drivers" / "ftdi_sio", sys.Path() / "ttyUSB0" / "device" / "driver");
    WriteText((sys.Path() / "ttyUSB0" / "device" / "latency_timer").string(), "16\n");
    AddTty(sys, "ttyACM0", true);

    const clComLatency usb = ComPortLatency((sys.Path() / "by-id" / "ttyUSB0").string(), sys.Path().string());
    EXPECT_EQ(usb.driver, "ftdi_sio");
    EXPECT_EQ(usb.timerMs, 16);
    EXPECT_FALSE(usb.IsLow());
    EXPECT_EQ(QkLatencyText(usb), "ftdi_sio, low latency off (latency timer 16 ms)");
    WriteText((sys.Path() / "ttyUSB0" / "device" / "latency_timer").string(), "1\n");
    EXPECT_EQ(QkLatencyText(ComPortLatency(dev.File("ttyUSB0"), sys.Path().string())),
              "ftdi_sio, low latency on (latency timer 1 ms)");

    const clComLatency acm = ComPortLatency(dev.File("ttyACM0"), sys.Path().string());
    EXPECT_EQ(acm.timerMs, -1);
    EXPECT_EQ(QkLatencyText(acm), "unknown driver, no latency timer");
    EXPECT_EQ(ComPortLatency(dev.File("missing"), sys.Path().string()).driver, "");
}

TEST(ComPorts, APseudoTerminalOpensWithoutLowLatencyAndSaysWhatItIs)
{
    clPtyEnd far;
    ASSERT_FALSE(far.Path().empty());
    std::string why;
    ASSERT_EQ(ComOpenPort(41, clComPort{0, far.Path()}, 0, 0, 9, 0, 4096, 4096, 0, why), comOk) << why;
    const clComLatency latency = ComLatency(41);
    EXPECT_EQ(latency.driver, "pseudo-terminal");
    EXPECT_FALSE(latency.lowLatency); // the request was refused, and the line works on
    EXPECT_EQ(QkLatencyText(latency), "pseudo-terminal, no latency timer");
    EXPECT_EQ(ComClose(41), comOk);
    EXPECT_EQ(ComLatency(41).driver, "");
}

TEST(LinkProbe, ARoundTripIsSlowWhenItIsFarAboveWhatTheLineNeeds)
{
    clRoundTrips trips;
    trips.count = 100;
    trips.medianMs = 1.3; // qksim at 115200 baud: the line needs 1.13 ms
    EXPECT_FALSE(QkIsSlowRoundTrip(trips, 115200));
    trips.medianMs = 17.2; // a 16 ms latency timer
    EXPECT_TRUE(QkIsSlowRoundTrip(trips, 115200));
    trips.medianMs = 14.5; // 9600 baud itself needs 13.5 ms
    EXPECT_FALSE(QkIsSlowRoundTrip(trips, 9600));
    EXPECT_FALSE(QkIsSlowRoundTrip(clRoundTrips{}, 115200));
    const clComLatency ftdi{"ftdi_sio", 16, true};
    const std::string advice = QkSlowLinkAdvice("/dev/ttyUSB0", ftdi);
    EXPECT_NE(advice.find("(16 ms now)"), std::string::npos) << advice;
    EXPECT_NE(advice.find("setserial /dev/ttyUSB0 low_latency"), std::string::npos) << advice;
    EXPECT_NE(advice.find("DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\""), std::string::npos) << advice;
}

} // namespace
