// qksim's boot monitor without a terminal: the exchanges of a firmware
// update, its memory pages, and what it makes of bad frames.
#include <gtest/gtest.h>

#include "tools/qksim/simboot.h"
#include "tools/qksim/simopts.h"
#include "tools/qksim/simproto.h"

namespace {

using clBytes = std::vector<unsigned char>;

const clBytes kIdentifyReply = {14, 0x02, 0x00, 0xFF, 0xAA, 0x55, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00};
const clBytes kAck = {2, 0x02, 0};

class SimBootTest : public ::testing::Test {
protected:
    clBytes Send(const clBytes& frame, std::int64_t nowUs = 0)
    {
        clBytes out;
        m_Monitor.Receive(frame.data(), frame.size(), nowUs, out);
        return out;
    }
    static clBytes ImageFrame(std::uint32_t address, const clBytes& data)
    {
        clBytes frame = {static_cast<unsigned char>(7 + data.size()), 0x02, 0xF1, static_cast<unsigned char>(address >> 24),
                         static_cast<unsigned char>(address >> 16), static_cast<unsigned char>(address >> 8),
                         static_cast<unsigned char>(address), static_cast<unsigned char>(data.size())};
        frame.insert(frame.end(), data.begin(), data.end());
        return frame;
    }

    clSimFaults m_Faults;
    clSimBootMonitor m_Monitor{m_Faults};
};

TEST_F(SimBootTest, TakesAnImageAndHandsOverWhenItIsStarted)
{
    EXPECT_EQ(Send({0x00}), kIdentifyReply);
    EXPECT_EQ(Send(ImageFrame(0, {1, 2, 3})), kAck);
    // Frames may arrive in pieces.
    const clBytes second = ImageFrame(3, {4, 5});
    EXPECT_TRUE(Send(clBytes(second.begin(), second.begin() + 4)).empty());
    EXPECT_EQ(Send(clBytes(second.begin() + 4, second.end())), kAck);

    clBytes started;
    m_Monitor.OnStart([&](const clBytes& image) { started = image; });
    EXPECT_TRUE(m_Monitor.Active());
    EXPECT_EQ(Send({0x02, 0x00, 0xFF}), kAck);
    EXPECT_FALSE(m_Monitor.Active());
    EXPECT_EQ(started, (clBytes{1, 2, 3, 4, 5}));
    // Once the firmware runs, the monitor is silent.
    EXPECT_TRUE(Send({0x00}).empty());
}

TEST_F(SimBootTest, ServesItsPagedMemory)
{
    EXPECT_EQ(Send({8, 0x01, 0xF0, 0xFF, 0, 0, 0, 0, 1}), (clBytes{3, 0x02, 0, clSimBootMonitor::kPageCount}));
    EXPECT_EQ(Send({10, 0x02, 0xF0, 1, 0, 0, 0xFF, 0xFE, 2, 0xAB, 0xCD}), kAck);
    EXPECT_EQ(Send({8, 0x01, 0xF0, 1, 0, 0, 0xFF, 0xFD, 3}), (clBytes{5, 0x02, 0, 0xFF, 0xAB, 0xCD}));
    // Past the end of a page, or a page it does not have.
    EXPECT_EQ(Send({8, 0x01, 0xF0, 1, 0, 0, 0xFF, 0xFF, 2}), (clBytes{2, 0x40, 2}));
    EXPECT_EQ(Send({9, 0x02, 0xF0, 4, 0, 0, 0, 0, 1, 0x11}), (clBytes{2, 0x40, 2}));
}

TEST_F(SimBootTest, BadFramesGetErrorRepliesAndNothingElse)
{
    EXPECT_EQ(Send({0x02, 0x00, 0x33}), (clBytes{2, 0x40, 10}));          // unknown command
    EXPECT_EQ(Send({0x09, 0x02, 0xF1, 0, 0, 0, 0, 5, 1, 2}), (clBytes{2, 0x40, 1})); // count and length disagree
    EXPECT_EQ(Send({0x01, 0x07}), (clBytes{2, 0x40, 1}));
    EXPECT_EQ(Send(ImageFrame(clSimBootMonitor::kMaxImage - 1, {1, 2})), (clBytes{2, 0x40, 2}));
    EXPECT_TRUE(m_Monitor.Image().empty());
    // A frame left unfinished is dropped after a while; the next one counts.
    EXPECT_TRUE(Send({0x05, 0x02}, 0).empty());
    EXPECT_EQ(Send({0x00}, 1000000), kIdentifyReply);
}

TEST(SimBootFaults, CanMisidentifyRefuseImagesOrStayAfterTheStart)
{
    clSimFaults faults;
    faults.bootBadId = true;
    faults.bootStays = true;
    faults.bootError = 5;
    clSimBootMonitor monitor(faults);
    clBytes out;
    const unsigned char identify = 0;
    monitor.Receive(&identify, 1, 0, out);
    ASSERT_EQ(out.size(), 15u);
    EXPECT_EQ(clBytes(out.begin(), out.begin() + 3), (clBytes{14, 0x02, 0x00}));
    EXPECT_NE(out, kIdentifyReply);
    out.clear();
    const clBytes image = {8, 0x02, 0xF1, 0, 0, 0, 0, 1, 0x42};
    monitor.Receive(image.data(), image.size(), 0, out);
    EXPECT_EQ(out, (clBytes{2, 0x40, 5}));
    out.clear();
    const clBytes start = {0x02, 0x00, 0xFF};
    monitor.Receive(start.data(), start.size(), 0, out);
    EXPECT_EQ(out, kAck);
    EXPECT_TRUE(monitor.Active());
}

TEST(SimBootOptions, AreParsedAndCheckedWithTheRest)
{
    std::vector<const char*> args = {"qksim",          "--boot-monitor", "--boot-image",        "/tmp/img",
                                     "--fault",        "boot-stays",     "--fault",             "boot-error=9",
                                     "--fault",        "boot-bad-id"};
    clSimOptions o;
    std::string error;
    ASSERT_TRUE(SimParseArgs(static_cast<int>(args.size()), args.data(), o, error)) << error;
    EXPECT_TRUE(o.bootMonitor);
    EXPECT_EQ(o.bootImage, "/tmp/img");
    EXPECT_TRUE(o.faults.bootStays);
    EXPECT_TRUE(o.faults.bootBadId);
    EXPECT_EQ(o.faults.bootError, 9);
    for (const char* bad : {"boot-error=0", "boot-error=256", "boot-stays=1"}) {
        std::vector<const char*> a = {"qksim", "--fault", bad};
        clSimOptions other;
        EXPECT_FALSE(SimParseArgs(3, a.data(), other, error)) << bad;
    }
}

TEST(SimProtocolWithMonitor, TheMonitorAnswersUntilTheFirmwareStarts)
{
    clSimOptions options;
    clSimMemory memory(4096, 0xFF);
    clSimProtocol protocol(options, memory);
    clSimBootMonitor monitor(options.faults);
    protocol.AttachBootMonitor(&monitor);
    clBytes out;
    const unsigned char probe = 0;
    protocol.Receive(&probe, 1, 0, out);
    EXPECT_EQ(out, kIdentifyReply);
    out.clear();
    const clBytes start = {0x02, 0x00, 0xFF};
    protocol.Receive(start.data(), start.size(), 0, out);
    out.clear();
    protocol.Receive(&probe, 1, 0, out);
    EXPECT_TRUE(out.empty());
    const unsigned char sync = 0xFE;
    protocol.Receive(&sync, 1, 0, out);
    EXPECT_EQ(out.size(), 7u);
}

} // namespace
