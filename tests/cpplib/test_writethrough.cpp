// A space buffer bound to a communication object: which changes go to the
// programmer's memory and when, what stays unsynced after a failure, a hold
// or a new connection, and the ranges that the mirror keeps.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cpplib/qk51buff.h"
#include "err/qkexpt.h"
#include "tests/fakebufcomm.h"
#include "tests/testutil.h"

namespace {

using clCalls = std::vector<std::string>;

class WriteThroughTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Buf.SetParams(0x100, clAdrs(0x1000));
        m_Buf.SetCmdAddresses(clAdrs(0x1010), clAdrs(0x101F));
        m_Buf.BindComm(&m_Comm);
        // The programmer holds the buffer as it is.
        m_Buf.SendUnsynced(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs());
        m_Comm.calls.clear();
    }
    void Set(std::uint32_t address, unsigned char value) { m_Buf.SetByte(clAdrs(address), &value); }
    bool Synced() const { return m_Buf.IsSynced(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs()); }

    clFakeBufComm m_Comm;
    clQKHugeBuffer m_Buf{"Data"};
};

TEST_F(WriteThroughTest, OnlyTheBytesAChangeAltersGoAndTheCommandRangeStays)
{
    Set(0x1080, 0x42);
    const unsigned char fill = 0xEE;
    m_Buf.Fill(clAdrs(0x1000), clAdrs(0x100F), &fill);
    m_Buf.Fill(clAdrs(0x1000), clAdrs(0x1011), &fill); // 0x1000..0x100F hold it already
    m_Buf.CopyWithin(clAdrs(0x1000), clAdrs(0x1003), clAdrs(0x10F0));
    const unsigned char bytes[4] = {0xEE, 2, 0xEE, 4};
    m_Buf.Write(clAdrs(0x1040), clAdrs(0x1043), bytes);
    m_Buf.Write(clAdrs(0x1040), clAdrs(0x1043), bytes); // no change: nothing goes
    EXPECT_EQ(m_Comm.calls,
              (clCalls{"write 1080-1080", "write 1000-100F", "write 1010-1011", "write 10F0-10F3", "write 1040-1043"}));
    EXPECT_EQ(m_Buf.GetCmdStartAdrs(), clAdrs(0x1010));
    EXPECT_TRUE(Synced());
}

TEST_F(WriteThroughTest, WhatDidNotReachTheProgrammerGoesWithTheNextTransfer)
{
    // The line fails: the byte is kept here and stays unsynced.
    m_Comm.failWrites = true;
    EXPECT_THROW(Set(0x10A0, 0x99), clXIO);
    EXPECT_EQ(m_Buf.GetByte(clAdrs(0x10A0)), 0x99);
    m_Comm.failWrites = false;
    // Unconnected, and on the demo protocol after a failed connect, nothing goes.
    m_Comm.exists = 0;
    Set(0x10A1, 0x98);
    m_Comm.exists = 1;
    m_Comm.protocol = clQkProtocol::demo;
    Set(0x10A3, 0x97);
    m_Comm.protocol = clQkProtocol::real;
    EXPECT_FALSE(m_Buf.IsSynced(clAdrs(0x10A0), clAdrs(0x10A3)));
    EXPECT_TRUE(m_Buf.IsSynced(clAdrs(0x10A2), clAdrs(0x10A2)));
    EXPECT_EQ(m_Buf.UnsyncedBytes(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs()), 3u);
    m_Comm.calls.clear();
    m_Buf.SendUnsynced(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs());
    EXPECT_EQ(m_Comm.calls, (clCalls{"write 10A0-10A1", "write 10A3-10A3"}));
    EXPECT_TRUE(Synced());

    // A new connection: the programmer may have restarted, so all of it goes.
    ++m_Comm.connections;
    EXPECT_FALSE(Synced());
    m_Comm.calls.clear();
    m_Buf.SendUnsynced(clAdrs(0x1010), clAdrs(0x101F));
    EXPECT_EQ(m_Comm.calls, clCalls{"write 1010-101F"});
    EXPECT_EQ(m_Buf.UnsyncedBytes(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs()), 0xF0u);

    // A transfer that had to connect first leaves the earlier ones unknown.
    m_Buf.SendUnsynced(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs());
    Set(0x1001, 0x55);
    m_Comm.reconnectOnWrite = true;
    Set(0x1002, 0x56);
    EXPECT_EQ(m_Buf.UnsyncedBytes(m_Buf.GetStartAdrs(), m_Buf.GetStopAdrs()), 0xFFu);
    EXPECT_TRUE(m_Buf.IsSynced(clAdrs(0x1002), clAdrs(0x1002)));
}

TEST_F(WriteThroughTest, AHeldEditGoesOnceInStepsWithOneProgress)
{
    clQKHugeBuffer big("Data");
    big.SetParams(0x10000, clAdrs(0));
    big.BindComm(&m_Comm);
    const unsigned char erased = 0xFF;
    big.Fill(clAdrs(0), clAdrs(0xFFFF), &erased);
    m_Comm.calls.clear();
    m_Comm.parts.clear();
    {
        clQKHugeBuffer::clHold hold(big);
        const unsigned char value = 0x11;
        big.Fill(clAdrs(0x200), clAdrs(0x81FF), &value);
        big.Fill(clAdrs(0x200), clAdrs(0x81FF), &value); // no change, no more to send
        big.SetByte(clAdrs(0xF000), &value);
    }
    EXPECT_TRUE(m_Comm.calls.empty());
    EXPECT_FALSE(big.IsSynced(clAdrs(0x200), clAdrs(0x200)));
    big.SendUnsynced(big.GetStartAdrs(), big.GetStopAdrs());
    EXPECT_EQ(m_Comm.calls, (clCalls{"write 200-41FF", "write 4200-81FF", "write F000-F000"}));
    // 32 KiB + 1 byte in 16 KiB steps: one percentage from 0 to 100.
    EXPECT_EQ(m_Comm.parts, (clCalls{"0-49", "49-99", "99-100"}));
}

TEST_F(WriteThroughTest, LoadsSendTheirRangesAndAWholeFileItsOwnText)
{
    clTempDir dir;
    WriteBytes(dir.File("a.bin"), std::vector<unsigned char>(0x20, 0x11));
    m_Buf.LoadBinRangeReversed(dir.File("a.bin").c_str(), clAdrs(0x1004), clAdrs(0x1013));
    EXPECT_EQ(m_Buf.GetByte(clAdrs(0x1004)), 0x88); // 0x11 reversed
    m_Buf.LoadFile(dir.File("a.bin").c_str());
    EXPECT_EQ(m_Comm.calls, (clCalls{"write 1004-1013", "write 1000-10FF (text)"}));
    EXPECT_EQ(m_Comm.globalText, nullptr);

    std::stringstream stream;
    m_Buf.SaveToStream(stream);
    m_Comm.calls.clear();
    m_Buf.LoadFromStream(stream);
    EXPECT_EQ(m_Comm.calls, (clCalls{"range 1000-10FF", "write 1000-10FF"}));

    // A file that is not there changes nothing and sends nothing.
    m_Comm.calls.clear();
    EXPECT_EQ(m_Buf.LoadBinRange(dir.File("missing.bin").c_str(), clAdrs(0x1000), clAdrs(0x1000)), 0);
    EXPECT_TRUE(m_Comm.calls.empty());
}

TEST(MirrorTest, RangesJoinAndSplit)
{
    clQkMirror mirror;
    mirror.MarkUnsynced(10, 19);
    mirror.MarkUnsynced(20, 29); // touching: one range
    mirror.MarkUnsynced(40, 49);
    mirror.MarkUnsynced(0xFFFFFFF0u, 0xFFFFFFFFu);
    EXPECT_EQ(mirror.Unsynced(0, 100), (std::vector<clAdrsRange>{{10, 29}, {40, 49}}));
    mirror.MarkSynced(15, 44);
    EXPECT_EQ(mirror.Unsynced(0, 100), (std::vector<clAdrsRange>{{10, 14}, {45, 49}}));
    mirror.MarkUnsynced(12, 46);
    EXPECT_EQ(mirror.Unsynced(13, 0xFFFFFFF3u), (std::vector<clAdrsRange>{{13, 49}, {0xFFFFFFF0u, 0xFFFFFFF3u}}));
    mirror.MarkSynced(0, 0xFFFFFFFFu);
    EXPECT_TRUE(mirror.IsSynced(0, 0xFFFFFFFFu));
    EXPECT_EQ(mirror.UnsyncedBytes(0, 0xFFFFFFFFu), 0u);
}

} // namespace
