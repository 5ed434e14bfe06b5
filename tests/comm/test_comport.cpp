// The serial link over a pseudo-terminal: status codes, time budgets and the
// read rules.
#include <chrono>
#include <ctime>
#include <thread>

#include <gtest/gtest.h>

#include "comm/comport.h"
#include "comm/comports.h"
#include "tests/comm/ptyend.h"
#include "tests/testutil.h"

namespace {

constexpr int kCom = 50;
constexpr int kId = 5;

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_Far.Path().empty());
        ComMapPort(kCom, m_Far.Path());
    }
    void TearDown() override
    {
        ComClose(kId);
        ComMapPort(kCom, "");
    }
    int Open(int id = kId) { return ComOpen(id, kCom - 1, 0, 0, 9, 0, 4096, 4096, 0); }
    void OpenFast(int baud = 115200)
    {
        ASSERT_EQ(Open(), comOk);
        ASSERT_EQ(ComSetParams(kId, baud, 0, 8, 0, 4), comOk);
        ASSERT_EQ(ComSetTimeout(kId, 18), comOk); // one second
    }

    clPtyEnd m_Far;
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(ComPortTest, OpenChecksItsArgumentsAndKeepsTheFirstPort)
{
    EXPECT_EQ(ComOpen(kId, kCom - 1, 0, 0, 8, 0, 4096, 4096, 0), comBadOpenParams);
    EXPECT_EQ(ComOpen(kId, kCom - 1, 1, 0, 9, 0, 4096, 4096, 0), comBadOpenParams);
    EXPECT_EQ(ComIsFree(kId), 1);
    ASSERT_EQ(Open(), comOk);
    EXPECT_EQ(Open(), comAlreadyOpen);
    EXPECT_EQ(ComBaud(kId), 9600); // as opened
    // The device is not shared with a second id.
    EXPECT_EQ(Open(kId + 1), comOpenFailed);
    EXPECT_EQ(ComIsFree(kId + 1), 1);
    EXPECT_EQ(ComOpen(kId + 1, 998, 0, 0, 9, 0, 4096, 4096, 0), comOpenFailed); // COM999: none
    EXPECT_EQ(ComClose(kId), 0);
    EXPECT_EQ(ComIsFree(kId), 1);
}

TEST_F(ComPortTest, AFailedOpenSaysWhyAndNamesThePort)
{
    clTempDir dir;
    WriteText(dir.File("file"), "x");
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {dir.File("missing"), dir.File("missing") + " does not exist"},
        {dir.File("file"), dir.File("file") + " is not a serial device (a regular file)"},
        {"/dev/null", "/dev/null is not a serial device"},
        {dir.Path().string(), dir.Path().string() + " is a directory, not a serial device"},
    };
    std::string why;
    const auto openAt = [&why](const clComPort& port, int id = kId) {
        return ComOpenPort(id, port, 0, 0, 9, 0, 4096, 4096, 0, why);
    };
    for (const auto& c : cases) {
        // By its path, and as a mapped COM number: the same reason.
        EXPECT_EQ(openAt({0, c.path}), comOpenFailed) << c.path;
        EXPECT_EQ(why, c.reason);
        ComMapPort(kCom, c.path);
        EXPECT_EQ(openAt({kCom, ""}), comOpenFailed) << c.path;
        EXPECT_EQ(why, c.reason);
        EXPECT_EQ(ComPortProblem(kCom), c.path == "/dev/null" ? "" : c.reason); // seen without opening
    }
    EXPECT_EQ(openAt({999, ""}), comOpenFailed);
    EXPECT_EQ(why, "COM999 is no serial port of this machine");

    // Held by another id (another program holds it the same way: flock).
    ASSERT_EQ(openAt({0, m_Far.Path()}), comOk);
    EXPECT_EQ(why, "");
    EXPECT_EQ(openAt({0, m_Far.Path()}, kId + 1), comOpenFailed);
    EXPECT_EQ(why, m_Far.Path() + " is in use by another program");
}

TEST_F(ComPortTest, IdsNotInTheTableAnswerMinusOneExceptClose)
{
    unsigned char byte = 0;
    EXPECT_EQ(ComClose(77), 0);
    EXPECT_EQ(ComRead(77, 1, &byte), -1);
    EXPECT_EQ(ComWrite(77, 1, &byte), -1);
    EXPECT_EQ(ComInCount(77), -1);
    EXPECT_EQ(ComSetTimeout(77, 1), -1);
    EXPECT_EQ(ComSetParams(77, 9600, 0, 8, 0, 4), -1);
    EXPECT_EQ(ComTxIdle(77), -1);
    EXPECT_EQ(ComFrameError(77), -1);
    EXPECT_EQ(ComBaud(77), -1);
}

TEST_F(ComPortTest, ParametersAndHandshakeKinds)
{
    ASSERT_EQ(Open(), comOk);
    ASSERT_EQ(ComSetParams(kId, 115200, 0, 8, 0, 4), comOk);
    EXPECT_EQ(ComBaud(kId), 115200);
    EXPECT_EQ(ComBitsPerChar(kId), 8);
    // Kinds 0..3 and 6..15 are refused before anything changes.
    EXPECT_EQ(ComSetParams(kId, 9600, 0, 8, 0, 2), comBadHandshake);
    EXPECT_EQ(ComBaud(kId), 115200);
    EXPECT_EQ(ComSetParams(kId, 12345, 0, 8, 0, 4), comStateRefused);
    // The bits per character are the sum of the three codes (two stop bits: 2).
    ASSERT_EQ(ComSetParams(kId, 19200, 0, 8, 2, 5), comOk);
    EXPECT_EQ(ComBitsPerChar(kId), 10);
    // A pseudo-terminal keeps no parity: a state the device does not take is refused.
    EXPECT_EQ(ComSetParams(kId, 19200, 2, 7, 0, 4), comStateRefused);
    EXPECT_EQ(ComSetParams(kId, 19200, 0, 8, 0, 16), comOk);
}

TEST_F(ComPortTest, TicksBecomeAMillisecondBudgetAndZeroMovesNothing)
{
    OpenFast();
    EXPECT_EQ(ComSetTimeout(kId, 63), 0);
    EXPECT_EQ(ComGetTimeBudget(), 3500);
    ASSERT_EQ(ComSetTimeout(kId, 0), 0);
    m_Far.Write({1, 2, 3});
    unsigned char bytes[3] = {};
    EXPECT_EQ(ComRead(kId, 3, bytes), 0);
    EXPECT_EQ(ComWrite(kId, 3, bytes), 0);
    EXPECT_TRUE(m_Far.Read(50).empty());
}

TEST_F(ComPortTest, AWholeReplyIsReadAndWhatFollowsIsPurged)
{
    OpenFast();
    const unsigned char frame[3] = {2, 1, 0x13};
    EXPECT_EQ(ComWrite(kId, 3, frame), 3);
    EXPECT_EQ(m_Far.Read(500), std::vector<unsigned char>({2, 1, 0x13}));

    std::thread reply([&] { m_Far.Dribble({1, 0}, 2, std::chrono::milliseconds(20)); });
    unsigned char bytes[2] = {};
    EXPECT_EQ(ComRead(kId, 2, bytes), 2);
    reply.join();
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(ComInCount(kId), 0);
}

TEST_F(ComPortTest, AReplyThatStallsFailsAfterAboutAHundredMilliseconds)
{
    OpenFast();
    m_Far.Write({6, 0, 0xAA});
    unsigned char bytes[7] = {};
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    EXPECT_EQ(ComRead(kId, 7, bytes), -1);
    const double wall = SecondsSince(start);
    EXPECT_GE(wall, 0.09);
    EXPECT_LT(wall, 0.5);
    EXPECT_LT(CpuSeconds() - cpu, wall / 4); // waiting is not spinning

    // A reply longer than awaited fails too.
    m_Far.Write({1, 0, 9});
    EXPECT_EQ(ComRead(kId, 2, bytes), -1);
}

TEST_F(ComPortTest, SilenceEndsWithTheBudgetWithoutSpinning)
{
    OpenFast();
    ASSERT_EQ(ComSetTimeout(kId, 4), 0); // 222 ms
    unsigned char bytes[2] = {};
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    EXPECT_EQ(ComRead(kId, 2, bytes), 0);
    const double wall = SecondsSince(start);
    EXPECT_GE(wall, 0.2);
    EXPECT_LT(CpuSeconds() - cpu, 0.02);
}

TEST_F(ComPortTest, SlowLinesGetTimeForLongReplies)
{
    // 64 bytes at 1200 baud take over half a second: far past 100 ms.
    std::vector<unsigned char> reply(64, 0x55);
    reply[0] = 63;
    OpenFast(1200);
    std::thread slow([&] { m_Far.Dribble(reply, 8, std::chrono::milliseconds(60)); });
    std::vector<unsigned char> bytes(64);
    EXPECT_EQ(ComRead(kId, 64, bytes.data()), 64);
    slow.join();
    EXPECT_EQ(bytes, reply);

    // The same dribble on a fast line is a stalled reply.
    ASSERT_EQ(ComSetParams(kId, 115200, 0, 8, 0, 4), comOk);
    std::thread again([&] { m_Far.Dribble(reply, 8, std::chrono::milliseconds(60)); });
    EXPECT_EQ(ComRead(kId, 64, bytes.data()), -1);
    again.join();
}

TEST_F(ComPortTest, AHungUpLineFailsAtOnce)
{
    OpenFast();
    ASSERT_EQ(ComSetTimeout(kId, 54), 0); // 3 s
    m_Far.HangUp();
    unsigned char bytes[4] = {1, 2, 3, 4};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ComRead(kId, 4, bytes), -1);
    EXPECT_LT(ComWrite(kId, 4, bytes), 4);
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_EQ(ComClose(kId), 0);
}

} // namespace
