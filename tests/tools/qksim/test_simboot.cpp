// qksim's boot monitor without a terminal: what it makes of bad frames, its
// faults and its options. Whole updates over a terminal are the end-to-end
// tests' part.
#include <gtest/gtest.h>

#include "tools/qksim/simboot.h"
#include "tools/qksim/simopts.h"

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
        clBytes frame = {static_cast<unsigned char>(7 + data.size()), 0x02, 0xF1};
        for (int shift = 24; shift >= 0; shift -= 8)
            frame.push_back(static_cast<unsigned char>(address >> shift));
        frame.push_back(static_cast<unsigned char>(data.size()));
        frame.insert(frame.end(), data.begin(), data.end());
        return frame;
    }

    clSimFaults m_Faults;
    clSimBootMonitor m_Monitor{m_Faults};
};

TEST_F(SimBootTest, BadFramesGetErrorRepliesAndNothingElse)
{
    EXPECT_EQ(Send({0x02, 0x00, 0x33}), (clBytes{2, 0x40, 10}));                     // unknown command
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
    std::vector<const char*> args = {"qksim",      "--boot-monitor", "--boot-image", "/tmp/img", "--fault",
                                     "boot-stays", "--fault",        "boot-error=9", "--fault",  "boot-bad-id"};
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

} // namespace
