// A space buffer bound to a communication object: which changes go through,
// with which range and text, and when nothing goes at all.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cpplib/qk51buff.h"
#include "err/qkexpt.h"
#include "tests/testutil.h"

namespace {

// A communication object that writes down what a buffer asks of it.
class clFakeComm : public clQKBufComm {
public:
    int IsCommExist() const override { return exists; }
    int GetProtocol() const override { return protocol; }
    int IsForceDemo() const override { return forceDemo; }
    void WriteSeq(const clQKHugeBufIntr& buf, int mode) override
    {
        Note("write", buf, mode);
        if (failWrites)
            throw clXIO();
    }
    void FillSeq(const clQKHugeBufIntr& buf, unsigned char value) override { Note("fill", buf, value); }
    void SetAddressesSeq(const clQKHugeBufIntr& buf) override { Note("range", buf, 0); }
    void SetGlobalText(const char* text) override { globalText = text; }
    void ClearGlobalText() override { globalText = nullptr; }

    int exists = 1;
    int protocol = 1;
    int forceDemo = 0;
    bool failWrites = false;
    const char* globalText = nullptr;
    std::vector<std::string> calls;

private:
    void Note(const char* what, const clQKHugeBufIntr& buf, int arg)
    {
        char text[96];
        std::snprintf(text, sizeof text, "%s %X-%X %d%s", what, buf.GetCmdStartAdrs().GetLinear(),
                      buf.GetCmdStopAdrs().GetLinear(), arg, globalText != nullptr ? " (text)" : "");
        calls.push_back(text);
    }
};

class WriteThroughTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Buf.SetParams(0x100, clAdrs(0x1000));
        m_Buf.SetCmdAddresses(clAdrs(0x1010), clAdrs(0x101F));
        m_Buf.BindComm(&m_Comm);
    }
    clFakeComm m_Comm;
    clQKHugeBuffer m_Buf{"Data"};
};

TEST_F(WriteThroughTest, EachChangeGoesThroughWithItsRangeAndTheRangeComesBack)
{
    const unsigned char byte = 0x42;
    m_Buf.SetByte(clAdrs(0x1080), &byte);
    const unsigned char fill = 0xEE;
    m_Buf.Fill(clAdrs(0x1000), clAdrs(0x100F), &fill);
    m_Buf.CopyWithin(clAdrs(0x1000), clAdrs(0x1003), clAdrs(0x10F0));
    const unsigned char bytes[3] = {1, 2, 3};
    m_Buf.Write(clAdrs(0x1040), clAdrs(0x1042), bytes);
    const std::vector<std::string> expected = {"range 1080-1080 0", "write 1080-1080 1",  "range 1010-101F 0",
                                               "range 1000-100F 0", "fill 1000-100F 238", "range 1010-101F 0",
                                               "range 10F0-10F3 0", "write 10F0-10F3 1",  "range 1010-101F 0",
                                               "range 1040-1042 0", "write 1040-1042 1",  "range 1010-101F 0"};
    EXPECT_EQ(m_Comm.calls, expected);
    EXPECT_EQ(m_Buf.GetByte(clAdrs(0x10F2)), 0xEE);
    EXPECT_EQ(m_Buf.GetCmdStartAdrs(), clAdrs(0x1010));
    EXPECT_EQ(m_Buf.GetCmdStopAdrs(), clAdrs(0x101F));
}

TEST_F(WriteThroughTest, LoadsSendTheirRangesAndAWholeFileItsOwnText)
{
    clTempDir dir;
    WriteBytes(dir.File("a.bin"), std::vector<unsigned char>(0x20, 0x11));
    m_Comm.calls.clear();
    m_Buf.LoadBinRangeReversed(dir.File("a.bin").c_str(), clAdrs(0x1004), clAdrs(0x1013));
    EXPECT_EQ(m_Buf.GetByte(clAdrs(0x1004)), 0x88); // 0x11 reversed
    m_Buf.LoadFile(dir.File("a.bin").c_str());
    EXPECT_EQ(m_Comm.calls, (std::vector<std::string>{"range 1004-1013 0", "write 1004-1013 1", "range 1010-101F 0",
                                                      "range 1000-10FF 0 (text)", "write 1000-10FF 1 (text)",
                                                      "range 1010-101F 0 (text)"}));
    EXPECT_EQ(m_Comm.globalText, nullptr);

    // From a stream, sizing resets the range to the whole buffer, then all
    // of it goes.
    std::stringstream stream;
    m_Buf.SaveToStream(stream);
    m_Comm.calls.clear();
    m_Buf.LoadFromStream(stream);
    EXPECT_EQ(m_Comm.calls, (std::vector<std::string>{"range 1000-10FF 0", "range 1000-10FF 0", "write 1000-10FF 1",
                                                      "range 1000-10FF 0"}));

    // A file that is not there changes nothing and sends nothing.
    m_Comm.calls.clear();
    EXPECT_EQ(m_Buf.LoadBinRange(dir.File("missing.bin").c_str(), clAdrs(0x1000), clAdrs(0x1000)), 0);
    EXPECT_TRUE(m_Comm.calls.empty());
}

TEST_F(WriteThroughTest, NothingGoesWithoutARealConnectionUnlessTheDemoIsForced)
{
    const unsigned char byte = 1;
    m_Comm.exists = 0;
    m_Buf.SetByte(clAdrs(0x1000), &byte);
    m_Comm.exists = 1;
    m_Comm.protocol = -1; // the demo after a failed connect
    m_Buf.SetByte(clAdrs(0x1000), &byte);
    m_Buf.SetCmdAddresses(clAdrs(0x1000), clAdrs(0x1001));
    EXPECT_TRUE(m_Comm.calls.empty());
    EXPECT_FALSE(m_Buf.IsWriteThrough());

    m_Comm.forceDemo = 1;
    EXPECT_TRUE(m_Buf.IsWriteThrough());
    m_Buf.SetByte(clAdrs(0x1001), &byte);
    EXPECT_EQ(m_Comm.calls.size(), 3u);

    m_Buf.BindComm(nullptr);
    m_Buf.SetByte(clAdrs(0x1001), &byte);
    clQKHugeBuffer empty("Empty");
    empty.BindComm(&m_Comm);
    EXPECT_FALSE(empty.IsWriteThrough());
    EXPECT_EQ(m_Comm.calls.size(), 3u);
}

TEST_F(WriteThroughTest, AFailedWriteKeepsTheChangeAndTheBuffersRange)
{
    m_Comm.failWrites = true;
    const unsigned char byte = 0x99;
    EXPECT_THROW(m_Buf.SetByte(clAdrs(0x10A0), &byte), clXIO);
    EXPECT_EQ(m_Buf.GetByte(clAdrs(0x10A0)), 0x99);
    EXPECT_EQ(m_Buf.GetCmdStartAdrs(), clAdrs(0x1010));
    EXPECT_EQ(m_Buf.GetCmdStopAdrs(), clAdrs(0x101F));
}

} // namespace
