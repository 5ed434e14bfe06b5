// qksim's parts without a terminal: its command line, the flash model and
// the protocol engine with time passed in.
#include <sstream>

#include <gtest/gtest.h>

#include "tools/qksim/simmem.h"
#include "tools/qksim/simopts.h"
#include "tools/qksim/simproto.h"

namespace {

using clBytes = std::vector<unsigned char>;

bool Parse(std::vector<const char*> args, clSimOptions& options, std::string& error)
{
    args.insert(args.begin(), "qksim");
    return SimParseArgs(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(SimOptions, GoodArgumentsAreTaken)
{
    clSimOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--baud", "0", "--ram-kib", "0x10", "--fault", "flip=0x20", "--fault", "reply=w0x20:1",
                       "--fault", "powerup=19", "--fault", "bad-sync", "--fault", "drop-after=5", "--link", "/tmp/x"},
                      o, error))
        << error;
    EXPECT_EQ(o.baud, 0u);
    EXPECT_EQ(o.ramKib, 16u);
    EXPECT_TRUE(o.faults.flip);
    EXPECT_EQ(o.faults.flipAddress, 0x20u);
    ASSERT_EQ(o.faults.replies.size(), 2u);
    EXPECT_EQ(o.faults.replies[0].frames, (clSimSelector{3, 0x20}));
    EXPECT_EQ(o.faults.replies[0].code, 1);
    EXPECT_EQ(o.faults.replies[1].frames, (clSimSelector{1, 19}));
    EXPECT_EQ(o.faults.replies[1].code, 4);
    EXPECT_TRUE(o.faults.badSync);
    EXPECT_EQ(o.faults.dropAfter, 5u);
}

TEST(SimOptions, BadArgumentsAreRefusedWithTheirName)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--baud", "fast"},
        {"--baud", "-1"},
        {"--baud", "99999999999"},
        {"--ram-kib", "0"},
        {"--ram-kib", "65536"},
        {"--busy-ms", "0"},
        {"--fw-version", "V1.50-and-much-more"},
        {"--fault", "nope"},
        {"--fault", "reply=0x10"},
        {"--fault", "reply=q10:1"},
        {"--fault", "drop-after=0"},
        {"--fault", "bad-sync=1"},
        {"--erase-value", "256"},
        {"--baud"},
        {"--what", "1"},
        {"stray"},
    };
    for (const auto& args : bad) {
        clSimOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0];
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;
    }
}

TEST(SimMemory, FlashCanOnlyClearBitsUntilErased)
{
    clSimMemory mem(64, 0xFF);
    const clBytes data = {0x0F, 0xF0, 0x55};
    ASSERT_TRUE(mem.WriteRam(0, data.data(), 3));
    EXPECT_TRUE(mem.Program(0, 2));
    EXPECT_TRUE(mem.Verify(0, 2).ok);
    const clBytes more = {0xFF, 0x0F};
    ASSERT_TRUE(mem.WriteRam(0, more.data(), 2));
    // 0x0F can't go back to 0xFF without an erase.
    EXPECT_FALSE(mem.Program(0, 1));
    const auto check = mem.Verify(0, 2);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.address, 0u);
    EXPECT_EQ(check.value, 0x0F);
    EXPECT_FALSE(mem.BlankCheck(0, 63).ok);
    mem.Erase();
    EXPECT_TRUE(mem.BlankCheck(0, 63).ok);
    EXPECT_EQ(mem.Checksum(0, 1), 0x1FE);
    // Memory accesses outside the memory change nothing.
    EXPECT_FALSE(mem.WriteRam(63, data.data(), 2));
    EXPECT_FALSE(mem.FillRam(10, 64, 0));
    EXPECT_FALSE(mem.FillRam(10, 9, 0));
}

class SimEngineTest : public ::testing::Test {
protected:
    SimEngineTest() { m_Options.ramKib = 4; }
    void Make()
    {
        m_Mem = std::make_unique<clSimMemory>(m_Options.ramKib * 1024, m_Options.eraseValue);
        m_Proto = std::make_unique<clSimProtocol>(m_Options, *m_Mem);
        m_Proto->SetFrameLog(&m_Log);
    }
    clBytes Feed(const clBytes& bytes, std::int64_t us)
    {
        clBytes out;
        m_Proto->Receive(bytes.data(), bytes.size(), us, out);
        return out;
    }
    // What a host sends before device orders: the device set-up and the
    // command range start..stop.
    void SetUp(std::uint32_t start, std::uint32_t stop)
    {
        EXPECT_EQ(Feed({18, 3, 34, 0, 0, 0, 0, 0, 10, 50, 0, 0, 0, 0, 0, 0, 20, 100, 0}, 0), (clBytes{1, 0}));
        clBytes range = {16, 3, 34, 1, 0, 0, 0, 0, 8};
        for (const std::uint32_t a : {start, stop})
            for (int shift = 24; shift >= 0; shift -= 8)
                range.push_back(static_cast<unsigned char>(a >> shift));
        EXPECT_EQ(Feed(range, 0), (clBytes{1, 0}));
    }
    clBytes TickAt(std::int64_t us)
    {
        clBytes out;
        m_Proto->Tick(us, out);
        return out;
    }

    clSimOptions m_Options;
    std::unique_ptr<clSimMemory> m_Mem;
    std::unique_ptr<clSimProtocol> m_Proto;
    std::ostringstream m_Log;
};

TEST_F(SimEngineTest, AnswersSyncIgnoresTheProbeAndJoinsSplitFrames)
{
    Make();
    EXPECT_EQ(Feed({0xFE}, 0), (clBytes{6, 0, 0xAA, 0x55, 0x81, 0x18, 0xFF}));
    EXPECT_TRUE(Feed({0x00}, 0).empty());
    // A size query in two pieces: RAM 4 KiB, low byte first.
    EXPECT_TRUE(Feed({8, 2, 0}, 10).empty());
    EXPECT_EQ(Feed({18, 0, 0, 0, 0, 1}, 20), (clBytes{3, 0, 4, 0}));
    // A byte that can't start a frame is dropped; the next frame is served.
    EXPECT_EQ(Feed({0x80, 2, 1, 0x23}, 30), (clBytes{0}));
    // An unfinished frame is noise once it is old.
    EXPECT_TRUE(Feed({8, 2, 0}, 40).empty());
    EXPECT_EQ(Feed({2, 1, 0x23}, 1000000), (clBytes{0}));
}

TEST_F(SimEngineTest, LongOrdersSendBusyRepliesOfTheAwaitedLengthThenTheAnswer)
{
    m_Options.workMs = 100;
    m_Options.busyMs = 30;
    Make();
    SetUp(0, 15);
    EXPECT_TRUE(Feed({2, 1, 0x11}, 0).empty()); // blank check: a 7-byte reply
    EXPECT_TRUE(TickAt(20000).empty());
    EXPECT_EQ(TickAt(30000), (clBytes{6, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m_Proto->NextEventUs(), 60000);
    // Frames while busy are ignored.
    EXPECT_TRUE(Feed({2, 1, 0x13}, 40000).empty());
    EXPECT_EQ(TickAt(60000).size(), 7u);
    EXPECT_EQ(TickAt(90000).size(), 7u);
    // Done at 100 ms, but a reply keeps 30 ms from the last busy one.
    EXPECT_TRUE(TickAt(100000).empty());
    EXPECT_EQ(TickAt(120000), (clBytes{6, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m_Proto->NextEventUs(), -1);
}

TEST_F(SimEngineTest, TheAbortByteEndsALongOrderWithCodeThree)
{
    m_Options.workMs = 1000;
    m_Options.busyMs = 50;
    Make();
    SetUp(0, 15);
    EXPECT_TRUE(Feed({2, 1, 0x10}, 0).empty());
    EXPECT_EQ(TickAt(50000), (clBytes{1, 2}));
    EXPECT_TRUE(Feed({0xFF}, 60000).empty());
    EXPECT_EQ(TickAt(100000), (clBytes{1, 3}));
    EXPECT_TRUE(TickAt(2000000).empty());
    // Outside an order the abort byte is ignored.
    EXPECT_TRUE(Feed({0xFF}, 2000000).empty());
    EXPECT_NE(m_Log.str().find("RX FF\n-- abort outside a device order: ignored"), std::string::npos);
}

TEST_F(SimEngineTest, ReplyFaultsBendTheAnswer)
{
    m_Options.faults.replies = {{{1, 0x12}, clSimReplyFault::fltBadCnt, 0},
                                {{1, 0x13}, clSimReplyFault::fltShort, 0},
                                {{1, 0x14}, clSimReplyFault::fltSilent, 0},
                                {{1, 0x23}, clSimReplyFault::fltCode, 1},
                                {{3, 0x20}, clSimReplyFault::fltCode, 7}};
    Make();
    SetUp(0, 4095);
    EXPECT_EQ(Feed({2, 1, 0x12}, 0), (clBytes{4, 0, 0xF0, 0x00})); // 4096 x 0xFF = 0xFF000
    EXPECT_EQ(Feed({2, 1, 0x13}, 0), (clBytes{1}));
    EXPECT_TRUE(Feed({2, 1, 0x14}, 0).empty());
    EXPECT_EQ(Feed({2, 1, 0x23}, 0), (clBytes{1}));
    EXPECT_EQ(Feed({10, 3, 0x20, 0, 0, 0, 0, 0, 2, 1, 2}, 0), (clBytes{1, 7}));
}

TEST_F(SimEngineTest, BadFramesGetAFailureAndMemoryStaysInside)
{
    Make();
    // A write whose count disagrees with its length, one past the memory,
    // and a read past the end.
    EXPECT_EQ(Feed({11, 3, 0x20, 0, 0, 0, 0, 0, 2, 1, 2, 3}, 0), (clBytes{1, 1}));
    EXPECT_EQ(Feed({10, 3, 0x20, 0, 0, 0, 0x0F, 0xFF, 2, 1, 2}, 0), (clBytes{1, 1}));
    EXPECT_EQ(Feed({8, 2, 0x20, 0, 0, 0, 0x0F, 0xF0, 62}, 0), (clBytes{1, 1}));
    EXPECT_EQ(Feed({8, 2, 0x20, 0, 0, 0, 0, 0, 63}, 0), (clBytes{1, 1}));
    // Command addresses outside the memory are refused.
    EXPECT_EQ(Feed({16, 3, 34, 1, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x10, 0}, 0), (clBytes{1, 1}));
    EXPECT_EQ(Feed({12, 4, 0x20, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0}, 0), (clBytes{1, 1}));
}

TEST_F(SimEngineTest, DeviceOrdersNeedTheSetUpAndTheRangeTheHostSent)
{
    Make();
    // Nothing set up yet: a checksum and an erase are refused as failures of
    // the awaited length, and the frame log says why.
    EXPECT_EQ(Feed({2, 1, 0x12}, 0), (clBytes{3, 1, 0, 0}));
    EXPECT_EQ(Feed({2, 1, 0x13}, 0), (clBytes{1, 1}));
    EXPECT_NE(m_Log.str().find("-- no device set up: order refused"), std::string::npos);
    // Set up, but no range: only the whole-chip erase runs.
    EXPECT_EQ(Feed({18, 3, 34, 0, 0, 0, 0, 0, 10, 50, 0, 0, 0, 0, 0, 0, 20, 100, 0}, 0), (clBytes{1, 0}));
    EXPECT_EQ(Feed({2, 1, 0x13}, 0), (clBytes{1, 0}));
    EXPECT_EQ(Feed({2, 1, 0x11}, 0), (clBytes{6, 1, 0, 0, 0, 0, 0}));
    EXPECT_NE(m_Log.str().find("-- no command range was set: order refused"), std::string::npos);
    // With the range, the checksum is over that range only.
    SetUp(0x10, 0x1F);
    EXPECT_EQ(Feed({2, 1, 0x12}, 0), (clBytes{3, 0, 0x0F, 0xF0})); // 16 x 0xFF
}

TEST_F(SimEngineTest, APowerUpReplyRestartsTheProgrammer)
{
    m_Options.faults.replies = {{{1, 0x12}, clSimReplyFault::fltCode, 4}};
    Make();
    SetUp(0, 15);
    const clBytes data(16, 0x5A);
    clBytes write = {24, 3, 0x20, 0, 0, 0, 0, 0, 16};
    write.insert(write.end(), data.begin(), data.end());
    EXPECT_EQ(Feed(write, 0), (clBytes{1, 0}));
    EXPECT_EQ(Feed({2, 1, 0x12}, 0)[1], 4);
    // Set-up, range and memory are gone.
    EXPECT_EQ(Feed({2, 1, 0x10}, 0), (clBytes{1, 1}));
    clBytes read(18);
    ASSERT_TRUE(m_Mem->ReadRam(0, 16, read.data()));
    EXPECT_NE(clBytes(read.begin(), read.begin() + 16), data);
}

TEST_F(SimEngineTest, TheLineDropsOnTheChosenFrame)
{
    m_Options.faults.dropAfter = 2;
    Make();
    EXPECT_EQ(Feed({0xFE}, 0).size(), 7u);
    EXPECT_TRUE(Feed({0xFE, 0xFE}, 0).empty());
    EXPECT_TRUE(m_Proto->LineDropped());
}

} // namespace
