// Which device a COM number opens, and which ports a search may try.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "comm/comports.h"
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

} // namespace
