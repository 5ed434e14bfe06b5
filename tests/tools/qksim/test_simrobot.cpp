// qksim as the programmer of production use: robot mode and the start
// button, the project description and automatic options it was sent, the
// project stored in its flash, the device configuration, and its control
// channel.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/testutil.h"
#include "tools/qksim/simcontrol.h"
#include "tools/qksim/simopts.h"
#include "tools/qksim/simproto.h"

namespace {

using clBytes = std::vector<unsigned char>;

class SimRobot : public ::testing::Test {
protected:
    SimRobot()
    {
        m_Options.ramKib = 4;
        m_Proto.OnStateChange([this](const clSimState&) { ++m_Changes; });
    }
    clBytes Feed(const clBytes& bytes)
    {
        clBytes out;
        m_Proto.Receive(bytes.data(), bytes.size(), 0, out);
        return out;
    }
    void SetUpDevice()
    {
        ASSERT_EQ(Feed({18, 3, 34, 0, 0, 0, 0, 0, 10, 50, 0, 0, 0, 0, 0, 0, 20, 100, 0}), (clBytes{1, 0}));
    }
    void SetRange(unsigned char start, unsigned char stop)
    {
        ASSERT_EQ(Feed({16, 3, 34, 1, 0, 0, 0, 0, 8, 0, 0, 0, start, 0, 0, 0, stop}), (clBytes{1, 0}));
    }
    void WriteRam(const clBytes& data)
    {
        clBytes frame = {static_cast<unsigned char>(8 + data.size()), 3, 0x20, 0, 0, 0, 0, 0,
                         static_cast<unsigned char>(data.size())};
        frame.insert(frame.end(), data.begin(), data.end());
        ASSERT_EQ(Feed(frame), (clBytes{1, 0}));
    }
    clBytes Order(unsigned char order) { return Feed({2, 1, order}); }

    clSimOptions m_Options;
    clSimMemory m_Mem{4096, 0xFF};
    clSimProtocol m_Proto{m_Options, m_Mem};
    int m_Changes = 0;
};

TEST_F(SimRobot, RobotStateNeedsRobotModeTheDeviceAndTheRange)
{
    // Robot mode off: the robot state runs nothing.
    EXPECT_EQ(Order(0x22), (clBytes{0}));
    EXPECT_EQ(Order(0x23), (clBytes{0}));
    EXPECT_FALSE(m_Proto.State().standAlone);
    // On, but nothing to program yet: refused.
    EXPECT_EQ(Order(0x21), (clBytes{0}));
    EXPECT_TRUE(m_Proto.State().robot);
    EXPECT_EQ(Order(0x23), (clBytes{1}));
    SetUpDevice();
    EXPECT_EQ(Order(0x23), (clBytes{1}));
    SetRange(0, 3);
    EXPECT_EQ(Order(0x23), (clBytes{0}));
    EXPECT_TRUE(m_Proto.State().standAlone);
    EXPECT_GT(m_Changes, 0);
}

TEST_F(SimRobot, InRobotModeTheButtonProgramsAndTheHostGetsTheStandAloneAnswer)
{
    SetUpDevice();
    SetRange(0, 3);
    WriteRam({0x12, 0x34, 0x56, 0x78});
    ASSERT_EQ(Feed({11, 3, 34, 3, 0, 0, 0, 0, 3, 0, 1, 1}), (clBytes{1, 0})); // erase and blank check
    Order(0x21);
    Order(0x23);
    // Every frame gets code 4 with the length the host waits for; the sync
    // byte is still answered.
    EXPECT_EQ(Order(0x12), (clBytes{3, 4, 0, 0}));
    EXPECT_EQ(Order(0x24), (clBytes{4}));
    EXPECT_EQ(Feed({8, 2, 33, 0, 0, 0, 0, 0, 2}), (clBytes{1, 4}));
    EXPECT_EQ(Feed({0xFE}).size(), 7u);

    m_Proto.PressStartButton();
    m_Proto.PressStartButton();
    EXPECT_EQ(m_Proto.State().cycles, 2u);
    EXPECT_EQ(m_Proto.State().failures, 0u);
    EXPECT_EQ(clBytes(m_Mem.Device().begin(), m_Mem.Device().begin() + 5), (clBytes{0x12, 0x34, 0x56, 0x78, 0xFF}));

    // Reset by hand: the host is answered again, with nothing set up.
    m_Proto.Reset();
    EXPECT_FALSE(m_Proto.State().robot);
    EXPECT_FALSE(m_Proto.State().standAlone);
    EXPECT_FALSE(m_Proto.State().autoSet);
    EXPECT_EQ(Order(0x12), (clBytes{3, 1, 0, 0}));
    // Outside robot mode the button only shows in the next status.
    m_Proto.PressStartButton();
    EXPECT_EQ(Feed({8, 2, 33, 0, 0, 0, 0, 0, 2}), (clBytes{3, 0, 1, 0}));
    EXPECT_EQ(Feed({8, 2, 33, 0, 0, 0, 0, 0, 2}), (clBytes{3, 0, 0, 0}));
}

TEST_F(SimRobot, ACycleWithoutEraseOnAProgrammedDeviceFails)
{
    SetUpDevice();
    SetRange(0, 1);
    WriteRam({0x0F, 0x0F});
    Order(0x21);
    Order(0x23);
    m_Proto.PressStartButton();
    m_Proto.Reset();
    SetUpDevice();
    SetRange(0, 1);
    WriteRam({0xF0, 0xF0});
    Order(0x21);
    Order(0x23);
    m_Proto.PressStartButton(); // no erase asked: 0x0F cannot become 0xF0
    EXPECT_EQ(m_Proto.State().cycles, 1u);
    EXPECT_EQ(m_Proto.State().failures, 1u);
}

TEST_F(SimRobot, DescriptionOptionsStoredProjectAndConfigurationAreKept)
{
    clBytes description = {23, 3, 34, 4, 0, 0, 0, 0, 15};
    for (const char c : std::string("Line\\1 board\0\0", 14))
        description.push_back(static_cast<unsigned char>(c));
    description.push_back(3);
    ASSERT_EQ(Feed(description), (clBytes{1, 0}));
    ASSERT_EQ(Feed({11, 3, 34, 3, 0, 0, 0, 0, 3, 1, 0, 1}), (clBytes{1, 0}));
    EXPECT_EQ(m_Proto.State().description, "Line\\1 board");
    EXPECT_EQ(m_Proto.State().delayByte, 3);
    // Storing the project needs the device and the range it programs.
    EXPECT_EQ(Order(0x16), (clBytes{1, 1}));
    SetUpDevice();
    EXPECT_EQ(Order(0x16), (clBytes{1, 1}));
    SetRange(0, 15);
    EXPECT_EQ(Order(0x16), (clBytes{1, 0}));
    EXPECT_EQ(Order(0x18), (clBytes{1, 0}));
    EXPECT_EQ(SimStateText(m_Proto.State()),
              "robot=off\nstand-alone=no\nbuttons=unset\ndescription=Line\\x5C1 board\nauto-options=1,0,1\n"
              "stored-project=yes\nstored-description=Line\\x5C1 board\nstored-range=0x0-0xF\n"
              "stored-auto-options=1,0,1\nstored-sum=" +
                  std::to_string(m_Mem.RamSum(0, 15)) + "\nconfig=programmed\ncycles=0\nfailures=0\n");
    EXPECT_EQ(Order(0x17).size(), 255u);
    EXPECT_EQ(m_Proto.State().config, clSimState::cfgErased);
    Order(0x25);
    EXPECT_EQ(m_Proto.State().buttons, clSimState::btnForbidden);
    // The flash keeps the project over a restart; the rest is gone.
    m_Proto.Reset();
    EXPECT_TRUE(m_Proto.State().projectStored);
    EXPECT_EQ(m_Proto.State().storedDescription, "Line\\1 board");
    EXPECT_FALSE(m_Proto.State().descriptionSet);
    EXPECT_EQ(m_Proto.State().buttons, clSimState::btnUnset);
}

TEST_F(SimRobot, ControlCommandsAndTheirChannel)
{
    EXPECT_TRUE(SimControlCommand(" press\r", m_Proto));
    EXPECT_EQ(Feed({8, 2, 33, 0, 0, 0, 0, 0, 2}), (clBytes{3, 0, 1, 0}));
    EXPECT_FALSE(SimControlCommand("explode", m_Proto));

    clTempDir dir;
    const std::string fifo = dir.File("control");
    WriteText(fifo, "not a fifo");
    clSimControl refused;
    std::string error;
    EXPECT_FALSE(refused.Open(fifo, error));
    EXPECT_EQ(error, fifo + " exists and is not a FIFO");
    std::remove(fifo.c_str());
    {
        clSimControl control;
        ASSERT_TRUE(control.Open(fifo, error)) << error;
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        const std::string lines = "pre";
        ASSERT_EQ(write(writer, lines.data(), lines.size()), 3);
        control.Read(m_Proto); // half a line waits for the rest
        EXPECT_EQ(Feed({8, 2, 33, 0, 0, 0, 0, 0, 2}), (clBytes{3, 0, 0, 0}));
        ASSERT_EQ(write(writer, "ss\n", 3), 3);
        control.Read(m_Proto);
        EXPECT_EQ(Feed({8, 2, 33, 0, 0, 0, 0, 0, 2}), (clBytes{3, 0, 1, 0}));
        close(writer);
    }
    EXPECT_FALSE(std::filesystem::exists(fifo));
}

TEST(SimOptionsControl, ControlAndStateTakeAPath)
{
    const char* args[] = {"qksim", "--control", "/tmp/qk-ctl", "--state", "/tmp/qk-state"};
    clSimOptions options;
    std::string error;
    ASSERT_TRUE(SimParseArgs(5, args, options, error)) << error;
    EXPECT_EQ(options.control, "/tmp/qk-ctl");
    EXPECT_EQ(options.stateFile, "/tmp/qk-state");
    const char* bad[] = {"qksim", "--state", ""};
    EXPECT_FALSE(SimParseArgs(3, bad, options, error));
}

} // namespace
