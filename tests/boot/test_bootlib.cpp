// The boot library's own parts: the reply rule, the image table, the error
// record, and its serial driver on a pseudo-terminal whose far end the test
// plays.
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "boot/bootdrv.h"
#include "boot/bootmon.h"
#include "boot/qkboot32.h"
#include "qkversion.h"
#include "tests/comm/ptyend.h"

namespace {

using clBytes = std::vector<unsigned char>;

std::int32_t ReplyError(const clBytes& reply, std::size_t dataBytes)
{
    return QkBootReplyError(reply.data(), reply.size(), dataBytes);
}

TEST(BootReply, EachFaultHasItsNumber)
{
    EXPECT_EQ(ReplyError({2, 0x02, 0}, 0), 0);
    EXPECT_EQ(ReplyError({2, 0x03, 0}, 0), 0); // the other ready state
    EXPECT_EQ(ReplyError({4, 0x02, 0, 0xAB, 0xCD}, 2), 0);
    EXPECT_EQ(ReplyError({2, 0x02, 0}, 2), bootErrWrongKind);
    EXPECT_EQ(ReplyError({3, 0x02, 0, 0xAB}, 0), bootErrWrongKind);
    EXPECT_EQ(ReplyError({}, 0), bootErrLink);
    EXPECT_EQ(ReplyError({2, 0x02}, 0), bootErrLink);
    EXPECT_EQ(ReplyError({5, 0x02, 0, 1}, 1), bootErrLink);    // the count says more came
    EXPECT_EQ(ReplyError({3, 0x02, 0, 0xAB}, 2), bootErrLink); // fewer data than asked
    for (unsigned char code = 1; code <= 8; ++code)
        EXPECT_EQ(ReplyError({2, 0x40, code}, 0), code + 13);
    EXPECT_EQ(ReplyError({2, 0x40, 9}, 5), 24);
    for (unsigned char code : {0, 10, 0xFF})
        EXPECT_EQ(ReplyError({2, 0x40, code}, 0), bootErrMonitor) << int(code);
}

TEST(BootImages, EachFamilyHasItsImageOfTheStatedLength)
{
    const std::size_t lengths[] = {17599, 20859, 21093, 20826};
    const unsigned char* first = nullptr;
    for (int family = 1; family <= 4; ++family) {
        const unsigned char* bytes = nullptr;
        std::size_t size = 0;
        ASSERT_TRUE(QkBootImage(family, bytes, size)) << family;
        EXPECT_EQ(size, lengths[family - 1]);
        if (first != nullptr) {
            EXPECT_NE(std::memcmp(first, bytes, 1024), 0);
        }
        first = bytes;
    }
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;
    EXPECT_FALSE(QkBootImage(0, bytes, size));
    EXPECT_FALSE(QkBootImage(5, bytes, size));
}

TEST(BootEntryPoints, FailuresAreReportedInTheErrorRecord)
{
    com_mapport(59, "");
    EXPECT_EQ(com_init(59, nullptr, 1), -1);
    EXPECT_EQ(dllError()->m_iError, bootErrPortClosed);
    EXPECT_STRNE(dllError()->m_szText, "No Error");

    // Memory access needs the port, which only com_init holds open.
    unsigned char byte = 0;
    EXPECT_EQ(mem_Read(0, 0, 1, &byte), -1);
    EXPECT_EQ(dllError()->m_iError, bootErrPortClosed);
    std::uint16_t page = 0;
    EXPECT_EQ(mem_PageNumber(&page), -1);

    EXPECT_EQ(monitorVersion(), -1);
    EXPECT_EQ(dllError()->m_iError, bootErrWrongKind);
    const char* version = nullptr;
    EXPECT_EQ(dllVersion(&version), 1);
    EXPECT_STREQ(version, QK_VERSION_TEXT);
}

class BootDriverTest : public ::testing::Test {
protected:
    static constexpr unsigned kPort = 58;
    void SetUp() override
    {
        ASSERT_FALSE(m_Far.Path().empty());
        com_mapport(kPort, m_Far.Path().c_str());
    }
    void TearDown() override { com_mapport(kPort, ""); }

    clPtyEnd m_Far;
    CCommDriver m_Driver;
};

TEST(BootDriver, NamesEveryParityByItsLetter)
{
    EXPECT_EQ(std::string({QkParityLetter(0), QkParityLetter(1), QkParityLetter(2), QkParityLetter(3),
                           QkParityLetter(4), QkParityLetter(5)}),
              "NOEMSN");
}

TEST_F(BootDriverTest, OpensTheMappedPortWithTheLineSettingAsked)
{
    // A pseudo-terminal keeps 8 data bits and no parity whatever it is told,
    // so only those settings can be checked on it.
    ASSERT_TRUE(m_Driver.PlugPortDrv(kPort, 9600, 'N', 8, 2));
    EXPECT_TRUE(m_Driver.Connected());
    EXPECT_EQ(m_Driver.PortNumber(), kPort);
    EXPECT_EQ(m_Driver.BaudRate(), 9600);
    EXPECT_EQ(m_Driver.Parity(), 'N');
    EXPECT_EQ(m_Driver.DataBits(), 8);
    EXPECT_EQ(m_Driver.StopBits(), 2);
    ASSERT_TRUE(m_Driver.PlugPortDrv(kPort, 115200, 'n', 8, 1));
    EXPECT_EQ(m_Driver.StopBits(), 0);
    m_Driver.UnPlugPortDrv();
    EXPECT_FALSE(m_Driver.Connected());

    EXPECT_FALSE(m_Driver.PlugPortDrv(kPort, 115200, 'x', 8, 1));
    EXPECT_FALSE(m_Driver.PlugPortDrv(kPort, 115200, 'n', 8, 3));
    EXPECT_FALSE(m_Driver.PlugPortDrv(kPort, 12345, 'n', 8, 1));
    EXPECT_FALSE(m_Driver.Connected());
    EXPECT_FALSE(m_Driver.PlugPortDrv(kPort + 1, 115200, 'n', 8, 1));
}

TEST_F(BootDriverTest, ReadsTheLengthTheFirstByteGives)
{
    ASSERT_TRUE(m_Driver.PlugPortDrv(kPort, 115200, 'n', 8, 1));
    unsigned char bytes[16] = {};
    std::size_t got = 99;
    EXPECT_TRUE(m_Driver.Read(bytes, 0, 1000, got, false));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(m_Driver.Read(bytes, 3, 0xFFFFFFFFu, got, false));

    m_Far.Write({3, 1, 2, 3, 9, 9});
    ASSERT_TRUE(m_Driver.Read(bytes, sizeof bytes, 2000, got, true));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(clBytes(bytes, bytes + 4), (clBytes{3, 1, 2, 3}));

    // A write first throws away whatever came unasked.
    ASSERT_TRUE(m_Driver.Write(clBytes{7, 8}.data(), 2));
    EXPECT_EQ(m_Far.Read(1000), (clBytes{7, 8}));
    m_Far.Write({0xAA});
    EXPECT_TRUE(m_Driver.Read(bytes, 1, 2000, got, false));
    EXPECT_EQ(bytes[0], 0xAA);
}

TEST_F(BootDriverTest, AMissingReplyTimesOutInWholeSeconds)
{
    ASSERT_TRUE(m_Driver.PlugPortDrv(kPort, 115200, 'n', 8, 1));
    m_Far.Write({2, 0x02});
    unsigned char bytes[3] = {};
    std::size_t got = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_Driver.Read(bytes, 3, 1500, got, true));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(got, 2u);
}

// The programmer gone in the middle of a reply: the read ends at once, and
// waits in the system meanwhile instead of spinning to its time-out.
TEST_F(BootDriverTest, ALineThatHangsUpEndsTheReadAtOnce)
{
    ASSERT_TRUE(m_Driver.PlugPortDrv(kPort, 115200, 'n', 8, 1));
    m_Far.Write({5, 0x02});
    std::thread gone([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_Far.HangUp();
    });
    unsigned char bytes[6] = {};
    std::size_t got = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    EXPECT_FALSE(m_Driver.Read(bytes, sizeof bytes, 10000, got, true));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    gone.join();
    EXPECT_LT(seconds, 1.0);
    EXPECT_LT(cpu, 0.2);
    EXPECT_EQ(got, 2u);
}

} // namespace
